// The command-line scan and the dismissal arithmetic, without the window
// system: program-name skipping, switch letters, handle digits, the mouse
// threshold and the 200 ms rule.
#include <gtest/gtest.h>

#include <string>

#include "host/command_line.h"
#include "host/dismissal_rules.h"

namespace {

// A stand-in for CharNextA in code page 932: a lead byte (0x81..0x9F,
// 0xE0..0xFC) and the byte after it are one character.
const char* NextCp932Char(const char* text) {
  unsigned char b = static_cast<unsigned char>(*text);
  if (b == 0) return text;
  bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
  if (lead && text[1] != 0) return text + 2;
  return text + 1;
}

std::string AfterName(const char* line, NextCharFn next = NextByte) {
  return SkipProgramName(line, next);
}

TEST(SkipProgramName, SkipsNameAndSeparatorsBehindIt) {
  struct Case {
    const char* line;
    const char* rest;
  } cases[] = {
      {"navanava.scr /s", "/s"},
      {"navanava.scr", ""},
      {"", ""},
      {"\"C:\\Program Files\\navanava.scr\" /p 123", "/p 123"},
      {"\"C:\\a b\\n.scr\"/s", "/s"},             // no blank after the quote
      {"\"C:\\unterminated /s", ""},              // the quote never closes
      {"\"\" /c", "/c"},                          // an empty quoted name
      {"n.scr \t \x01/s rest", "/s rest"},        // tabs and controls are separators here
      {"n.scr    ", ""},
      {"  /s", "/s"},                             // no name: only the blanks go
      {"\xE9\x80\x9F.scr /a", "/a"},              // a high byte is part of the name
  };
  for (const Case& c : cases) EXPECT_EQ(AfterName(c.line), c.rest) << c.line;
}

TEST(SkipProgramName, StepsByTheGivenCharacterFunction) {
  // A lead byte takes the byte after it along, even a quote or a blank, as
  // CharNextA does: the name's scan never looks at a trail byte on its own.
  EXPECT_EQ(AfterName("\"ab\x81\" /s", NextByte), "/s");
  EXPECT_EQ(AfterName("\"ab\x81\" /s", NextCp932Char), "");
  EXPECT_EQ(AfterName("ab\x88 /s", NextCp932Char), "");
  EXPECT_EQ(AfterName("\x88\x40\x88\x41.scr /l 5", NextCp932Char), "/l 5");
  // A lead byte just before the end does not step past the terminator.
  EXPECT_EQ(AfterName("\"\x88", NextCp932Char), "");
  EXPECT_EQ(AfterName("\x88", NextCp932Char), "");
}

TEST(ScanSwitch, FindsTheFirstLetterAfterSeparators) {
  struct Case {
    const char* line;
    SaverJob job;
    const char* rest;
  } cases[] = {
      {"", SaverJob::SettingsNoOwner, ""},
      {" -/ -//", SaverJob::SettingsNoOwner, ""},
      {"s", SaverJob::FullScreen, "s"},
      {"/S", SaverJob::FullScreen, "S"},
      {"/- /s whatever 12", SaverJob::FullScreen, "s whatever 12"},
      {"c", SaverJob::SettingsForegroundOwner, "c"},
      {"/C:1234", SaverJob::SettingsForegroundOwner, "C:1234"},
      {"/p 1234", SaverJob::Preview, "1234"},
      {"-P   99 x", SaverJob::Preview, "99 x"},
      {"/l 77", SaverJob::Preview, "77"},
      {"L", SaverJob::Preview, ""},
      {"/p:1234", SaverJob::Preview, ":1234"},
      {"/p\t12", SaverJob::Preview, "\t12"},  // only the blank is skipped
      {"/a", SaverJob::ChangePassword, ""},
      {"/A  4660", SaverJob::ChangePassword, "4660"},
      {"/x", SaverJob::Unknown, "x"},
      {"/1", SaverJob::Unknown, "1"},
      {"\t/s", SaverJob::Unknown, "\t/s"},  // after the entry, a tab is no separator
      {"/\x82\xA0", SaverJob::Unknown, "\x82\xA0"},
      {"/ \x7F", SaverJob::Unknown, "\x7F"},
      {"sp", SaverJob::FullScreen, "sp"},
  };
  for (const Case& c : cases) {
    SwitchScan scan = ScanSwitch(c.line);
    EXPECT_EQ(static_cast<int>(scan.job), static_cast<int>(c.job)) << c.line;
    EXPECT_STREQ(scan.rest, c.rest) << c.line;
  }
}

TEST(ParseWindowHandle, ReadsLeadingDigitsAndWraps) {
  struct Case {
    const char* text;
    uint32_t value;
  } cases[] = {
      {"", 0},
      {"0", 0},
      {"1234", 1234},
      {"0042x", 42},
      {"65580 rest", 65580},
      {":1234", 0},         // the colon ends the number before any digit
      {" 12", 0},           // no leading blanks
      {"-12", 0},           // no sign
      {"+12", 0},
      {"0x1F", 0},          // no hexadecimal form
      {"12\x82\x4F", 12},   // a high byte ends it
      {"4294967295", 4294967295u},
      {"4294967296", 0},    // wraps in 32 bits
      {"4294967297", 1},
      {"99999999999", 1215752191u},  // 99999999999 mod 2^32
  };
  for (const Case& c : cases) EXPECT_EQ(ParseWindowHandle(c.text), c.value) << c.text;
}

TEST(MouseThreshold, ClosesOnlyBeyondFourPixelsManhattan) {
  struct Case {
    int32_t dx, dy;
    bool closes;
  } cases[] = {
      {0, 0, false}, {4, 0, false}, {0, -4, false}, {2, 2, false}, {-2, 2, false},
      {5, 0, true},  {3, 2, true},  {-3, -2, true}, {0, 5, true},  {-1, -4, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MovedBeyondThreshold(100, 200, 100 + c.dx, 200 + c.dy), c.closes)
        << c.dx << "," << c.dy;
  }
  // Far-apart extremes do not overflow into a small distance.
  EXPECT_TRUE(MovedBeyondThreshold(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX));
  EXPECT_TRUE(MovedBeyondThreshold(INT32_MAX, 0, INT32_MIN, 0));
}

TEST(VerifyInterval, RefusesWithin200MsOfTheLastDialogAcrossTheWrap) {
  struct Case {
    uint32_t last, now;
    bool within;
  } cases[] = {
      {kNoVerificationYet, 0, false},
      {kNoVerificationYet, kNoVerificationYet, false},
      {1000, 1000, true},
      {1000, 1150, true},
      {1000, 1199, true},
      {1000, 1200, false},
      {1000, 1250, false},
      {0xFFFFFFF0u, 0x00000050u, true},   // 96 ms, across the wrap
      {0xFFFFFF80u, 0x00000047u, true},   // 199 ms
      {0xFFFFFF80u, 0x00000048u, false},  // 200 ms
      {0xFFFFFFFEu, 0x00000000u, true},   // the mark itself is the only value never "last"
      {1000, 999, false},                 // a counter that went back reads as long ago
  };
  for (const Case& c : cases)
    EXPECT_EQ(WithinVerifyInterval(c.last, c.now), c.within) << c.last << " " << c.now;
}

}  // namespace
