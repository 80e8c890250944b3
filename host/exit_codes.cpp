#include "host/exit_codes.h"

#include <cstring>

const ExitCodeMeaning kX11ExitCodes[] = {
    {kExitDone,
     "ended by SIGTERM, SIGINT or SIGHUP, or in its own window by q, Escape or the close button"},
    {kExitBadCommandLine,
     "a bad command line (one line on standard error says what and the valid form)"},
    {kExitNoDisplay, "the display cannot be opened"},
    {kExitWindowGone, "the window was destroyed, or the given window does not exist"},
    {kExitConnectionLost, "the connection to the X server was lost"},
    {kExitXError, "the X server reported an error"},
    {kExitCannotDraw, "the window's visual cannot be drawn on, or memory ran out"},
};
const int kX11ExitCodeCount = sizeof kX11ExitCodes / sizeof kX11ExitCodes[0];

const ExitCodeMeaning kWaylandExitCodes[] = {
    {kExitDone,
     "ended by input, SIGTERM, SIGINT or SIGHUP, or by --quit; also a start while another "
     "saver runs in the session, and --quit once the saver is gone or when none runs"},
    {kExitBadCommandLine,
     "a bad command line (one line on standard error says what and the valid form)"},
    {kExitNoDisplay, "no Wayland compositor can be reached"},
    {kExitConnectionLost, "the connection to the compositor was lost"},
    {kExitXError, "the compositor reported a protocol error"},
    {kExitCannotDraw,
     "memory or shared memory ran out, or the compositor lacks wl_shm or wl_compositor "
     "version 4"},
    {kExitNoLayerShell,
     "the compositor offers no wlr-layer-shell (one line on standard error names what the "
     "saver needs)"},
    {kExitNoInstanceLock,
     "no one-saver lock can be had, so no saver starts; or --quit could not reach the running "
     "saver or had to kill it (one line on standard error says which)"},
};
const int kWaylandExitCodeCount = sizeof kWaylandExitCodes / sizeof kWaylandExitCodes[0];

namespace {

constexpr size_t kColumns = 79;
constexpr size_t kIndent = 6;  // "  N   " before the meaning

struct Writer {
  char* buffer;
  size_t capacity, length;

  void Put(const char* text, size_t n) {
    for (size_t i = 0; i < n && length + 1 < capacity; ++i) buffer[length++] = text[i];
    if (capacity > 0) buffer[length] = '\0';
  }
};

}  // namespace

const char* ExitCodeMeaningOf(const ExitCodeMeaning* codes, int count, int code) {
  for (int i = 0; i < count; ++i) {
    if (codes[i].code == code) return codes[i].meaning;
  }
  return nullptr;
}

size_t FormatExitCodes(const ExitCodeMeaning* codes, int count, char* buffer, size_t capacity) {
  Writer out{buffer, capacity, 0};
  if (capacity > 0) buffer[0] = '\0';
  out.Put("Exit codes:\n", 12);
  for (int i = 0; i < count; ++i) {
    char head[kIndent + 1] = "      ";
    head[2] = static_cast<char>('0' + codes[i].code % 10);
    out.Put(head, kIndent);
    // Word by word, breaking before a word that would pass the last column.
    size_t column = kIndent;
    const char* p = codes[i].meaning;
    while (*p != '\0') {
      const char* end = std::strchr(p, ' ');
      const size_t word = end != nullptr ? static_cast<size_t>(end - p) : std::strlen(p);
      if (column > kIndent && column + 1 + word > kColumns) {
        out.Put("\n      ", 1 + kIndent);
        column = kIndent;
      } else if (column > kIndent) {
        out.Put(" ", 1);
        ++column;
      }
      out.Put(p, word);
      column += word;
      p += word;
      while (*p == ' ') ++p;
    }
    out.Put("\n", 1);
  }
  return out.length;
}
