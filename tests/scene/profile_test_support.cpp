#include "tests/scene/profile_test_support.h"

#include <cstdio>

#include "scene/settings.h"

#ifdef _WIN32
#include <windows.h>

std::string ScratchProfilePath(const char* name) {
  char dir[MAX_PATH];
  GetTempPathA(MAX_PATH, dir);
  std::string path = std::string(dir) + "navanava-" + name;
  DeleteFileA(path.c_str());
  return path;
}

uint32_t PlatformReadProfileInt(const std::string& path, const char* section, const char* key,
                                uint32_t defaultValue) {
  return GetPrivateProfileIntA(section, key, static_cast<INT>(defaultValue), path.c_str());
}

std::string SettingsFilePath() {
  char dir[MAX_PATH];
  GetWindowsDirectoryA(dir, MAX_PATH);
  return std::string(dir) + "\\" + iniFileName;
}

void RemoveFile(const std::string& path) {
  // The platform keeps profile files cached; flushing its cache first makes
  // the next read see the file as it is on disk.
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
  DeleteFileA(path.c_str());
}
#else
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

#include "scene/profile_store.h"

namespace {
std::string ScratchDirectory() {
  static std::string dir;
  if (dir.empty()) {
    char pattern[] = "/tmp/navanava-test-XXXXXX";
    dir = mkdtemp(pattern);
    std::atexit([] { if (std::system(("rm -rf '" + dir + "'").c_str()) != 0) {} });
  }
  return dir;
}
}  // namespace

std::string ScratchProfilePath(const char* name) {
  std::string path = ScratchDirectory() + "/" + name;
  unlink(path.c_str());
  return path;
}

uint32_t PlatformReadProfileInt(const std::string& path, const char* section, const char* key,
                                uint32_t defaultValue) {
  return ReadProfileIntFromFile(path.c_str(), section, key, defaultValue);
}

std::string SettingsFilePath() {
  // Keep the user's own settings out of the tests.
  setenv("XDG_CONFIG_HOME", ScratchDirectory().c_str(), 1);
  mkdir((ScratchDirectory() + "/navanava").c_str(), 0755);
  return PortableProfilePath(iniFileName);
}

void RemoveFile(const std::string& path) { unlink(path.c_str()); }
#endif

bool ReadFileBytes(const std::string& path, std::string* bytes) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  bytes->clear();
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes->append(buf, n);
  std::fclose(f);
  return true;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
#ifdef _WIN32
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
#endif
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}
