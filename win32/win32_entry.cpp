#include "win32/win32_entry.h"

#include <intrin.h>

#include "win32/win32_settings_dialog.h"
#include "host/command_line.h"
#include "win32/win32_cover_windows.h"
#include "win32/win32_dismissal.h"
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

// The fault guard is an explicit structured-exception frame: 32-bit gcc has
// no __try/__except. The frame is linked into the thread's handler list at
// fs:[0] for the duration of the job; its handler asks the platform's
// UnhandledExceptionFilter and, when told to handle the fault here, unwinds
// the frames above it and jumps back into RunGuarded.
struct GuardFrame {
  EXCEPTION_REGISTRATION_RECORD registration;  // first: the handler gets its address
  void* resume[5];                              // __builtin_setjmp buffer
};

EXCEPTION_DISPOSITION __cdecl GuardHandler(EXCEPTION_RECORD* record, void* frame,
                                           CONTEXT* context, void*) {
  if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND))
    return ExceptionContinueSearch;
  EXCEPTION_POINTERS pointers = {record, context};
  LONG answer = UnhandledExceptionFilter(&pointers);
  if (answer == EXCEPTION_CONTINUE_EXECUTION) return ExceptionContinueExecution;
  if (answer != EXCEPTION_EXECUTE_HANDLER) return ExceptionContinueSearch;
  // Runs the unwind handlers of the frames above ours and makes ours the top
  // of the list again; then the stack is cut back to RunGuarded.
  RtlUnwind(frame, nullptr, record, nullptr);
  __builtin_longjmp(static_cast<GuardFrame*>(frame)->resume, 1);
}

NT_TIB* ThreadInformation() { return reinterpret_cast<NT_TIB*>(NtCurrentTeb()); }

}  // namespace

int32_t RunGuarded(GuardedJob job, const char* text) {
  GuardFrame frame;
  frame.registration.Handler = reinterpret_cast<PEXCEPTION_ROUTINE>(GuardHandler);
  frame.registration.Next = ThreadInformation()->ExceptionList;
  ThreadInformation()->ExceptionList = &frame.registration;
  volatile int32_t result;
  if (__builtin_setjmp(frame.resume) == 0) {
    result = job(text);
  } else {
    SetSaverRunning(0);
    // The covers end with the run that the fault ended, as with the window.
    DestroyCoverWindows();
    result = kFaultExitCode;
  }
  ThreadInformation()->ExceptionList = frame.registration.Next;
  return result;
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
