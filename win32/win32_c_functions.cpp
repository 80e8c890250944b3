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

// time() of the C headers: whole seconds since 1970 from the kernel's clock.
__time32_t __cdecl KernelTime32(__time32_t* result) {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  uint64_t fileTime = (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  __time32_t seconds = static_cast<__time32_t>(SecondsSince1970(fileTime));
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

// The C headers declare the calendar-time function as an import from the C
// runtime DLL, so callers go through the pointer that the DLL's import would
// fill in. Here that pointer is defined, and points at the kernel's clock.
extern "C" {
__time32_t(__cdecl* __MINGW_IMP_SYMBOL(_time32))(__time32_t*) = KernelTime32;

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
