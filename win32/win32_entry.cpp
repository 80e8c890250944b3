#include "win32/win32_entry.h"

#include "win32/win32_settings_dialog.h"
#include "host/command_line.h"
#include "win32/win32_cover_windows.h"
#include "win32/win32_dismissal.h"
#include "win32/win32_fault_guard.h"
#include "win32/win32_host_state.h"
#include "win32/win32_saver_window.h"

namespace {

// PwdChangePasswordA of "MPR.DLL".
typedef DWORD(WINAPI* PwdChangePasswordProc)(LPCSTR provider, HWND owner, DWORD, LPVOID);

const char* NextChar(const char* text) { return CharNextA(text); }

int32_t RunJob(const char* commandLine) {
  SwitchScan scan = ScanSwitch(commandLine);
  switch (scan.job) {
    case SaverJob::SettingsNoOwner:
      return static_cast<int32_t>(ShowSettingsDialog(nullptr));
    case SaverJob::SettingsForegroundOwner:
      return static_cast<int32_t>(ShowSettingsDialog(GetForegroundWindow()));
    case SaverJob::ChangePassword:
      // The NT family keeps its saver password elsewhere.
      if (!hostState.isWin9x) return kBadCommandLineExitCode;
      return RunChangePassword(scan.rest);
    case SaverJob::Preview:
      return RunPreview(scan.rest);
    case SaverJob::FullScreen:
      return RunSaver(nullptr);
    case SaverJob::Unknown:
      break;
  }
  return kBadCommandLineExitCode;
}

}  // namespace

int32_t RunGuarded(GuardedJob job, const char* text) {
  bool faulted = false;
  int32_t result = CallWithFaultGuard(job, text, &faulted);
  if (!faulted) return result;
  SetSaverRunning(0);
  // The covers end with the run that the fault ended, as with the window.
  DestroyCoverWindows();
  return kFaultExitCode;
}

HWND ParseWindowHandleText(const char* text) {
  return reinterpret_cast<HWND>(static_cast<uintptr_t>(ParseWindowHandle(text)));
}

void SaverEntry() {
  const char* commandLine = SkipProgramName(GetCommandLineA(), NextChar);
  int32_t exitCode = SaverMain(GetModuleHandleA(nullptr), commandLine);
  ExitProcess(static_cast<UINT>(exitCode));
}

int32_t SaverMain(HINSTANCE instance, const char* commandLine) {
  hostState.instanceHandle = instance;
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;  // 148
  hostState.isWin9x =
      GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
  return RunGuarded(RunJob, commandLine);
}

int32_t RunPreview(const char* text) {
  HWND parent = ParseWindowHandleText(text);
  if (parent && IsWindow(parent)) return RunSaver(parent);
  return kBadCommandLineExitCode;
}

int32_t RunChangePassword(const char* text) {
  HWND owner = ParseWindowHandleText(text);
  if (!owner || !IsWindow(owner)) owner = GetForegroundWindow();
  ChangePassword(owner);
  return 0;
}

void ChangePassword(HWND owner) {
  HMODULE module = LoadLibraryA("MPR.DLL");
  if (!module) return;
  auto change = reinterpret_cast<PwdChangePasswordProc>(
      reinterpret_cast<void*>(GetProcAddress(module, "PwdChangePasswordA")));
  if (change) change("SCRSAVE", owner, 0, nullptr);
  FreeLibrary(module);
}
