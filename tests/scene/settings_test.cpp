// The settings record and the settings file: defaults, the 8-bit count, the
// exact bytes written, and the rest of a shared file left alone. Runs against
// the platform's profile functions on Windows and the portable store natively.
#include <gtest/gtest.h>

#include <string>

#include "scene/settings.h"
#include "tests/scene/profile_test_support.h"

#ifdef _WIN32
#include <windows.h>

#include "win32/win32_host_state.h"
#endif

namespace {

const std::string kSpeed = "\x91\xAC\x82\xB3";
const std::string kCount = "\x90\xE1\x82\xCC\x90\x94";

// Wine's profile writer drops blank lines when it rewrites a file; every
// other line must survive in both builds.
std::string WithoutBlankLines(const std::string& text) {
  std::string out;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    size_t end = nl == std::string::npos ? text.size() : nl + 1;
    std::string line = text.substr(pos, end - pos);
    if (line != "\r\n" && line != "\n") out += line;
    pos = end;
  }
  return out;
}

class Settings : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef _WIN32
    hostState.instanceHandle = GetModuleHandleA(nullptr);
#endif
    LoadSaverStrings();
    path_ = SettingsFilePath();
    hadFile_ = ReadFileBytes(path_, &saved_);
    RemoveFile(path_);
  }
  void TearDown() override {
    RemoveFile(path_);
    if (hadFile_) WriteFileBytes(path_, saved_);
  }
  void Store(const std::string& bytes) { WriteFileBytes(path_, bytes); }
  std::string FileBytes() {
    std::string b;
    EXPECT_TRUE(ReadFileBytes(path_, &b));
    return b;
  }

  std::string path_, saved_;
  bool hadFile_ = false;
};

TEST_F(Settings, StringsNameTheFileAndSection) {
  EXPECT_STREQ(iniFileName, "control.ini");
  EXPECT_STREQ(settingsSection, "ScreenSaver.NavaNava");
}

TEST_F(Settings, MissingFileGivesDefaultsAndIsNotCreated) {
  sceneSettings = {77, 77};
  ReadSettings();
  EXPECT_EQ(sceneSettings.tickIntervalMs, 10);
  EXPECT_EQ(sceneSettings.flakeCount, 10);
  std::string bytes;
  EXPECT_FALSE(ReadFileBytes(path_, &bytes));
}

struct ReadCase {
  const char* name;
  std::string body;  // lines of the section
  int32_t interval;
  uint8_t count;
};

TEST_F(Settings, ReadTakesEachKeyOrItsOwnDefault) {
  const ReadCase cases[] = {
      {"count only", kCount + "=50\r\n", 10, 50},
      {"speed only", kSpeed + "=30\r\n", 30, 10},
      {"both", kSpeed + "=0\r\n" + kCount + "=100\r\n", 0, 100},
      {"count 300 keeps its low byte", kCount + "=300\r\n", 10, 44},
      {"count 256", kCount + "=256\r\n", 10, 0},
      {"count 255", kCount + "=255\r\n", 10, 255},
      {"interval 4294967295 is -1", kSpeed + "=4294967295\r\n", -1, 10},
      {"UTF-8 spelling is another key", "\xE9\x80\x9F\xE3\x81\x95=50\r\n", 10, 10},
  };
  for (const ReadCase& c : cases) {
    Store("[ScreenSaver.NavaNava]\r\n" + c.body);
    ReadSettings();
    EXPECT_EQ(sceneSettings.tickIntervalMs, c.interval) << c.name;
    EXPECT_EQ(sceneSettings.flakeCount, c.count) << c.name;
  }
}

TEST_F(Settings, WriteMakesTheSectionWithSpeedFirst) {
  struct {
    int32_t interval;
    uint8_t count;
    const char* speedText;
    const char* countText;
  } cases[] = {{10, 10, "10", "10"},
               {0, 100, "0", "100"},
               {-1, 255, "4294967295", "255"},
               {INT32_MIN, 9, "2147483648", "9"},
               {1234567890, 0, "1234567890", "0"}};
  for (const auto& c : cases) {
    RemoveFile(path_);
    sceneSettings = {c.interval, c.count};
    WriteSettings();
    EXPECT_EQ(FileBytes(), "[ScreenSaver.NavaNava]\r\n" + kSpeed + "=" + c.speedText + "\r\n" +
                               kCount + "=" + c.countText + "\r\n");
    sceneSettings = {1, 1};
    ReadSettings();
    EXPECT_EQ(sceneSettings.tickIntervalMs, c.interval);
    EXPECT_EQ(sceneSettings.flakeCount, c.count);
  }
}

TEST_F(Settings, WriteLeavesTheRestOfTheFileAlone) {
  const std::string before =
      "[Desktop]\r\nWallpaper=clouds.bmp\r\n\r\n"
      "[ScreenSaver.NavaNava]\r\n" + kCount + "=70\r\nOther=keep\r\n" + kSpeed + "=90\r\n\r\n"
      "[ScreenSaver.Other]\r\n" + kSpeed + "=5\r\n";
  Store(before);
  sceneSettings = {20, 30};
  WriteSettings();
  const std::string after =
      "[Desktop]\r\nWallpaper=clouds.bmp\r\n\r\n"
      "[ScreenSaver.NavaNava]\r\n" + kCount + "=30\r\nOther=keep\r\n" + kSpeed + "=20\r\n\r\n"
      "[ScreenSaver.Other]\r\n" + kSpeed + "=5\r\n";
  EXPECT_EQ(WithoutBlankLines(FileBytes()), WithoutBlankLines(after));
#ifndef _WIN32
  // The portable store keeps every other byte, blank lines included.
  EXPECT_EQ(FileBytes(), after);
#endif
}

}  // namespace
