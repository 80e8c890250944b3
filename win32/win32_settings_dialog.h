#pragma once
// The modal settings dialog (template 2003): two sliders for the speed and the
// number of flakes.
#include <windows.h>

// Runs the dialog; 1 after OK, 0 after Cancel, -1 when it cannot be created.
INT_PTR ShowSettingsDialog(HWND owner);
// Preparation before the dialog is created; false cancels it.
BOOL RegisterSettingsClasses(HINSTANCE instance);
INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

extern HWND speedSlider;
extern HWND countSlider;
