/* A program the audit must reject: SSE2 arithmetic on xmm registers, an SSE
   instruction without register operands, a cmov (Pentium Pro), a bswap
   (80486), an import the first 95 release lacks, an import from the C
   runtime DLL and the console subsystem. Like the saver it has its own entry
   and no C runtime start-up, so only its own functions can be named. It is
   never run. */
#include <windows.h>
#include <stdio.h>
#include <xmmintrin.h>

__attribute__((noinline)) double ProbeScaleWithSse2(double a, double b) { return a * b + 1.0; }

__attribute__((noinline)) void ProbeFenceWithSse(void) { _mm_sfence(); }

__attribute__((noinline)) int ProbeSelectWithCmov(int a, int b) {
  __asm__("cmpl %1, %0\n\tcmovl %1, %0" : "+r"(a) : "r"(b) : "cc");
  return a;
}

__attribute__((noinline)) unsigned ProbeSwapWithBswap(unsigned a) {
  __asm__("bswap %0" : "+r"(a));
  return a;
}

void mainCRTStartup(void) {
  volatile double a = 3.0, b = 2.0;
  ProbeFenceWithSse();
  puts("probe");
  ExitProcess((UINT)ProbeScaleWithSse2(a, b) + ProbeSelectWithCmov(1, 2) +
              ProbeSwapWithBswap(3) + (IsDebuggerPresent() ? 1 : 0));
}
