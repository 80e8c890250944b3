// Test-only stand-in for the saver's settings job: shows the settings dialog,
// owned by the foreground window when a "c" switch is given, and exits with
// the dialog's result.
#include <windows.h>

#include <cstring>

#include "win32/win32_settings_dialog.h"
#include "win32/win32_host_state.h"

int main(int argc, char** argv) {
  hostState.instanceHandle = GetModuleHandleA(nullptr);
  bool owned = argc > 1 && (strchr(argv[1], 'c') || strchr(argv[1], 'C'));
  return static_cast<int>(ShowSettingsDialog(owned ? GetForegroundWindow() : nullptr));
}
