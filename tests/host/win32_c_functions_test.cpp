// The C functions that navanava.scr brings instead of a C runtime DLL. In
// this program they replace the runtime's under their C names (the test is
// built without the compiler's inline versions), so the calls below reach
// them; the references are the runtime's other functions and plain loops.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <vector>

#include "win32/win32_c_functions.h"
#include "scene/scene.h"

namespace {

// Byte patterns that show a shifted, reversed or short copy.
std::vector<unsigned char> Pattern(size_t n) {
  std::vector<unsigned char> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<unsigned char>(i * 37 + 11);
  return v;
}

TEST(MemoryFunctions, CopyAndMoveEveryLengthOffsetAndOverlap) {
  const size_t kSize = 96;
  for (size_t count = 0; count <= 40; ++count) {
    for (size_t from = 0; from + count <= kSize; from += 7) {
      for (size_t to = 0; to + count <= kSize; to += 5) {
        std::vector<unsigned char> buffer = Pattern(kSize), expected = buffer;
        // The reference copies through a separate buffer, as memmove must.
        std::vector<unsigned char> piece(expected.begin() + from, expected.begin() + from + count);
        for (size_t i = 0; i < count; ++i) expected[to + i] = piece[i];
        void* r = memmove(buffer.data() + to, buffer.data() + from, count);
        ASSERT_EQ(r, buffer.data() + to);
        ASSERT_EQ(buffer, expected) << "memmove of " << count << " from " << from << " to " << to;

        bool overlap = from < to + count && to < from + count;
        if (overlap) continue;
        std::vector<unsigned char> other = Pattern(kSize);
        r = memcpy(other.data() + to, other.data() + from, count);
        ASSERT_EQ(r, other.data() + to);
        ASSERT_EQ(other, expected) << "memcpy of " << count << " from " << from << " to " << to;
      }
    }
  }
}

TEST(MemoryFunctions, SetUsesTheLowByteAndStopsAtTheCount) {
  for (size_t count : {0u, 1u, 3u, 17u, 64u}) {
    std::vector<unsigned char> buffer(80, 0xAA);
    void* r = memset(buffer.data() + 5, 0x1234, count);
    EXPECT_EQ(r, buffer.data() + 5);
    for (size_t i = 0; i < buffer.size(); ++i) {
      unsigned char want = i >= 5 && i < 5 + count ? 0x34 : 0xAA;
      ASSERT_EQ(buffer[i], want) << "count " << count << ", byte " << i;
    }
  }
}

TEST(MemoryFunctions, CompareOrdersBytesAsUnsigned) {
  struct Case {
    const char* a;
    const char* b;
    size_t count;
    int sign;
  };
  const Case cases[] = {
      {"abc", "abc", 3, 0},        {"abc", "abd", 3, -1},     {"abd", "abc", 3, 1},
      {"abc", "abd", 2, 0},        {"x", "y", 0, 0},          {"\x80", "\x7f", 1, 1},
      {"\x01\xff", "\x01\x00", 2, 1}, {"\x83\x69", "\x83\x6F", 2, -1},
  };
  for (const Case& c : cases) {
    int r = memcmp(c.a, c.b, c.count);
    EXPECT_EQ((r > 0) - (r < 0), c.sign) << '"' << c.a << "\" vs \"" << c.b << "\" over " << c.count;
  }
}

TEST(StringFunctions, LengthCountsBytesUpToTheTerminator) {
  EXPECT_EQ(strlen(""), 0u);
  EXPECT_EQ(strlen("s"), 1u);
  EXPECT_EQ(strlen("control.ini"), 11u);
  // "ナバナバセーバー" in code page 932: eight double-byte characters.
  EXPECT_EQ(strlen("\x83\x69\x83\x6F\x83\x69\x83\x6F\x83\x5A\x81\x5B\x83\x6F\x81\x5B"), 16u);
}

uint64_t Bits(double v) {
  uint64_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

// The x87 unit's sine of the double, rounded once to double: what the
// toolchain's long-double sine gives.
double ReferenceSine(double x) {
  volatile double rounded = static_cast<double>(sinl(x));
  return rounded;
}

TEST(Sine, EqualsTheX87SineForEveryPhaseOfTheSway) {
  // The phases the motion meets: every flake height from the highest start
  // down to a screen of 70 000 rows.
  const double kSwayPhase = 3.1415 * 0.01;
  int differences = 0;
  for (int32_t y = -kFlakeSize - 128 * (kFlakeCapacity - 1); y <= 70000; ++y) {
    double phase = static_cast<double>(y) * kSwayPhase;
    if (Bits(sin(phase)) != Bits(ReferenceSine(phase)) && ++differences <= 5)
      ADD_FAILURE() << "y " << y << ": " << sin(phase) << " vs " << ReferenceSine(phase);
  }
  EXPECT_EQ(differences, 0);
}

TEST(Sine, ReducesArgumentsBeyondTheX87Range) {
  // fsin refuses |x| >= 2^63; those are reduced modulo 2 pi first.
  for (double x : {0.0, -0.0, 1e-300, 0.5, -3.0, 1e18, 9.3e18, -9.3e18, 1e19, 1e300}) {
    double s = sin(x);
    EXPECT_EQ(Bits(s), Bits(ReferenceSine(x))) << x;
    EXPECT_LE(std::fabs(s), 1.0) << x;
  }
  EXPECT_EQ(Bits(sin(-0.0)), Bits(-0.0));
  EXPECT_TRUE(std::isnan(sin(INFINITY)));
}

TEST(CalendarTime, SecondsSince1970FromFileTimes) {
  const uint64_t k1970 = 116444736000000000ull;
  struct Case {
    const char* when;
    uint64_t fileTime;
    int64_t seconds;
  };
  const Case cases[] = {
      {"1970-01-01 00:00:00", k1970, 0},
      {"1970-01-01 00:00:00.9999999", k1970 + 9999999, 0},
      {"1970-01-01 00:00:01", k1970 + 10000000, 1},
      {"2000-01-01 00:00:00", 125911584000000000ull, 946684800},
      {"2038-01-19 03:14:08, past 31 bits", 137919572480000000ull, 2147483648ll},
      {"2106-02-07 06:28:16, past 32 bits", 159394408960000000ull, 4294967296ll},
      {"1969-12-31 23:59:59.5", k1970 - 5000000, -1},
      {"1601-01-01 00:00:00", 0, -11644473600ll},
  };
  for (const Case& c : cases) EXPECT_EQ(SecondsSince1970(c.fileTime), c.seconds) << c.when;
}

// The C runtime DLL's own 64-bit clock, looked up at run time: the program's
// import pointers replace the ones this test would link against.
__time64_t RuntimeTime64() {
  typedef __time64_t(__cdecl * Time64)(__time64_t*);
  static Time64 runtime = reinterpret_cast<Time64>(
      reinterpret_cast<void*>(GetProcAddress(LoadLibraryA("msvcrt.dll"), "_time64")));
  return runtime ? runtime(nullptr) : -1;
}

TEST(CalendarTime, TimeAndBothEntryPointsReadTheKernelsClock) {
  // time() goes through the import pointer that the C functions define (the
  // 32-bit entry point on the 32-bit program, the 64-bit one on x86-64).
  __time64_t before = RuntimeTime64();
  ASSERT_GT(before, 1600000000);
  time_t stored = 0;
  time_t now = time(&stored);
  __time32_t stored32 = 0;
  __time32_t now32 = _time32(&stored32);
  __time64_t stored64 = 0;
  __time64_t now64 = _time64(&stored64);
  __time64_t after = RuntimeTime64();
  EXPECT_EQ(stored, now);
  EXPECT_EQ(stored32, now32);
  EXPECT_EQ(stored64, now64);
  for (__time64_t seconds : {static_cast<__time64_t>(now), static_cast<__time64_t>(now32), now64}) {
    EXPECT_GE(seconds, before);
    EXPECT_LE(seconds, after);
  }
}

uint16_t X87ControlWord() {
  uint16_t cw;
  __asm__ volatile("fnstcw %0" : "=m"(cw));
  return cw;
}

TEST(StartUp, SetsTheX87UnitToDoublePrecisionWithEveryExceptionMasked) {
  uint16_t saved = X87ControlWord();
  // 64-bit precision, rounding toward zero, the invalid-operation exception
  // unmasked (no x87 operation runs before the start-up's reset).
  const uint16_t other = 0x0F7E;
  __asm__ volatile("fldcw %0" : : "m"(other));
  ASSERT_EQ(X87ControlWord(), other);
  StartX87AtDoublePrecision();
  EXPECT_EQ(X87ControlWord(), 0x27F);
  __asm__ volatile("fldcw %0" : : "m"(saved));
}

}  // namespace
