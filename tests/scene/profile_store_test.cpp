// The portable profile store: edits that change one line and nothing else,
// and a file that is always wholly old or wholly new, even when the writer is
// killed half-way or the directory is unusable.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "scene/profile_store.h"
#include "scene/settings.h"
#include "tests/scene/profile_test_support.h"

namespace {

const char kSection[] = "ScreenSaver.NavaNava";
const std::string kSpeed = "\x91\xAC\x82\xB3";

struct EditCase {
  const char* name;
  std::string before;
  std::string after;  // after setting kSpeed to "20"
};

TEST(ProfileEdit, ChangesOnlyTheKeyLine) {
  const std::string k = kSpeed;
  const EditCase cases[] = {
      {"empty file", "", "[ScreenSaver.NavaNava]\r\n" + k + "=20\r\n"},
      {"key replaced in place, LF kept",
       "; comment\n[A]\nx=1\n\n[ScreenSaver.NavaNava]\nfoo=bar\n" + k + " = 5 \nz=2\n\n[B]\ny=3",
       "; comment\n[A]\nx=1\n\n[ScreenSaver.NavaNava]\nfoo=bar\n" + k + "=20\nz=2\n\n[B]\ny=3"},
      {"last line without line end", "[ScreenSaver.NavaNava]\r\n" + k + "=5",
       "[ScreenSaver.NavaNava]\r\n" + k + "=20"},
      {"key added after the section's last line, before blank lines",
       "[ScreenSaver.NavaNava]\r\nfoo=bar\r\n\r\n;c\r\n\r\n[B]\r\ny=3\r\n",
       "[ScreenSaver.NavaNava]\r\nfoo=bar\r\n\r\n;c\r\n" + k + "=20\r\n\r\n[B]\r\ny=3\r\n"},
      {"key added to a section that ends the file without a line end",
       "[ScreenSaver.NavaNava]\nfoo=bar", "[ScreenSaver.NavaNava]\nfoo=bar\n" + k + "=20\n"},
      {"section added, file's LF kept", "[A]\nx=1\n", "[A]\nx=1\n[ScreenSaver.NavaNava]\n" + k + "=20\n"},
      {"section added after a last line without line end", "[A]\r\nx=1",
       "[A]\r\nx=1\r\n[ScreenSaver.NavaNava]\r\n" + k + "=20\r\n"},
      {"section matched in another case", "[screensaver.NAVANAVA]\r\n" + k + "=5\r\n",
       "[screensaver.NAVANAVA]\r\n" + k + "=20\r\n"},
      {"first of two equal keys", "[ScreenSaver.NavaNava]\r\n" + k + "=1\r\n" + k + "=2\r\n",
       "[ScreenSaver.NavaNava]\r\n" + k + "=20\r\n" + k + "=2\r\n"},
      {"same key in another section untouched", "[Other]\r\n" + k + "=1\r\n",
       "[Other]\r\n" + k + "=1\r\n[ScreenSaver.NavaNava]\r\n" + k + "=20\r\n"},
      {"UTF-8 spelling is another key", "[ScreenSaver.NavaNava]\r\n\xE9\x80\x9F\xE3\x81\x95=1\r\n",
       "[ScreenSaver.NavaNava]\r\n\xE9\x80\x9F\xE3\x81\x95=1\r\n" + k + "=20\r\n"},
  };
  for (const EditCase& c : cases) {
    EXPECT_EQ(SetProfileValue(c.before, kSection, kSpeed, "20"), c.after) << c.name;
    std::string value;
    ASSERT_TRUE(FindProfileValue(c.after, kSection, kSpeed, &value)) << c.name;
    EXPECT_EQ(value, "20") << c.name;
  }
}

// The keys as a Linux editor writes them (UTF-8) and as Windows writes them
// (code page 932), mixed, with what the programs outside Windows read and
// the problems they name.
TEST(ProfileKeys, BothSpellingsAreReadAndEveryProblemIsNamed) {
  const std::string cpSpeed = kSpeed, cpCount = "\x90\xE1\x82\xCC\x90\x94";
  const std::string u8Speed = "\xE9\x80\x9F\xE3\x81\x95";              // 速さ
  const std::string u8Count = "\xE9\x9B\xAA\xE3\x81\xAE\xE6\x95\xB0";  // 雪の数
  struct Case {
    const char* name;
    std::string text;
    int speed, flakes;  // -1: not found
    std::string problems;
  } cases[] = {
      {"UTF-8 only", "[ScreenSaver.NavaNava]\n" + u8Count + "=100\n" + u8Speed + " = 20\n", 20, 100,
       ""},
      {"code page 932 only, CRLF", "[screensaver.navanava]\r\n" + cpSpeed + "=30\r\n" + cpCount +
       "=50\r\n", 30, 50, ""},
      {"both spellings: UTF-8 wins whatever the order",
       "[ScreenSaver.NavaNava]\n" + u8Count + "=70\n" + cpCount + "=40\n" + cpSpeed + "=15\n" +
           u8Speed + "=25\n",
       25, 70, ""},
      {"an unreadable UTF-8 value leaves the other spelling",
       "[ScreenSaver.NavaNava]\n" + cpCount + "=40\n" + u8Count + "=many\n", -1, 40,
       "line 3: " + u8Count + " = \"many\" is no number, ignored\n"},
      {"unknown keys, empty values, repeats; comments and other sections are quiet",
       "; settings\n[Other]\nspeed=1\n[ScreenSaver.NavaNava]\n# note\nspeed=5\n" + u8Speed +
           "=\n" + u8Count + "=12\n" + u8Count + "=13\n\x91\xAC=1\n",
       -1, 12,
       "line 6: unknown key \"speed\" in [ScreenSaver.NavaNava], ignored\n"
       "line 7: " + u8Speed + " has no value, ignored\n"
       "line 9: " + u8Count + " again, ignored (the first counts)\n"
       "line 10: unknown key \"\\x91\\xAC\" in [ScreenSaver.NavaNava], ignored\n"},
      {"the platform's number forms still read", "[ScreenSaver.NavaNava]\n" + u8Speed +
       "=0x14\n" + u8Count + "=\"12abc\"\n" + cpCount + "=-\n", 20, 12,
       "line 4: " + u8Count + " (in code page 932) = \"-\" is no number, ignored\n"},
      {"only the first section of the name", "[ScreenSaver.NavaNava]\n[ScreenSaver.NavaNava]\n" +
       u8Count + "=3\n", -1, -1, ""},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    ProfileKey keys[2] = {{kSpeed.c_str(), u8Speed.c_str(), false, 0},
                          {cpCount.c_str(), u8Count.c_str(), false, 0}};
    std::string problems;
    ReadProfileKeys(k.text, kSection, keys, 2, &problems);
    EXPECT_EQ(keys[0].found ? static_cast<int>(keys[0].value) : -1, k.speed);
    EXPECT_EQ(keys[1].found ? static_cast<int>(keys[1].value) : -1, k.flakes);
    EXPECT_EQ(problems, k.problems);
  }
}

class ProfileFile : public ::testing::Test {
 protected:
  void SetUp() override { path_ = ScratchProfilePath("store.ini"); }
  void TearDown() override { RemoveFile(path_); }
  std::string path_;
};

TEST_F(ProfileFile, WriteCreatesDirectoriesAndReadsBack) {
  std::string nested = ScratchProfilePath("a") + "/b/c/control.ini";
  ASSERT_TRUE(WriteProfileTextToFile(nested.c_str(), kSection, kSpeed.c_str(), "42"));
  EXPECT_EQ(ReadProfileIntFromFile(nested.c_str(), kSection, kSpeed.c_str(), 10), 42u);
  if (std::system(("rm -rf '" + ScratchProfilePath("a") + "'").c_str()) != 0) {}  // cleanup; a failure changes nothing
}

TEST_F(ProfileFile, UnusableDirectoriesGiveDefaultsAndKeepTheRecord) {
  // A file where a directory should be, and a directory where the file should be.
  std::string blocker = ScratchProfilePath("blocker");
  WriteFileBytes(blocker, "x");
  std::string underFile = blocker + "/control.ini";
  EXPECT_EQ(ReadProfileIntFromFile(underFile.c_str(), kSection, kSpeed.c_str(), 10), 10u);
  EXPECT_FALSE(WriteProfileTextToFile(underFile.c_str(), kSection, kSpeed.c_str(), "5"));

  std::string dirAsFile = ScratchProfilePath("dir.ini");
  ASSERT_EQ(mkdir(dirAsFile.c_str(), 0755), 0);
  EXPECT_EQ(ReadProfileIntFromFile(dirAsFile.c_str(), kSection, kSpeed.c_str(), 10), 10u);
  EXPECT_FALSE(WriteProfileTextToFile(dirAsFile.c_str(), kSection, kSpeed.c_str(), "5"));
  rmdir(dirAsFile.c_str());
  RemoveFile(blocker);

  // Through the settings operations, with the configuration directory inside
  // a file: defaults on read, the record unchanged by a failed write.
  std::string saved = getenv("XDG_CONFIG_HOME") ? getenv("XDG_CONFIG_HOME") : "";
  WriteFileBytes(blocker, "x");
  setenv("XDG_CONFIG_HOME", blocker.c_str(), 1);
  LoadSaverStrings();
  sceneSettings = {55, 66};
  ReadSettings();
  EXPECT_EQ(sceneSettings.tickIntervalMs, 10);
  EXPECT_EQ(sceneSettings.flakeCount, 10);
  sceneSettings = {30, 40};
  WriteSettings();
  EXPECT_EQ(sceneSettings.tickIntervalMs, 30);
  EXPECT_EQ(sceneSettings.flakeCount, 40);
  setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  RemoveFile(blocker);
}

TEST_F(ProfileFile, KilledWriterLeavesTheFileWhollyOldOrWhollyNew) {
  // A large file makes each write take long enough to be interrupted.
  std::string old = "[ScreenSaver.NavaNava]\r\n" + kSpeed + "=1\r\n[Filler]\r\n";
  for (int i = 0; i < 40000; ++i) old += "key" + std::to_string(i) + "=value of some length\r\n";
  const std::string updated = SetProfileValue(old, kSection, kSpeed, "99");
  // How long one whole write takes in a child on this machine, now: the
  // kills are spread over one and a half times that.
  auto startWriter = [&]() {
    pid_t child = fork();
    if (child == 0) {
      WriteProfileTextToFile(path_.c_str(), kSection, kSpeed.c_str(), "99");
      _exit(0);
    }
    return child;
  };
  WriteFileBytes(path_, old);
  auto t0 = std::chrono::steady_clock::now();
  pid_t timed = startWriter();
  ASSERT_GE(timed, 0);
  waitpid(timed, nullptr, 0);
  long writeMicros = static_cast<long>(std::chrono::duration_cast<std::chrono::microseconds>(
                                           std::chrono::steady_clock::now() - t0).count());
  srand(12345);
  int sawOld = 0, sawNew = 0;
  for (int round = 0; round < 60; ++round) {
    WriteFileBytes(path_, old);
    pid_t child = startWriter();
    ASSERT_GE(child, 0);
    usleep(static_cast<useconds_t>(rand() % (writeMicros * 3 / 2 + 1)));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    std::string now;
    ASSERT_TRUE(ReadFileBytes(path_, &now));
    ASSERT_TRUE(now == old || now == updated) << "round " << round << ": " << now.size() << " bytes";
    (now == old ? sawOld : sawNew)++;
  }
  // Both outcomes were reached, so the kill really landed at different points.
  EXPECT_GT(sawOld, 0);
  EXPECT_GT(sawNew, 0);
  if (std::system(("rm -f '" + path_ + "'.??????").c_str()) != 0) {}  // cleanup; a failure changes nothing
}

}  // namespace
