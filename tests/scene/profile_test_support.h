#pragma once
// What the settings tests need from the platform: a scratch file, the
// platform's way of reading an integer from any profile file, and where the
// settings file lives.
#include <cstdint>
#include <string>

// A fresh scratch path (the file does not exist yet).
std::string ScratchProfilePath(const char* name);
// GetPrivateProfileIntA on Windows, the portable store elsewhere.
uint32_t PlatformReadProfileInt(const std::string& path, const char* section, const char* key,
                                uint32_t defaultValue);
// The "control.ini" that ReadSettings and WriteSettings use.
std::string SettingsFilePath();

bool ReadFileBytes(const std::string& path, std::string* bytes);
void WriteFileBytes(const std::string& path, const std::string& bytes);
void RemoveFile(const std::string& path);
