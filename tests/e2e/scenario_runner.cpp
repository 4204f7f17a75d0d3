// Carries out one scenario of a .scn file against the real tavrel.exe on
// the stand-in shell's desktop, as a user and the shell would, and checks
// what the screen, the windows, the files and the exit codes show. The
// scenario language is described in tests/e2e/README.md.
#include <windows.h>
#include <winternl.h>
#include <wtsapi32.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/seams/seam_counts.h"
#include "tests/support/win_support.h"
#include "tools/standin_shell/standin_shell_protocol.h"

using namespace ws;
namespace ss = standin_shell;

namespace {

constexpr wchar_t kMainClass[] = L"f69fdc84bcc04963ace744e5648d5796";
constexpr wchar_t kEyeClass[] = L"8bf14e335fa0413b98aa2be5baee60b3";
constexpr wchar_t kWorkClass[] = L"455c149f5ba547acaedda8af0e345d3f";
constexpr wchar_t kDragClass[] = L"c4e04cd4c54c43d48dd7b554d9fe7878";

using Words = std::vector<std::string>;

// The value fields of both dialogs, in their order.
const char* const kFields[] = {"x", "y", "width", "height"};

void Check(bool condition, const std::string& why)
{
    if (!condition)
        throw std::runtime_error(why);
}

// Waits for the condition and fails with the text the last look gave.
void Expect(const std::function<bool()>& condition, const std::function<std::string()>& why,
            DWORD timeoutMs = kTimeoutMs)
{
    if (!WaitFor(condition, timeoutMs))
        throw std::runtime_error(why());
}

int Number(const std::string& word)
{
    size_t used = 0;
    const int value = std::stoi(word, &used, 10);
    Check(used == word.size(), "not a number: " + word);
    return value;
}

// RRGGBB as written in the scenarios, as a COLORREF.
COLORREF Colour(const std::string& word)
{
    const unsigned long rgb = std::stoul(word, nullptr, 16);
    return RGB(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

std::string Text(const char* format, long a, long b = 0, long c = 0, long d = 0)
{
    char text[128];
    std::snprintf(text, sizeof text, format, a, b, c, d);
    return text;
}

// For a failed system call: the error it left is part of the report.
void CheckCall(bool succeeded, const std::string& why)
{
    const long error = long(GetLastError());
    Check(succeeded, why + Text(" (system error %ld)", error));
}

std::string RectText(const RECT& r)
{
    return Text("(%ld, %ld) %ld x %ld", r.left, r.top, r.right - r.left, r.bottom - r.top);
}

// The 32 bytes of a record "X Y W H OUTLINE WHITE PUPIL" from words[at].
std::vector<uint8_t> Record(const Words& w, size_t at, uint32_t tag = 0x0001AA2A)
{
    uint32_t fields[8] = {tag};
    for (size_t i = 0; i < 7; ++i)
        fields[i + 1] = i < 4 ? uint32_t(Number(w[at + i])) : uint32_t(Colour(w[at + i]));
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < 32; ++i)
        bytes.push_back(uint8_t(fields[i / 4] >> (8 * (i % 4))));
    return bytes;
}

// The words of a line; quoted words keep their spaces and expand "\n" and
// "{N}".
Words Split(const std::string& line)
{
    Words words;
    for (size_t i = 0; i < line.size() && line[i] != '#';) {
        if (line[i] == ' ') {
            ++i;
        } else if (line[i] == '"') {
            std::string word;
            for (++i; i < line.size() && line[i] != '"'; ++i) {
                if (line.compare(i, 2, "\\n") == 0) {
                    word += '\n';
                    ++i;
                } else if (line[i] == '{') {
                    const size_t close = line.find('}', i);
                    word += Narrow(SystemErrorText(DWORD(Number(line.substr(i + 1, close - i - 1)))));
                    i = close;
                } else {
                    word += line[i];
                }
            }
            words.push_back(word);
            ++i;
        } else {
            const size_t end = std::min(line.find(' ', i), line.size());
            words.push_back(line.substr(i, end - i));
            i = end;
        }
    }
    return words;
}

// The figures of a long run that must not grow: private bytes, GDI objects
// and USER objects of a process. Wine reports none of them for another
// process, so the private bytes are the resident anonymous memory of its
// Unix process, found by its command line in /proc, the GDI objects the used
// entries of its GDI handle table, found through its process environment
// block, and the USER objects its windows.
struct Sample {
    double bytes, gdi, user;
};

// A pixel of the screen that must show a colour, or must not.
struct Pixel {
    POINT at;
    COLORREF colour;
    bool is;
};

double PrivateBytes(const std::wstring& exe)
{
    const std::vector<uint8_t> status = ReadBytes(UnixProcessFolder(exe) + L"\\status");
    const std::string text(status.begin(), status.end());
    const size_t at = text.find("RssAnon:");
    return at == std::string::npos ? 0 : 1024.0 * std::atof(text.c_str() + at + 8);
}

void CountObjects(const ChildProcess& process, Sample& sample)
{
    // Each entry of the table takes 24 bytes; a used one has its type byte,
    // at 14, set. A 32-bit process under Wine 8 names no table in its
    // process environment block, and its GDI objects cannot be counted.
    sample.gdi = NAN;
    PROCESS_BASIC_INFORMATION basic{};
    NtQueryInformationProcess(process.Handle(), ProcessBasicInformation, &basic, sizeof basic, nullptr);
    void* table = nullptr;
    std::vector<uint8_t> entries(0x10000 * 24);
    const char* peb = reinterpret_cast<const char*>(basic.PebBaseAddress);
    if (ReadProcessMemory(process.Handle(), peb + (sizeof(void*) == 8 ? 0xF8 : 0x94), &table, sizeof table, nullptr) &&
        ReadProcessMemory(process.Handle(), table, entries.data(), entries.size(), nullptr)) {
        sample.gdi = 0;
        for (size_t i = 14; i < entries.size(); i += 24)
            sample.gdi += entries[i] != 0 ? 1 : 0;
    }
    sample.user = double(WindowsOf(process.Id()).size());
}

// A frame in flight holds a few of the system's objects for a moment: the
// least of five counts, a tenth of a second apart, is what stays. The
// memory is taken once, after them.
Sample Measure(const ChildProcess& process, const std::wstring& exe)
{
    Sample least{}, now{};
    for (int i = 0; i < 5; ++i) {
        if (i > 0)
            PumpFor(100);
        CountObjects(process, now);
        least.gdi = i == 0 ? now.gdi : std::min(least.gdi, now.gdi);
        least.user = i == 0 ? now.user : std::min(least.user, now.user);
    }
    least.bytes = PrivateBytes(exe);
    return least;
}

// The figures of the first sample and the largest growth of each over it,
// in per cent; whether every figure that could be read was there at all
// and none grew by more than 1 %.
bool Held(const std::vector<Sample>& samples, std::string& figures)
{
    double worst[3] = {0, 0, 0};
    const Sample& first = samples.front();
    for (const Sample& s : samples) {
        worst[0] = std::max(worst[0], 100 * (s.bytes - first.bytes) / first.bytes);
        worst[1] = std::max(worst[1], 100 * (s.gdi - first.gdi) / first.gdi);
        worst[2] = std::max(worst[2], 100 * (s.user - first.user) / first.user);
    }
    char text[128];
    std::snprintf(text, sizeof text, "; private %.1f MB %+.2f%%, GDI %.0f %+.2f%%, USER %.0f %+.2f%%",
                  first.bytes / 1e6, worst[0], first.gdi, worst[1], first.user, worst[2]);
    figures += text;
    return first.bytes > 0 && (first.gdi > 0 || std::isnan(first.gdi)) && first.user > 0 && worst[0] <= 1 &&
           worst[1] <= 1 && worst[2] <= 1;
}

// The commands of a line from words[first] on, separated by ";".
std::vector<Words> Commands(const Words& w, size_t first)
{
    std::vector<Words> commands(1);
    for (size_t i = first; i < w.size(); ++i)
        if (w[i] == ";")
            commands.emplace_back();
        else
            commands.back().push_back(w[i]);
    return commands;
}

// What tavrel_seams.exe has counted so far; all zero for tavrel.exe.
SeamCounts CountsOf(DWORD process)
{
    SeamCounts counts{};
    HANDLE mapping = OpenFileMappingW(FILE_MAP_READ, FALSE, SeamCountsName(process).c_str());
    const void* view = mapping != nullptr ? MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, sizeof counts) : nullptr;
    if (view != nullptr)
        counts = *static_cast<const SeamCounts*>(view);
    if (view != nullptr)
        UnmapViewOfFile(view);
    CloseHandle(mapping);
    return counts;
}

class Runner {
public:
    explicit Runner(bool full);
    ~Runner();
    void Run(const Words& w);
    std::string Describe();

private:
    void RunExpect(const Words& w);
    DWORD Pid() const { return tavrel_.Id(); }
    std::wstring File(const wchar_t* name) const { return folder_ + L"\\" + name; }
    HWND Main();
    HWND Window(const std::string& name, bool wait = true);
    HWND Control(const std::string& window, const std::string& control);
    void StartShell(const Words& options);
    void StartTavrel(const std::string& seams);
    void ExpectPixels(const std::vector<Pixel>& samples, DWORD timeoutMs = kTimeoutMs);
    void AddPupil(std::vector<Pixel>& samples, POINT centre) const;
    void ChooseMenuItem(WORD key);
    void Drag(POINT from, POINT to);
    void Repeat(const Words& w);
    void OtherWindow(const Words& w);
    void SendDisplayState(HWND target, DWORD state);
    void Meter(const Words& w);
    void Busy(const Words& w);
    struct Measured;
    const Measured& Timed(const std::string& name) const;

