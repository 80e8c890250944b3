// Any file text: reading never fails, and writing our keys changes nothing but
// their lines (and a section header when the section is new).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "scene/profile_store.h"

namespace {

const char kSection[] = "ScreenSaver.NavaNava";
const std::string kKeys[] = {"\x91\xAC\x82\xB3", "\x90\xE1\x82\xCC\x90\x94"};

struct Line {
  std::string content, ending;
};

std::vector<Line> Lines(std::string_view text) {
  std::vector<Line> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    size_t end = nl == std::string_view::npos ? text.size() : nl + 1;
    std::string_view line = text.substr(pos, end - pos);
    size_t contentLen = line.size();
    if (contentLen && line[contentLen - 1] == '\n') --contentLen;
    if (contentLen && line[contentLen - 1] == '\r' && contentLen < line.size()) --contentLen;
    lines.push_back({std::string(line.substr(0, contentLen)), std::string(line.substr(contentLen))});
    pos = end;
  }
  return lines;
}

std::string Trim(std::string s) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; };
  while (!s.empty() && blank(s.front())) s.erase(s.begin());
  while (!s.empty() && blank(s.back())) s.pop_back();
  return s;
}

// Lines that the edit may touch: our key's lines and section headers.
bool Touchable(const Line& line, const std::string& key) {
  std::string t = Trim(line.content);
  if (!t.empty() && t[0] == '[') return true;
  size_t eq = t.find('=');
  return Trim(eq == std::string::npos ? t : t.substr(0, eq)) == key;
}

void CheckOnlyKeyLinesChanged(std::string_view before, std::string_view after,
                              const std::string& key) {
  std::vector<Line> a = Lines(before), b = Lines(after);
  std::vector<Line> fa, fb;
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
      // The old last line may gain a line end, and nothing else.
      std::string whole = fb[i].content + fb[i].ending;
      if (whole.compare(0, fa[i].content.size(), fa[i].content) != 0) std::abort();
      std::string added = whole.substr(fa[i].content.size());
      if (!added.empty() && added != "\n" && added != "\r\n") std::abort();
      continue;
    }
    if (fa[i].content != fb[i].content || fa[i].ending != fb[i].ending) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);

  for (const std::string& key : kKeys) {
    std::string value;
    if (FindProfileValue(text, kSection, key, &value)) {
      if (value.size() > 29) std::abort();
      ParseProfileInt(value, 10);
    }
  }
  ParseProfileInt(text, 10);

  // Values that the saver writes: unsigned decimals.
  std::string number = std::to_string(size * 2654435761u % 4294967296u);
  const std::string& key = kKeys[size % 2];
  std::string after = SetProfileValue(text, kSection, key, number);
  std::string found;
  if (!FindProfileValue(after, kSection, key, &found) || found != number) std::abort();
  if (SetProfileValue(after, kSection, key, number) != after) std::abort();
  CheckOnlyKeyLinesChanged(text, after, key);
  // The other key reads as before.
  const std::string& other = kKeys[(size + 1) % 2];
  std::string v1, v2;
  bool f1 = FindProfileValue(text, kSection, other, &v1);
  bool f2 = FindProfileValue(after, kSection, other, &v2);
  if (f1 != f2 || v1 != v2) std::abort();
  return 0;
}
