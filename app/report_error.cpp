#include "app/report_error.h"

#include <string>

#include "app/error_text.h"
#include "app/messages.h"

// Every box of the program: caption "Tavrel", a single OK button and no
// icon. The answer is not used.
void ShowMessage(HWND owner, const wchar_t* text)
{
    MessageBoxW(owner, text, kAppCaption, MB_OK);
}

// The one way a failure reaches the user: a modal box with the program's
// own sentence and, for a non-zero code, the system's text for it. Insert
// sequences in the system text are left as they are, since there are no
// arguments to put into them; a code the system has no text for shows the
// sentence alone.
void ReportError(HWND owner, const wchar_t* text, DWORD code)
{
    if (code == 0) {
        ShowMessage(owner, text);
        return;
    }
    wchar_t* systemText = nullptr;
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                   reinterpret_cast<wchar_t*>(&systemText), 0, nullptr);
    const std::wstring message = ComposeErrorText(text, systemText);
    if (systemText != nullptr)
        LocalFree(systemText);
    ShowMessage(owner, message.c_str());
}
