/* A program the audit must reject: SSE2 arithmetic on xmm registers, an SSE
   instruction without register operands, an import the 95 family lacks and
   the console subsystem. It is never run. */
#include <windows.h>
#include <xmmintrin.h>

__attribute__((noinline)) double ProbeScaleWithSse2(double a, double b) { return a * b + 1.0; }

__attribute__((noinline)) void ProbeFenceWithSse(void) { _mm_sfence(); }

int main(void) {
  volatile double a = 3.0, b = 2.0;
  ProbeFenceWithSse();
  return (int)ProbeScaleWithSse2(a, b) + (IsDebuggerPresent() ? 1 : 0);
}
