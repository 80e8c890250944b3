// The native program's command line: every accepted spelling, every refused
// one with the message it gives, window ids and geometries, and options
// winning over the settings file.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "host/native_command_line.h"
#include "scene/settings.h"

namespace {

NativeCommandLine Parse(std::vector<const char*> args) {
  args.insert(args.begin(), "navanava");
  NativeCommandLine c;
  ParseNativeCommandLine(static_cast<int>(args.size()), args.data(), &c);
  return c;
}

TEST(NativeCommandLine, NothingGivenRunsInItsOwnWindowWithNothingSet) {
  const NativeCommandLine c = Parse({});
  EXPECT_EQ(c.action, NativeAction::kRun);
  EXPECT_FALSE(c.root || c.hasWindowId || c.hasGeometry || c.options.hasTickInterval ||
               c.options.hasFlakeCount || c.options.hasSeed || c.options.showFps);
  EXPECT_EQ(c.displayName, nullptr);
}

TEST(NativeCommandLine, OneOrTwoDashesAndValuesApartOrAfterEquals) {
  const std::vector<std::vector<const char*>> spellings = {
      {"--flakes", "40", "--interval", "20", "--root"},
      {"-flakes", "40", "-interval", "20", "-root"},
      {"--flakes=40", "-interval=20", "--root"},
      {"-flakes=40", "--interval", "20", "-root"},
  };
  for (const auto& args : spellings) {
    const NativeCommandLine c = Parse(args);
    ASSERT_EQ(c.action, NativeAction::kRun) << c.error;
    EXPECT_TRUE(c.root);
    EXPECT_TRUE(c.options.hasFlakeCount);
    EXPECT_EQ(c.options.flakeCount, 40);
    EXPECT_TRUE(c.options.hasTickInterval);
    EXPECT_EQ(c.options.tickIntervalMs, 20);
  }
}

TEST(NativeCommandLine, EveryOptionLandsInItsField) {
  const NativeCommandLine c =
      Parse({"--seed", "4000000000", "--ticks=300", "--scale", "3", "--fps", "--display", ":7",
             "--geometry", "800x600-10+20", "--window-id", "0x1A00003", "--visual", "default",
             "--mono", "--install", "--noinstall"});
  ASSERT_EQ(c.action, NativeAction::kRun) << c.error;
  EXPECT_TRUE(c.options.hasSeed);
  EXPECT_EQ(c.options.seed, 4000000000u);
  EXPECT_EQ(c.options.stopAfterTicks, 300);
  EXPECT_EQ(c.options.pixelScale, 3);
  EXPECT_TRUE(c.options.showFps);
  EXPECT_STREQ(c.displayName, ":7");
  EXPECT_TRUE(c.hasGeometry);
  EXPECT_EQ(c.width, 800);
  EXPECT_EQ(c.height, 600);
  EXPECT_TRUE(c.hasPosition);
  EXPECT_EQ(c.x, 10);
  EXPECT_TRUE(c.xFromRight);
  EXPECT_EQ(c.y, 20);
  EXPECT_FALSE(c.yFromBottom);
  EXPECT_TRUE(c.hasWindowId);
  EXPECT_EQ(c.windowId, 0x1A00003u);
}

TEST(NativeCommandLine, LaterOptionsOverrideEarlierOnes) {
  NativeCommandLine c = Parse({"--flakes", "10", "--flakes", "90", "--fps", "--no-fps"});
  EXPECT_EQ(c.options.flakeCount, 90);
  EXPECT_FALSE(c.options.showFps);
  // XScreenSaver's -window undoes -root; the settings app's appended
  // --window-id goes with the list's --root and wins when drawing.
  c = Parse({"--root", "--window"});
  EXPECT_FALSE(c.root);
  c = Parse({"--root", "--window-id", "0x400007"});
  EXPECT_TRUE(c.root && c.hasWindowId);
}

TEST(NativeCommandLine, HelpAndVersionStopTheScan) {
  EXPECT_EQ(Parse({"--help"}).action, NativeAction::kHelp);
  EXPECT_EQ(Parse({"-help", "--bogus"}).action, NativeAction::kHelp);
  EXPECT_EQ(Parse({"--version"}).action, NativeAction::kVersion);
  EXPECT_EQ(Parse({"--flakes", "5", "-version"}).action, NativeAction::kVersion);
  // A bad option before them is reported.
  EXPECT_EQ(Parse({"--bogus", "--help"}).action, NativeAction::kError);
}

TEST(NativeCommandLine, RefusedFormsNameTheArgumentAndTheValidForm) {
  struct Case {
    std::vector<const char*> args;
    const char* message;
  } cases[] = {
      {{"--bogus"}, "unknown option '--bogus'; see navanava --help"},
      {{"-Flakes", "5"}, "unknown option '-Flakes'; see navanava --help"},
      {{"---flakes", "5"}, "unknown option '---flakes'; see navanava --help"},
      {{"flakes"}, "unexpected argument 'flakes'; options start with - or --"},
      {{"-"}, "unexpected argument '-'; options start with - or --"},
      {{"--"}, "unexpected argument '--'; options start with - or --"},
      {{"--flakes"}, "missing value after '--flakes': --flakes N takes a whole number from 0 to 100"},
      {{"--flakes="}, "bad value '': --flakes N takes a whole number from 0 to 100"},
      {{"--flakes", "-1"}, "bad value '-1': --flakes N takes a whole number from 0 to 100"},
      {{"--interval", "1001"}, "bad value '1001': --interval MS takes a whole number from 0 to 1000"},
      {{"--ticks", "0"}, "bad value '0': --ticks N takes a whole number from 1 to 2147483647"},
      {{"--scale=9"}, "bad value '9': --scale N takes a whole number from 0 to 8"},
      {{"--seed", "4294967296"}, "bad value '4294967296': --seed N takes a whole number from 0 to 4294967295"},
      {{"--fps=yes"}, "'--fps=yes': --fps takes no value"},
      {{"--root=1"}, "'--root=1': --root takes no value"},
      {{"--window-id"}, "missing value after '--window-id': --window-id takes a window id, hex like 0x1a00003 or decimal"},
      {{"--window-id", "0x"}, "bad window id '0x': --window-id takes a window id, hex like 0x1a00003 or decimal"},
      {{"--window-id", "12ab"}, "bad window id '12ab': --window-id takes a window id, hex like 0x1a00003 or decimal"},
      {{"--geometry", "640"}, "bad geometry '640': --geometry takes WIDTHxHEIGHT with an optional +X+Y, sides 1 to 32767"},
      {{"--display"}, "missing value after '--display': --display takes a name"},
      {{"--visual="}, "missing value after '--visual=': --visual takes a name"},
      // Bytes that would break the line are shown as '?', long ones cut.
      {{"--bad\nname\x1b"}, "unknown option '--bad?name?'; see navanava --help"},
      // DEL and bytes above ASCII too; blank and '~', the ends of the
      // printable range, stay as they are.
      {{"--del\x7f~ \xe9"}, "unknown option '--del?~ ?'; see navanava --help"},
      {{"--flakes", "\x7f"}, "bad value '?': --flakes N takes a whole number from 0 to 100"},
      {{"--flakes", "1234567890123456789012345678901234567890123"},
       "bad value '1234567890123456789012345678901234567890...': --flakes N takes a whole number from 0 to 100"},
  };
  for (const Case& k : cases) {
    const NativeCommandLine c = Parse(k.args);
    EXPECT_EQ(c.action, NativeAction::kError) << k.args[0];
    EXPECT_STREQ(c.error, k.message) << k.args[0];
  }
}

NativeCommandLine ParseWayland(std::vector<const char*> args) {
  args.insert(args.begin(), "navanava-wayland");
  NativeCommandLine c;
  ParseWaylandCommandLine(static_cast<int>(args.size()), args.data(), &c);
  return c;
}

TEST(WaylandCommandLine, ItsOwnOptionsAndTheSharedOnes) {
  NativeCommandLine c = ParseWayland({});
  ASSERT_EQ(c.action, NativeAction::kRun) << c.error;
  EXPECT_FALSE(c.quit || c.background || c.options.showFps);
  EXPECT_EQ(c.outputName, nullptr);

  c = ParseWayland({"--output", "HEADLESS-2", "--background", "--flakes=100",
                    "--interval", "0", "--seed", "7", "--ticks", "9", "--scale", "2", "--fps"});
  ASSERT_EQ(c.action, NativeAction::kRun) << c.error;
  EXPECT_STREQ(c.outputName, "HEADLESS-2");
  EXPECT_TRUE(c.background && c.options.showFps);
  EXPECT_FALSE(c.quit);
  EXPECT_EQ(c.options.flakeCount, 100);
  EXPECT_EQ(c.options.tickIntervalMs, 0);
  EXPECT_EQ(c.options.seed, 7u);
  EXPECT_EQ(c.options.stopAfterTicks, 9);
  EXPECT_EQ(c.options.pixelScale, 2);
  EXPECT_EQ(ParseWayland({"--version"}).action, NativeAction::kVersion);
  EXPECT_EQ(ParseWayland({"--help"}).action, NativeAction::kHelp);
  c = ParseWayland({"-quit", "--quit"});
  ASSERT_EQ(c.action, NativeAction::kRun) << c.error;
  EXPECT_TRUE(c.quit);
}

TEST(WaylandCommandLine, EachProgramRefusesTheOthersOptions) {
  struct Case {
    bool wayland;
    std::vector<const char*> args;
    const char* message;
  } cases[] = {
      {true, {"--root"}, "unknown option '--root'; see navanava-wayland --help"},
      {true, {"--window-id", "0x400007"}, "unknown option '--window-id'; see navanava-wayland --help"},
      {true, {"--display", ":0"}, "unknown option '--display'; see navanava-wayland --help"},
      {true, {"--output"}, "missing value after '--output': --output takes a name"},
      {true, {"--output="}, "missing value after '--output=': --output takes a name"},
      {true, {"--quit=now"}, "'--quit=now': --quit takes no value"},
      // --quit only ends the running saver: whatever is about running one
      // contradicts it, before or after it.
      {true, {"--quit", "--background"}, "'--background' cannot go with --quit, which takes no other option"},
      {true, {"--output", "DP-1", "--quit"}, "'--output' cannot go with --quit, which takes no other option"},
      {true, {"--quit", "--flakes=5"}, "'--flakes=5' cannot go with --quit, which takes no other option"},
      {true, {"--flakes", "101"}, "bad value '101': --flakes N takes a whole number from 0 to 100"},
      {false, {"--output", "DP-1"}, "unknown option '--output'; see navanava --help"},
      {false, {"--quit"}, "unknown option '--quit'; see navanava --help"},
      {false, {"--background"}, "unknown option '--background'; see navanava --help"},
  };
  for (const Case& k : cases) {
    const NativeCommandLine c = k.wayland ? ParseWayland(k.args) : Parse(k.args);
    EXPECT_EQ(c.action, NativeAction::kError) << k.args[0];
    EXPECT_STREQ(c.error, k.message) << k.args[0];
  }
}

TEST(NativeCommandLine, WindowIds) {
  struct Case {
    const char* text;
    bool ok;
    uint32_t id;
  } cases[] = {
      {"0x1a00003", true, 0x1a00003},  {"0X1A00003", true, 0x1a00003},
      {"27262979", true, 27262979},    {"0xFFFFFFFF", true, 0xFFFFFFFFu},
      {"4294967295", true, 4294967295u}, {"0x0000000000400007", true, 0x400007},
      {"0x100000000", false, 0},       {"4294967296", false, 0},
      {"0", false, 0},                 {"0x0", false, 0},
      {"0x", false, 0},                {"", false, 0},
      {"-5", false, 0},                {"+5", false, 0},
      {" 5", false, 0},                {"0x12g", false, 0},
      {"1e3", false, 0},               {"0x-1", false, 0},
  };
  for (const Case& k : cases) {
    uint32_t id = 0;
    EXPECT_EQ(ParseWindowId(k.text, &id), k.ok) << k.text;
    if (k.ok) {
      EXPECT_EQ(id, k.id) << k.text;
    }
  }
  EXPECT_FALSE(ParseWindowId(nullptr, nullptr));
}

TEST(NativeCommandLine, Geometries) {
  struct Case {
    const char* text;
    bool ok;
    int32_t w, h, x, y;
    bool fromRight, fromBottom;
  } cases[] = {
      {"565x317", true, 565, 317, 0, 0, false, false},
      {"1X1", true, 1, 1, 0, 0, false, false},
      {"32767x32767", true, 32767, 32767, 0, 0, false, false},
      {"640x480+10+20", true, 640, 480, 10, 20, false, false},
      {"640x480-0-5", true, 640, 480, 0, 5, true, true},
      {"0x480", false, 0, 0, 0, 0, false, false},
      {"640x0", false, 0, 0, 0, 0, false, false},
      {"32768x10", false, 0, 0, 0, 0, false, false},
      {"640x480+10", false, 0, 0, 0, 0, false, false},
      {"640x480+10+", false, 0, 0, 0, 0, false, false},
      {"640x480+10+20+", false, 0, 0, 0, 0, false, false},
      {"x480", false, 0, 0, 0, 0, false, false},
      {"640*480", false, 0, 0, 0, 0, false, false},
      {"+10+20", false, 0, 0, 0, 0, false, false},
      {"0000000640x480", false, 0, 0, 0, 0, false, false},
  };
  for (const Case& k : cases) {
    NativeCommandLine c = {};
    EXPECT_EQ(ParseGeometry(k.text, &c), k.ok) << k.text;
    if (!k.ok) {
      EXPECT_FALSE(c.hasGeometry) << k.text;
      continue;
    }
    EXPECT_EQ(c.width, k.w) << k.text;
    EXPECT_EQ(c.height, k.h) << k.text;
    EXPECT_EQ(c.x, k.x) << k.text;
    EXPECT_EQ(c.y, k.y) << k.text;
    EXPECT_EQ(c.xFromRight, k.fromRight) << k.text;
    EXPECT_EQ(c.yFromBottom, k.fromBottom) << k.text;
  }
}

// The settings file as the saver reads it, in a private configuration folder.
class OptionsOverSettings : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/navanava-options-XXXXXX";
    dir_ = mkdtemp(pattern);
    const char* old = std::getenv("XDG_CONFIG_HOME");
    hadOld_ = old != nullptr;
    if (hadOld_) old_ = old;
    setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
    mkdir((dir_ + "/navanava").c_str(), 0700);
  }
  void TearDown() override {
    std::remove((dir_ + "/navanava/control.ini").c_str());
    rmdir((dir_ + "/navanava").c_str());
    rmdir(dir_.c_str());
    if (hadOld_) setenv("XDG_CONFIG_HOME", old_.c_str(), 1);
    else unsetenv("XDG_CONFIG_HOME");
  }
  void Store(const std::string& text) {
    std::ofstream(dir_ + "/navanava/control.ini", std::ios::binary) << text;
  }
  SceneSettings Resolve(std::vector<const char*> args) {
    const NativeCommandLine c = Parse(args);
    EXPECT_EQ(c.action, NativeAction::kRun) << c.error;
    LoadSaverStrings();
    ReadSettings();
    ApplyGivenOptions(c.options, &sceneSettings);
    return sceneSettings;
  }
  std::string dir_, old_;
  bool hadOld_ = false;
};

