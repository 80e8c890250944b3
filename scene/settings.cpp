#include "scene/settings.h"

#include <cstdio>

#include "scene/saver_strings.h"

SceneSettings sceneSettings = {0, 0};
char iniFileName[kIniFileNameCapacity] = "control.ini";
char settingsSection[kSettingsSectionCapacity] = "";

const char kSpeedKey[] = "\x91\xAC\x82\xB3";
const char kFlakeCountKey[] = "\x90\xE1\x82\xCC\x90\x94";

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
  char text[16];
  std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(static_cast<uint32_t>(sceneSettings.tickIntervalMs)));
  WriteProfileText(settingsSection, kSpeedKey, text, iniFileName);
  std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(sceneSettings.flakeCount));
  WriteProfileText(settingsSection, kFlakeCountKey, text, iniFileName);
}
