// The settings file of the portable build: the project's own profile store in
// the user's configuration directory; the string table is built in.
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
