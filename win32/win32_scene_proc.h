#pragma once
// The scene's side of the saver window: set-up on creation, one frame per
// timer tick, a black background, release on destruction. Everything else
// goes on to the dismissal logic.
#include <windows.h>

#include <cstdint>

constexpr UINT_PTR kTickTimerId = 100;

LRESULT SceneWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Screen size, strings, settings, back buffer, palette and sprite bitmaps.
void SetUpScene(HWND window);
// One tick: advance the motion, compose, present and erase the frame.
void TickScene(HWND window);
// Bitmaps, timer, palette: everything that SetUpScene and the timer made.
void ReleaseScene(HWND window);

// The tick timer's creation result, kept as 16 bits: non-zero while a timer
// exists.
extern uint16_t tickTimer;
