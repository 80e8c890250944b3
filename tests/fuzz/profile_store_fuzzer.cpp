// Any file text: reading never fails, and writing our keys changes nothing but
// their lines (and a section header when the section is new).
//
// The text is worked on in memory, the way the store's parsing and editing
// see it, so that a long run gets through many millions of inputs. With
// NAVANAVA_FUZZ_FILES=1 (the short run among the tests) every fourth input
// also goes through a real file: reading it with ReadProfileIntFromFile gives
// what the text gives, and WriteProfileTextToFile leaves on disk exactly the
// edited text. The checking code itself is left out of the coverage, which
// is the store's to guide.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "scene/profile_store.h"

// Functions of the checks, not of the store: no coverage feedback.
#define NOT_COVERED __attribute__((no_sanitize("coverage")))

namespace {

const char kSection[] = "ScreenSaver.NavaNava";
const char* const kKeys[] = {"\x91\xAC\x82\xB3", "\x90\xE1\x82\xCC\x90\x94"};
const char* const kUtf8Keys[] = {"\xE9\x80\x9F\xE3\x81\x95",
                                 "\xE9\x9B\xAA\xE3\x81\xAE\xE6\x95\xB0"};

struct Line {
  std::string_view content, ending;
};

// Splits into lines; `lines` is reused from input to input, so a run does
// not allocate for it.
NOT_COVERED void Lines(std::string_view text, std::vector<Line>* lines) {
  lines->clear();
  size_t pos = 0;
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    size_t end = nl == std::string_view::npos ? text.size() : nl + 1;
    std::string_view line = text.substr(pos, end - pos);
    size_t contentLen = line.size();
    if (contentLen && line[contentLen - 1] == '\n') --contentLen;
    if (contentLen && line[contentLen - 1] == '\r' && contentLen < line.size()) --contentLen;
    lines->push_back({line.substr(0, contentLen), line.substr(contentLen)});
    pos = end;
  }
}

NOT_COVERED std::string_view Trim(std::string_view s) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

// Lines that the edit may touch: our key's lines and section headers.
NOT_COVERED bool Touchable(const Line& line, std::string_view key) {
  std::string_view t = Trim(line.content);
  if (!t.empty() && t[0] == '[') return true;
  size_t eq = t.find('=');
  return Trim(eq == std::string_view::npos ? t : t.substr(0, eq)) == key;
}

NOT_COVERED void CheckOnlyKeyLinesChanged(std::string_view before, std::string_view after,
                              std::string_view key) {
  static std::vector<Line> a, b, fa, fb;
  Lines(before, &a);
  Lines(after, &b);
  fa.clear();
  fb.clear();
  bool lastKept = false;  // whether the old file's last line is the last of fa
  for (size_t i = 0; i < a.size(); ++i)
    if (!Touchable(a[i], key)) {
      fa.push_back(a[i]);
      lastKept = i + 1 == a.size();
    }
  for (const Line& l : b)
    if (!Touchable(l, key)) fb.push_back(l);
  if (fa.size() != fb.size()) std::abort();
  for (size_t i = 0; i < fa.size(); ++i) {
    bool oldLast = lastKept && i + 1 == fa.size();
    if (oldLast && fa[i].ending.empty()) {
      // The old last line may gain a line end, and nothing else. A line's
      // content and its end lie side by side in the text.
      std::string_view whole(fb[i].content.data(), fb[i].content.size() + fb[i].ending.size());
      if (whole.substr(0, fa[i].content.size()) != fa[i].content) std::abort();
      std::string_view added = whole.substr(fa[i].content.size());
      if (!added.empty() && added != "\n" && added != "\r\n") std::abort();
      continue;
    }
    if (fa[i].content != fb[i].content || fa[i].ending != fb[i].ending) std::abort();
  }
}

// Problems are whole lines "line N: ..." with no control byte inside.
NOT_COVERED void CheckProblemLines(const std::string& problems) {
  if (!problems.empty() && problems.back() != '\n') std::abort();
  bool lineStart = true;
  for (size_t i = 0; i < problems.size(); ++i) {
    if (lineStart && problems.compare(i, 5, "line ") != 0) std::abort();
    const unsigned char c = static_cast<unsigned char>(problems[i]);
    if (c < 0x20 && c != '\n') std::abort();
    if (c == 0x7F) std::abort();
    lineStart = c == '\n';
  }
}

