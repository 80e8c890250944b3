// The program's resources as the platform loads them from the built module:
// the string table under code page 932, dialog template 2003 control by
// control, the four sprite bitmaps under language 1041, icon 105 present and
// icon 100 absent.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "render/sprite_decode.h"
#include "scene/saver_strings.h"

namespace {

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

const WORD kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);  // 1041

std::string ToCodePage932(const wchar_t* text, int length) {
  int n = WideCharToMultiByte(932, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(932, 0, text, length, &s[0], n, nullptr, nullptr);
  return s;
}

TEST(StringTable, LoadStringATextsAreTheProgramsTable) {
  ASSERT_EQ(GetACP(), 932u) << "the tests run under a Japanese locale";
  ASSERT_EQ(kSaverStringCount, 5);
  for (int i = 0; i < kSaverStringCount; ++i) {
    const SaverString& s = kSaverStrings[i];
    char buffer[256];
    int n = LoadStringA(Instance(), s.id, buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer, n > 0 ? n : 0), s.text) << "string " << s.id;
    // The stored UTF-16 text, converted by code page 932 whatever the
    // process's code page.
    const wchar_t* wide = nullptr;
    int wideLength = LoadStringW(Instance(), s.id, reinterpret_cast<wchar_t*>(&wide), 0);
    ASSERT_GT(wideLength, 0) << "string " << s.id;
    EXPECT_EQ(ToCodePage932(wide, wideLength), s.text) << "string " << s.id;
  }
  char buffer[64];
  for (UINT absent : {1000u, 1003u, 1006u, 1010u}) EXPECT_EQ(LoadStringA(Instance(), absent, buffer, 64), 0) << absent;
}

TEST(StringTable, LoadStringACutsALongTextToTheBuffer) {
  // 1008 is 36 bytes: a buffer of 13 gets 12 of them and the zero.
  char buffer[13];
  std::memset(buffer, 'x', sizeof buffer);
  int n = LoadStringA(Instance(), kStringNoMemoryForHelp, buffer, sizeof buffer);
  EXPECT_LE(n, 12);
  EXPECT_EQ(buffer[n], '\0');
  EXPECT_EQ(std::string(buffer, n), std::string(FindSaverString(kStringNoMemoryForHelp), n));
}

// A reader of a DLGTEMPLATE and its DLGITEMTEMPLATEs.
class TemplateReader {
 public:
  TemplateReader(const BYTE* data, DWORD size) : data_(data), size_(size) {}
  bool ok() const { return ok_; }
  size_t offset() const { return at_; }
  void AlignTo4() { at_ = (at_ + 3) & ~size_t{3}; }
  WORD Word() {
    if (at_ + 2 > size_) {
      ok_ = false;
      return 0;
    }
    WORD w = static_cast<WORD>(data_[at_] | data_[at_ + 1] << 8);
    at_ += 2;
    return w;
  }
  DWORD Dword() {
    DWORD lo = Word();
    return lo | static_cast<DWORD>(Word()) << 16;
  }
  short Short() { return static_cast<short>(Word()); }
  // A zero-terminated UTF-16 text in code page 932.
  std::string Text() {
    std::wstring w;
    while (WORD c = Word()) w += static_cast<wchar_t>(c);
    return ToCodePage932(w.data(), static_cast<int>(w.size()));
  }
  // A text or an ordinal (0xFFFF then the number, shown as "#number").
  std::string TextOrOrdinal() {
    size_t start = at_;
    if (Word() == 0xFFFF) return "#" + std::to_string(Word());
    at_ = start;
    return Text();
  }

 private:
  const BYTE* data_;
  DWORD size_;
  size_t at_ = 0;
  bool ok_ = true;
};

struct ControlSpec {
  WORD id;
  const char* className;
  const char* text;  // "#n" for an ordinal
  short x, y, cx, cy;
  DWORD style;
};

