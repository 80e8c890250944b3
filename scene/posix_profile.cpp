// The settings file of the portable build: the project's own profile store in
// the user's configuration directory; the string table is built in.
#include <cstring>

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
  if (capacity <= 0) return;
  const char* text = FindSaverString(id);
  if (!text) text = "";
  size_t n = std::strlen(text);
  if (n > static_cast<size_t>(capacity - 1)) n = static_cast<size_t>(capacity - 1);
  std::memcpy(buffer, text, n);
  buffer[n] = '\0';
}
