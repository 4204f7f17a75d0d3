// The seams of tavrel_seams.exe. TAVREL_SEAMS holds entries separated by
// commas, each "Call[@text]:N:action[:code]": the Nth call of that system
// function (counting only calls whose path or class name contains the text,
// when one is given) fails with the error code (8, not enough memory, by
// default), throws std::bad_alloc, or ends the process at once with exit
// code 99, as a crash or a killed process would.
#include <windows.h>
#include <commdlg.h>

#include <cstdlib>
#include <cwchar>
#include <new>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Seam {
    std::string call;
    std::wstring text;
    int when;
    std::string action;
    DWORD code;
    int seen;
};

std::vector<Seam> ReadSeams()
{
    std::vector<Seam> seams;
    const char* value = std::getenv("TAVREL_SEAMS");
    std::istringstream entries(value != nullptr ? value : "");
    std::string entry;
    while (std::getline(entries, entry, ',')) {
        std::istringstream parts(entry);
        std::string call, when = "1", action = "fail", code = "8";
        std::getline(parts, call, ':');
        std::getline(parts, when, ':');
        std::getline(parts, action, ':');
        std::getline(parts, code, ':');
        const size_t at = call.find('@');
        const std::string text = at == std::string::npos ? "" : call.substr(at + 1);
        seams.push_back({call.substr(0, at), std::wstring(text.begin(), text.end()), std::atoi(when.c_str()), action,
                         DWORD(std::strtoul(code.c_str(), nullptr, 10)), 0});
    }
    return seams;
}

// Whether this call is to fail; it may instead throw or end the process.
bool Hit(const char* call, const wchar_t* subject)
{
    static std::vector<Seam> seams = ReadSeams();
    for (Seam& seam : seams) {
        if (seam.call != call || (!seam.text.empty() && (IS_INTRESOURCE(subject) || subject == nullptr ||
                                                         std::wcsstr(subject, seam.text.c_str()) == nullptr)))
            continue;
        if (++seam.seen != seam.when)
            continue;
        if (seam.action == "throw")
            throw std::bad_alloc();
        if (seam.action == "exit")
            TerminateProcess(GetCurrentProcess(), 99);
        SetLastError(seam.code);
        return true;
    }
    return false;
}

} // namespace

HANDLE WINAPI SeamCreateFileW(LPCWSTR a, DWORD b, DWORD c, LPSECURITY_ATTRIBUTES d, DWORD e, DWORD f, HANDLE g)
{
    return Hit("CreateFileW", a) ? INVALID_HANDLE_VALUE : CreateFileW(a, b, c, d, e, f, g);
}

BOOL WINAPI SeamWriteFile(HANDLE a, LPCVOID b, DWORD c, LPDWORD d, LPOVERLAPPED e)
{
    return Hit("WriteFile", nullptr) ? FALSE : WriteFile(a, b, c, d, e);
}

BOOL WINAPI SeamFlushFileBuffers(HANDLE a)
{
    return Hit("FlushFileBuffers", nullptr) ? FALSE : FlushFileBuffers(a);
}

BOOL WINAPI SeamReplaceFileW(LPCWSTR a, LPCWSTR b, LPCWSTR c, DWORD d, LPVOID e, LPVOID f)
{
    return Hit("ReplaceFileW", a) ? FALSE : ReplaceFileW(a, b, c, d, e, f);
}

BOOL WINAPI SeamMoveFileExW(LPCWSTR a, LPCWSTR b, DWORD c)
{
    return Hit("MoveFileExW", a) ? FALSE : MoveFileExW(a, b, c);
}

BOOL WINAPI SeamDeleteFileW(LPCWSTR a)
{
    return Hit("DeleteFileW", a) ? FALSE : DeleteFileW(a);
}

HWND WINAPI SeamCreateWindowExW(DWORD a, LPCWSTR b, LPCWSTR c, DWORD d, int e, int f, int g, int h, HWND i, HMENU j,
                                HINSTANCE k, LPVOID l)
{
    return Hit("CreateWindowExW", b) ? nullptr : CreateWindowExW(a, b, c, d, e, f, g, h, i, j, k, l);
}

HBITMAP WINAPI SeamCreateDIBSection(HDC a, const BITMAPINFO* b, UINT c, void** d, HANDLE e, DWORD f)
{
    return Hit("CreateDIBSection", nullptr) ? nullptr : CreateDIBSection(a, b, c, d, e, f);
}

HBITMAP WINAPI SeamCreateCompatibleBitmap(HDC a, int b, int c)
{
    return Hit("CreateCompatibleBitmap", nullptr) ? nullptr : CreateCompatibleBitmap(a, b, c);
}

BOOL WINAPI SeamChooseColorW(LPCHOOSECOLORW a)
{
    return Hit("ChooseColorW", nullptr) ? FALSE : ChooseColorW(a);
}

BOOL WINAPI SeamGetCursorPos(LPPOINT a)
{
    return Hit("GetCursorPos", nullptr) ? FALSE : GetCursorPos(a);
}

UINT_PTR WINAPI SeamSetTimer(HWND a, UINT_PTR b, UINT c, TIMERPROC d)
{
    return Hit("SetTimer", nullptr) ? 0 : SetTimer(a, b, c, d);
}
