#include "scene/profile_store.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The platform reads a value into a 30-character buffer.
constexpr size_t kValueLimit = 29;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

// One line of the file: [begin, contentEnd) is its text without the line end,
// [contentEnd, end) its "\n" or "\r\n" (empty on a last line without one).
struct Line {
  size_t begin, contentEnd, end;
};

bool NextLine(std::string_view text, size_t pos, Line* line) {
  if (pos >= text.size()) return false;
  size_t nl = text.find('\n', pos);
  line->begin = pos;
  if (nl == std::string_view::npos) {
    line->contentEnd = line->end = text.size();
  } else {
    line->end = nl + 1;
    line->contentEnd = (nl > pos && text[nl - 1] == '\r') ? nl - 1 : nl;
  }
  return true;
}

// A section header line gives its name: the text between '[' and the first ']'.
bool SectionName(std::string_view content, std::string_view* name) {
  std::string_view t = Trim(content);
  if (t.empty() || t.front() != '[') return false;
  size_t close = t.find(']');
  *name = Trim(close == std::string_view::npos ? t.substr(1) : t.substr(1, close - 1));
  return true;
}

// A key line gives its key (blanks trimmed) and, when it has '=', its value.
bool KeyLine(std::string_view content, std::string_view* key, std::string_view* value,
             bool* hasValue) {
  std::string_view t = Trim(content);
  if (t.empty()) return false;
  size_t eq = t.find('=');
  *hasValue = eq != std::string_view::npos;
  *key = Trim(*hasValue ? t.substr(0, eq) : t);
  *value = *hasValue ? Trim(t.substr(eq + 1)) : std::string_view();
  return true;
}

struct KeyPlace {
  bool sectionFound = false;
  bool keyFound = false;
  Line keyLine{};
  size_t sectionEnd = 0;  // end of the section's last non-blank line
};

KeyPlace Locate(std::string_view text, std::string_view section, std::string_view key) {
  KeyPlace place;
  bool inSection = false;
  Line line;
  for (size_t pos = 0; NextLine(text, pos, &line); pos = line.end) {
    std::string_view content = text.substr(line.begin, line.contentEnd - line.begin);
    std::string_view name;
    if (SectionName(content, &name)) {
      if (inSection) break;  // only the first section of that name counts
      if (EqualIgnoringAsciiCase(name, section)) {
        inSection = place.sectionFound = true;
        place.sectionEnd = line.end;
      }
      continue;
    }
    if (!inSection) continue;
    std::string_view k, v;
    bool hasValue;
    if (!KeyLine(content, &k, &v, &hasValue)) continue;
    place.sectionEnd = line.end;
    if (!place.keyFound && k == key) {
      place.keyFound = true;
      place.keyLine = line;
    }
  }
  return place;
}

// The file's own line end, from its first line; a file without one gets the
// platform's "\r\n".
const char* LineEndOf(std::string_view text) {
  size_t nl = text.find('\n');
  if (nl == std::string_view::npos) return "\r\n";
  return (nl > 0 && text[nl - 1] == '\r') ? "\r\n" : "\n";
}

}  // namespace

