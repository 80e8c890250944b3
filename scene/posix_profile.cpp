// The settings file of the portable build: the project's own profile store in
// the user's configuration directory; the string table is built in.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>

#include "scene/profile_store.h"
#include "scene/saver_strings.h"
#include "scene/settings.h"

uint32_t ReadProfileInt(const char* section, const char* key, uint32_t defaultValue,
                        const char* fileName) {
  return ReadProfileIntFromFile(PortableProfilePath(fileName).c_str(), section, key,
                                defaultValue);
}

void WriteProfileText(const char* section, const char* key, const char* text,
                      const char* fileName) {
  WriteProfileTextToFile(PortableProfilePath(fileName).c_str(), section, key, text);
}

void LoadProgramString(unsigned id, char* buffer, int capacity) {
  CopySaverString(id, buffer, capacity);
}

void ReadSettingsReporting(const char* program) {
  sceneSettings.tickIntervalMs = kDefaultTickIntervalMs;
  sceneSettings.flakeCount = kDefaultFlakeCount;
  const std::string path = PortableProfilePath(iniFileName);
  std::string text;
  if (!ReadProfileFile(path.c_str(), &text)) {
    // No file is the defaults; a file that is there and cannot be read is
    // worth a word.
    struct stat st;
    const int error = errno;
    if (stat(path.c_str(), &st) == 0) {
      std::fprintf(stderr, "%s: %s: cannot be read (%s); the defaults are used\n", program,
                   path.c_str(), std::strerror(error));
    }
    return;
  }
  ProfileKey keys[2] = {{kSpeedKey, kSpeedKeyUtf8, false, 0},
                        {kFlakeCountKey, kFlakeCountKeyUtf8, false, 0}};
  std::string problems;
  ReadProfileKeys(text, settingsSection, keys, 2, &problems);
  // The unsigned value is kept bit for bit in the signed field; the count
  // keeps its low 8 bits, as ReadSettings does.
  if (keys[0].found) sceneSettings.tickIntervalMs = static_cast<int32_t>(keys[0].value);
  if (keys[1].found) sceneSettings.flakeCount = static_cast<uint8_t>(keys[1].value & 0xFF);
  for (size_t start = 0; start < problems.size();) {
    const size_t end = problems.find('\n', start);
    std::fprintf(stderr, "%s: %s: %.*s\n", program, path.c_str(),
                 static_cast<int>(end - start), problems.c_str() + start);
    start = end + 1;
  }
}
