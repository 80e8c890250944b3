// The C functions the Windows program needs, without a C runtime DLL: the
// first releases of the 95 family have none. Linked into navanava.scr (and
// into the motion test, which so checks the sine that the program ships).
//
// The string and memory functions are the ones the compiler may call by
// itself (memcpy, memmove, memset, memcmp) and strlen. They use the string
// instructions of the 80386 and plain loops, built so that the compiler does
// not turn a loop back into a call of the function it is in (see
// host/CMakeLists.txt).
#include "win32/win32_c_functions.h"

#include <windows.h>

#include <cmath>
#include <cstddef>
#include <ctime>

namespace {

// 100 ns units from 1601-01-01 to 1970-01-01 (369 years, 89 of them leap).
constexpr uint64_t kFileTimeOf1970 = 116444736000000000ull;
constexpr int64_t kFileTimePerSecond = 10000000;

int64_t KernelSeconds() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  uint64_t fileTime = (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  return SecondsSince1970(fileTime);
}

// time() of the C headers: whole seconds since 1970 from the kernel's clock.
// The 32-bit program's headers call the 32-bit entry point, which wraps in
// 2038 as the C runtimes of its time do (the scene seeds from the low 32 bits
// only, and those stay right); the x86-64 program's call the 64-bit one,
// which holds every second the kernel's clock can tell.
__time32_t __cdecl KernelTime32(__time32_t* result) {
  __time32_t seconds = static_cast<__time32_t>(static_cast<uint32_t>(KernelSeconds()));
  if (result) *result = seconds;
  return seconds;
}

__time64_t __cdecl KernelTime64(__time64_t* result) {
  __time64_t seconds = KernelSeconds();
  if (result) *result = seconds;
  return seconds;
}

}  // namespace

void StartX87AtDoublePrecision() {
  const uint16_t controlWord = 0x27F;
  __asm__ volatile("fninit\n\tfldcw %0" : : "m"(controlWord) : "memory");
}

int64_t SecondsSince1970(uint64_t fileTime) {
  if (fileTime >= kFileTimeOf1970)
    return static_cast<int64_t>((fileTime - kFileTimeOf1970) / kFileTimePerSecond);
  int64_t before = static_cast<int64_t>(kFileTimeOf1970 - fileTime);
  return -((before + kFileTimePerSecond - 1) / kFileTimePerSecond);
}

// The C headers declare the calendar-time functions as imports from the C
// runtime DLL, so callers go through the pointers that the DLL's import would
// fill in. Here those pointers are defined, and point at the kernel's clock.
extern "C" {
__time32_t(__cdecl* __MINGW_IMP_SYMBOL(_time32))(__time32_t*) = KernelTime32;
__time64_t(__cdecl* __MINGW_IMP_SYMBOL(_time64))(__time64_t*) = KernelTime64;

void* memcpy(void* to, const void* from, size_t count) {
  void* d = to;
  __asm__ volatile("rep movsb" : "+D"(d), "+S"(from), "+c"(count) : : "memory");
  return to;
}

void* memmove(void* to, const void* from, size_t count) {
  unsigned char* d = static_cast<unsigned char*>(to);
  const unsigned char* s = static_cast<const unsigned char*>(from);
  if (d <= s || d >= s + count) return memcpy(to, from, count);
  // The destination overlaps the source's end: copy from the last byte down.
  d += count - 1;
  s += count - 1;
  __asm__ volatile("std\n\trep movsb\n\tcld" : "+D"(d), "+S"(s), "+c"(count) : : "memory", "cc");
  return to;
}

void* memset(void* to, int value, size_t count) {
  void* d = to;
  __asm__ volatile("rep stosb" : "+D"(d), "+c"(count) : "a"(value) : "memory");
  return to;
}

int memcmp(const void* a, const void* b, size_t count) {
  const unsigned char* p = static_cast<const unsigned char*>(a);
  const unsigned char* q = static_cast<const unsigned char*>(b);
  for (size_t i = 0; i < count; ++i)
    if (p[i] != q[i]) return p[i] < q[i] ? -1 : 1;
  return 0;
}

size_t strlen(const char* text) {
  const char* end = text;
  while (*end) ++end;
  return static_cast<size_t>(end - text);
}

// The x87 unit's fsin on the double, rounded once to double when stored.
// fsin takes arguments below 2^63 in magnitude; a larger one is reduced
// modulo 2 pi first, with fprem1.
double sin(double x) {
  double result;
  __asm__(
      "fldl %1\n\t"
      "fsin\n\t"
      "fnstsw %%ax\n\t"
      "testw $0x400, %%ax\n\t"
      "jz 2f\n\t"
      "fldpi\n\t"
      "fadd %%st(0), %%st\n\t"
      "fxch %%st(1)\n"
      "1:\n\t"
      "fprem1\n\t"
      "fnstsw %%ax\n\t"
      "testw $0x400, %%ax\n\t"
      "jnz 1b\n\t"
      "fstp %%st(1)\n\t"
      "fsin\n"
      "2:\n\t"
      "fstpl %0"
      : "=m"(result)
      : "m"(x)
      : "eax", "cc");
  return result;
}
}