bool FindProfileValue(std::string_view text, std::string_view section, std::string_view key,
                      std::string* value) {
  KeyPlace place = Locate(text, section, key);
  if (!place.keyFound) return false;
  std::string_view k, v;
  bool hasValue;
  KeyLine(text.substr(place.keyLine.begin, place.keyLine.contentEnd - place.keyLine.begin), &k,
          &v, &hasValue);
  if (v.size() > 1 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    v = v.substr(1, v.size() - 2);
  *value = std::string(v.substr(0, kValueLimit));
  return true;
}

uint32_t ParseProfileInt(std::string_view value, uint32_t defaultValue) {
  if (value.empty()) return defaultValue;
  size_t i = 0;
  while (i < value.size() && static_cast<unsigned char>(value[i]) <= ' ') ++i;
  bool negative = false;
  if (i < value.size() && (value[i] == '+' || value[i] == '-')) negative = value[i++] == '-';
  uint32_t base = 10;
  if (i + 1 < value.size() && value[i] == '0') {
    char p = value[i + 1];
    if (p == 'x') base = 16;
    else if (p == 'o') base = 8;
    else if (p == 'b') base = 2;
    if (base != 10) i += 2;
  }
  uint32_t total = 0;
  for (; i < value.size(); ++i) {
    char c = value[i];
    uint32_t digit;
    if (c >= '0' && c <= '9') digit = static_cast<uint32_t>(c - '0');
    else if (c >= 'A' && c <= 'Z') digit = static_cast<uint32_t>(c - 'A' + 10);
    else if (c >= 'a' && c <= 'z') digit = static_cast<uint32_t>(c - 'a' + 10);
    else break;
    if (digit >= base) break;
    total = total * base + digit;
  }
  return negative ? 0u - total : total;
}

namespace {

// Whether the platform's reading of `value` finds a digit at all (else it
// reads 0 from words and the default from nothing).
bool HasDigitToRead(std::string_view value) {
  size_t i = 0;
  while (i < value.size() && static_cast<unsigned char>(value[i]) <= ' ') ++i;
  if (i < value.size() && (value[i] == '+' || value[i] == '-')) ++i;
  uint32_t base = 10;
  if (i + 1 < value.size() && value[i] == '0') {
    const char p = value[i + 1];
    base = p == 'x' ? 16 : p == 'o' ? 8 : p == 'b' ? 2 : 10;
    if (base != 10) {
      i += 2;
    } else {
      return true;  // the 0 itself
    }
  }
  if (i >= value.size()) return false;
  const char c = value[i];
  uint32_t digit = 99;
  if (c >= '0' && c <= '9') digit = static_cast<uint32_t>(c - '0');
  else if (c >= 'A' && c <= 'Z') digit = static_cast<uint32_t>(c - 'A' + 10);
  else if (c >= 'a' && c <= 'z') digit = static_cast<uint32_t>(c - 'a' + 10);
  return digit < base;
}

// Length of the well-formed UTF-8 sequence of a printable character at
// `p`, or 0.
size_t Utf8Length(std::string_view s, size_t p) {
  const unsigned char c = static_cast<unsigned char>(s[p]);
  if (c >= 0x20 && c < 0x7F) return 1;
  size_t n = 0;
  uint32_t min = 0;
  if (c >= 0xC2 && c <= 0xDF) n = 2, min = 0x80;
  else if (c >= 0xE0 && c <= 0xEF) n = 3, min = 0x800;
  else if (c >= 0xF0 && c <= 0xF4) n = 4, min = 0x10000;
  else return 0;
  if (p + n > s.size()) return 0;
  uint32_t code = c & (0x7F >> n);
  for (size_t k = 1; k < n; ++k) {
    const unsigned char d = static_cast<unsigned char>(s[p + k]);
    if ((d & 0xC0) != 0x80) return 0;
    code = (code << 6) | (d & 0x3F);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return code < 0xA0 ? 0 : n;  // C1 controls are not printable
}

// `s` for a message line: printable UTF-8 as it is, other bytes as \xNN,
// at most about 40 characters.
void AppendShown(std::string_view s, std::string* out) {
  size_t shown = 0;
  for (size_t p = 0; p < s.size();) {
    if (++shown > 40) {
      out->append("...");
      return;
    }
    const size_t n = Utf8Length(s, p);
    if (n > 0) {
      out->append(s.substr(p, n));
      p += n;
    } else {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(s[p]));
      out->append(hex);
      ++p;
    }
  }
}

void AppendProblem(size_t lineNumber, std::string* problems) {
  problems->append("line ").append(std::to_string(lineNumber)).append(": ");
}

}  // namespace

void ReadProfileKeys(std::string_view text, std::string_view section, ProfileKey* keys, int count,
                     std::string* problems) {
  // Per key and spelling: seen at all, and the value read.
  constexpr int kMaxKeys = 8;
  bool seen[kMaxKeys][2] = {};
  bool readable[kMaxKeys][2] = {};
  uint32_t values[kMaxKeys][2] = {};
  if (count > kMaxKeys) count = kMaxKeys;
  bool inSection = false;
  size_t lineNumber = 0;
  Line line;
  for (size_t pos = 0; NextLine(text, pos, &line); pos = line.end) {
    ++lineNumber;
    const std::string_view content = text.substr(line.begin, line.contentEnd - line.begin);
    std::string_view name;
    if (SectionName(content, &name)) {
      if (inSection) break;  // only the first section of that name counts
      inSection = EqualIgnoringAsciiCase(name, section);
      continue;
    }
    if (!inSection) continue;
    const std::string_view t = Trim(content);
    if (t.empty() || t.front() == ';' || t.front() == '#') continue;
    std::string_view k, v;
    bool hasValue;
    KeyLine(content, &k, &v, &hasValue);
    int key = -1, spelling = 0;
    for (int i = 0; i < count && key < 0; ++i) {
      if (k == keys[i].cp932) key = i, spelling = 0;
      else if (k == keys[i].utf8) key = i, spelling = 1;
    }
    if (key < 0) {
      AppendProblem(lineNumber, problems);
      problems->append("unknown key \"");
      AppendShown(k, problems);
      problems->append("\" in [");
      AppendShown(section, problems);
      problems->append("], ignored\n");
      continue;
    }
    const char* spelled = spelling == 0 ? " (in code page 932)" : "";
    if (seen[key][spelling]) {
      AppendProblem(lineNumber, problems);
      problems->append(keys[key].utf8).append(spelled).append(" again, ignored (the first counts)\n");
      continue;
    }
    seen[key][spelling] = true;
    if (v.size() > 1 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
      v = v.substr(1, v.size() - 2);
    v = v.substr(0, kValueLimit);
    if (!HasDigitToRead(v)) {
      AppendProblem(lineNumber, problems);
      problems->append(keys[key].utf8).append(spelled);
      if (v.empty()) {
        problems->append(" has no value, ignored\n");
      } else {
        problems->append(" = \"");
        AppendShown(v, problems);
        problems->append("\" is no number, ignored\n");
      }
      continue;
    }
    readable[key][spelling] = true;
    values[key][spelling] = ParseProfileInt(v, 0);
  }
  for (int i = 0; i < count; ++i) {
    const int spelling = readable[i][1] ? 1 : 0;
    keys[i].found = readable[i][spelling];
    keys[i].value = keys[i].found ? values[i][spelling] : 0;
  }
}

std::string SetProfileValue(std::string_view text, std::string_view section,
                            std::string_view key, std::string_view value) {
  KeyPlace place = Locate(text, section, key);
  const char* eol = LineEndOf(text);
  std::string entry = std::string(key) + "=" + std::string(value);
  std::string out;
  out.reserve(text.size() + entry.size() + section.size() + 8);
  if (place.keyFound) {
    out.append(text.substr(0, place.keyLine.begin));
    out.append(entry);
    out.append(text.substr(place.keyLine.contentEnd));
  } else if (place.sectionFound) {
    size_t at = place.sectionEnd;
    out.append(text.substr(0, at));
    if (at > 0 && text[at - 1] != '\n') out.append(eol);  // section ends the file without a line end
    out.append(entry).append(eol);
    out.append(text.substr(at));
  } else {
    out.append(text);
    if (!text.empty() && text.back() != '\n') out.append(eol);
    out.append("[").append(section).append("]").append(eol);
    out.append(entry).append(eol);
  }
  return out;
}

namespace {

bool ReadWholeFile(const char* path, std::string* text) {
  FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  char chunk[4096];
  size_t n;
  text->clear();
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) text->append(chunk, n);
  bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

bool MakeDirectories(const std::string& dir) {
  if (dir.empty()) return true;
  struct stat st;
  if (stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  size_t slash = dir.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !MakeDirectories(dir.substr(0, slash)))
    return false;
  return mkdir(dir.c_str(), 0755) == 0 || errno == EEXIST;
}

bool WriteAll(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

bool ReadProfileFile(const char* path, std::string* text) { return ReadWholeFile(path, text); }

uint32_t ReadProfileIntFromFile(const char* path, const char* section, const char* key,
                                uint32_t defaultValue) {
  std::string text, value;
  if (!ReadWholeFile(path, &text)) return defaultValue;
  if (!FindProfileValue(text, section, key, &value)) return defaultValue;
  return ParseProfileInt(value, defaultValue);
}

bool WriteProfileTextToFile(const char* path, const char* section, const char* key,
                            const char* text) {
  std::string p(path), old;
  size_t slash = p.find_last_of('/');
  std::string dir = slash == std::string::npos ? std::string(".") : p.substr(0, slash);
  if (slash != std::string::npos && !MakeDirectories(dir)) return false;
  if (!ReadWholeFile(path, &old)) {
    struct stat st;
    if (stat(path, &st) == 0) return false;  // exists but unreadable: never replace it blindly
    old.clear();
  }
  std::string updated = SetProfileValue(old, section, key, text);
  if (updated == old) return true;

  std::string temp = p + ".XXXXXX";
  int fd = mkstemp(&temp[0]);
  if (fd < 0) return false;
  struct stat st;
  fchmod(fd, stat(path, &st) == 0 ? (st.st_mode & 07777) : 0644);
  bool ok = WriteAll(fd, updated) && fsync(fd) == 0;
  ok = (close(fd) == 0) && ok;
  if (ok && std::rename(temp.c_str(), path) == 0) {
    int dfd = open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
      fsync(dfd);
      close(dfd);
    }
    return true;
  }
  unlink(temp.c_str());
  return false;
}

std::string PortableProfilePath(const char* fileName) {
  const char* base = std::strrchr(fileName, '/');
  base = base ? base + 1 : fileName;
  if (!*base || std::strcmp(base, ".") == 0 || std::strcmp(base, "..") == 0) base = "control.ini";
  std::string dir;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && *xdg == '/') {
    dir = xdg;
  } else {
    const char* home = std::getenv("HOME");
    dir = std::string(home && *home ? home : ".") + "/.config";
  }
  return dir + "/navanava/" + base;
}
