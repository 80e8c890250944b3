#pragma once
// The fault guard around the saver's one job: a processor fault (or any other
// structured exception) that no handler inside the job takes goes to the
// platform's UnhandledExceptionFilter, as it would at the top of the thread;
// the filter may let the job continue, or have the guard end it.
#include <windows.h>

#include <cstdint>

typedef int32_t (*GuardedJob)(const char* text);

// Returns job(text). When the filter answers EXCEPTION_EXECUTE_HANDLER for a
// fault inside the job, the job's frames are cut back (their unwind handlers
// run), `*faulted` is set and the result is 0. EXCEPTION_CONTINUE_EXECUTION
// resumes the job where it faulted; any other answer passes the fault on.
int32_t CallWithFaultGuard(GuardedJob job, const char* text, bool* faulted);
