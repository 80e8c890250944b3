#pragma once
// The last link of the saver window's message chain before DefWindowProcA:
// input becomes a close request, and on the 95 family a close request goes
// through only after the platform's password verifier has accepted it.
#include <windows.h>

#include <cstdint>

// Sent by the saver to its own window to run the verifier; the result is the
// verifier's answer.
constexpr UINT VerifyPasswordMessage = 0x8000;  // WM_APP

LRESULT DefaultSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// A key, a button or a mouse move beyond the threshold, whichever window it
// reached: a close request for the saver window. The caller has already made
// sure that input is being watched (full screen, no close allowed yet, no
// verification in progress).
void WatchInput(HWND saverWindow, UINT message);
// Non-zero when the close may go ahead. Only on WM_CLOSE, on the 95 family.
BOOL VerifyBeforeClose(HWND window);
// Loads "PASSWORD.CPL" when the user's desktop asks for a saver password.
void LoadPasswordModule();
void UnloadPasswordModule();
// Tells the 95 family that a saver is running (1) or no longer (0).
void SetSaverRunning(UINT on);

// The millisecond tick counter that the 200 ms rule reads; GetTickCount,
// replaceable so that tests can put the counter anywhere, wrap included.
extern DWORD(WINAPI* hostTickCount)();
