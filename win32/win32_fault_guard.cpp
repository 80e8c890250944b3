#include "win32/win32_fault_guard.h"

#include <intrin.h>

// The two Windows programs find exception handlers in different ways, so the
// guard is built twice; this file is the only place in the program where the
// 32-bit and the x86-64 builds differ in source.
//
// 32-bit x86: handlers are frames chained from fs:[0], pushed and popped at
// run time. The guard links its own frame there for the duration of the job
// (gcc has no __try/__except for this target).
//
// x86-64: there is no such chain. The platform finds a function's handler in
// the unwind tables of the image, so the guard is a small function written in
// assembly whose unwind data names the guard's handler; the handler unwinds
// to that function's frame with RtlUnwindEx.

namespace {

// The filter's answer for a fault that reached the guard: the disposition to
// return, or ExceptionNestedException (never a real answer here) when the
// guard is to end the job.
EXCEPTION_DISPOSITION AskFilter(EXCEPTION_RECORD* record, CONTEXT* context) {
  EXCEPTION_POINTERS pointers = {record, context};
  LONG answer = UnhandledExceptionFilter(&pointers);
  if (answer == EXCEPTION_CONTINUE_EXECUTION) return ExceptionContinueExecution;
  if (answer != EXCEPTION_EXECUTE_HANDLER) return ExceptionContinueSearch;
  return ExceptionNestedException;
}

}  // namespace

#if defined(__x86_64__)

namespace {
// Whether the filter had the guard end the job. One job runs per process, on
// one thread.
bool guardFaulted = false;
}  // namespace

extern "C" {
// Calls job(text) (Windows x64 calling convention: job in rcx, text in rdx).
int32_t NavaNavaGuardedCall(GuardedJob job, const char* text);
// Where the unwind lands: inside NavaNavaGuardedCall, with the stack pointer
// back at that function's frame; returns to its caller.
void NavaNavaGuardLanding();
EXCEPTION_DISPOSITION NavaNavaGuardHandler(EXCEPTION_RECORD* record, void* establisherFrame,
                                           CONTEXT* context, DISPATCHER_CONTEXT* dispatch);
}

// The frame is 40 bytes: the callee's 32-byte home area plus 8 to keep the
// stack 16-byte aligned at the call. The nop keeps the return address inside
// the function, so the caller of job(text) is found while unwinding.
asm(R"(
  .text
  .p2align 4
  .globl NavaNavaGuardedCall
  .def NavaNavaGuardedCall; .scl 2; .type 32; .endef
  .seh_proc NavaNavaGuardedCall
NavaNavaGuardedCall:
  .seh_handler NavaNavaGuardHandler, @except
  subq $40, %rsp
  .seh_stackalloc 40
  .seh_endprologue
  movq %rcx, %rax
  movq %rdx, %rcx
  call *%rax
  nop
  addq $40, %rsp
  ret
  .globl NavaNavaGuardLanding
NavaNavaGuardLanding:
  xorl %eax, %eax
  addq $40, %rsp
  ret
  .seh_endproc
)");

EXCEPTION_DISPOSITION NavaNavaGuardHandler(EXCEPTION_RECORD* record, void* establisherFrame,
                                           CONTEXT* context, DISPATCHER_CONTEXT* dispatch) {
  if (record->ExceptionFlags & EXCEPTION_UNWIND) return ExceptionContinueSearch;
  EXCEPTION_DISPOSITION disposition = AskFilter(record, context);
  if (disposition != ExceptionNestedException) return disposition;
  guardFaulted = true;
  // Runs the unwind handlers of the frames between the fault and the guard,
  // then resumes at the landing with the guard's frame as the stack.
  CONTEXT scratch;
  RtlUnwindEx(establisherFrame, reinterpret_cast<void*>(&NavaNavaGuardLanding), record, nullptr,
              &scratch, dispatch->HistoryTable);
  return ExceptionContinueSearch;  // not reached
}

int32_t CallWithFaultGuard(GuardedJob job, const char* text, bool* faulted) {
  guardFaulted = false;
  int32_t result = NavaNavaGuardedCall(job, text);
  *faulted = guardFaulted;
  guardFaulted = false;
  return *faulted ? 0 : result;
}

#else

namespace {

struct GuardFrame {
  EXCEPTION_REGISTRATION_RECORD registration;  // first: the handler gets its address
  void* resume[5];                              // __builtin_setjmp buffer
};

EXCEPTION_DISPOSITION __cdecl GuardHandler(EXCEPTION_RECORD* record, void* frame,
                                           CONTEXT* context, void*) {
  if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND))
    return ExceptionContinueSearch;
  EXCEPTION_DISPOSITION disposition = AskFilter(record, context);
  if (disposition != ExceptionNestedException) return disposition;
  // Runs the unwind handlers of the frames above ours and makes ours the top
  // of the list again; then the stack is cut back to CallWithFaultGuard.
  RtlUnwind(frame, nullptr, record, nullptr);
  __builtin_longjmp(static_cast<GuardFrame*>(frame)->resume, 1);
}

NT_TIB* ThreadInformation() { return reinterpret_cast<NT_TIB*>(NtCurrentTeb()); }

}  // namespace

int32_t CallWithFaultGuard(GuardedJob job, const char* text, bool* faulted) {
  GuardFrame frame;
  frame.registration.Handler = reinterpret_cast<PEXCEPTION_ROUTINE>(GuardHandler);
  frame.registration.Next = ThreadInformation()->ExceptionList;
  ThreadInformation()->ExceptionList = &frame.registration;
  volatile int32_t result = 0;
  volatile bool guardEnded = false;
  if (__builtin_setjmp(frame.resume) == 0) {
    result = job(text);
  } else {
    guardEnded = true;
  }
  ThreadInformation()->ExceptionList = frame.registration.Next;
  *faulted = guardEnded;
  return result;
}

#endif
