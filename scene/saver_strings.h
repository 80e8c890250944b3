#pragma once
// The program's string table. The resource script holds the same texts; a test
// under Wine compares what LoadStringA returns with this table.

enum SaverStringId : unsigned {
  kStringIniFile = 1001,
  kStringDisplayName = 1002,
  kStringSettingsSection = 1007,
  kStringNoMemoryForHelp = 1008,
  kStringHelpFile = 1009,
};

struct SaverString {
  unsigned id;
  const char* text;  // narrow, code page 932
};

extern const SaverString kSaverStrings[];
extern const int kSaverStringCount;

// The text of `id`, or nullptr when the table has no such entry.
const char* FindSaverString(unsigned id);

// Copies the text of `id` (empty when the table has none) into `buffer`, cut
// to `capacity` - 1 bytes and terminated: the hosts without a string table in
// their resources load their strings so.
void CopySaverString(unsigned id, char* buffer, int capacity);
