// The page's settings file: the browser's storage, one entry per key, named
// "<section>/<key>" with the key in UTF-8 ("ScreenSaver.NavaNava/速さ"), holding
// the text that WriteSettings writes. Stored texts read as the Windows saver
// reads its file; storage that the browser refuses reads as missing and drops
// writes, like a settings file that cannot be read or written.
#include <algorithm>
#include <cstring>
#include <string_view>

#include "web/page_settings.h"
#include "scene/saver_strings.h"
#include "scene/settings.h"
#include "web/web_imports.h"

namespace {

// Longer stored texts are read from their first 4 KB: only a value's first
// 29 characters after its leading blanks count.
constexpr int32_t kStoredTextCapacity = 4096;
constexpr size_t kStorageNameCapacity = 96;

char storedText[kStoredTextCapacity];

// The two keys are code page 932 bytes; the browser's storage names are
// Unicode, so they are named by their UTF-8 spelling.
const char* KeyNameInUtf8(const char* key) {
  if (std::strcmp(key, kSpeedKey) == 0) return "\xE9\x80\x9F\xE3\x81\x95";  // 速さ
  if (std::strcmp(key, kFlakeCountKey) == 0)
    return "\xE9\x9B\xAA\xE3\x81\xAE\xE6\x95\xB0";  // 雪の数
  return key;
}

// "<section>/<key>", cut to the buffer; returns its length.
int32_t StorageName(const char* section, const char* key, char (&name)[kStorageNameCapacity]) {
  const char* parts[3] = {section, "/", KeyNameInUtf8(key)};
  size_t length = 0;
  for (const char* part : parts) {
    const size_t n = std::min(std::strlen(part), kStorageNameCapacity - 1 - length);
    std::memcpy(name + length, part, n);
    length += n;
  }
  name[length] = '\0';
  return static_cast<int32_t>(length);
}

}  // namespace

uint32_t ReadProfileInt(const char* section, const char* key, uint32_t defaultValue,
                        const char*) {
  char name[kStorageNameCapacity];
  const int32_t nameLength = StorageName(section, key, name);
  int32_t length = PageStorageGet(name, nameLength, storedText, kStoredTextCapacity);
  if (length < 0) return defaultValue;
  if (length > kStoredTextCapacity) length = kStoredTextCapacity;
  return ReadStoredNumber(std::string_view(storedText, static_cast<size_t>(length)),
                          defaultValue);
}

void WriteProfileText(const char* section, const char* key, const char* text, const char*) {
  char name[kStorageNameCapacity];
  const int32_t nameLength = StorageName(section, key, name);
  PageStorageSet(name, nameLength, text, static_cast<int32_t>(std::strlen(text)));
}

void LoadProgramString(unsigned id, char* buffer, int capacity) {
  CopySaverString(id, buffer, capacity);
}
