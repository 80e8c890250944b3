#pragma once
// The process entry: the command line selects one job (settings dialog, full
// screen, preview, password change) and the job's result ends the process.
#include <windows.h>

#include <cstdint>

#include "win32/win32_fault_guard.h"

// Skips the program's name on the process command line, runs SaverMain and
// ends the process with its result.
[[noreturn]] void SaverEntry();
// `commandLine` is the text after the program's name. Returns the exit code.
int32_t SaverMain(HINSTANCE instance, const char* commandLine);
// `text` starts at the parent's digits; -1 unless they name a window.
int32_t RunPreview(const char* text);
// `text` starts at the owner's digits, if any. Always 0.
int32_t RunChangePassword(const char* text);
// The platform's password-change dialog for the saver's password.
void ChangePassword(HWND owner);
// The window handle that the text's leading digits spell; null without digits.
HWND ParseWindowHandleText(const char* text);

// Runs `job(text)` under the fault guard: a processor fault that escapes it
// goes to the platform's UnhandledExceptionFilter; when that answers
// EXCEPTION_EXECUTE_HANDLER, the saver-running state is switched off and the
// result is kFaultExitCode.
int32_t RunGuarded(GuardedJob job, const char* text);
constexpr int32_t kFaultExitCode = -2;

// The exit code for a command line that cannot be served.
constexpr int32_t kBadCommandLineExitCode = -1;
