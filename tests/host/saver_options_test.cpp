// The options shared by the native X11 program and the web page: names,
// values, ranges and what each failure is called.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/saver_options.h"

namespace {

TEST(SaverOptions, TableOfValues) {
  struct Case {
    const char* name;
    const char* value;
    OptionStatus status;
  } cases[] = {
      {"interval", "0", OptionStatus::kDone},      {"interval", "1000", OptionStatus::kDone},
      {"interval", "1001", OptionStatus::kBadValue}, {"interval", "-1", OptionStatus::kBadValue},
      {"interval", "+5", OptionStatus::kBadValue}, {"interval", " 5", OptionStatus::kBadValue},
      {"interval", "5ms", OptionStatus::kBadValue}, {"interval", "", OptionStatus::kBadValue},
      {"interval", "0x10", OptionStatus::kBadValue}, {"interval", nullptr, OptionStatus::kMissingValue},
      {"flakes", "100", OptionStatus::kDone},      {"flakes", "101", OptionStatus::kBadValue},
      {"flakes", "00000000000000000007", OptionStatus::kBadValue},
      {"seed", "4294967295", OptionStatus::kDone}, {"seed", "4294967296", OptionStatus::kBadValue},
      {"seed", "99999999999", OptionStatus::kBadValue},
      {"ticks", "0", OptionStatus::kBadValue},     {"ticks", "1", OptionStatus::kDone},
      {"ticks", "2147483647", OptionStatus::kDone}, {"ticks", "2147483648", OptionStatus::kBadValue},
      {"scale", "0", OptionStatus::kDone},         {"scale", "8", OptionStatus::kDone},
      {"scale", "9", OptionStatus::kBadValue},     {"fps", nullptr, OptionStatus::kDone},
      {"speed", "5", OptionStatus::kUnknown},      {"", "5", OptionStatus::kUnknown},
      {"Flakes", "5", OptionStatus::kUnknown},
  };
  for (const Case& c : cases) {
    SaverOptions o;
    ClearSaverOptions(&o);
    EXPECT_EQ(ApplySaverOption(&o, c.name, c.value), c.status)
        << c.name << " " << (c.value ? c.value : "(none)");
  }
}

TEST(SaverOptions, ValuesLandInTheirFieldsAndOthersStayUnset) {
  SaverOptions o;
  ClearSaverOptions(&o);
  EXPECT_FALSE(o.hasTickInterval || o.hasFlakeCount || o.hasSeed || o.showFps);
  ASSERT_EQ(ApplySaverOption(&o, "flakes", "42"), OptionStatus::kDone);
  EXPECT_TRUE(o.hasFlakeCount);
  EXPECT_EQ(o.flakeCount, 42);
  EXPECT_FALSE(o.hasTickInterval);
  ASSERT_EQ(ApplySaverOption(&o, "interval", "7"), OptionStatus::kDone);
  ASSERT_EQ(ApplySaverOption(&o, "seed", "4000000000"), OptionStatus::kDone);
  ASSERT_EQ(ApplySaverOption(&o, "ticks", "300"), OptionStatus::kDone);
  ASSERT_EQ(ApplySaverOption(&o, "scale", "2"), OptionStatus::kDone);
  ASSERT_EQ(ApplySaverOption(&o, "fps", nullptr), OptionStatus::kDone);
  EXPECT_EQ(o.tickIntervalMs, 7);
  EXPECT_EQ(o.seed, 4000000000u);
  EXPECT_EQ(o.stopAfterTicks, 300);
  EXPECT_EQ(o.pixelScale, 2);
  EXPECT_TRUE(o.showFps);
  // A refused value leaves the earlier one.
  EXPECT_EQ(ApplySaverOption(&o, "flakes", "500"), OptionStatus::kBadValue);
  EXPECT_EQ(o.flakeCount, 42);
  EXPECT_TRUE(SaverOptionTakesValue("seed"));
  EXPECT_FALSE(SaverOptionTakesValue("fps"));
  EXPECT_FALSE(SaverOptionTakesValue("nonsense"));
}

TEST(SaverOptions, DescriptionsAndTheShortestInterval) {
  char text[80];
  DescribeSaverOption("flakes", text, sizeof text);
  EXPECT_STREQ(text, "--flakes N takes a whole number from 0 to 100");
  DescribeSaverOption("fps", text, sizeof text);
  EXPECT_STREQ(text, "--fps takes no value");
  char tiny[6];
  DescribeSaverOption("interval", tiny, sizeof tiny);
  EXPECT_STREQ(tiny, "--int");
  EXPECT_EQ(EffectiveTickIntervalMs(0), 10);
  EXPECT_EQ(EffectiveTickIntervalMs(-5), 10);
  EXPECT_EQ(EffectiveTickIntervalMs(9), 10);
  EXPECT_EQ(EffectiveTickIntervalMs(10), 10);
  EXPECT_EQ(EffectiveTickIntervalMs(250), 250);
}

// Each option's help line names the largest value the option takes, so the
// help cannot drift from the limits the options are checked against.
TEST(SaverOptions, HelpNamesEachLimit) {
  const char* names[] = {"interval", "flakes", "ticks", "scale"};
  for (const char* name : names) {
    char rule[120];
    DescribeSaverOption(name, rule, sizeof rule);
    const std::string described(rule);
    const std::string largest = described.substr(described.rfind(' ') + 1);
    const std::string help(kSaverOptionsHelp);
    const size_t at = help.find(std::string("--") + name + " ");
    ASSERT_NE(at, std::string::npos) << name;
    const std::string line = help.substr(at, help.find('\n', at) - at);
    EXPECT_NE(line.find(" to " + largest), std::string::npos) << line << " / " << described;
  }
}

}  // namespace
