#pragma once
// What the Windows program would otherwise take from a C runtime DLL, made
// from the processor and the kernel alone: the memory and string functions
// the compiler and the code call, the sine of a double, the calendar time
// and the x87 unit's start-up setting. win32_c_functions.cpp defines them
// under their C names, so that linking it replaces the runtime's.
#include <cstdint>

// Sets the x87 unit as the program starts: every exception masked, rounding
// to nearest, and 53-bit precision, so that each operation on doubles rounds
// once, to double (control word 0x27F).
void StartX87AtDoublePrecision();

// Whole seconds from 1970-01-01 00:00 UTC to a platform file time (100 ns
// units since 1601-01-01 00:00 UTC), rounded down.
int64_t SecondsSince1970(uint64_t fileTime);
