// The program's entry, which the platform calls first: there is no C
// runtime start-up before it. It sets the x87 unit, runs the constructors of
// process-wide variables, if the compiler made any, and hands over to
// SaverEntry, which reads everything it is given from the process itself and
// ends the process.
#include <windows.h>

#include "win32/win32_c_functions.h"
#include "win32/win32_entry.h"

// The linker's table of constructors: -1, the constructors, then null.
extern "C" void (*__CTOR_LIST__[])();

namespace {

void RunConstructors() {
  int count = 0;
  while (__CTOR_LIST__[count + 1]) ++count;
  // The same order as the toolchain's own start-up: last entry first.
  for (int i = count; i >= 1; --i) __CTOR_LIST__[i]();
}

}  // namespace

// The platform's stack is only 4-byte aligned at the entry.
extern "C" [[noreturn]] __attribute__((force_align_arg_pointer)) void WinMainCRTStartup() {
  StartX87AtDoublePrecision();
  RunConstructors();
  SaverEntry();
}