// Template 2003, in template order (Japanese texts in code page 932).
const ControlSpec kControls[] = {
    {1, "BUTTON", "OK", 182, 9, 36, 12, 0x50010001},
    {2, "BUTTON", "Cancel", 182, 29, 36, 12, 0x50010000},
    {0xFFFF, "STATIC", "\x91\xAC\x82\xA2", 156, 13, 18, 8, 0x50020000},             // 速い
    {0xFFFF, "STATIC", "\x92\x78\x82\xA2", 9, 13, 18, 8, 0x50020000},               // 遅い
    {1009, "msctls_trackbar32", "Slider1", 29, 11, 124, 12, 0x50010001},
    {0xFFFF, "STATIC", "#105", 10, 69, 20, 20, 0x50000003},
    {1010, "msctls_trackbar32", "Slider1", 30, 39, 124, 12, 0x50010001},
    {0xFFFF, "STATIC", "\x8F\xAD\x82\xC8\x82\xA2", 5, 41, 29, 9, 0x50020000},       // 少ない
    {0xFFFF, "STATIC", "\x91\xBD\x82\xA2", 155, 42, 18, 10, 0x50020000},            // 多い
    {0xFFFF, "STATIC", "0                                  100", 36, 52, 120, 9, 0x50020000},
    {0xFFFF, "STATIC", "(C) 2026 NavaNava", 117, 84, 90, 8, 0x50020000},
    {0xFFFF, "BUTTON", "\x91\xAC\x82\xB3", 3, 4, 172, 23, 0x50000307},              // 速さ
    {0xFFFF, "BUTTON", "\x90\xE1\x82\xCC\x90\x94", 3, 31, 172, 32, 0x50000307},     // 雪の数
    {0xFFFF, "STATIC", "Design: Nava Art", 55, 95, 65, 8, 0x50020000},
    {0xFFFF, "STATIC", "Program: Nava Team", 125, 95, 86, 8, 0x50020000},
    // ナバセーバー Version 0.991  for Windows95
    {0xFFFF, "STATIC",
     "\x83\x69\x83\x6F\x83\x5A\x81\x5B\x83\x6F\x81\x5B Version 0.991  for Windows95", 39, 74,
     177, 8, 0x50020000},
    {3, "BUTTON", "Default", 182, 49, 36, 12, 0x50010000},
};

// Predefined control classes may be stored as ordinals. Class names are
// matched without regard to case by the window manager, and the resource
// compiler stores them upper-cased ("MSCTLS_TRACKBAR32"), so they are
// compared in lower case.
std::string ClassName(const std::string& stored) {
  if (stored == "#128") return "button";
  if (stored == "#130") return "static";
  std::string lower = stored;
  for (char& ch : lower)
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  return lower;
}

std::string Lower(const char* s) { return ClassName(s); }

TEST(DialogTemplate, Template2003HasItsStyleTitleFontAndControlsInOrder) {
  HRSRC found = FindResourceA(Instance(), MAKEINTRESOURCEA(2003), MAKEINTRESOURCEA(5));
  ASSERT_NE(found, nullptr);
  DWORD size = SizeofResource(Instance(), found);
  const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(Instance(), found)));
  ASSERT_NE(data, nullptr);
  TemplateReader r(data, size);
  EXPECT_EQ(r.Dword(), 0x90C800C0u);  // style
  EXPECT_EQ(r.Dword(), 0u);           // extended style
  WORD count = r.Word();
  EXPECT_EQ(count, sizeof kControls / sizeof kControls[0]);
  EXPECT_EQ(r.Short(), 34);
  EXPECT_EQ(r.Short(), 32);
  EXPECT_EQ(r.Short(), 227);
  EXPECT_EQ(r.Short(), 108);
  EXPECT_EQ(r.TextOrOrdinal(), "");  // no menu
  EXPECT_EQ(r.TextOrOrdinal(), "");  // the standard dialog class
  EXPECT_EQ(r.Text(), "\x83\x69\x83\x6F\x83\x5A\x81\x5B\x83\x6F\x81\x5B\x90\xDD\x92\xE8");  // ナバセーバー設定
  EXPECT_EQ(r.Word(), 8);  // DS_SETFONT: point size, then the face
  EXPECT_EQ(r.Text(), "system");
  for (WORD i = 0; i < count && i < sizeof kControls / sizeof kControls[0]; ++i) {
    const ControlSpec& c = kControls[i];
    SCOPED_TRACE("control " + std::to_string(i + 1));
    r.AlignTo4();
    EXPECT_EQ(r.Dword(), c.style);
    EXPECT_EQ(r.Dword(), 0u);
    EXPECT_EQ(r.Short(), c.x);
    EXPECT_EQ(r.Short(), c.y);
    EXPECT_EQ(r.Short(), c.cx);
    EXPECT_EQ(r.Short(), c.cy);
    EXPECT_EQ(r.Word(), c.id);
    EXPECT_EQ(ClassName(r.TextOrOrdinal()), Lower(c.className));
    EXPECT_EQ(r.TextOrOrdinal(), c.text);
    EXPECT_EQ(r.Word(), 0);  // no creation data
  }
  EXPECT_TRUE(r.ok()) << "the template ends early";
  EXPECT_LE(r.offset(), size);
}

struct BitmapSpec {
  const char* name;
  const char* file;
  LONG width, height;
  LONG pelsPerMeter;
};
const BitmapSpec kBitmaps[] = {
    {"NAVA", "nava.bmp", 256, 148, 2834},
    {"NAVA_M", "nava_m.bmp", 256, 148, 0},
    {"ICE", "ice.bmp", 128, 32, 2834},
    {"ICE_M", "ice_m.bmp", 128, 32, 2834},
};

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR out) {
  reinterpret_cast<std::vector<WORD>*>(out)->push_back(language);
  return TRUE;
}

