// The program's resources as the platform loads them from the built module:
// the string table under code page 932, dialog template 2003 control by
// control, the four sprite bitmaps under language 1041, icon 105 present and
// icon 100 absent. Then the built saver itself, read as a file the way the
// desktop reads it: its name for the Display control panel, its version
// information and its one application manifest.
//
// The manifest's reader is an interface of later systems than the program's
// own: this test alone is built to see it.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
#include <windows.h>
#include <winver.h>

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

// --- The built saver, read as a file ------------------------------------------

// The program under test, as a path that Wine's Windows side understands.
std::string SaverPath() {
  const char* unixPath = std::getenv("NAVANAVA_SAVER");
  if (!unixPath) return "";
  std::string path = std::string("Z:") + unixPath;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

class BuiltSaver : public ::testing::Test {
 protected:
  void SetUp() override {
    path = SaverPath();
    ASSERT_FALSE(path.empty()) << "NAVANAVA_SAVER names the built navanava.scr";
    module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr) << path;
  }
  void TearDown() override {
    if (module) FreeLibrary(module);
  }
  std::string path;
  HMODULE module = nullptr;
};

const char kSaverName[] = "\x83\x69\x83\x6F\x83\x5A\x81\x5B\x83\x6F\x81\x5B";  // ナバセーバー
const wchar_t kSaverNameWide[] = {0x30CA, 0x30D0, 0x30BB, 0x30FC, 0x30D0, 0x30FC, 0};

// A text of dialog 2003 that contains the given part.
std::string DialogText(const char* part) {
  for (const ControlSpec& c : kControls)
    if (std::strstr(c.text, part)) return c.text;
  return "";
}

TEST_F(BuiltSaver, String1IsTheNameTheDisplayControlPanelLists) {
  const wchar_t* wide = nullptr;
  int n = LoadStringW(module, 1, reinterpret_cast<wchar_t*>(&wide), 0);
  ASSERT_GT(n, 0);
  EXPECT_EQ(std::wstring(wide, n), std::wstring(kSaverNameWide));  // stored in UTF-16
  char narrow[64];
  n = LoadStringA(module, 1, narrow, sizeof narrow);
  EXPECT_EQ(std::string(narrow, n > 0 ? n : 0), kSaverName);
  // The settings dialog's title without "設定".
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(2003), MAKEINTRESOURCEA(5));
  ASSERT_NE(found, nullptr);
  TemplateReader r(static_cast<const BYTE*>(LockResource(LoadResource(module, found))),
                   SizeofResource(module, found));
  r.Dword();  // style
  r.Dword();  // extended style
  r.Word();   // control count
  for (int i = 0; i < 4; ++i) r.Short();
  r.TextOrOrdinal();  // menu
  r.TextOrOrdinal();  // class
  EXPECT_EQ(r.Text(), std::string(kSaverName) + "\x90\xDD\x92\xE8");
}

TEST_F(BuiltSaver, VersionInformationInJapaneseForCodePage932AndForUnicode) {
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<BYTE> block(size);
  ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, block.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(MAKELONG(991, 0)));  // 0.991.0.0
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
  EXPECT_EQ(fixed->dwProductVersionLS, 0u);
  EXPECT_EQ(fixed->dwFileFlags, 0u);  // a release build
  EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));  // both families
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

  WORD* translations = nullptr;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translations), &length));
  ASSERT_EQ(length, 8u);
  EXPECT_EQ(std::vector<WORD>(translations, translations + 4),
            (std::vector<WORD>{0x0411, 932, 0x0411, 1200}));

  const std::string version = "0.991";
  struct Field {
    const wchar_t* name;
    std::string text;  // code page 932
  } fields[] = {
      {L"CompanyName", "NavaNava"},
      {L"FileDescription", kSaverName},
      {L"FileVersion", version},
      {L"InternalName", "navanava"},
      {L"LegalCopyright", DialogText("(C)")},  // the dialog's maker's notice
      {L"OriginalFilename", "navanava.scr"},
      {L"ProductName", kSaverName},
      {L"ProductVersion", version},
  };
  ASSERT_EQ(DialogText("(C)"), "(C) 2026 NavaNava");
  EXPECT_NE(DialogText("Version").find("Version " + version + " "), std::string::npos);
  for (const wchar_t* language : {L"041103a4", L"041104b0"}) {
    for (const Field& f : fields) {
      std::wstring query = std::wstring(L"\\StringFileInfo\\") + language + L"\\" + f.name;
      SCOPED_TRACE(ToCodePage932(query.c_str(), static_cast<int>(query.size())));
      wchar_t* value = nullptr;
      UINT characters = 0;
      ASSERT_TRUE(VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value),
                                 &characters));
      std::wstring text(value, characters);
      while (!text.empty() && text.back() == 0) text.pop_back();
      EXPECT_EQ(ToCodePage932(text.c_str(), static_cast<int>(text.size())), f.text);
    }
  }
}

