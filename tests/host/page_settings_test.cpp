// How the web page reads its stored settings and the options of its address:
// stored texts as the Windows saver reads its settings file, shared options
// by their own rules, and nothing that a visitor can type is an error.
#include <gtest/gtest.h>

#include <string>

#include "web/page_settings.h"

namespace {

struct StoredCase {
  std::string text;
  uint32_t expected;  // with a default of 10
};

TEST(PageSettings, StoredTextsReadAsTheSettingsFileDoes) {
  const StoredCase cases[] = {
      {"20", 20},
      {"0", 0},
      {"", 10},
      {"   ", 10},
      {" 30 ", 30},
      {"abc", 0},
      {"12abc", 12},
      {"-1", 4294967295u},
      {"+15", 15},
      {"0x1A", 26},
      {"0b101", 5},
      {"4294967296", 0},
      {"99999999999", 1215752191u},
      {"\"25\"", 25},
      {"'35'", 35},
      {"1.5", 1},
      {"\xEF\xBC\x91\xEF\xBC\x90", 0},  // full-width digits in UTF-8
      {"0000000000000000000000000000123", 1},  // only 29 characters count
      {"        0000000000000000000000000000123", 1},  // after the blanks
      // Only the first line counts, as in a file.
      {"7\n8", 7},
      {"\n8", 10},
      {"9\r\n[x]\r\nv=5", 9},
      {std::string("4\0" "2", 3), 4},
      {std::string(100000, '9'), 2684354559u},  // 29 nines, wrapped
  };
  for (const StoredCase& c : cases) {
    EXPECT_EQ(ReadStoredNumber(c.text, 10), c.expected) << "text: " << c.text.substr(0, 40);
  }
}

struct OptionCase {
  const char* name;
  std::string value;
  bool taken;
};

TEST(PageSettings, AddressOptionsAreTakenOrIgnored) {
  const OptionCase cases[] = {
      {"interval", "50", true},   {"interval", "", false},     {"interval", "abc", true},
      {"flakes", "100", true},    {"flakes", "", false},       {"seed", "7", true},
      {"seed", "-7", false},      {"seed", "4294967296", false}, {"seed", "", false},
      {"ticks", "0", false},      {"ticks", "300", true},      {"ticks", "3e2", false},
      {"scale", "8", true},       {"scale", "9", false},       {"scale", " 2", false},
      {"fps", "", true},          {"fps", "no", true},         {"speed", "5", false},
      {"Flakes", "5", false},     {"", "", false},
      {"seed", std::string("7\0" "1", 3), false},
      {"seed", std::string(5000, '1'), false},
  };
  for (const OptionCase& c : cases) {
    SaverOptions o;
    ClearSaverOptions(&o);
    EXPECT_EQ(ApplyPageOption(&o, c.name, c.value), c.taken)
        << c.name << "=" << c.value.substr(0, 20);
  }
  SaverOptions o;
  ClearSaverOptions(&o);
  EXPECT_FALSE(ApplyPageOption(&o, std::string(5000, 's'), "1"));
}

TEST(PageSettings, SettingOptionsReadLikeStoredTexts) {
  SaverOptions o;
  ClearSaverOptions(&o);
  ASSERT_TRUE(ApplyPageOption(&o, "interval", "-1"));
  EXPECT_TRUE(o.hasTickInterval);
  EXPECT_EQ(o.tickIntervalMs, -1);  // the unsigned reading kept bit for bit
  EXPECT_EQ(EffectiveTickIntervalMs(o.tickIntervalMs), 10);
  ASSERT_TRUE(ApplyPageOption(&o, "interval", "5000"));
  EXPECT_EQ(o.tickIntervalMs, 5000);  // taken as the file would give it
  ASSERT_TRUE(ApplyPageOption(&o, "flakes", "300"));
  EXPECT_TRUE(o.hasFlakeCount);
  EXPECT_EQ(o.flakeCount, 44);  // the low 8 bits
  ASSERT_TRUE(ApplyPageOption(&o, "flakes", "255"));
  EXPECT_EQ(o.flakeCount, 255);  // the scene then uses 100
  ASSERT_TRUE(ApplyPageOption(&o, "flakes", "xyz"));
  EXPECT_EQ(o.flakeCount, 0);
  // An empty value leaves what was there.
  EXPECT_FALSE(ApplyPageOption(&o, "interval", ""));
  EXPECT_EQ(o.tickIntervalMs, 5000);
}

TEST(PageSettings, RefusedSharedOptionsKeepTheEarlierValue) {
  SaverOptions o;
  ClearSaverOptions(&o);
  ASSERT_TRUE(ApplyPageOption(&o, "seed", "4000000000"));
  ASSERT_TRUE(ApplyPageOption(&o, "ticks", "300"));
  ASSERT_TRUE(ApplyPageOption(&o, "scale", "3"));
  EXPECT_FALSE(ApplyPageOption(&o, "seed", "x"));
  EXPECT_FALSE(ApplyPageOption(&o, "ticks", "-5"));
  EXPECT_FALSE(ApplyPageOption(&o, "scale", "99"));
  EXPECT_TRUE(o.hasSeed);
  EXPECT_EQ(o.seed, 4000000000u);
  EXPECT_EQ(o.stopAfterTicks, 300);
  EXPECT_EQ(o.pixelScale, 3);
  EXPECT_FALSE(o.hasTickInterval || o.hasFlakeCount || o.showFps);
}

}  // namespace
