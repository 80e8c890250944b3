#include "scene/saver_strings.h"

#include <cstring>

const SaverString kSaverStrings[] = {
    {kStringIniFile, "control.ini"},
    // "ナバナバセーバー"
    {kStringDisplayName, "\x83\x69\x83\x6F\x83\x69\x83\x6F\x83\x5A\x81\x5B\x83\x6F\x81\x5B"},
    {kStringSettingsSection, "ScreenSaver.NavaNava"},
    // "ヘルプを起動するメモリが足りません。"
    {kStringNoMemoryForHelp,
     "\x83\x77\x83\x8B\x83\x76\x82\xF0\x8B\x4E\x93\xAE\x82\xB7\x82\xE9\x83\x81\x83\x82"
     "\x83\x8A\x82\xAA\x91\xAB\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81\x42"},
    {kStringHelpFile, "control.hlp"},
};
const int kSaverStringCount = sizeof kSaverStrings / sizeof kSaverStrings[0];

const char* FindSaverString(unsigned id) {
  for (int i = 0; i < kSaverStringCount; ++i)
    if (kSaverStrings[i].id == id) return kSaverStrings[i].text;
  return nullptr;
}

void CopySaverString(unsigned id, char* buffer, int capacity) {
  if (capacity <= 0) return;
  const char* text = FindSaverString(id);
  if (!text) text = "";
  size_t n = std::strlen(text);
  if (n > static_cast<size_t>(capacity - 1)) n = static_cast<size_t>(capacity - 1);
  std::memcpy(buffer, text, n);
  buffer[n] = '\0';
}