std::string GuidText(const GUID& g) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08lx-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}",
                static_cast<unsigned long>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1],
                g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return text;
}

TEST_F(BuiltSaver, OneManifestTheLoaderReadsAsSystemDpiAwareWithoutAnExecutionLevel) {
  // Exactly one: no toolchain manifest beside the program's own.
  std::vector<std::string> names;
  EnumResourceNamesA(module, MAKEINTRESOURCEA(24), CollectName, reinterpret_cast<LONG_PTR>(&names));
  ASSERT_EQ(names, std::vector<std::string>{"#1"});
  std::vector<WORD> languages;
  EnumResourceLanguagesA(module, MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1), CollectLanguage,
                         reinterpret_cast<LONG_PTR>(&languages));
  ASSERT_EQ(languages, std::vector<WORD>{0});

  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
  ASSERT_NE(found, nullptr);
  const char* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
  const std::string xml(data, SizeofResource(module, found));
  // With an execution level the platform would stop redirecting the writes
  // to "control.ini" in the Windows directory.
  EXPECT_EQ(xml.find("requestedExecutionLevel"), std::string::npos);
  EXPECT_EQ(xml.find("trustInfo"), std::string::npos);
  const char* const kSupportedOs[] = {
      "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  // Vista
      "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // 7
      "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // 8
      "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // 8.1
      "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // 10 and 11
  };
  for (const char* id : kSupportedOs)
    EXPECT_NE(xml.find(std::string("<supportedOS Id=\"") + id + "\"/>"), std::string::npos) << id;
  EXPECT_NE(xml.find(">true</dpiAware>"), std::string::npos);
  EXPECT_NE(xml.find(">system</dpiAwareness>"), std::string::npos);

  // What the platform's own manifest reader makes of it.
  ACTCTXA request = {};
  request.cbSize = sizeof request;
  request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
  request.lpSource = path.c_str();
  request.lpResourceName = MAKEINTRESOURCEA(1);
  HANDLE context = CreateActCtxA(&request);
  ASSERT_NE(context, INVALID_HANDLE_VALUE) << "the manifest does not parse: " << GetLastError();
  wchar_t setting[32] = {};
  SIZE_T written = 0;
  EXPECT_TRUE(QueryActCtxSettingsW(0, context, nullptr, L"dpiAware", setting, 32, &written));
  EXPECT_EQ(std::wstring(setting), L"true");
  setting[0] = 0;
  EXPECT_TRUE(QueryActCtxSettingsW(0, context,
                                   L"http://schemas.microsoft.com/SMI/2016/WindowsSettings",
                                   L"dpiAwareness", setting, 32, &written));
  EXPECT_EQ(std::wstring(setting), L"system");

  ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION runLevel = {};
  runLevel.RunLevel = ACTCTX_RUN_LEVEL_AS_INVOKER;
  ASSERT_TRUE(QueryActCtxW(0, context, nullptr, RunlevelInformationInActivationContext, &runLevel,
                           sizeof runLevel, &written));
  EXPECT_EQ(runLevel.RunLevel, ACTCTX_RUN_LEVEL_UNSPECIFIED);

  // The list of supported systems: a count, then one element per system.
  alignas(8) BYTE compatibility[512] = {};
  ASSERT_TRUE(QueryActCtxW(0, context, nullptr, CompatibilityInformationInActivationContext,
                           compatibility, sizeof compatibility, &written));
  DWORD count;
  std::memcpy(&count, compatibility, sizeof count);
  ASSERT_EQ(count, 5u);
  // The element grew a tested-version field in later headers; its size
  // follows from what the platform wrote.
  const size_t start = written == 4 + 5 * 20 ? 4 : 8;
  const size_t stride = (written - start) / count;
  std::vector<std::string> ids;
  for (DWORD i = 0; i < count; ++i) {
    GUID id;
    DWORD type;
    std::memcpy(&id, compatibility + start + i * stride, sizeof id);
    std::memcpy(&type, compatibility + start + i * stride + sizeof id, sizeof type);
    EXPECT_EQ(type, 1u);  // an operating system
    ids.push_back(GuidText(id));
  }
  EXPECT_EQ(ids, std::vector<std::string>(std::begin(kSupportedOs), std::end(kSupportedOs)));
  ReleaseActCtx(context);
}

}  // namespace
