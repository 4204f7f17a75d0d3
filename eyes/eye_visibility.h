#pragma once
#include <windows.h>

// Once a second while windows cover the eyes, a look at whether they still
// do; a timer on MainWindow where no thread of its own can take the look.
constexpr UINT_PTR kVisibilityTimer = 5;
constexpr UINT kVisibilityPollDelay = 1000;

// The timer on MainWindow that looks at the covers a moment after an event
// about one of them.
constexpr UINT_PTR kCoverEventTimer = 6;

void StartVisibilityWatch();
void StopVisibilityWatch();
void RequestVisibilityCheck();
void UpdateEyesVisibility();
void LookAtCovers();
void OnCursorMoved();
void OnDisplayChange();
void OnSessionChange(WPARAM change);
bool OnPowerBroadcast(WPARAM event, LPARAM setting);
