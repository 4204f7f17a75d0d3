#pragma once
// What the Windows tests and tools need to drive real programs under Wine
// as a user would: processes, their windows, the mouse and the keyboard,
// the screen's pixels and files' bytes. Every wait polls a condition with a
// generous time limit; nothing here measures how long something took.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace ws {

// Long enough for a slow Wine on a busy machine; conditions are polled, so
// a fast run does not wait for it.
constexpr DWORD kTimeoutMs = 10000;

// Polls the condition until it holds or the time is up, and returns its
// last answer; the calling thread's messages are handled meanwhile.
bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = kTimeoutMs);
// Handles the thread's messages for a while: only to show that something
// does not happen.
void PumpFor(DWORD milliseconds);

std::string Narrow(const std::wstring& text);
std::wstring Widen(const std::string& text);
std::wstring BinFolder();  // the running program's folder
std::wstring SystemErrorText(DWORD code);

// A process started by a test; it is killed when this object goes.
class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess() { Kill(); }
    bool Start(const std::wstring& exe, const std::wstring& arguments, const std::wstring& workDir);
    DWORD Id() const { return id_; }
    HANDLE Handle() const { return process_; }
    bool Running() const { return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode);
    void Kill();

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// Every window of a process of a class (any when null): top-level ones and
// their children, also those inside another process's windows.
std::vector<HWND> WindowsOf(DWORD pid, const wchar_t* className = nullptr);
HWND WindowOf(DWORD pid, const wchar_t* className);
std::wstring ClassOf(HWND window);
std::wstring TextOf(HWND window);
RECT RectOf(HWND window);

// The mouse and the keyboard, as injected input. SendCursorTo injects a
// move and waits until Wine's record has it, as inside a move or size loop;
// MoveCursorTo waits until the cursor stays there.
void PlaceXPointer(POINT point);
bool SendCursorTo(POINT point);
bool MoveCursorTo(POINT point);
POINT CursorPos();
void SendMouse(DWORD flags, POINT at = {0, 0});
void PressKey(WORD virtualKey);
void TypeText(const std::wstring& text);

class ScreenCapture {
public:
    explicit ScreenCapture(const RECT& region);
    COLORREF At(int x, int y) const;

private:
    RECT region_;
    std::vector<uint32_t> pixels_;
};
bool ColorsClose(COLORREF a, COLORREF b, int tolerance = 3);

std::vector<uint8_t> ReadBytes(const std::wstring& path);
bool WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes);
bool RemoveTree(const std::wstring& path);

// Under Wine, the folder under Z:\proc of the Unix process that runs the
// exe, found by its command line; empty where there is none. Its threads,
// by id, with the processor time each has used, in nanoseconds, and the
// times the system switched it off the processor. The processor time the
// process has used, once it has stayed the same for a fifth of a second,
// while this thread pumps its messages.
struct ThreadFigures { double ns, switches; };
std::wstring UnixProcessFolder(const std::wstring& exe);
std::map<std::wstring, ThreadFigures> ThreadsOf(const std::wstring& exe);
double ProcessorTimeAtRest(const std::wstring& exe);

void NoticeNewHooks();

// Another program's busy desktop, in this process: so many small windows
// open in the top right corner of the screen, and one more opened, shown and
// closed so many times a second, for a while, raising the window events
// Windows would or not. Returns its processor time, in milliseconds.
int RunBusyDesktop(int windows, int perSecond, DWORD milliseconds, bool events);

// Sends a steering command to the stand-in shell's "Progman"; 0 when it
// does not answer.
LRESULT ShellControl(unsigned command, LPARAM argument = 0);

} // namespace ws