std::vector<BYTE> ReadSourceFile(const char* name) {
  const char* root = std::getenv("NAVANAVA_SOURCE_DIR");
  std::string path = std::string(root ? root : ".") + "/resources/" + name;
  std::vector<BYTE> bytes;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    int c;
    while ((c = std::fgetc(f)) != EOF) bytes.push_back(static_cast<BYTE>(c));
    std::fclose(f);
  }
  return bytes;
}

TEST(Bitmaps, FourNamedJapaneseBitmapsWithTheirHeaders) {
  for (const BitmapSpec& b : kBitmaps) {
    SCOPED_TRACE(b.name);
    std::vector<WORD> languages;
    EnumResourceLanguagesA(Instance(), MAKEINTRESOURCEA(2), b.name, CollectLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
    ASSERT_EQ(languages, std::vector<WORD>{kJapanese});
    HRSRC found = FindResourceExA(Instance(), MAKEINTRESOURCEA(2), b.name, kJapanese);
    ASSERT_NE(found, nullptr);
    DWORD size = SizeofResource(Instance(), found);
    const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(Instance(), found)));
    ASSERT_NE(data, nullptr);
    ASSERT_GT(size, 1064u);
    BITMAPINFOHEADER h;
    std::memcpy(&h, data, sizeof h);
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, b.width);
    EXPECT_EQ(h.biHeight, b.height);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, 8);
    EXPECT_EQ(h.biCompression, static_cast<DWORD>(BI_RLE8));
    EXPECT_EQ(h.biSizeImage, size - 1064);
    EXPECT_EQ(h.biXPelsPerMeter, b.pelsPerMeter);
    EXPECT_EQ(h.biYPelsPerMeter, b.pelsPerMeter);
    EXPECT_EQ(h.biClrUsed, 0u);
    EXPECT_EQ(h.biClrImportant, 0u);
    // The resource is the committed file without its 14-byte file header.
    std::vector<BYTE> file = ReadSourceFile(b.file);
    ASSERT_EQ(file.size(), size + 14u) << "committed " << b.file;
    EXPECT_EQ(std::memcmp(file.data() + 14, data, size), 0);
    DecodedSprite sprite;
    EXPECT_TRUE(DecodeSpriteResource(data, size, &sprite));
    EXPECT_EQ(sprite.census.end, Rle8End::kEndOfBitmap);
    // LoadBitmapA makes a device-dependent bitmap of the resource's size.
    HBITMAP bitmap = LoadBitmapA(Instance(), b.name);
    ASSERT_NE(bitmap, nullptr);
    BITMAP info;
    ASSERT_EQ(GetObjectA(bitmap, sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(info.bmWidth, b.width);
    EXPECT_EQ(info.bmHeight, b.height);
    DeleteObject(bitmap);
  }
}

BOOL CALLBACK CollectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR out) {
  std::string s = IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<UINT_PTR>(name))
                                       : std::string(name);
  reinterpret_cast<std::vector<std::string>*>(out)->push_back(s);
  return TRUE;
}

TEST(Icons, Icon105Is32By32In16ColoursAndIcon100IsAbsent) {
  std::vector<std::string> groups;
  EnumResourceNamesA(Instance(), MAKEINTRESOURCEA(14), CollectName, reinterpret_cast<LONG_PTR>(&groups));
  EXPECT_EQ(groups, std::vector<std::string>{"#105"});

  // The group directory names one image: 32 x 32, 16 colours, 4 bits.
  HRSRC group = FindResourceA(Instance(), MAKEINTRESOURCEA(105), MAKEINTRESOURCEA(14));
  ASSERT_NE(group, nullptr);
  const BYTE* dir = static_cast<const BYTE*>(LockResource(LoadResource(Instance(), group)));
  ASSERT_GE(SizeofResource(Instance(), group), 20u);
  EXPECT_EQ(dir[2] | dir[3] << 8, 1);  // icon
  ASSERT_EQ(dir[4] | dir[5] << 8, 1);  // one image
  EXPECT_EQ(dir[6], 32);
  EXPECT_EQ(dir[7], 32);
  EXPECT_EQ(dir[8], 16);
  EXPECT_EQ(dir[12] | dir[13] << 8, 4);

  HICON icon = LoadIconA(Instance(), MAKEINTRESOURCEA(105));
  ASSERT_NE(icon, nullptr);
  ICONINFO info;
  ASSERT_TRUE(GetIconInfo(icon, &info));
  BITMAP colour;
  ASSERT_NE(info.hbmColor, nullptr);
  GetObjectA(info.hbmColor, sizeof colour, &colour);
  EXPECT_EQ(colour.bmWidth, 32);
  EXPECT_EQ(colour.bmHeight, 32);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);

  // The saver's window class asks for icon 100 and so gets none.
  EXPECT_EQ(LoadIconA(Instance(), MAKEINTRESOURCEA(100)), nullptr);
}

}  // namespace
