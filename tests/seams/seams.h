#pragma once
// Included ahead of every source of tavrel_seams.exe, the test build of the
// program: the system calls below go through tests/seams/seams.cpp, which
// can make a chosen call fail, throw or end the process, as the variable
// TAVREL_SEAMS asks. The shipped tavrel.exe is built without any of it.
#include <windows.h>
#include <commdlg.h>

HANDLE WINAPI SeamCreateFileW(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
BOOL WINAPI SeamWriteFile(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
BOOL WINAPI SeamFlushFileBuffers(HANDLE);
BOOL WINAPI SeamReplaceFileW(LPCWSTR, LPCWSTR, LPCWSTR, DWORD, LPVOID, LPVOID);
BOOL WINAPI SeamMoveFileExW(LPCWSTR, LPCWSTR, DWORD);
BOOL WINAPI SeamDeleteFileW(LPCWSTR);
HWND WINAPI SeamCreateWindowExW(DWORD, LPCWSTR, LPCWSTR, DWORD, int, int, int, int, HWND, HMENU, HINSTANCE, LPVOID);
HBITMAP WINAPI SeamCreateDIBSection(HDC, const BITMAPINFO*, UINT, void**, HANDLE, DWORD);
HBITMAP WINAPI SeamCreateCompatibleBitmap(HDC, int, int);
BOOL WINAPI SeamChooseColorW(LPCHOOSECOLORW);
BOOL WINAPI SeamGetCursorPos(LPPOINT);
UINT_PTR WINAPI SeamSetTimer(HWND, UINT_PTR, UINT, TIMERPROC);

#define CreateFileW SeamCreateFileW
#define WriteFile SeamWriteFile
#define FlushFileBuffers SeamFlushFileBuffers
#define ReplaceFileW SeamReplaceFileW
#define MoveFileExW SeamMoveFileExW
#define DeleteFileW SeamDeleteFileW
#define CreateWindowExW SeamCreateWindowExW
#define CreateDIBSection SeamCreateDIBSection
#define CreateCompatibleBitmap SeamCreateCompatibleBitmap
#define ChooseColorW SeamChooseColorW
#define GetCursorPos SeamGetCursorPos
#define SetTimer SeamSetTimer
