// The settings dialog: shows the stored settings on two sliders, stores what
// the sliders show on OK, and leaves the file alone otherwise.
#include "win32/win32_settings_dialog.h"

#include <commctrl.h>

#include "dialog/slider_positions.h"
#include "win32/win32_host_state.h"
#include "scene/settings.h"

HWND speedSlider = nullptr;
HWND countSlider = nullptr;

namespace {

constexpr WORD kSettingsDialogTemplate = 2003;
constexpr int kSpeedSliderId = 1009;
constexpr int kCountSliderId = 1010;
constexpr WPARAM kDefaultCommand = 3;  // the Default button

void SetSliderPosition(HWND slider, int32_t position) {
  SendMessageA(slider, TBM_SETPOS, TRUE, static_cast<LPARAM>(position));
}

int32_t SliderPosition(HWND slider) {
  return static_cast<int32_t>(SendMessageA(slider, TBM_GETPOS, 0, 0));
}

void OpenSettingsDialog(HWND dialog) {
  LoadSaverStrings();
  ReadSettings();
  speedSlider = GetDlgItem(dialog, kSpeedSliderId);
  countSlider = GetDlgItem(dialog, kCountSliderId);
  SendMessageA(speedSlider, TBM_SETRANGEMAX, FALSE, kSliderMaxPosition);
  SetSliderPosition(speedSlider, SpeedPositionFromInterval(sceneSettings.tickIntervalMs));
  SendMessageA(countSlider, TBM_SETRANGEMAX, FALSE, kSliderMaxPosition);
  SetSliderPosition(countSlider, CountPositionFromFlakeCount(sceneSettings.flakeCount));
}

void StoreSliderSettings(HWND dialog) {
  sceneSettings.tickIntervalMs = IntervalFromSpeedPosition(SliderPosition(speedSlider));
  sceneSettings.flakeCount = FlakeCountFromCountPosition(SliderPosition(countSlider));
  WriteSettings();
  EndDialog(dialog, 1);
}

void ResetToDefaults() {
  sceneSettings.tickIntervalMs = kDefaultTickIntervalMs;
  sceneSettings.flakeCount = kDefaultFlakeCount;
  SetSliderPosition(speedSlider, kDefaultSpeedPosition);
  SetSliderPosition(countSlider, CountPositionFromFlakeCount(sceneSettings.flakeCount));
}

}  // namespace

INT_PTR ShowSettingsDialog(HWND owner) {
  // The sliders are "msctls_trackbar32" controls, a class of the common
  // controls library, and the dialog manager cannot create template 2003 until
  // that class exists. Registering it here puts it on the one road into the
  // dialog and keeps the saver's own runs free of it. InitCommonControls rather
  // than InitCommonControlsEx: the first common controls of the 95 family
  // export only the former, and it registers the trackbar class everywhere.
  InitCommonControls();
  if (!RegisterSettingsClasses(hostState.instanceHandle)) return 0;
  return DialogBoxParamA(hostState.instanceHandle, MAKEINTRESOURCEA(kSettingsDialogTemplate),
                         owner, SettingsDialogProc, 0);
}

BOOL RegisterSettingsClasses(HINSTANCE) { return TRUE; }

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      OpenSettingsDialog(dialog);
      return TRUE;  // the dialog manager focuses the first tab stop, OK
    case WM_COMMAND:
      // The whole wParam: a command with a notification code in its high word
      // is not a click.
      if (wParam == IDOK) {
        StoreSliderSettings(dialog);
        return TRUE;
      }
      if (wParam == IDCANCEL) {
        EndDialog(dialog, 0);
        return TRUE;
      }
      if (wParam == kDefaultCommand) ResetToDefaults();
      return FALSE;
  }
  return FALSE;
}
