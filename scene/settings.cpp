#include "scene/settings.h"

#include "scene/saver_strings.h"

SceneSettings sceneSettings = {0, 0};
char iniFileName[kIniFileNameCapacity] = "control.ini";
char settingsSection[kSettingsSectionCapacity] = "";

const char kSpeedKey[] = "\x91\xAC\x82\xB3";
const char kFlakeCountKey[] = "\x90\xE1\x82\xCC\x90\x94";
const char kSpeedKeyUtf8[] = "\xE9\x80\x9F\xE3\x81\x95";
const char kFlakeCountKeyUtf8[] = "\xE9\x9B\xAA\xE3\x81\xAE\xE6\x95\xB0";

namespace {

// Writes the unsigned decimal of `value` and a terminating zero into `text`,
// which holds at least 11 bytes. Done by hand because snprintf would link the
// toolchain's whole formatting engine (floating point and wide characters)
// into the Windows program, with imports the 95 family has only as stubs.
void FormatUnsigned(uint32_t value, char* text) {
  char digits[10];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (count > 0) *text++ = digits[--count];
  *text = '\0';
}

}  // namespace

void LoadSaverStrings() {
  LoadProgramString(kStringIniFile, iniFileName, kIniFileNameCapacity);
  LoadProgramString(kStringSettingsSection, settingsSection, kSettingsSectionCapacity);
}

void ReadSettings() {
  // The unsigned value is kept bit for bit in the signed field.
  sceneSettings.tickIntervalMs = static_cast<int32_t>(
      ReadProfileInt(settingsSection, kSpeedKey, kDefaultTickIntervalMs, iniFileName));
  sceneSettings.flakeCount = static_cast<uint8_t>(
      ReadProfileInt(settingsSection, kFlakeCountKey, kDefaultFlakeCount, iniFileName) & 0xFF);
}

void WriteSettings() {
  char text[11];
  FormatUnsigned(static_cast<uint32_t>(sceneSettings.tickIntervalMs), text);
  WriteProfileText(settingsSection, kSpeedKey, text, iniFileName);
  FormatUnsigned(sceneSettings.flakeCount, text);
  WriteProfileText(settingsSection, kFlakeCountKey, text, iniFileName);
}