// The file path, when NAVANAVA_FUZZ_FILES=1: a private folder, on a memory
// file system when there is one (the store syncs what it writes).
const std::string& FileFolder() {
  static const std::string folder = [] {
    const char* on = std::getenv("NAVANAVA_FUZZ_FILES");
    if (on == nullptr || std::strcmp(on, "1") != 0) return std::string();
    struct stat st;
    std::string pattern = stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode)
                              ? "/dev/shm/navanava-fuzz-XXXXXX"
                              : "/tmp/navanava-fuzz-XXXXXX";
    const char* made = mkdtemp(&pattern[0]);
    if (made == nullptr) std::abort();
    return std::string(made);
  }();
  return folder;
}

NOT_COVERED void WriteFile(const std::string& path, std::string_view text) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) std::abort();
  if (!text.empty() && std::fwrite(text.data(), 1, text.size(), f) != text.size()) std::abort();
  if (std::fclose(f) != 0) std::abort();
}

NOT_COVERED std::string ReadFile(const std::string& path) {
  std::string text;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) std::abort();
  char chunk[4096];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) text.append(chunk, n);
  std::fclose(f);
  return text;
}

// What the saver reads from the file and what it leaves there after a write.
void CheckThroughAFile(std::string_view text, const char* key, const std::string& number,
                       const std::string& after) {
  const std::string path = FileFolder() + "/control.ini";
  WriteFile(path, text);
  for (const char* k : kKeys) {
    std::string value;
    const uint32_t fromText =
        FindProfileValue(text, kSection, k, &value) ? ParseProfileInt(value, 77) : 77;
    if (ReadProfileIntFromFile(path.c_str(), kSection, k, 77) != fromText) std::abort();
  }
  if (!WriteProfileTextToFile(path.c_str(), kSection, key, number.c_str())) std::abort();
  if (ReadFile(path) != after) std::abort();
  if (ReadProfileIntFromFile(path.c_str(), kSection, key, 77) !=
      ParseProfileInt(number, 77)) {
    std::abort();
  }
  unlink(path.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);

  // Both keys as the saver reads them.
  static std::string before[2];
  bool found[2];
  for (int k = 0; k < 2; ++k) {
    before[k].clear();
    found[k] = FindProfileValue(text, kSection, kKeys[k], &before[k]);
    if (found[k]) {
      if (before[k].size() > 29) std::abort();
      ParseProfileInt(before[k], 10);
    }
  }
  ParseProfileInt(text, 10);

  // Both spellings with the problems named: each problem one line of its
  // own, and a code page 932 value read as above where no UTF-8 one is.
  static std::string problems;
  problems.clear();
  ProfileKey keys[2] = {{kKeys[0], kUtf8Keys[0], false, 0}, {kKeys[1], kUtf8Keys[1], false, 0}};
  ReadProfileKeys(text, kSection, keys, 2, &problems);
  CheckProblemLines(problems);
  for (int k = 0; k < 2; ++k) {
    if (keys[k].found && text.find(kUtf8Keys[k]) == std::string_view::npos &&
        keys[k].value != ParseProfileInt(before[k], 10)) {
      std::abort();
    }
  }

  // Values that the saver writes: unsigned decimals.
  const std::string number = std::to_string(size * 2654435761u % 4294967296u);
  const char* key = kKeys[size % 2];
  const std::string after = SetProfileValue(text, kSection, key, number);
  static std::string value;
  if (!FindProfileValue(after, kSection, key, &value) || value != number) std::abort();
  if (SetProfileValue(after, kSection, key, number) != after) std::abort();
  CheckOnlyKeyLinesChanged(text, after, key);
  // The other key reads as before.
  const int other = static_cast<int>((size + 1) % 2);
  value.clear();
  if (FindProfileValue(after, kSection, kKeys[other], &value) != found[other] ||
      value != before[other]) {
    std::abort();
  }

  static unsigned inputs = 0;
  if (!FileFolder().empty() && inputs++ % 4 == 0) CheckThroughAFile(text, key, number, after);
  return 0;
}
