#include "app/error_text.h"

// The text of a failure box: the program's own sentence, then a line feed
// and the system's text for the error code, as the system gave it (with its
// own line break). When the system had no text for the code, the box shows
// the program's sentence alone rather than a stray line feed or garbage.
std::wstring ComposeErrorText(const std::wstring& text, const wchar_t* systemText)
{
    if (systemText == nullptr || systemText[0] == L'\0')
        return text;
    return text + L'\n' + systemText;
}
