// The exit codes as the X11 and Wayland programs' --help prints them and as
// their manual pages list them: the same codes with the same words.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "host/exit_codes.h"

namespace {

// Runs of blanks and line breaks as one blank, none at either end; the
// manual pages' "\-" as a plain hyphen.
std::string Squeezed(std::string text) {
  for (size_t at = text.find("\\-"); at != std::string::npos; at = text.find("\\-", at))
    text.erase(at, 1);
  std::string out;
  for (char c : text) {
    const bool blank = c == ' ' || c == '\n' || c == '\t';
    if (blank) {
      if (!out.empty() && out.back() != ' ') out += ' ';
    } else {
      out += c;
    }
  }
  if (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

// The EXIT STATUS section of a manual page: each ".TP" entry's tag line (the
// code) and the text under it, joined.
std::map<int, std::string> ManualExitCodes(const std::string& path) {
  std::ifstream in(path);
  std::map<int, std::string> codes;
  std::string line;
  bool inSection = false;
  int code = -1;
  bool tagNext = false;
  while (std::getline(in, line)) {
    if (line.rfind(".SH", 0) == 0) {
      inSection = line.find("EXIT STATUS") != std::string::npos;
      code = -1;
      continue;
    }
    if (!inSection) continue;
    if (line.rfind(".TP", 0) == 0) {
      tagNext = true;
    } else if (tagNext) {
      code = std::atoi(line.c_str());
      codes[code];
      tagNext = false;
    } else if (code >= 0) {
      codes[code] += line + " ";
    }
  }
  for (auto& entry : codes) entry.second = Squeezed(entry.second);
  return codes;
}

std::string SourceDir() {
  const char* dir = std::getenv("NAVANAVA_SOURCE_DIR");
  return dir != nullptr ? dir : ".";
}

struct Program {
  const char* manualPage;
  const ExitCodeMeaning* codes;
  int count;
};

const Program kPrograms[] = {
    {"packaging/navanava.6", kX11ExitCodes, kX11ExitCodeCount},
    {"packaging/navanava-wayland.1", kWaylandExitCodes, kWaylandExitCodeCount},
};

TEST(ExitCodes, ManualPagesListTheSameCodesAndWords) {
  for (const Program& program : kPrograms) {
    SCOPED_TRACE(program.manualPage);
    const std::map<int, std::string> manual = ManualExitCodes(SourceDir() + "/" + program.manualPage);
    ASSERT_EQ(manual.size(), static_cast<size_t>(program.count));
    for (int i = 0; i < program.count; ++i) {
      const auto found = manual.find(program.codes[i].code);
      ASSERT_NE(found, manual.end()) << "code " << program.codes[i].code;
      EXPECT_EQ(found->second, program.codes[i].meaning) << "code " << program.codes[i].code;
    }
  }
}

TEST(ExitCodes, HelpListsEveryCodeWithItsWords) {
  for (const Program& program : kPrograms) {
    SCOPED_TRACE(program.manualPage);
    char text[2048];
    const size_t length = FormatExitCodes(program.codes, program.count, text, sizeof text);
    ASSERT_EQ(length, std::strlen(text));
    std::istringstream lines(text);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "Exit codes:");
    std::map<int, std::string> listed;
    int code = -1;
    while (std::getline(lines, line)) {
      EXPECT_LE(line.size(), 79u) << line;
      if (line.size() > 2 && line[2] != ' ') code = line[2] - '0';
      listed[code] += line.substr(6) + " ";
    }
    ASSERT_EQ(listed.size(), static_cast<size_t>(program.count));
    for (int i = 0; i < program.count; ++i) {
      EXPECT_EQ(Squeezed(listed[program.codes[i].code]), program.codes[i].meaning);
    }
  }
}

TEST(ExitCodes, FormatStopsAtTheBuffersEnd) {
  char small[20];
  const size_t length = FormatExitCodes(kX11ExitCodes, kX11ExitCodeCount, small, sizeof small);
  EXPECT_EQ(length, sizeof small - 1);
  EXPECT_EQ(std::strlen(small), sizeof small - 1);
}

}  // namespace
