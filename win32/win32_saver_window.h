#pragma once
// The one saver window of the process: full screen (topmost pop-up, cursor
// hidden, one per desktop) or a preview child of a given window, its message
// loop, and the framework's filtering of its messages before the scene.
#include <windows.h>

#include <cstdint>

constexpr char kSaverClassName[] = "WindowsScreenSaverClass";
constexpr char kFullScreenTitle[] = "Screen Saver";
constexpr char kPreviewTitle[] = "Preview";

// Runs the saver until its window is destroyed; parent null is full screen.
// The result is the exit code: the quit code 0, or 0 when another full-screen
// saver was brought forward instead.
int32_t RunSaver(HWND parent);
LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The class description that RunSaver registers.
void FillSaverClass(WNDCLASSA* saverClass);

// RunSaver's result when no window could be made, so no loop ran.
constexpr int32_t kNoSaverWindowExitCode = -1;
