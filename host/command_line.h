#pragma once
// The saver's command line without the window system: skipping the program's
// own name, finding the switch letter and reading a window handle's digits.
// Stepping over characters is the caller's: on Windows it is CharNextA, so a
// double-byte character of the system code page is never split.
#include <cstdint>

// Returns the position of the character after the one at `text` (never past
// the terminating zero).
typedef const char* (*NextCharFn)(const char* text);

// One byte at a time: the portable stand-in for CharNextA.
const char* NextByte(const char* text);

// The process command line with the program's name skipped, quoted or not,
// and the separators (bytes up to 0x20) behind it.
const char* SkipProgramName(const char* commandLine, NextCharFn next);

enum class SaverJob {
  SettingsNoOwner,          // nothing but separators
  SettingsForegroundOwner,  // "c"
  ChangePassword,           // "a": rest starts at the owner's digits
  Preview,                  // "p" or "l": rest starts at the parent's digits
  FullScreen,               // "s"
  Unknown,                  // any other first byte: exit code -1
};

struct SwitchScan {
  SaverJob job;
  const char* rest;  // after the letter and the blanks behind it (a, p, l); else at the letter
};

// Finds the first switch letter after any number of blanks, hyphens and
// slashes. Starts no job.
SwitchScan ScanSwitch(const char* commandLine);

// Leading decimal digits as a 32-bit number that wraps on overflow; 0 when the
// text does not start with a digit.
uint32_t ParseWindowHandle(const char* text);
