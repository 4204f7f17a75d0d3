#pragma once
// The fixed names through which Tavrel meets other programs and its own
// second start: its window classes, the single-instance mutex and the
// shell's desktop windows. Each is spelled out only here.

// MainWindow's class. A second start finds the running instance by it, and
// the same string names the single-instance mutex.
constexpr const wchar_t* kMainClassName = L"f69fdc84bcc04963ace744e5648d5796";
constexpr const wchar_t* kSingleInstanceMutexName = kMainClassName;

constexpr const wchar_t* kEyeClassName = L"8bf14e335fa0413b98aa2be5baee60b3";
constexpr const wchar_t* kWorkClassName = L"455c149f5ba547acaedda8af0e345d3f";
constexpr const wchar_t* kDragClassName = L"c4e04cd4c54c43d48dd7b554d9fe7878";

// The shell's desktop: the wallpaper's top-level window, the icon view, and
// the wallpaper layer that the newer shell keeps among Progman's children.
constexpr const wchar_t* kProgmanClassName = L"Progman";
constexpr const wchar_t* kDefViewClassName = L"SHELLDLL_DefView";
constexpr const wchar_t* kWorkerWClassName = L"WorkerW";

// Broadcast by the shell whenever its taskbar, and with it the notification
// area, has been created anew.
constexpr const wchar_t* kTaskbarCreatedMessageName = L"TaskbarCreated";
