#include "host/command_line.h"

const char* NextByte(const char* text) { return *text ? text + 1 : text; }

const char* SkipProgramName(const char* commandLine, NextCharFn next) {
  const char* p = commandLine;
  auto byte = [&p] { return static_cast<unsigned char>(*p); };
  if (byte() == '"') {
    // The quoted name may hold blanks; it ends at the closing quote.
    p = next(p);
    while (byte() != 0 && byte() != '"') p = next(p);
    if (byte() == '"') p = next(p);
  } else if (byte() > ' ') {
    while (byte() > ' ') p = next(p);
  }
  while (byte() != 0 && byte() <= ' ') p = next(p);
  return p;
}

namespace {

const char* SkipBlanks(const char* p) {
  while (*p == ' ') ++p;
  return p;
}

}  // namespace

SwitchScan ScanSwitch(const char* commandLine) {
  for (const char* p = commandLine;; ++p) {
    switch (*p) {
      case '\0':
        return {SaverJob::SettingsNoOwner, p};
      case ' ':
      case '-':
      case '/':
        continue;
      case 'A':
      case 'a':
        return {SaverJob::ChangePassword, SkipBlanks(p + 1)};
      case 'C':
      case 'c':
        return {SaverJob::SettingsForegroundOwner, p};
      case 'L':
      case 'l':
      case 'P':
      case 'p':
        return {SaverJob::Preview, SkipBlanks(p + 1)};
      case 'S':
      case 's':
        return {SaverJob::FullScreen, p};
      default:
        return {SaverJob::Unknown, p};
    }
  }
}

uint32_t ParseWindowHandle(const char* text) {
  uint32_t value = 0;
  for (const char* p = text; *p >= '0' && *p <= '9'; ++p)
    value = value * 10u + static_cast<uint32_t>(*p - '0');
  return value;
}
