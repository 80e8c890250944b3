// Any command line: the entry's scan stays inside the text, picks the job by
// the first byte after the separators, and reads the handle's digits exactly.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host/command_line.h"

namespace {

// Code page 932 stepping as CharNextA does it: a lead byte takes the next byte
// with it, unless that is the terminating zero.
const char* NextCharCp932(const char* text) {
  unsigned char c = static_cast<unsigned char>(*text);
  if (c == 0) return text;
  bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
  if (lead && text[1] != 0) return text + 2;
  return text + 1;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

void CheckLine(const std::string& line, NextCharFn next) {
  const char* begin = line.c_str();
  const char* end = begin + line.size();
  const char* args = SkipProgramName(begin, next);
  Check(args >= begin && args <= end);
  // Nothing but bytes above 0x20 may start the arguments.
  Check(*args == 0 || static_cast<unsigned char>(*args) > 0x20);

  SwitchScan scan = ScanSwitch(args);
  Check(scan.rest >= args && scan.rest <= end);
  const char* p = args;
  while (*p == ' ' || *p == '-' || *p == '/') ++p;
  SaverJob expected;
  switch (*p) {
    case 0: expected = SaverJob::SettingsNoOwner; break;
    case 'a': case 'A': expected = SaverJob::ChangePassword; break;
    case 'c': case 'C': expected = SaverJob::SettingsForegroundOwner; break;
    case 'l': case 'L': case 'p': case 'P': expected = SaverJob::Preview; break;
    case 's': case 'S': expected = SaverJob::FullScreen; break;
    default: expected = SaverJob::Unknown;
  }
  Check(scan.job == expected);
  if (expected == SaverJob::Preview || expected == SaverJob::ChangePassword) {
    const char* q = p + 1;
    while (*q == ' ') ++q;
    Check(scan.rest == q);
    uint32_t value = 0;
    for (const char* d = q; *d >= '0' && *d <= '9'; ++d) value = value * 10u + uint32_t(*d - '0');
    Check(ParseWindowHandle(scan.rest) == value);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The platform's command line is a zero-terminated string: stop at a zero.
  std::string line(reinterpret_cast<const char*>(data), size);
  line = line.c_str();
  CheckLine(line, NextByte);
  CheckLine(line, NextCharCp932);
  return 0;
}