    const bool full_;  // long runs at their full counts
    std::wstring folder_;
    std::wstring exe_;  // the program the last start ran
    ChildProcess shell_, tavrel_, second_;
    Words shellOptions_;
    HANDLE hold_, held_;
    HANDLE lock_ = INVALID_HANDLE_VALUE;
    HWND main_ = nullptr;
    std::vector<uint8_t> written_;
    bool wroteFile_ = false; // whether written_ went to tavrel.dat at all
    COLORREF pupil_ = 0, outline_ = 0;
    RECT eyes_{};
    DWORD destroyedAt_ = 0;
    long randomFiles_ = 0;
    std::map<std::string, HWND> others_;   // the runner's own windows, standing for another program's
    struct Measured { double ns, switches, seconds; SeamCounts counted; bool threadEnded; };
    std::map<std::string, Measured> measured_; // a process's figures over a command, by name
    HWND eye_ = nullptr;                       // the eye window the last "expect eyes" found
};

Runner::Runner(bool full) : full_(full), folder_(BinFolder() + L"\\testtmp\\run" + std::to_wstring(GetCurrentProcessId()))
{
    RemoveTree(folder_);
    CreateDirectoryW(folder_.c_str(), nullptr);
    CheckCall(CopyFileW((BinFolder() + L"\\tavrel.exe").c_str(), File(L"tavrel.exe").c_str(), FALSE),
          "cannot copy tavrel.exe into the test folder");
    hold_ = CreateEventW(nullptr, TRUE, FALSE, ss::kHoldEventName);
    held_ = CreateEventW(nullptr, TRUE, FALSE, ss::kHeldEventName);
}

// The program first, then the shell, whose icons the program would remove.
Runner::~Runner()
{
    second_.Kill();
    tavrel_.Kill();
    shell_.Kill();
    CloseHandle(lock_);
    CloseHandle(hold_);
    CloseHandle(held_);
    WaitFor([&] { return RemoveTree(folder_); }, 5000);
}

// The program's windows, for a failure report.
std::string Runner::Describe()
{
    DWORD code = 0;
    std::string text = tavrel_.WaitForExit(0, &code) ? Text("tavrel.exe ended with %ld", long(code))
                                                     : "tavrel.exe runs; its windows:";
    for (HWND w : WindowsOf(Pid()))
        text += "\n    " + Narrow(ClassOf(w)) + (IsWindowVisible(w) ? " shown " : " hidden ") + RectText(RectOf(w)) +
                " in " + Narrow(ClassOf(GetAncestor(w, GA_PARENT))) + " \"" + Narrow(TextOf(w)) + "\"";
    return text;
}

HWND Runner::Main()
{
    if (main_ == nullptr)
        WaitFor([&] { return (main_ = WindowOf(Pid(), kMainClass)) != nullptr; });
    Check(main_ != nullptr, "tavrel.exe has no main window");
    return main_;
}

// A shown window of tavrel.exe by what the scenarios call it: "settings",
// "numeric", "colour", "box" (a message box), "drag" or "eye".
HWND Runner::Window(const std::string& name, bool wait)
{
    if (others_.count(name) != 0)
        return others_.at(name);
    const std::map<std::string, std::pair<int, const wchar_t*>> dialogs = {
        {"settings", {109, L"Button"}}, {"numeric", {102, L"Edit"}}, {"colour", {706, L"Edit"}}, {"box", {0xFFFF, L"Static"}}};
    const auto dialog = dialogs.find(name);
    const wchar_t* cls = name == "drag" ? kDragClass : (name == "eye" ? kEyeClass : L"#32770");
    HWND found = nullptr;
    auto look = [&] {
        for (HWND w : WindowsOf(Pid(), cls)) {
            if (IsWindowVisible(w) && (dialog == dialogs.end() ||
                                       ClassOf(GetDlgItem(w, dialog->second.first)) == dialog->second.second))
                return (found = w) != nullptr;
        }
        return false;
    };
    Check((wait ? WaitFor(look) : look()) || !wait, "no " + name + " window is open");
    return found;
}

// A control by number or by the name the scenarios give it.
HWND Runner::Control(const std::string& window, const std::string& control)
{
    const std::map<std::string, int> names = {{"ok", 1},      {"cancel", 2}, {"apply", 116},  {"numeric", 109},
                                              {"outline", 111}, {"white", 113}, {"pupil", 115}, {"x", 102},
                                              {"y", 104},      {"width", 106}, {"height", 108}};
    const auto it = names.find(control);
    HWND found = GetDlgItem(Window(window), it != names.end() ? it->second : Number(control));
    Check(found != nullptr, "no control " + control + " in the " + window + " window");
    return found;
}

void Runner::StartShell(const Words& options)
{
    const std::map<std::string, std::wstring> known = {
        {"classic", ss::kOptionLayoutClassic}, {"24h2", ss::kOptionLayout24h2},
        {"24h2-noredirection", ss::kOptionLayout24h2NoRedirection}, {"no-answer", ss::kOptionNoAnswer},
        {"with-layer", ss::kOptionWithLayer}, {"hold", ss::kOptionHold},
        {"lose-layer-on-icon", ss::kOptionLoseLayerOnIcon}};
    std::wstring arguments;
    for (size_t i = 1; i < options.size(); ++i)
        arguments += L" " + (known.count(options[i]) ? known.at(options[i]) : Widen("--" + options[i]));
    shellOptions_ = options;
    ResetEvent(hold_);
    ResetEvent(held_);
    CheckCall(shell_.Start(BinFolder() + L"\\standin_shell.exe", arguments, BinFolder()), "the stand-in did not start");
    if (arguments.find(ss::kOptionHold) != std::wstring::npos)
        Expect([&] { return WaitForSingleObject(held_, 0) == WAIT_OBJECT_0; }, [] { return "the stand-in shell does not hold"; });
    else
        Expect([&] { return ShellControl(ss::kCommandQueryReady) == 1; }, [] { return "the stand-in shell is not ready"; });
}

void Runner::StartTavrel(const std::string& seams)
{
    exe_ = File(seams.empty() ? L"tavrel.exe" : L"tavrel_seams.exe");
    if (!seams.empty())
        CopyFileW((BinFolder() + L"\\tavrel_seams.exe").c_str(), exe_.c_str(), FALSE);
    // The program inherits the seams it is to use.
    SetEnvironmentVariableW(L"TAVREL_SEAMS", seams.empty() ? nullptr : Widen(seams).c_str());
    main_ = nullptr;
    CheckCall(tavrel_.Start(exe_, L"", folder_), "tavrel.exe did not start");
}

void Runner::ExpectPixels(const std::vector<Pixel>& samples, DWORD timeoutMs)
{
    const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    std::string mismatch;
    Expect(
        [&] {
            const ScreenCapture capture(screen);
            mismatch.clear();
            for (const Pixel& sample : samples) {
                if (!PtInRect(&screen, sample.at))
                    continue;
                const COLORREF seen = capture.At(sample.at.x, sample.at.y);
                if (ColorsClose(seen, sample.colour) != sample.is)
                    mismatch += Text(" (%ld, %ld) shows %06lX", sample.at.x, sample.at.y, long(seen)) +
                                (sample.is ? " for " : " and must not ") + Text("%06lX", long(sample.colour));
            }
            return mismatch.empty();
        },
        [&] { return "the screen (COLORREF values):" + mismatch; }, timeoutMs);
}

// A pupil centred on the point: its colour 2 px inside the ends of both
// axes and, where the outline's colour differs, not its colour 3 px beyond.
// An eye is (W * 10 + 10) / 21 wide and a pupil (eye + 3) / 6 by (H + 3) / 6.
void Runner::AddPupil(std::vector<Pixel>& samples, POINT centre) const
{
    Check(eyes_.right > eyes_.left, "no eyes were expected yet, so the pupils' size is unknown");
    const LONG eyeWidth = ((eyes_.right - eyes_.left) * 10 + 10) / 21;
    const LONG halfWidth = ((eyeWidth + 3) / 6 - 1) / 2, halfHeight = ((eyes_.bottom - eyes_.top + 3) / 6 - 1) / 2;
    samples.push_back({centre, pupil_, true});
    for (const POINT step : {POINT{1, 0}, POINT{-1, 0}, POINT{0, 1}, POINT{0, -1}}) {
        samples.push_back({{centre.x + step.x * (halfWidth - 2), centre.y + step.y * (halfHeight - 2)}, pupil_, true});
        if (outline_ != pupil_)
            samples.push_back({{centre.x + step.x * (halfWidth + 3), centre.y + step.y * (halfHeight + 3)}, pupil_, false});
    }
}

// The key goes to the thread that tracks the menu, whose loop takes every
// keyboard message of that thread. Typed, it would go to whichever thread
// holds the keyboard as the system takes it, and under Wine a late focus
// event from the X server can hand the keyboard back to the window that
// had it before the menu opened.
void Runner::ChooseMenuItem(WORD key)
{
    HWND menu = nullptr;
    Expect([&] { return (menu = WindowOf(Pid(), L"#32768")) != nullptr && IsWindowVisible(menu); },
           [] { return "no popup menu opened"; });
    const LPARAM scan = LPARAM(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
    PostMessageW(menu, WM_KEYDOWN, key, scan | 1);
    PostMessageW(menu, WM_KEYUP, key, scan | 0xC0000001);
    Expect([&] { return !IsWindowVisible(menu); }, [] { return "the popup menu stays open"; });
}

// Puts the cursor at the point, and the X pointer with it, before a press.
// The system's move and size loop starts from the place the press was
// posted at, and under Wine from where the X pointer is, so a pixel's error
// there is one in the result. On a busy machine Wine may read an earlier
// place back from the X server a moment later; the cursor has settled when
// five looks 50 ms apart all find it in place. (Inside the loop Wine refuses
// to move the X pointer for another process, and the injected moves of
// SendCursorTo lead the way.)
void SettleCursorAt(POINT point)
{
    int steady = -1;
    Expect(
        [&] {
            if (steady >= 0 && CursorPos().x == point.x && CursorPos().y == point.y) {
                ++steady;
            } else {
                steady = 0;
                PlaceXPointer(point);
            }
            Sleep(50);
            return steady >= 5;
        },
        [] { return std::string("the cursor does not stay in place"); });
}

// A press on the drag window as the system reports it, with the code that
// the window's own hit test gives for the point, then the mouse moved to
// the end point and released. Where the window answers "client" there is
// nothing to drag, and the system starts no loop; where the program shows a
// box inside the loop, the loop waits for it.
void Runner::Drag(POINT from, POINT to)
{
    HWND drag = Window("drag");
    const LRESULT code = SendMessageW(drag, WM_NCHITTEST, 0, MAKELPARAM(from.x, from.y));
    SettleCursorAt(from);
    PostMessageW(drag, WM_NCLBUTTONDOWN, WPARAM(code), MAKELPARAM(from.x, from.y));
    auto looping = [&] {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(GetWindowThreadProcessId(drag, nullptr), &info) && (info.flags & GUI_INMOVESIZE);
    };
    if (code == HTCLIENT) {
        PumpFor(300);
        Check(!looping(), "a press inside the drag window started a move");
        return;
    }
    Expect(looping, [] { return "the press started no move or size loop"; });
    for (int step = 1; step <= 4; ++step)
        SendCursorTo({from.x + (to.x - from.x) * step / 4, from.y + (to.y - from.y) * step / 4});
    // The release carries the end point in the same input, so the loop's
    // last move before it is at the end point. Under Wine the X server
    // reports each placement late; a report of the pixel aside could
    // otherwise come between the last move and a separate release, and the
    // loop would end a pixel short.
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK | MOUSEEVENTF_LEFTUP, to);
    Expect([&] { return !looping() || Window("box", false) != nullptr; },
           [] { return "the move or size loop did not end"; });
}

// The display's power state as the system reports it: a record in the
// receiving process's own memory, whose address the message carries.
void Runner::SendDisplayState(HWND target, DWORD state)
{
    const struct { GUID setting; DWORD length, state; } record = {
        {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}}, sizeof(DWORD), state};
    void* remote = VirtualAllocEx(tavrel_.Handle(), nullptr, sizeof record, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    CheckCall(remote != nullptr && WriteProcessMemory(tavrel_.Handle(), remote, &record, sizeof record, nullptr),
              "cannot hand tavrel.exe the display's state");
    SendMessageW(target, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, reinterpret_cast<LPARAM>(remote));
    VirtualFreeEx(tavrel_.Handle(), remote, 0, MEM_RELEASE);
}

// A window of the runner, standing for another program's, brought to the
// front; or close, minimize or move X Y acting on one.
void Runner::OtherWindow(const Words& w)
{
    const std::string& name = w[1];
    const std::string what = w.size() > 2 ? w[2] : "";
    // What Windows raises for each of these, as the system's own window
    // events, raised here since Wine raises few of its own to another
    // process's hook: the event, and whether it is about the desktop's
    // order of windows rather than the window itself.
    const std::map<std::string, std::pair<DWORD, bool>> raised = {
        {"close", {EVENT_OBJECT_DESTROY, false}}, {"hide", {EVENT_OBJECT_HIDE, false}},
        {"minimize", {EVENT_SYSTEM_MINIMIZESTART, false}}, {"move", {EVENT_OBJECT_LOCATIONCHANGE, false}},
        {"size", {EVENT_OBJECT_LOCATIONCHANGE, false}}, {"bottom", {EVENT_OBJECT_REORDER, true}},
        {"cloak", {0x8017, false}}, {"region", {0, false}}};
    if (raised.count(what) != 0) {
        HWND window = Window(name);
        const RECT r = RectOf(window);
        if (what == "move" || what == "size")
            SetWindowPos(window, nullptr, Number(w[3]), Number(w[4]), Number(w[3]), Number(w[4]),
                         SWP_NOZORDER | SWP_NOACTIVATE | (what == "move" ? SWP_NOSIZE : SWP_NOMOVE));
        else if (what == "minimize" || what == "hide")
            ShowWindow(window, what == "hide" ? SW_HIDE : SW_MINIMIZE);
        else if (what == "bottom")
            SetWindowPos(window, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        else if (what == "region")
            SetWindowRgn(window, CreateRectRgn(0, 0, r.right - r.left, 100), TRUE);
        else if (what == "cloak")
            SetPropW(window, L"Tavrel.Cloaked", HANDLE(1));
        NoticeNewHooks();
        if (raised.at(what).first != 0)
            NotifyWinEvent(raised.at(what).first, raised.at(what).second ? GetDesktopWindow() : window, OBJID_WINDOW, CHILDID_SELF);
        if (what == "close" && DestroyWindow(window))
            others_.erase(name);
        PumpFor(200);
        return;
    }
    const bool maximized = what == "maximized", whole = maximized || what == "fullscreen", layered = w.back() == "layered";
    const bool framed = maximized || w.back() == "framed";
    const RECT r = whole ? RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}
                         : RECT{Number(w[2]), Number(w[3]), Number(w[2]) + Number(w[4]), Number(w[3]) + Number(w[5])};
    // "shell": of the class of the shell's desktop windows; "shaped": an
    // ellipse inside its rectangle.
    const WNDCLASSW shell{0, DefWindowProcW, 0, 0, nullptr, nullptr, nullptr, GetSysColorBrush(COLOR_WINDOW), nullptr, L"WorkerW"};
    const bool shellClass = w.back() == "shell" && (RegisterClassW(&shell) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS);
    HWND window = CreateWindowExW(layered ? WS_EX_LAYERED : 0, shellClass ? L"WorkerW" : L"STATIC", nullptr,
                                  framed ? WS_OVERLAPPEDWINDOW : WS_POPUP, r.left, r.top, r.right - r.left,
                                  r.bottom - r.top, nullptr, nullptr, nullptr, nullptr);
    CheckCall(window != nullptr && (!layered || SetLayeredWindowAttributes(window, 0, 128, LWA_ALPHA)) &&
                  (w.back() != "shaped" || SetWindowRgn(window, CreateEllipticRgn(0, 0, r.right - r.left, r.bottom - r.top), TRUE)),
              "cannot make the window " + name);
    others_[name] = window;
    ShowWindow(window, maximized ? SW_SHOWMAXIMIZED : SW_SHOW);
    Run({"activate", name});
}

// The program's processor time and context switches over a command, from
// rest (its state settled) to rest. Every thread's own figures are read, to
// the nanosecond, so a thread that ended in between would take its time
// with it: that fails.
void Runner::Meter(const Words& w)
{
    ProcessorTimeAtRest(exe_);
    const std::map<std::wstring, ThreadFigures> before = ThreadsOf(exe_);
    const SeamCounts counted = CountsOf(Pid());
    const DWORD start = GetTickCount();
    for (const Words& command : Commands(w, 2))
        Run(command);
    ProcessorTimeAtRest(exe_);
    const std::map<std::wstring, ThreadFigures> after = ThreadsOf(exe_);
    Measured& m = measured_[w[1]];
    m = { 0, 0, (GetTickCount() - start) / 1000.0, CountsOf(Pid()), false };
    long* now = &m.counted.foreign;
    const long* then = &counted.foreign;
    for (size_t i = 0; i < sizeof counted / sizeof(long); ++i)
        now[i] -= then[i];
    for (const auto& thread : after) {
        m.ns += thread.second.ns;
        m.switches += thread.second.switches;
    }
    for (const auto& thread : before) {
        m.threadEnded = m.threadEnded || after.count(thread.first) == 0;
        m.ns -= thread.second.ns;
        m.switches -= thread.second.switches;
    }
    std::printf("%s: %.1f ms of the program's processor time, %.0f context switches in %.1f s; counted %ld, %ld, %ld, %ld\n",
                w[1].c_str(), m.ns / 1e6, m.switches, m.seconds, m.counted.foreign, m.counted.conversions,
                m.counted.walks, m.counted.hookInstalls);
    std::fflush(stdout);
}

// Another program's busy desktop for a while, as a process of its own,
// whose processor time is kept under the given name.
void Runner::Busy(const Words& w)
{
    ChildProcess busy;
    const std::wstring arguments = L"--busy " + Widen(w[2]) + L" " + Widen(w[3]) + L" " + Widen(w[4]) +
                                   (w.size() > 5 ? L" " + Widen(w[5]) : L"");
    CheckCall(busy.Start(BinFolder() + L"\\scenarios.exe", arguments, BinFolder()), "the busy desktop did not start");
    DWORD milliseconds = 0;
    Check(busy.WaitForExit(DWORD(Number(w[4])) + 30000, &milliseconds), "the busy desktop did not end");
    measured_[w[1]] = { milliseconds * 1e6, 0, Number(w[4]) / 1000.0, {}, false };
}

// A long run. When tavrel.exe runs as the loop begins, its figures are
// sampled ten times along it, the first after one discarded look: the first
// look at a process brings its GDI handle table (1.5 MB) into its memory.
// Prints a row of figures.
void Runner::Repeat(const Words& w)
{
    auto once = [&, commands = Commands(w, 4)] {
        for (const Words& command : commands)
            Run(command);
    };
    for (long i = 0; i < Number(w[3]); ++i)
        once();
    const long count = Number(full_ ? w[1] : w[2]);
    const bool measured = tavrel_.Running();
    if (measured)
        Measure(tavrel_, exe_);
    std::vector<Sample> samples;
    for (long i = 0; i < count; ++i) {
        once();
        if (measured && (i + 1) % std::max(1L, count / 10) == 0)
            samples.push_back(Measure(tavrel_, exe_));
    }
    std::string figures = std::to_string(count) + " rounds held";
    const bool held = !measured || (Held(samples, figures) && tavrel_.Running());
    std::printf("%s\n", figures.c_str());
    Check(held, "the figures grew, or tavrel.exe ended");
    std::fflush(stdout);
}

void Runner::Run(const Words& w)
{
    const std::string& c = w[0];
    if (c == "shell") {
        const std::string what = w.size() > 1 ? w[1] : "";
        if (what == "release") {
            SetEvent(hold_);
            Expect([&] { return ShellControl(ss::kCommandQueryReady) == 1; }, [] { return "the shell did not start"; });
        } else if (what == "restart") {
            shell_.Kill();
            StartShell(shellOptions_);
        } else if (what == "none") {
            shellOptions_ = w;
        } else if (what == "destroy-layer" || what == "orphan-layer") {
            Check(ShellControl(what == "destroy-layer" ? ss::kCommandDestroyLayer : ss::kCommandOrphanLayer) > 0,
                  "there was no layer to destroy");
            destroyedAt_ = GetTickCount();
        } else {
            StartShell(w);
        }
    } else if (c == "file") {
        const std::wstring path = File(L"tavrel.dat");
        if (w[1] == "none") {
            DeleteFileW(path.c_str());
            wroteFile_ = false;
        } else if (w[1] == "folder") {
            Check(CreateDirectoryW(path.c_str(), nullptr), "cannot make the folder");
        } else if (w[1] == "readonly") {
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
        } else if (w[1] == "lock") {
            lock_ = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        } else if (w[1] == "unlock") {
            CloseHandle(lock_);
            lock_ = INVALID_HANDLE_VALUE;
        } else if (w[1] == "random") {
            // Random bytes, of a length one more each time from 0 to 64,
            // whose first byte spoils the tag.
            written_.clear();
            for (long i = 0; i < randomFiles_ % 65; ++i)
                written_.push_back(i == 0 ? 0 : uint8_t(std::rand()));
            ++randomFiles_;
            wroteFile_ = true;
            Check(WriteBytes(path, written_), "cannot write tavrel.dat");
        } else if (w[1] == "tmp") {
            Check(WriteBytes(File(L"tavrel.tmp"), w.size() > 2 ? Record(w, 2) : std::vector<uint8_t>{1, 2, 3}),
                  "cannot write tavrel.tmp");
        } else {
            uint32_t tag = 0x0001AA2A;
            size_t size = 32;
            for (size_t i = 8; i < w.size(); ++i) {
                if (w[i].rfind("tag=", 0) == 0)
                    tag = uint32_t(std::stoul(w[i].substr(4), nullptr, 16));
                else if (w[i].rfind("size=", 0) == 0)
                    size = size_t(Number(w[i].substr(5)));
            }
            written_ = Record(w, 1, tag);
            written_.resize(size, 0xEE);
            wroteFile_ = true;
            Check(WriteBytes(path, written_), "cannot write tavrel.dat");
        }
    } else if (c == "start") {
        if (w.size() > 1 && w[1] == "second") {
            DWORD code = 1;
            Check(second_.Start(File(L"tavrel.exe"), L"", folder_) && second_.WaitForExit(kTimeoutMs, &code) && code == 0,
                  "the second start did not end with 0");
            return;
        }
        if (w.size() == 8)
            Run({"file", w[1], w[2], w[3], w[4], w[5], w[6], w[7]});
        if (!shell_.Running() && shellOptions_.empty())
            StartShell({"shell"});
        StartTavrel(w.size() == 3 ? w[2] : "");
        if (w.size() == 8)
            Run({"expect", "eyes", w[1], w[2], w[3], w[4], w[5], w[6], w[7]});
    } else if (c == "wait") {
        Expect([] { HANDLE m = OpenMutexW(SYNCHRONIZE, FALSE, kMainClass); CloseHandle(m); return m != nullptr; },
               [] { return "tavrel.exe made no single-instance mutex"; });
    } else if (c == "kill") {
        tavrel_.Kill();
    } else if (c == "cursor") {
        Check(MoveCursorTo({Number(w[1]), Number(w[2])}), "the cursor did not move");
    } else if (c == "click") {
        SendMouse(MOUSEEVENTF_LEFTDOWN);
        SendMouse(MOUSEEVENTF_LEFTUP);
    } else if (c == "burst") {
        const int n = Number(w[1]), x1 = Number(w[2]), y1 = Number(w[3]), x2 = Number(w[4]), y2 = Number(w[5]);
        for (int i = 1; i <= n; ++i)
            SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK,
                      {x1 + (x2 - x1) * i / n, y1 + (y2 - y1) * i / n});
        // Wine leaves the X pointer behind injected moves and reads the
        // cursor back from it, where the hook checks itself after a burst.
        PlaceXPointer({x2, y2});
    } else if (c == "tray") {
        const std::map<std::string, LPARAM> clicks = {{"up", WM_LBUTTONUP}, {"rup", WM_RBUTTONUP},
                                                      {"down", WM_LBUTTONDOWN}, {"double", WM_LBUTTONDBLCLK},
                                                      {"move", WM_MOUSEMOVE}};
        const LPARAM click = clicks.at(w[1]), main = reinterpret_cast<LPARAM>(Main());
        Expect([&] { return ShellControl(ss::kCommandQueryIcon, main) != 0; }, [] { return "there is no tray icon"; });
        const bool posted = click == WM_LBUTTONUP || click == WM_RBUTTONUP;
        Check(ShellControl(posted ? ss::kCommandPostIconMessage : ss::kCommandSendIconMessage, click) == 1,
              "the click did not come back at once");
    } else if (c == "menu") {
        ChooseMenuItem(w[1] == "quit" ? 'Q' : (w[1] == "settings" ? 'S' : VK_ESCAPE));
    } else if (c == "quit" || c == "settings") {
        Run({"tray", "up"});
        ChooseMenuItem(c == "quit" ? 'Q' : 'S');
        if (c == "settings") {
            Window("drag");
            Window("settings");
        }
    } else if (c == "ok") {
        HWND box = Window("box");
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        Expect([&] { return !IsWindow(box); }, [] { return "the box stays"; });
    } else if (c == "press") {
        HWND control = Control(w[1], w[2]);
        PostMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), BN_CLICKED),
                     reinterpret_cast<LPARAM>(control));
    } else if (c == "focus") {
        HWND control = Control(w[1], w[2]);
        SendMessageW(GetParent(control), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    } else if (c == "paste") {
        SendMessageW(Control(w[1], w[2]), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Widen(w[3]).c_str()));
    } else if (c == "type") {
        HWND control = Control(w[1], w[2]);
        Run({"activate", w[1]});
        SendMessageW(GetParent(control), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
        SendMessageW(control, EM_SETSEL, 0, -1);
        TypeText(Widen(w[3]));
    } else if (c == "numeric") {
        if (Window("numeric", false) == nullptr)
            Run({"press", "settings", "numeric"});
        for (size_t i = 0; i < 4; ++i)
            Run({"paste", "numeric", kFields[i], w[1 + i]});
    } else if (c == "colour") {
        Run({"press", "settings", w[1]});
        HWND dialog = Window("colour");
        const COLORREF colour = Colour(w[2]);
        const int values[3] = {GetRValue(colour), GetGValue(colour), GetBValue(colour)};
        for (int i = 0; i < 3; ++i)
            SendMessageW(GetDlgItem(dialog, 706 + i), WM_SETTEXT, 0,
                         reinterpret_cast<LPARAM>(std::to_wstring(values[i]).c_str()));
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        Expect([&] { return !IsWindow(dialog); }, [] { return "the colour dialog stays"; });
    } else if (c == "activate") {
        HWND window = Window(w[1]);
        SetForegroundWindow(window);
        Expect([&] { return GetForegroundWindow() == window; }, [&] { return "cannot activate " + w[1]; });
    } else if (c == "drag") {
        Drag({Number(w[1]), Number(w[2])}, {Number(w[3]), Number(w[4])});
    } else if (c == "send") {
        HWND target = w[1] == "main" ? Main() : Window(w[1]);
        const std::map<std::string, WPARAM> sessionChanges = {
            {"lock", WTS_SESSION_LOCK}, {"unlock", WTS_SESSION_UNLOCK}, {"away", WTS_CONSOLE_DISCONNECT},
            {"back", WTS_CONSOLE_CONNECT}};
        if (w[2] == "workarea")
            SendMessageW(target, WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
        else if (w[2] == "resume")
            SendMessageW(target, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
        else if (w[2] == "display")
            SendMessageW(target, WM_DISPLAYCHANGE, 32, MAKELPARAM(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
        else if (sessionChanges.count(w[2]) != 0)
            SendNotifyMessageW(target, WM_WTSSESSION_CHANGE, sessionChanges.at(w[2]), 1);
        else if (w[2] == "display-off" || w[2] == "display-on" || w[2] == "display-dim")
            SendDisplayState(target, w[2] == "display-off" ? 0 : (w[2] == "display-on" ? 1 : 2));
        else
            PostMessageW(target, w[2] == "close" ? WM_CLOSE : WM_SYSCOMMAND, SC_CLOSE, 0);
        PumpFor(300);
    } else if (c == "move") {
        HWND window = Window(w[1]);
        POINT at{Number(w[2]), Number(w[3])};
        if (GetWindowLongW(window, GWL_STYLE) & WS_CHILD)
            ScreenToClient(GetParent(window), &at);
        SetWindowPos(window, nullptr, at.x, at.y, Number(w[4]), Number(w[5]), SWP_NOZORDER | SWP_NOACTIVATE);
    } else if (c == "repeat") {
        Repeat(w);
    } else if (c == "window") {
        OtherWindow(w);
    } else if (c == "measure") {
        Meter(w);
    } else if (c == "busy") {
        Busy(w);
    } else if (c == "pause") {
        PumpFor(DWORD(Number(w[1])));
    } else if (c == "expect") {
        RunExpect(w);
    } else {
        Check(false, "unknown command");
    }
}

// A measured command whose processor time and switches can be told: a
// thread that ended meanwhile took its own with it.
const Runner::Measured& Runner::Timed(const std::string& name) const
{
    const Measured& m = measured_.at(name);
    Check(!m.threadEnded, "a thread of tavrel.exe ended while " + name + " was measured");
    return m;
}

void Runner::RunExpect(const Words& w)
{
    const std::string& what = w[1];
    if (what == "eyes") {
        const int x = Number(w[2]), y = Number(w[3]), width = Number(w[4]), height = Number(w[5]);
        const COLORREF outline = Colour(w[6]), paper = ss::kWallpaperColor;
        pupil_ = Colour(w[8]);
        outline_ = outline;
        const RECT expected = {x, y, x + width, y + height};
        eyes_ = expected;
        RECT r{};
        Expect([&] { eye_ = Window("eye", false); r = RectOf(eye_); return eye_ != nullptr && EqualRect(&r, &expected); },
               [&] { return "the eye window is at " + RectText(r); });
        const int middle = y + height / 2;
        ExpectPixels({{{x + 2, middle}, outline, true}, {{x + width - 3, middle}, outline, true},
                      {{x + 1, y + 1}, paper, true}, {{x + width - 2, y + height - 2}, paper, true},
                      {{x + width / 2, middle}, paper, true}, {{x - 3, middle}, paper, true},
                      {{x + width + 2, middle}, paper, true}});
    } else if (what == "eye-kept") {
        Check(IsWindow(eye_) && Window("eye", false) == eye_, "the eye window is not the one there was");
    } else if (what == "no-eyes") {
        Expect([&] { return Window("eye", false) == nullptr; }, [] { return "the eyes are still shown"; });
    } else if (what == "pupils" || what == "pupil" || what == "colour") {
        const POINT first{Number(w[2]), Number(w[3])};
        std::vector<Pixel> samples;
        if (what == "colour") {
            samples.push_back({first, Colour(w[4]), true});
        } else {
            AddPupil(samples, first);
            if (what == "pupils")
                AddPupil(samples, {Number(w[4]), Number(w[5])});
        }
        // "within MS" bounds the wait, for what must come that soon.
        const bool bounded = w.size() > 5 && w[w.size() - 2] == "within";
        ExpectPixels(samples, bounded ? DWORD(Number(w.back())) : kTimeoutMs);
    } else if (what == "eye-host") {
        Expect(
            [&] {
                HWND eye = Window("eye", false), progman = FindWindowW(L"Progman", nullptr);
                HWND parent = GetAncestor(eye, GA_PARENT);
                if (w[2] == "classic")
                    return eye != nullptr && parent == GetWindow(progman, GW_HWNDPREV) &&
                           parent == HWND(ShellControl(ss::kCommandQueryLayer)) &&
                           FindWindowExW(GetWindow(parent, GW_HWNDPREV), nullptr, L"SHELLDLL_DefView", nullptr);
                return eye != nullptr && parent == progman && ClassOf(GetWindow(eye, GW_HWNDPREV)) == L"SHELLDLL_DefView";
            },
            [&] { return "the eyes are not in the " + w[2] + " place"; });
    } else if (what == "prompt") {
        const LRESULT at = ShellControl(ss::kCommandQueryPromptTime, Number(w[2]));
        Check(at >= Number(w[3]) && at < Number(w[4]), Text("request %ld came %ld ms after the loss", Number(w[2]), long(at)));
    } else if (what == "prompts") {
        Check(ShellControl(ss::kCommandQueryPromptCount) == Number(w[2]),
              Text("%ld requests for the layer", long(ShellControl(ss::kCommandQueryPromptCount))));
    } else if (what == "back-within") {
        const DWORD limit = DWORD(Number(w[2]));
        Expect([&] { return Window("eye", false) != nullptr; }, [] { return "the eyes are not back"; }, limit);
        Check(GetTickCount() - destroyedAt_ < limit, "the eyes came back too late");
    } else if (what == "exit") {
        // The program ended with the code; with 0 after its main window
        // came, it took its tray icon with it.
        DWORD code = 0xFFFF;
        Check(tavrel_.WaitForExit(30000, &code), "tavrel.exe is still running");
        Check(code == DWORD(Number(w[2])), Text("tavrel.exe ended with %ld", long(code)));
        Check(code != 0 || main_ == nullptr || ShellControl(ss::kCommandQueryIcon, LPARAM(main_)) == 0, "the icon stays");
        // "expect exit CODE LOW HIGH": LOW to HIGH ms after the layer went.
        const long after = long(GetTickCount() - destroyedAt_);
        Check(w.size() < 5 || (after >= Number(w[3]) && after < Number(w[4])),
              Text("tavrel.exe ended %ld ms after the loss", after));
    } else if (what == "cursor") {
        Expect([&] { return CursorPos().x == Number(w[2]) && CursorPos().y == Number(w[3]); }, [] { return "the cursor lags"; });
    } else if (what == "running") {
        Check(tavrel_.Running(), "tavrel.exe has ended");
    } else if (what == "icon") {
        Expect([&] { return ShellControl(ss::kCommandQueryIcon, reinterpret_cast<LPARAM>(Main())) == Number(w[2]); },
               [&] { return Text("the tray icon's bits are %ld", long(ShellControl(ss::kCommandQueryIcon, LPARAM(Main())))); });
    } else if (what == "no-icons") {
        Check(ShellControl(ss::kCommandQueryIconCount) == 0, "the notification area holds an icon");
    } else if (what == "windows") {
        const std::wstring cls = w[2] == "work" ? kWorkClass : (w[2] == "drag" ? kDragClass : L"#32770");
        Expect([&] { return int(WindowsOf(Pid(), cls.c_str()).size()) == Number(w[3]); },
               [&] { return Text("%ld windows", long(WindowsOf(Pid(), cls.c_str()).size())); });
    } else if (what == "menu-at") {
        HWND menu = nullptr;
        RECT r{};
        Expect([&] { return (menu = WindowOf(Pid(), L"#32768")) != nullptr && IsWindowVisible(menu) &&
                            std::abs((r = RectOf(menu)).left - Number(w[2])) <= 1 && std::abs(r.top - Number(w[3])) <= 1; },
               [&] { return "the menu is at " + RectText(r); });
    } else if (what == "box") {
        HWND box = Window("box");
        std::string text;
        Expect([&] { return TextOf(box) == L"Tavrel" && (text = Narrow(TextOf(GetDlgItem(box, 0xFFFF)))) == w[3]; },
               [&] { return "the box says \"" + text + "\""; });
        Check(GetWindow(box, GW_OWNER) == (w[2] == "none" ? nullptr : Window(w[2])), "the box has another owner");
    } else if (what == "open") {
        Window(w[2]);
    } else if (what == "closed") {
        Expect([&] { return Window(w[2], false) == nullptr; }, [&] { return "the " + w[2] + " window is open"; });
    } else if (what == "fields") {
        for (size_t i = 0; i < 4; ++i)
            RunExpect({"expect", "text", w[2], kFields[i], w[3 + i]});
    } else if (what == "text" || what == "title") {
        std::string text;
        Expect([&] { return (text = Narrow(TextOf(what == "text" ? Control(w[2], w[3]) : Window(w[2])))) == w.back(); },
               [&] { return "it says \"" + text + "\""; });
    } else if (what == "enabled") {
        Expect([&] { return (IsWindowEnabled(Control(w[2], w[3])) != 0) == (w[4] == "yes"); },
               [&] { return w[3] + " is not " + w[4]; });
    } else if (what == "focus") {
        HWND control = Control(w[2], w[3]);
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        Expect([&] { return GetGUIThreadInfo(GetWindowThreadProcessId(control, nullptr), &info) &&
                            info.hwndFocus == control; },
               [&] { return w[3] + " has not the focus"; });
    } else if (what == "rect") {
        const RECT expected = {Number(w[3]), Number(w[4]), Number(w[3]) + Number(w[5]), Number(w[4]) + Number(w[6])};
        RECT r{};
        Expect([&] { r = RectOf(Window(w[2])); return EqualRect(&r, &expected) != 0; },
               [&] { return "the " + w[2] + " window is at " + RectText(r); });
    } else if (what == "placed") {
        // The numeric dialog's top-left corner is at the settings dialog's
        // left edge and the top of its button 109.
        const RECT numeric = RectOf(Window("numeric"));
        Check(numeric.left == RectOf(Window("settings")).left && numeric.top == RectOf(Control("settings", "109")).top,
              "the numeric dialog is at " + RectText(numeric));
    } else if (what == "below") {
        Expect([&] { return GetWindow(Window(w[2]), GW_HWNDPREV) == Window(w[3]); },
               [&] { return "the " + w[2] + " window is not right below the " + w[3] + " window"; });
    } else if (what == "owner") {
        Expect([&] { HWND owner = GetWindow(Window(w[2]), GW_OWNER);
                     return w[3] == "none" ? owner == nullptr : ClassOf(owner) == kWorkClass; },
               [&] { return "the " + w[2] + " window has another owner"; });
    } else if (what == "foreground") {
        Expect([&] { return GetForegroundWindow() == Window(w[2]); }, [&] { return w[2] + " is not in front"; });
    } else if (what == "cpu") {
        // The time over one measured command below or above the given per
        // cent of the time over another, which must be there at all, or
        // under a number of milliseconds. With "beyond BASE", only the time
        // beyond what BASE spent in as long counts: what the command itself
        // cost, apart from what the program's state costs anyway.
        const Measured& measured = Timed(w[2]);
        double part = measured.ns;
        const size_t at = w[3] == "beyond" ? 5 : 3;
        if (at == 5) {
            const Measured& base = Timed(w[4]);
            Check(base.ns > 0 && base.seconds > 0, "nothing was measured over " + w[4]);
            part -= base.ns * measured.seconds / base.seconds;
        }
        if (w[at] == "under") {
            Check(part < Number(w[at + 1]) * 1e6, Text("%ld µs over ", long(part / 1000)) + w[2]);
            return;
        }
        const double whole = Timed(w[at + 2]).ns, bound = Number(w[at + 1]) * whole / 100;
        Check(whole > 0 && (w[at] == "below" ? part <= bound : part >= bound),
              Text("%ld µs over ", long(part / 1000)) + w[2] + Text(", %ld µs over ", long(whole / 1000)) + w[at + 2]);
    } else if (what == "counted") {
        // At most so many of what the seams count over a measured command,
        // or so many a second, starting at one.
        const Measured& m = measured_.at(w[2]);
        const std::map<std::string, long> counted = {{"foreign", m.counted.foreign}, {"conversions", m.counted.conversions},
                                                     {"walks", m.counted.walks}, {"installs", m.counted.hookInstalls}};
        const double bound = w.back() == "a-second" ? Number(w[4]) * (1 + m.seconds) : Number(w[4]);
        Check(counted.at(w[3]) <= bound, Text("%ld ", counted.at(w[3])) + w[3] + Text(" in %ld ms", long(m.seconds * 1000)));
    } else if (what == "hooks") {
        Expect([&] { return CountsOf(Pid()).hooksInPlace == Number(w[2]); },
               [&] { return Text("%ld mouse hooks are in place", CountsOf(Pid()).hooksInPlace); },
               w.size() > 4 ? DWORD(Number(w[4])) : kTimeoutMs);
    } else if (what == "switches") {
        // At most so many context switches a second over a measured command.
        const Measured& m = Timed(w[2]);
        Check(m.seconds > 0 && m.switches <= Number(w[3]) * m.seconds,
              Text("%ld context switches in %ld ms", long(m.switches), long(m.seconds * 1000)));
    } else if (what == "hit") {
        const LRESULT code = SendMessageW(Window("drag"), WM_NCHITTEST, 0, MAKELPARAM(Number(w[2]), Number(w[3])));
        Check(code == Number(w[4]), Text("the drag window answers %ld", long(code)));
    } else if (what == "custom-colours") {
        // The colour dialog's 16 custom colours: the given one first, black
        // in the others.
        const RECT area = RectOf(GetDlgItem(Window("colour"), 721));
        std::vector<Pixel> boxes;
        for (int i = 0; i < 16; ++i)
            boxes.push_back({{area.left + (area.right - area.left) * (2 * (i % 8) + 1) / 16,
                              area.top + (area.bottom - area.top) * (2 * (i / 8) + 1) / 4},
                             i == 0 ? Colour(w[2]) : RGB(0, 0, 0), true});
        ExpectPixels(boxes);
    } else if (what == "file") {
        // tavrel.dat, or with "tmp" tavrel.tmp; "none" is a missing file,
        // even an empty one failing it, "some" any file at all, and "same"
        // what the scenario last wrote there, or none.
        const size_t at = w[2] == "tmp" ? 3 : 2;
        const std::string name = at == 3 ? "tavrel.tmp" : "tavrel.dat", how = w[at];
        const std::wstring path = File(Widen(name).c_str());
        const bool present = how == "some" || (how == "same" ? wroteFile_ : how != "none");
        const std::vector<uint8_t> expected = how == "same" ? written_
                                             : how == "some" || how == "none" ? std::vector<uint8_t>() : Record(w, at);
        bool there = false;
        std::vector<uint8_t> bytes;
        Expect([&] { bytes = ReadBytes(path); there = GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
                     return there == present && (how == "some" || bytes == expected); },
               [&] { std::string text = name + (!there ? " is missing" : bytes.empty() ? " is empty" : " holds");
                     for (uint8_t b : bytes)
                         text += Text(" %02lX", b);
                     return text; });
    } else {
        Check(false, "unknown check");
    }
}

// The lines of the named scenario.
std::vector<std::pair<int, std::string>> ReadScenario(const std::string& path, const std::string& name)
{
    std::ifstream file(path);
    std::vector<std::pair<int, std::string>> lines;
    bool inside = false;
    int number = 0;
    for (std::string line; std::getline(file, line);) {
        ++number;
        if (line.rfind("== ", 0) == 0)
            inside = line.substr(3) == name;
        else if (inside && !Split(line).empty())
            lines.push_back({number, line});
    }
    return lines;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if ((argc == 5 || argc == 6) && std::wstring(argv[1]) == L"--busy")
        return RunBusyDesktop(std::stoi(argv[2]), std::stoi(argv[3]), DWORD(std::stoul(argv[4])), argc == 6);
    const bool usage = argc == 3 || (argc == 4 && std::wstring(argv[3]) == L"full");
    const std::string path = usage ? Narrow(argv[1]) : "";
    const std::vector<std::pair<int, std::string>> lines = ReadScenario(path, usage ? Narrow(argv[2]) : "");
    if (lines.empty()) {
        std::fprintf(stderr, "usage: scenarios <file.scn> <scenario> [full], with a scenario of that name\n");
        return 2;
    }
    Runner runner(argc == 4);
    for (const auto& line : lines) {
        try {
            runner.Run(Split(line.second));
        } catch (const std::exception& failure) {
            std::fprintf(stderr, "%s:%d: %s\n  %s\n  the cursor at (%ld, %ld); %s\n", path.c_str(), line.first,
                         line.second.c_str(), failure.what(), CursorPos().x, CursorPos().y, runner.Describe().c_str());
            return 1;
        }
    }
    return 0;
}