TEST_F(OptionsOverSettings, GivenOptionsWinAndTheRestComeFromTheFile) {
  Store("[ScreenSaver.NavaNava]\r\n\x91\xAC\x82\xB3=30\r\n\x90\xE1\x82\xCC\x90\x94=50\r\n");
  struct Case {
    std::vector<const char*> args;
    int32_t interval;
    uint8_t flakes;
  } cases[] = {
      {{}, 30, 50},
      {{"--flakes", "20"}, 30, 20},
      {{"--interval=0"}, 0, 50},
      {{"--interval", "1000", "--flakes", "0"}, 1000, 0},
      {{"--seed", "5", "--fps"}, 30, 50},
  };
  for (const Case& k : cases) {
    const SceneSettings s = Resolve(k.args);
    EXPECT_EQ(s.tickIntervalMs, k.interval);
    EXPECT_EQ(s.flakeCount, k.flakes);
  }
}

TEST_F(OptionsOverSettings, WithoutAFileTheDefaultsUnlessGiven) {
  SceneSettings s = Resolve({});
  EXPECT_EQ(s.tickIntervalMs, 10);
  EXPECT_EQ(s.flakeCount, 10);
  s = Resolve({"-flakes", "100"});
  EXPECT_EQ(s.tickIntervalMs, 10);
  EXPECT_EQ(s.flakeCount, 100);
}

}  // namespace
