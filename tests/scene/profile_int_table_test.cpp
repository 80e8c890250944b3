// How a stored value reads as a number. The expectations are what the
// platform's GetPrivateProfileIntA returns; the same table runs against the
// platform in the Windows build and against the portable store natively.
#include <gtest/gtest.h>

#include <string>

#include "tests/scene/profile_test_support.h"

namespace {

const char kSection[] = "ScreenSaver.NavaNava";
const char kKey[] = "\x91\xAC\x82\xB3";  // "速さ" in code page 932
constexpr uint32_t kDefault = 10;

struct ValueCase {
  const char* line;  // the key's whole line as stored, or nullptr for no line
  uint32_t expected;
};

const ValueCase kValueCases[] = {
    {nullptr, kDefault},
    {"\x91\xAC\x82\xB3=20", 20},
    {"\x91\xAC\x82\xB3=0", 0},
    {"\x91\xAC\x82\xB3=007", 7},
    {"\x91\xAC\x82\xB3=", kDefault},
    {"\x91\xAC\x82\xB3=   ", kDefault},
    {"\x91\xAC\x82\xB3", kDefault},
    {"\x91\xAC\x82\xB3 = 30 ", 30},
    {"  \x91\xAC\x82\xB3\t=\t40", 40},
    {"\x91\xAC\x82\xB3=abc", 0},
    {"\x91\xAC\x82\xB3=12abc", 12},
    {"\x91\xAC\x82\xB3=1 2", 1},
    {"\x91\xAC\x82\xB3=+15", 15},
    {"\x91\xAC\x82\xB3=-1", 4294967295u},
    {"\x91\xAC\x82\xB3=-20", 4294967276u},
    {"\x91\xAC\x82\xB3=--5", 0},
    {"\x91\xAC\x82\xB3=0x1A", 26},
    {"\x91\xAC\x82\xB3=0X1A", 0},
    {"\x91\xAC\x82\xB3=0o17", 15},
    {"\x91\xAC\x82\xB3=0b101", 5},
    {"\x91\xAC\x82\xB3=0x", 0},
    {"\x91\xAC\x82\xB3=4294967295", 4294967295u},
    {"\x91\xAC\x82\xB3=4294967296", 0},
    {"\x91\xAC\x82\xB3=4294967306", 10},
    {"\x91\xAC\x82\xB3=99999999999", 1215752191u},
    {"\x91\xAC\x82\xB3=\"25\"", 25},
    {"\x91\xAC\x82\xB3='35'", 35},
    {"\x91\xAC\x82\xB3=\"\"", kDefault},
    {"\x91\xAC\x82\xB3=\"45", 0},
    {"\x91\xAC\x82\xB3=1.5", 1},
    {"\x91\xAC\x82\xB3=\x82\x50\x82\x4F", 0},  // full-width digits "１０"
    {"\x91\xAC\x82\xB3="
     "0000000000000000000000000000123", 1},  // only 29 characters are read
    {"\xE9\x80\x9F\xE3\x81\x95=50", kDefault},  // the key's UTF-8 bytes: another key
};

class ProfileIntTable : public ::testing::Test {
 protected:
  void SetUp() override { path_ = ScratchProfilePath("table.ini"); }
  void TearDown() override { RemoveFile(path_); }
  std::string path_;
};

TEST_F(ProfileIntTable, ValueReadsAsThePlatformReadsIt) {
  for (const ValueCase& c : kValueCases) {
    std::string text = "[Other]\r\nx=1\r\n[ScreenSaver.NavaNava]\r\n";
    if (c.line) text += std::string(c.line) + "\r\n";
    text += "[Later]\r\ny=2\r\n";
    WriteFileBytes(path_, text);
    EXPECT_EQ(PlatformReadProfileInt(path_, kSection, kKey, kDefault), c.expected)
        << "line: " << (c.line ? c.line : "(none)");
  }
}

TEST_F(ProfileIntTable, MissingFileGivesDefaultAndIsNotCreated) {
  EXPECT_EQ(PlatformReadProfileInt(path_, kSection, kKey, kDefault), kDefault);
  std::string bytes;
  EXPECT_FALSE(ReadFileBytes(path_, &bytes));
}

struct LayoutCase {
  const char* name;
  const char* text;
  uint32_t expected;
};

const LayoutCase kLayoutCases[] = {
    {"LF line ends", "[ScreenSaver.NavaNava]\n\x91\xAC\x82\xB3=60\n", 60},
    {"no final line end", "[ScreenSaver.NavaNava]\r\n\x91\xAC\x82\xB3=61", 61},
    {"section name in other case", "[screensaver.navanava]\r\n\x91\xAC\x82\xB3=62\r\n", 62},
    {"key in another section only", "[Other]\r\n\x91\xAC\x82\xB3=63\r\n", kDefault},
    {"first of two equal keys", "[ScreenSaver.NavaNava]\r\n\x91\xAC\x82\xB3=64\r\n\x91\xAC\x82\xB3=65\r\n", 64},
    {"blanks around the section name", "[ ScreenSaver.NavaNava ]\r\n\x91\xAC\x82\xB3=66\r\n", 66},
    {"comment line before the key", "[ScreenSaver.NavaNava]\r\n;note\r\n\x91\xAC\x82\xB3=67\r\n", 67},
};

TEST_F(ProfileIntTable, FileLayoutsReadAsThePlatformReadsThem) {
  for (const LayoutCase& c : kLayoutCases) {
    WriteFileBytes(path_, c.text);
    EXPECT_EQ(PlatformReadProfileInt(path_, kSection, kKey, kDefault), c.expected) << c.name;
  }
}

}  // namespace
