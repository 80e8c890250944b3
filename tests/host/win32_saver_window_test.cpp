// The saver window's message chain under Wine: HostWindowProc, the scene's
// window procedure and DefaultSaverProc, each driven with single messages.
// The platform calls that show what a link did (DefWindowProcA, SetCursor,
// GetCursorPos, Sleep, SystemParametersInfoA) are redirected through this
// program's import table to recorders, and the virtual-screen metrics of
// GetSystemMetrics to the test's own layouts; the tick counter is the test's
// own; drawing goes to a recording stand-in. The covers of the other monitors
// are checked here too.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/command_line.h"
#include "win32/win32_cover_windows.h"
#include "win32/win32_dismissal.h"
#include "win32/win32_entry.h"
#include "win32/win32_host_state.h"
#include "win32/win32_saver_window.h"
#include "scene/scene.h"
#include "win32/win32_scene_proc.h"
#include "tests/host/recording_render.h"

namespace {

// --- Import-table redirection -------------------------------------------

void* RedirectImport(const char* dll, const char* function, void* replacement) {
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  auto* descriptor = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
  for (; descriptor->Name; ++descriptor) {
    if (lstrcmpiA(reinterpret_cast<char*>(base + descriptor->Name), dll) != 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<char*>(byName->Name), function) != 0) continue;
      DWORD oldProtection;
      VirtualProtect(&slots->u1.Function, sizeof(void*), PAGE_READWRITE, &oldProtection);
      void* original = reinterpret_cast<void*>(slots->u1.Function);
      slots->u1.Function = reinterpret_cast<uintptr_t>(replacement);
      VirtualProtect(&slots->u1.Function, sizeof(void*), oldProtection, &oldProtection);
      return original;
    }
  }
  return nullptr;
}

struct DefaultCall {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};
std::vector<DefaultCall> defaultCalls;
int hiddenCursorCalls = 0;
POINT fakeCursor = {500, 400};
std::vector<UINT> saverRunningCalls;
DWORD fakeTick = 0;

// The virtual screen that GetSystemMetrics answers (76..79); null: the real one.
const ScreenRect* fakeVirtualScreen = nullptr;

decltype(&DefWindowProcA) realDefWindowProc;
decltype(&GetSystemMetrics) realGetSystemMetrics;
decltype(&SetCursor) realSetCursor;
decltype(&Sleep) realSleep;
decltype(&SystemParametersInfoA) realSystemParametersInfo;

LRESULT WINAPI RecordingDefWindowProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  defaultCalls.push_back({w, m, wp, lp});
  return realDefWindowProc(w, m, wp, lp);
}
HCURSOR WINAPI RecordingSetCursor(HCURSOR cursor) {
  if (!cursor) ++hiddenCursorCalls;
  return realSetCursor(cursor);
}
BOOL WINAPI FakeGetCursorPos(POINT* point) {
  *point = fakeCursor;
  return TRUE;
}
void WINAPI RecordingSleep(DWORD ms) {
  if (ms == 0) renderLog.push_back("Sleep(0)");
  realSleep(ms);
}
BOOL WINAPI RecordingSystemParametersInfo(UINT action, UINT param, void* data, UINT ini) {
  if (action == SPI_SCREENSAVERRUNNING && ini == 0 && data) {
    saverRunningCalls.push_back(param);
    return TRUE;
  }
  return realSystemParametersInfo(action, param, data, ini);
}
DWORD WINAPI FakeTickCount() { return fakeTick; }
int WINAPI FakeGetSystemMetrics(int index) {
  if (fakeVirtualScreen) {
    switch (index) {
      case kVirtualScreenXMetric: return fakeVirtualScreen->x;
      case kVirtualScreenYMetric: return fakeVirtualScreen->y;
      case kVirtualScreenWidthMetric: return fakeVirtualScreen->width;
      case kVirtualScreenHeightMetric: return fakeVirtualScreen->height;
    }
  }
  return realGetSystemMetrics(index);
}

struct Redirections {
  Redirections() {
    realDefWindowProc = reinterpret_cast<decltype(realDefWindowProc)>(RedirectImport(
        "user32.dll", "DefWindowProcA", reinterpret_cast<void*>(RecordingDefWindowProc)));
    realSetCursor = reinterpret_cast<decltype(realSetCursor)>(
        RedirectImport("user32.dll", "SetCursor", reinterpret_cast<void*>(RecordingSetCursor)));
    RedirectImport("user32.dll", "GetCursorPos", reinterpret_cast<void*>(FakeGetCursorPos));
    realSleep = reinterpret_cast<decltype(realSleep)>(
        RedirectImport("kernel32.dll", "Sleep", reinterpret_cast<void*>(RecordingSleep)));
    realSystemParametersInfo = reinterpret_cast<decltype(realSystemParametersInfo)>(
        RedirectImport("user32.dll", "SystemParametersInfoA",
                       reinterpret_cast<void*>(RecordingSystemParametersInfo)));
    realGetSystemMetrics = reinterpret_cast<decltype(realGetSystemMetrics)>(RedirectImport(
        "user32.dll", "GetSystemMetrics", reinterpret_cast<void*>(FakeGetSystemMetrics)));
    hostTickCount = FakeTickCount;
  }
  bool complete() const {
    return realDefWindowProc && realSetCursor && realSleep && realSystemParametersInfo &&
           realGetSystemMetrics;
  }
};

// --- The fixture ----------------------------------------------------------

const HostState kInitialHostState = hostState;

LRESULT CALLBACK ParentProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  return realDefWindowProc(w, m, wp, lp);
}

class SaverWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static Redirections redirections;
    ASSERT_TRUE(redirections.complete());
    WNDCLASSA parentClass = {};
    parentClass.lpfnWndProc = ParentProc;
    parentClass.hInstance = GetModuleHandleA(nullptr);
    parentClass.lpszClassName = "NavaNavaTestParent";
    RegisterClassA(&parentClass);
  }

  void SetUp() override {
    hostState = kInitialHostState;
    hostState.instanceHandle = GetModuleHandleA(nullptr);
    defaultCalls.clear();
    renderLog.clear();
    saverRunningCalls.clear();
    hiddenCursorCalls = 0;
    fakeCursor = {500, 400};
    fakeTick = 1000;
    fakeVirtualScreen = nullptr;
  }

  void TearDown() override {
    DestroyCoverWindows();
    if (window && IsWindow(window)) DestroyWindow(window);
    if (parent && IsWindow(parent)) DestroyWindow(parent);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
    UnregisterClassA(kSaverClassName, GetModuleHandleA(nullptr));
    UnregisterClassA(kCoverClassName, GetModuleHandleA(nullptr));
    fakeVirtualScreen = nullptr;
  }

  void Create(bool preview) {
    WNDCLASSA saverClass;
    FillSaverClass(&saverClass);
    ASSERT_NE(RegisterClassA(&saverClass), 0);
    if (preview) {
      parent = CreateWindowExA(0, "NavaNavaTestParent", "parent", WS_OVERLAPPEDWINDOW, 0, 0,
                               300, 200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
      hostState.isPreview = true;
      window = CreateWindowExA(0, kSaverClassName, kPreviewTitle, 0x52000000, 0, 0, 200, 150,
                               parent, nullptr, hostState.instanceHandle, nullptr);
    } else {
      // The full-screen mode is the host's flags, not the window's look: a
      // hidden pop-up spares each test Wine's wait of about 2 s for a shown
      // top-level window to go.
      window = CreateWindowExA(0, kSaverClassName, kFullScreenTitle, 0x86000000, 0, 0, 320, 240,
                               nullptr, nullptr, hostState.instanceHandle, nullptr);
    }
    ASSERT_NE(window, nullptr);
    hostState.saverWindow = window;
    hiddenAtCreation = hiddenCursorCalls;
    defaultCalls.clear();
    renderLog.clear();
    hiddenCursorCalls = 0;
  }

  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendMessageA(window, message, wParam, lParam);
  }

  int TakePostedCloses() {
    MSG message;
    int count = 0;
    while (PeekMessageA(&message, window, WM_CLOSE, WM_CLOSE, PM_REMOVE)) ++count;
    return count;
  }

  int PendingTimers() {
    MSG message;
    int count = 0;
    while (PeekMessageA(&message, window, WM_TIMER, WM_TIMER, PM_REMOVE)) ++count;
    return count;
  }

  bool PassedToDefault(UINT message, WPARAM wParam, LPARAM lParam) const {
    for (const DefaultCall& call : defaultCalls)
      if (call.window == window && call.message == message && call.wParam == wParam &&
          call.lParam == lParam)
        return true;
    return false;
  }

  // The covers for the test's saver window of 320 x 240 at 0,0, in a
  // virtual screen of the test's own.
  std::vector<HWND> MakeCovers(const ScreenRect& virtualScreen) {
    fakeVirtualScreen = &virtualScreen;
    CreateCoverWindows(window, 320, 240);
    fakeVirtualScreen = nullptr;
    return Covers();
  }
  static std::vector<HWND> Covers() {
    std::vector<HWND> covers;
    for (HWND cover : hostState.coverWindows)
      if (cover) covers.push_back(cover);
    return covers;
  }

  HWND window = nullptr;
  HWND parent = nullptr;
  int hiddenAtCreation = 0;
};

// --- Creation, ticks and destruction ---------------------------------------

TEST_F(SaverWindowTest, CreationSetsUpTheSceneAnchorsTheMouseAndHidesTheCursor) {
  fakeCursor = {123, 45};
  WNDCLASSA saverClass;
  FillSaverClass(&saverClass);
  EXPECT_EQ(saverClass.style, 0x2Bu);
  EXPECT_EQ(saverClass.hIcon, nullptr);  // the program's icon is 105, not 100
  EXPECT_EQ(saverClass.hCursor, nullptr);
  EXPECT_EQ(saverClass.hbrBackground, GetStockObject(BLACK_BRUSH));
  EXPECT_STREQ(saverClass.lpszClassName, "WindowsScreenSaverClass");

  renderLog.clear();
  hiddenCursorCalls = 0;
  ASSERT_NE(RegisterClassA(&saverClass), 0);
  window = CreateWindowExA(WS_EX_TOPMOST, kSaverClassName, kFullScreenTitle, 0x96000000, 0, 0,
                           GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr,
                           nullptr, hostState.instanceHandle, nullptr);
  ASSERT_NE(window, nullptr);
  std::vector<std::string> expected = {"CreateBackBuffer", "CreateScenePalette", "Load NAVA",
                                       "Load NAVA_M",      "Load ICE",           "Load ICE_M"};
  EXPECT_EQ(renderLog, expected);
  EXPECT_EQ(scene.screenWidth, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(scene.screenHeight, GetSystemMetrics(SM_CYSCREEN));
  EXPECT_EQ(scene.figure.x, -256);  // InitScene ran after the set-up
  EXPECT_NE(tickTimer, 0);
  EXPECT_EQ(hostState.mouseAnchor.x, 123);
  EXPECT_EQ(hostState.mouseAnchor.y, 45);
  EXPECT_GE(hiddenCursorCalls, 1);
  EXPECT_TRUE(PassedToDefault(WM_CREATE, 0, defaultCalls.empty() ? 0 : defaultCalls[0].lParam));
}

TEST_F(SaverWindowTest, PreviewCreationLeavesTheCursorAlone) {
  Create(true);
  EXPECT_EQ(hiddenAtCreation, 0);
  Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(window), HTCLIENT);
  Send(WM_PAINT);
  Send(WM_SHOWWINDOW, 1, 0);
  EXPECT_EQ(hiddenCursorCalls, 0);
  EXPECT_TRUE(PassedToDefault(WM_SETCURSOR, reinterpret_cast<WPARAM>(window), HTCLIENT));
}

TEST_F(SaverWindowTest, EachTickYieldsThenAdvancesComposesPresentsAndErases) {
  Create(false);
  EXPECT_EQ(Send(WM_TIMER, kTickTimerId), 0);
  Send(WM_TIMER, 7);  // the identifier is not examined
  std::vector<std::string> expected = {"Sleep(0)", "Compose x=-255", "Present", "Erase",
                                       "Sleep(0)", "Compose x=-254", "Present", "Erase"};
  EXPECT_EQ(renderLog, expected);
  EXPECT_TRUE(PassedToDefault(WM_TIMER, 7, 0));
}

TEST_F(SaverWindowTest, EraseBackgroundPaintsBlackAndStopsThere) {
  Create(false);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 8, 8);
  HGDIOBJ old = SelectObject(memory, bitmap);
  RECT all = {0, 0, 8, 8};
  FillRect(memory, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  EXPECT_EQ(Send(WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory)), 0);
  EXPECT_EQ(GetPixel(memory, 0, 0), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(memory, 7, 7), RGB(0, 0, 0));
  EXPECT_FALSE(PassedToDefault(WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory), 0));
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

TEST_F(SaverWindowTest, DestructionPostsTheQuitMessageBeforeTheSceneReleases) {
  Create(false);
  quitPostedBeforeRelease = false;
  DestroyWindow(window);
  EXPECT_TRUE(quitPostedBeforeRelease);
  ASSERT_FALSE(renderLog.empty());
  EXPECT_EQ(renderLog.back(), "ReleaseRenderResources");
  EXPECT_EQ(tickTimer, 0);
  EXPECT_TRUE(PassedToDefault(WM_DESTROY, 0, 0));
  MSG quit;
  ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(quit.wParam, 0u);
}

// --- The framework's filtering ---------------------------------------------

TEST_F(SaverWindowTest, SystemCommandsThatSwitchAwayAreSwallowedOnlyInFullScreen) {
  struct Case {
    bool preview;
    WPARAM command;
    bool swallowed;
  } cases[] = {
      {false, SC_SCREENSAVE, true},      {false, SC_NEXTWINDOW, true},
      {false, SC_PREVWINDOW, true},      {false, SC_SCREENSAVE + 2, false},
      {false, SC_NEXTWINDOW | 0xF, false}, {false, SC_ARRANGE, false},
      {true, SC_SCREENSAVE, false},      {true, SC_NEXTWINDOW, false},
      {true, SC_PREVWINDOW, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.command) + (c.preview ? " preview" : " full screen"));
    SetUp();
    Create(c.preview);
    LRESULT result = Send(WM_SYSCOMMAND, c.command, 0);
    EXPECT_EQ(PassedToDefault(WM_SYSCOMMAND, c.command, 0), !c.swallowed);
    if (c.swallowed) EXPECT_EQ(result, 0);
    TearDown();
    window = parent = nullptr;
  }
}

TEST_F(SaverWindowTest, CloseCommandIsPassedOnAndClosesOnTheNtFamily) {
  Create(false);
  Send(WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(PassedToDefault(WM_SYSCOMMAND, SC_CLOSE, 0));
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(hostState.closeAllowed, 0);  // NT: no verification, nothing set
}

TEST_F(SaverWindowTest, TitleNeverChanges) {
  for (bool preview : {false, true}) {
    SetUp();
    Create(preview);
    EXPECT_EQ(Send(WM_SETTEXT, 0, reinterpret_cast<LPARAM>("changed")), 0);
    char title[32] = {};
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ(title, preview ? "Preview" : "Screen Saver");
    EXPECT_FALSE(PassedToDefault(WM_SETTEXT, 0, reinterpret_cast<LPARAM>("changed")));
    TearDown();
    window = parent = nullptr;
  }
}

TEST_F(SaverWindowTest, HelpAndContextMenuGoToThePreviewsParent) {
  Create(true);
  const LPARAM where = MAKELPARAM(12, 34);
  EXPECT_EQ(Send(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), where), 1);
  MSG posted;
  ASSERT_TRUE(PeekMessageA(&posted, parent, WM_CONTEXTMENU, WM_CONTEXTMENU, PM_REMOVE));
  EXPECT_EQ(posted.wParam, reinterpret_cast<WPARAM>(parent));
  EXPECT_EQ(posted.lParam, where);
  HELPINFO help = {};
  help.cbSize = sizeof help;
  EXPECT_EQ(Send(WM_HELP, 0, reinterpret_cast<LPARAM>(&help)), 1);
  EXPECT_FALSE(PassedToDefault(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), where));
  EXPECT_FALSE(PassedToDefault(WM_HELP, 0, reinterpret_cast<LPARAM>(&help)));
}

TEST_F(SaverWindowTest, HelpAndContextMenuArePassedOnInFullScreen) {
  Create(false);
  const LPARAM where = MAKELPARAM(12, 34);
  Send(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), where);
  EXPECT_TRUE(PassedToDefault(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), where));
}

// --- Dismissal ---------------------------------------------------------------

TEST_F(SaverWindowTest, InputPostsCloseRequestsInFullScreenOnly) {
  struct Case {
    UINT message;
    WPARAM wParam;
    int closesFullScreen;
  } cases[] = {
      {WM_KEYDOWN, 'A', 1},       {WM_SYSKEYDOWN, 'A', 1},  {WM_LBUTTONDOWN, 0, 1},
      {WM_RBUTTONDOWN, 0, 1},     {WM_MBUTTONDOWN, 0, 1},   {WM_LBUTTONDBLCLK, 0, 0},
      {WM_KEYUP, 'A', 0},         {WM_ACTIVATEAPP, 0, 1},   {WM_ACTIVATEAPP, 1, 0},
  };
  for (bool preview : {false, true}) {
    SetUp();
    Create(preview);
    for (const Case& c : cases) {
      SCOPED_TRACE(std::to_string(c.message) + (preview ? " preview" : " full screen"));
      defaultCalls.clear();
      Send(c.message, c.wParam, 0);
      EXPECT_EQ(TakePostedCloses(), preview ? 0 : c.closesFullScreen);
      EXPECT_TRUE(PassedToDefault(c.message, c.wParam, 0));
    }
    TearDown();
    window = parent = nullptr;
  }
}

TEST_F(SaverWindowTest, SetCursorHidesItInFullScreenWithoutTheDefault) {
  Create(false);
  EXPECT_EQ(Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(window), HTCLIENT), 1);
  EXPECT_EQ(hiddenCursorCalls, 1);
  EXPECT_FALSE(PassedToDefault(WM_SETCURSOR, reinterpret_cast<WPARAM>(window), HTCLIENT));
  Send(WM_SHOWWINDOW, 1, 0);
  EXPECT_EQ(hiddenCursorCalls, 2);
  Send(WM_SHOWWINDOW, 0, 0);
  EXPECT_EQ(hiddenCursorCalls, 2);
}

TEST_F(SaverWindowTest, MouseClosesBeyondFourPixelsFromAnAnchorThatMovesOnlyOnClose) {
  Create(false);  // anchored at (500, 400)
  struct Step {
    POINT cursor;
    int closes;
    POINT anchorAfter;
  } steps[] = {
      {{502, 402}, 0, {500, 400}},  // distance 4
      {{496, 400}, 0, {500, 400}},
      {{503, 402}, 1, {503, 402}},  // distance 5: close, new anchor
      {{504, 402}, 0, {503, 402}},  // five single-pixel moves close on the fifth
      {{505, 402}, 0, {503, 402}},
      {{506, 402}, 0, {503, 402}},
      {{507, 402}, 0, {503, 402}},
      {{508, 402}, 1, {508, 402}},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(std::to_string(s.cursor.x) + "," + std::to_string(s.cursor.y));
    fakeCursor = s.cursor;
    // lParam's client coordinates are not what counts.
    Send(WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
    EXPECT_EQ(TakePostedCloses(), s.closes);
    EXPECT_EQ(hostState.mouseAnchor.x, s.anchorAfter.x);
    EXPECT_EQ(hostState.mouseAnchor.y, s.anchorAfter.y);
  }
  hostState.isPreview = true;
  fakeCursor = {0, 0};
  Send(WM_MOUSEMOVE, 0, 0);
  EXPECT_EQ(TakePostedCloses(), 0);
}

TEST_F(SaverWindowTest, NtFamilyClosesAtOnceAndAnswersVerificationByDefault) {
  Create(false);
  EXPECT_EQ(Send(VerifyPasswordMessage), 0);
  EXPECT_TRUE(PassedToDefault(VerifyPasswordMessage, 0, 0));
  Send(WM_CLOSE);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(hostState.closeAllowed, 0);  // nothing asked, nothing set
}

TEST_F(SaverWindowTest, NinetyFiveFamilyWithoutVerifierClosesOnTheFirstRequest) {
  hostState.isWin9x = true;
  Create(false);
  EXPECT_EQ(Send(VerifyPasswordMessage), 1);
  Send(WM_CLOSE);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_NE(hostState.closeAllowed, 0);
  EXPECT_TRUE(saverRunningCalls.empty());
}

// The verifier: answers as the test says and, inside its "dialog", delivers
// what the test puts in its way.
struct VerifierScript {
  int calls = 0;
  BOOL answer = 0;
  bool sawInVerification = false;
  bool duringDialog = false;  // send input, a close request and a tick
  HWND cover = nullptr;  // input inside the dialog goes to this cover too
  LRESULT innerCloseResult = -1;
  int closesPostedInside = 0;
  bool tickedInside = false;
};
VerifierScript verifier;

BOOL WINAPI ScriptedVerifier(HWND window) {
  ++verifier.calls;
  verifier.sawInVerification = hostState.inVerification;
  if (verifier.duringDialog) {
    for (HWND target : {window, verifier.cover}) {
      if (!target) continue;
      SendMessageA(target, WM_KEYDOWN, 'A', 0);
      SendMessageA(target, WM_LBUTTONDOWN, 0, 0);
      fakeCursor = target == window ? POINT{0, 0} : POINT{900, 0};
      SendMessageA(target, WM_MOUSEMOVE, 0, 0);
    }
    MSG posted;
    while (PeekMessageA(&posted, window, WM_CLOSE, WM_CLOSE, PM_REMOVE))
      ++verifier.closesPostedInside;
    verifier.innerCloseResult = SendMessageA(window, WM_CLOSE, 0, 0);
    size_t before = renderLog.size();
    SendMessageA(window, WM_TIMER, kTickTimerId, 0);
    verifier.tickedInside = renderLog.size() > before;
  }
  return verifier.answer;
}

TEST_F(SaverWindowTest, RefusedVerificationHoldsOffFor200MsAcrossTheTickWrap) {
  hostState.isWin9x = true;
  hostState.verifierProc = ScriptedVerifier;
  verifier = VerifierScript();
  verifier.duringDialog = true;
  Create(false);
  fakeTick = 0xFFFFFFA0u;  // the counter wraps 96 ms from here
  for (int i = 0; i < 3; ++i) PostMessageA(window, WM_TIMER, kTickTimerId, 0);
  fakeCursor = {40, 50};
  hiddenCursorCalls = 0;

  EXPECT_EQ(Send(WM_CLOSE), 0);
  EXPECT_TRUE(IsWindow(window));
  EXPECT_EQ(verifier.calls, 1);
  EXPECT_TRUE(verifier.sawInVerification);
  EXPECT_FALSE(hostState.inVerification);
  EXPECT_EQ(verifier.closesPostedInside, 0);  // input is not watched in the dialog
  EXPECT_EQ(verifier.innerCloseResult, 0);    // nor is a close request let through
  EXPECT_TRUE(verifier.tickedInside);         // the scene goes on under the dialog
  // Two of the three waiting ticks were dropped. The window's own timer runs
  // too, and on a loaded machine may have one tick of its own due by now.
  const int pending = PendingTimers();
  EXPECT_GE(pending, 1);
  EXPECT_LE(pending, 2);
  EXPECT_EQ(hostState.closeAllowed, 0);
  EXPECT_EQ(hostState.lastVerifyTick, 0xFFFFFFA0u);
  EXPECT_GE(hiddenCursorCalls, 1);
  EXPECT_EQ(hostState.mouseAnchor.x, 0);  // re-read after the refusal
  EXPECT_EQ(hostState.mouseAnchor.y, 0);

  verifier.duringDialog = false;
  fakeCursor = {7, 8};
  fakeTick += 150;  // wrapped: 0x36
  EXPECT_EQ(Send(WM_CLOSE), 0);
  EXPECT_EQ(verifier.calls, 1);  // refused without asking
  EXPECT_EQ(hostState.mouseAnchor.x, 7);

  fakeTick += 49;  // 199 ms
  EXPECT_EQ(Send(WM_CLOSE), 0);
  EXPECT_EQ(verifier.calls, 1);

  fakeTick += 51;  // 250 ms
  verifier.answer = 1;
  Send(WM_CLOSE);
  EXPECT_EQ(verifier.calls, 2);
  EXPECT_NE(hostState.closeAllowed, 0);
  EXPECT_FALSE(IsWindow(window));
}

TEST_F(SaverWindowTest, OnceCloseIsAllowedTicksAndInputGoStraightToTheDefault) {
  Create(false);
  hostState.closeAllowed = 1;
  EXPECT_EQ(Send(WM_TIMER, kTickTimerId), 0);
  EXPECT_TRUE(renderLog.empty());  // no yield, no frame
  EXPECT_FALSE(PassedToDefault(WM_TIMER, kTickTimerId, 0));
  hiddenCursorCalls = 0;
  for (UINT message : {WM_KEYDOWN, WM_LBUTTONDOWN, WM_MOUSEMOVE}) {
    Send(message, 0, 0);
    EXPECT_TRUE(PassedToDefault(message, 0, 0));
  }
  Send(WM_PAINT);
  EXPECT_TRUE(PassedToDefault(WM_PAINT, 0, 0));
  EXPECT_EQ(TakePostedCloses(), 0);
  EXPECT_EQ(hiddenCursorCalls, 0);
}

TEST_F(SaverWindowTest, PaintHidesTheCursorInFullScreenAndIsPassedOn) {
  Create(false);
  Send(WM_PAINT);
  EXPECT_EQ(hiddenCursorCalls, 1);
  EXPECT_TRUE(PassedToDefault(WM_PAINT, 0, 0));
}

// --- Covers of the other monitors --------------------------------------------

std::string Show(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) +
         "," + std::to_string(r.bottom);
}

TEST_F(SaverWindowTest, CoversAreBlackTopmostPopupsOwnedByTheSaverOverTheRestOfTheScreen) {
  struct Case {
    const char* layout;
    ScreenRect virtualScreen;
    std::vector<RECT> covers;
  } cases[] = {
      {"the metrics answer 0 (first 95 release, NT 4)", {0, 0, 0, 0}, {}},
      {"one monitor", {0, 0, 320, 240}, {}},
      {"a monitor to the left", {-200, 0, 520, 240}, {{-200, 0, 0, 240}}},
      {"monitors all round",
       {-50, -40, 420, 320},
       {{-50, -40, 370, 0}, {-50, 240, 370, 280}, {-50, 0, 0, 240}, {320, 0, 370, 240}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.layout);
    SetUp();
    Create(false);
    std::vector<HWND> covers = MakeCovers(c.virtualScreen);
    ASSERT_EQ(covers.size(), c.covers.size());
    for (size_t i = 0; i < covers.size(); ++i) {
      HWND cover = covers[i];
      RECT r;
      GetWindowRect(cover, &r);
      EXPECT_EQ(Show(r), Show(c.covers[i]));
      char className[64] = {};
      GetClassNameA(cover, className, sizeof className);
      EXPECT_STREQ(className, kCoverClassName);
      const LONG style = GetWindowLongA(cover, GWL_STYLE);
      EXPECT_EQ(style & (WS_POPUP | WS_CHILD | WS_VISIBLE), WS_POPUP | WS_VISIBLE);
      EXPECT_NE(GetWindowLongA(cover, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
      EXPECT_EQ(GetWindow(cover, GW_OWNER), window);
      EXPECT_NE(GetForegroundWindow(), cover);  // shown without taking the keyboard
      EXPECT_EQ(reinterpret_cast<HBRUSH>(GetClassLongPtrA(cover, GCLP_HBRBACKGROUND)),
                GetStockObject(BLACK_BRUSH));
      EXPECT_EQ(reinterpret_cast<HCURSOR>(GetClassLongPtrA(cover, GCLP_HCURSOR)), nullptr);
    }
    // The single-instance test still finds the saver window and nothing else.
    EXPECT_EQ(FindWindowA(kSaverClassName, kFullScreenTitle), window);
    TearDown();
    window = nullptr;
  }
}

TEST_F(SaverWindowTest, InputOnACoverTakesTheSaverWindowsClosePath) {
  Create(false);  // anchored at (500, 400)
  std::vector<HWND> covers = MakeCovers({0, 0, 370, 240});
  ASSERT_EQ(covers.size(), 1u);
  HWND cover = covers[0];
  struct Case {
    UINT message;
    WPARAM wParam;
    int closes;
  } cases[] = {
      {WM_KEYDOWN, 'A', 1},     {WM_SYSKEYDOWN, 'A', 1}, {WM_LBUTTONDOWN, 0, 1},
      {WM_RBUTTONDOWN, 0, 1},   {WM_MBUTTONDOWN, 0, 1},  {WM_LBUTTONDBLCLK, 0, 0},
      {WM_KEYUP, 'A', 0},
      {WM_ACTIVATEAPP, 0, 0},  // the saver window gets its own and closes on that
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    defaultCalls.clear();
    SendMessageA(cover, c.message, c.wParam, 0);
    EXPECT_EQ(TakePostedCloses(), c.closes);
    MSG posted;
    EXPECT_FALSE(PeekMessageA(&posted, cover, WM_CLOSE, WM_CLOSE, PM_REMOVE));
    bool passed = false;
    for (const DefaultCall& call : defaultCalls)
      passed |= call.window == cover && call.message == c.message;
    EXPECT_TRUE(passed);
  }

  // One anchor and one threshold for the saver window and its covers.
  struct Move {
    HWND target;
    POINT cursor;
    int closes;
  } moves[] = {
      {cover, {502, 402}, 0},  {cover, {503, 402}, 1},   // distance 5: the anchor moves
      {window, {505, 402}, 0}, {window, {507, 402}, 0},  // 2, then 4 from the new anchor
      {cover, {508, 402}, 1},
  };
  for (const Move& m : moves) {
    SCOPED_TRACE(std::to_string(m.cursor.x) + "," + std::to_string(m.cursor.y));
    fakeCursor = m.cursor;
    SendMessageA(m.target, WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
    EXPECT_EQ(TakePostedCloses(), m.closes);
  }
  EXPECT_EQ(hostState.mouseAnchor.x, 508);

  defaultCalls.clear();
  hiddenCursorCalls = 0;
  EXPECT_EQ(SendMessageA(cover, WM_SETCURSOR, reinterpret_cast<WPARAM>(cover), HTCLIENT), 1);
  EXPECT_EQ(hiddenCursorCalls, 1);
  EXPECT_TRUE(defaultCalls.empty());
  // A click leaves the keyboard where it is.
  EXPECT_EQ(SendMessageA(cover, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(window),
                         MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)),
            MA_NOACTIVATE);
  // A close request for a cover is one for the saver; the cover stays.
  EXPECT_EQ(SendMessageA(cover, WM_CLOSE, 0, 0), 0);
  EXPECT_TRUE(IsWindow(cover));
  EXPECT_EQ(TakePostedCloses(), 1);

  // Once the close is allowed, a cover watches nothing.
  hostState.closeAllowed = 1;
  defaultCalls.clear();
  hiddenCursorCalls = 0;
  SendMessageA(cover, WM_KEYDOWN, 'A', 0);
  SendMessageA(cover, WM_SETCURSOR, reinterpret_cast<WPARAM>(cover), HTCLIENT);
  EXPECT_EQ(TakePostedCloses(), 0);
  EXPECT_EQ(hiddenCursorCalls, 0);
  EXPECT_EQ(defaultCalls.size(), 2u);
}

TEST_F(SaverWindowTest, ACoverTakesTheSamePasswordVerificationAndHoldOff) {
  hostState.isWin9x = true;
  hostState.verifierProc = ScriptedVerifier;
  verifier = VerifierScript();
  Create(false);
  std::vector<HWND> covers = MakeCovers({0, 0, 370, 240});
  ASSERT_EQ(covers.size(), 1u);
  HWND cover = covers[0];
  verifier.duringDialog = true;
  verifier.cover = cover;

  // A click on the cover; the loop would then dispatch the close request.
  SendMessageA(cover, WM_LBUTTONDOWN, 0, 0);
  ASSERT_EQ(TakePostedCloses(), 1);
  EXPECT_EQ(Send(WM_CLOSE), 0);
  EXPECT_EQ(verifier.calls, 1);
  EXPECT_EQ(verifier.closesPostedInside, 0);  // the cover ignored input during the dialog
  EXPECT_TRUE(IsWindow(window));
  EXPECT_TRUE(IsWindow(cover));  // a refusal keeps everything covered

  verifier.duringDialog = false;
  fakeTick += 150;
  SendMessageA(cover, WM_LBUTTONDOWN, 0, 0);
  ASSERT_EQ(TakePostedCloses(), 1);
  EXPECT_EQ(Send(WM_CLOSE), 0);
  EXPECT_EQ(verifier.calls, 1);  // within 200 ms: refused without asking

  fakeTick += 100;
  verifier.answer = 1;
  SendMessageA(cover, WM_KEYDOWN, 'A', 0);
  ASSERT_EQ(TakePostedCloses(), 1);
  Send(WM_CLOSE);
  EXPECT_EQ(verifier.calls, 2);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(IsWindow(cover));  // gone with the saver window
  EXPECT_TRUE(Covers().empty());
}

TEST_F(SaverWindowTest, DestroyingTheSaverWindowTakesItsCoversAlong) {
  Create(false);
  std::vector<HWND> covers = MakeCovers({-50, -40, 420, 320});
  ASSERT_EQ(covers.size(), 4u);
  DestroyWindow(window);
  for (HWND cover : covers) EXPECT_FALSE(IsWindow(cover));
  EXPECT_TRUE(Covers().empty());
}

// --- Password module and saver-running state --------------------------------

TEST_F(SaverWindowTest, PasswordModuleStaysUnloadedWithoutTheSetting) {
  HKEY desktop;
  ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &desktop), ERROR_SUCCESS);
  for (int setting : {-1, 0, 1}) {  // -1: value absent
    SCOPED_TRACE(setting);
    RegDeleteValueA(desktop, "ScreenSaveUsePassword");
    if (setting >= 0) {
      DWORD value = static_cast<DWORD>(setting);
      RegSetValueExA(desktop, "ScreenSaveUsePassword", 0, REG_DWORD,
                     reinterpret_cast<BYTE*>(&value), sizeof value);
    }
    for (bool win9x : {false, true}) {
      hostState.isWin9x = win9x;
      saverRunningCalls.clear();
      LoadPasswordModule();
      // No "PASSWORD.CPL" beside this test: nothing is ever loaded.
      EXPECT_EQ(hostState.passwordModule, nullptr);
      EXPECT_EQ(hostState.verifierProc, nullptr);
      UnloadPasswordModule();
      EXPECT_TRUE(saverRunningCalls.empty());
    }
  }
  RegDeleteValueA(desktop, "ScreenSaveUsePassword");
  RegCloseKey(desktop);
}

TEST_F(SaverWindowTest, UnloadingTheVerifierSwitchesTheSaverRunningStateOff) {
  hostState.isWin9x = true;
  hostState.passwordModule = LoadLibraryA("kernel32.dll");  // any module to free
  hostState.verifierProc = ScriptedVerifier;
  UnloadPasswordModule();
  EXPECT_EQ(hostState.passwordModule, nullptr);
  EXPECT_EQ(hostState.verifierProc, nullptr);
  EXPECT_EQ(saverRunningCalls, std::vector<UINT>{0});
  hostState.isWin9x = false;
  SetSaverRunning(1);
  EXPECT_EQ(saverRunningCalls, std::vector<UINT>{0});  // nothing on the NT family
}

// --- Fault guard --------------------------------------------------------------

struct FilterScript {
  LONG answer = EXCEPTION_EXECUTE_HANDLER;
  int calls = 0;
  DWORD code = 0;
  ULONG_PTR accessKind = 99;
  ULONG_PTR accessAddress = 99;
};
FilterScript filter;

LONG WINAPI ScriptedFilter(EXCEPTION_POINTERS* pointers) {
  ++filter.calls;
  filter.code = pointers->ExceptionRecord->ExceptionCode;
  if (pointers->ExceptionRecord->NumberParameters >= 2) {
    filter.accessKind = pointers->ExceptionRecord->ExceptionInformation[0];
    filter.accessAddress = pointers->ExceptionRecord->ExceptionInformation[1];
  }
  return filter.answer;
}

// A page that may not be touched: a write to it faults wherever it lies
// (Wine quietly maps its low addresses on first use, so null will not do).
int* NoAccessPage() {
  static void* page = VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_NOACCESS);
  return static_cast<int*>(page);
}

int32_t FaultingJob(const char*) {
  int* volatile target = NoAccessPage();
  *target = 1;
  return 5;
}
int32_t RaisingJob(const char*) {
  RaiseException(0xE0001234u, 0, 0, nullptr);
  return 11;
}
int32_t QuietJob(const char* text) { return static_cast<int32_t>(std::strlen(text)); }

// The saver's own faults would come from its window procedure, called by the
// platform from inside the message loop: the guard must be found through the
// platform's frames too.
const UINT kFaultMessage = WM_APP + 7;
HWND faultWindow = nullptr;
LRESULT CALLBACK FaultingWindowProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == kFaultMessage) {
    int* volatile target = NoAccessPage();
    *target = 2;
  }
  return DefWindowProcA(w, m, wp, lp);
}
int32_t FaultInWindowProcedureJob(const char*) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = FaultingWindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "NavaNavaFaultingClass";
  RegisterClassA(&windowClass);
  faultWindow = CreateWindowA("NavaNavaFaultingClass", "", WS_POPUP, 0, 0, 8, 8, nullptr, nullptr,
                              windowClass.hInstance, nullptr);
  if (!faultWindow) return 3;
  PostMessageA(faultWindow, kFaultMessage, 0, 0);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  return 9;  // only if the fault never came
}

void* HandlerList() { return reinterpret_cast<NT_TIB*>(NtCurrentTeb())->ExceptionList; }

TEST(FaultGuard, FaultGoesToTheFilterAndEndsTheJobWhenItSaysSo) {
  LPTOP_LEVEL_EXCEPTION_FILTER previous = SetUnhandledExceptionFilter(ScriptedFilter);
  hostState = kInitialHostState;
  hostState.isWin9x = true;
  saverRunningCalls.clear();
  void* listBefore = HandlerList();
  for (int round = 0; round < 2; ++round) {  // the guard is sound enough to fault again
    filter = FilterScript();
    EXPECT_EQ(RunGuarded(FaultingJob, ""), kFaultExitCode);
    EXPECT_EQ(filter.calls, 1);
    EXPECT_EQ(filter.code, static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));
    EXPECT_EQ(filter.accessKind, 1u);  // a write
    EXPECT_EQ(filter.accessAddress, reinterpret_cast<ULONG_PTR>(NoAccessPage()));
    EXPECT_EQ(HandlerList(), listBefore);
  }
  EXPECT_EQ(saverRunningCalls, (std::vector<UINT>{0, 0}));
  SetUnhandledExceptionFilter(previous);
  hostState = kInitialHostState;
}

TEST(FaultGuard, AFaultInAWindowProcedureReachesTheGuardThroughTheMessageLoop) {
  LPTOP_LEVEL_EXCEPTION_FILTER previous = SetUnhandledExceptionFilter(ScriptedFilter);
  hostState = kInitialHostState;
  hostState.isWin9x = true;
  saverRunningCalls.clear();
  filter = FilterScript();
  EXPECT_EQ(RunGuarded(FaultInWindowProcedureJob, ""), kFaultExitCode);
  EXPECT_EQ(filter.calls, 1);
  EXPECT_EQ(filter.code, static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));
  EXPECT_EQ(filter.accessAddress, reinterpret_cast<ULONG_PTR>(NoAccessPage()));
  EXPECT_EQ(saverRunningCalls, (std::vector<UINT>{0}));
  // The thread goes on working after the cut: its window still answers.
  ASSERT_TRUE(IsWindow(faultWindow));
  EXPECT_EQ(SendMessageA(faultWindow, WM_NULL, 0, 0), 0);
  EXPECT_EQ(RunGuarded(QuietJob, "ok"), 2);
  DestroyWindow(faultWindow);
  SetUnhandledExceptionFilter(previous);
  hostState = kInitialHostState;
}

TEST_F(SaverWindowTest, TheFaultGuardTakesTheCoversDown) {
  Create(false);
  std::vector<HWND> covers = MakeCovers({-50, -40, 420, 320});
  ASSERT_EQ(covers.size(), 4u);
  LPTOP_LEVEL_EXCEPTION_FILTER previous = SetUnhandledExceptionFilter(ScriptedFilter);
  filter = FilterScript();
  EXPECT_EQ(RunGuarded(FaultingJob, ""), kFaultExitCode);
  SetUnhandledExceptionFilter(previous);
  for (HWND cover : covers) EXPECT_FALSE(IsWindow(cover));
  EXPECT_TRUE(Covers().empty());
  EXPECT_TRUE(IsWindow(window));  // the rest is left as it was
}

TEST(FaultGuard, ContinueExecutionResumesTheJobAndQuietJobsPassThrough) {
  LPTOP_LEVEL_EXCEPTION_FILTER previous = SetUnhandledExceptionFilter(ScriptedFilter);
  hostState = kInitialHostState;
  hostState.isWin9x = true;
  saverRunningCalls.clear();
  void* listBefore = HandlerList();
  filter = FilterScript();
  filter.answer = EXCEPTION_CONTINUE_EXECUTION;
  EXPECT_EQ(RunGuarded(RaisingJob, ""), 11);
  EXPECT_EQ(filter.calls, 1);
  EXPECT_EQ(filter.code, 0xE0001234u);
  EXPECT_EQ(RunGuarded(QuietJob, "four"), 4);
  EXPECT_EQ(filter.calls, 1);
  EXPECT_TRUE(saverRunningCalls.empty());
  EXPECT_EQ(HandlerList(), listBefore);
  SetUnhandledExceptionFilter(previous);
  hostState = kInitialHostState;
}

// --- Entry ----------------------------------------------------------------------

int windowsCreated = 0;
LRESULT CALLBACK CountCreations(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND) ++windowsCreated;
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST(SaverMain, CommandLinesThatCannotBeServedEndWithMinusOneAndShowNothing) {
  hostState = kInitialHostState;
  HHOOK hook = SetWindowsHookExA(WH_CBT, CountCreations, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  const char* lines[] = {
      "x", "/x", "-Q", "1", "/9", "\t/s", "/\t", "/ \x82\xA0", "?", "/p", "/p 0", "/p:1234",
      "/p 4294967295", "/l 7", "/P 65539x", "/a", "/A 123",  // "a": the NT family under Wine
  };
  for (const char* line : lines) {
    windowsCreated = 0;
    EXPECT_EQ(SaverMain(GetModuleHandleA(nullptr), line), -1) << line;
    EXPECT_EQ(windowsCreated, 0) << line;
  }
  UnhookWindowsHookEx(hook);
  EXPECT_EQ(hostState.instanceHandle, GetModuleHandleA(nullptr));
  EXPECT_FALSE(hostState.isWin9x);
  hostState = kInitialHostState;
}

const char* PlatformNextChar(const char* text) { return CharNextA(text); }

TEST(SaverEntry, ProgramNameStepsByThePlatformsCharacters) {
  // The Japanese code page, as the saver runs: a lead byte takes the byte
  // after it along, so a quote or blank right behind it is not one.
  ASSERT_EQ(GetACP(), 932u);
  struct Case {
    const char* line;
    const char* rest;
  } cases[] = {
      {"\"C:\\a b\\n.scr\" /s", "/s"},
      {"\"ab\x81\" /s", ""},
      {"ab\x88 /s", ""},
      {"\x88\x40\x88\x41.scr /l 5", "/l 5"},
      {"\"\x88", ""},
      {"n.scr\t/c", "/c"},
  };
  for (const Case& c : cases)
    EXPECT_STREQ(SkipProgramName(c.line, PlatformNextChar), c.rest) << c.line;
}

// A preview run in this process: a thread timer looks at the child while the
// saver's loop runs and then destroys the parent, which ends the run.
struct PreviewCheck {
  HWND parent = nullptr;
  HWND child = nullptr;
  char title[32] = {};
  RECT childClient = {};
  bool childIsChild = false;
  bool coverFound = true;
};
PreviewCheck previewCheck;

void CALLBACK LookAndDestroyParent(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  previewCheck.child = FindWindowExA(previewCheck.parent, nullptr, kSaverClassName, nullptr);
  if (previewCheck.child) {
    GetWindowTextA(previewCheck.child, previewCheck.title, sizeof previewCheck.title);
    GetClientRect(previewCheck.child, &previewCheck.childClient);
    previewCheck.childIsChild = (GetWindowLongA(previewCheck.child, GWL_STYLE) & WS_CHILD) != 0;
  }
  previewCheck.coverFound = FindWindowA(kCoverClassName, nullptr) != nullptr;
  DestroyWindow(previewCheck.parent);
}

TEST_F(SaverWindowTest, PreviewRunsAsAChildOfTheParentsClientSizeUntilTheParentGoes) {
  parent = CreateWindowExA(0, "NavaNavaTestParent", "parent", WS_OVERLAPPEDWINDOW, 10, 10, 317,
                           211, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(parent, nullptr);
  RECT parentClient;
  GetClientRect(parent, &parentClient);
  previewCheck = PreviewCheck();
  previewCheck.parent = parent;
  SetTimer(nullptr, 0, 50, LookAndDestroyParent);
  std::string line = "/p " + std::to_string(reinterpret_cast<uintptr_t>(parent));
  const ScreenRect twoMonitors = {0, 0, 3000, 1000};  // a preview covers nothing all the same
  fakeVirtualScreen = &twoMonitors;
  EXPECT_EQ(SaverMain(GetModuleHandleA(nullptr), line.c_str()), 0);
  fakeVirtualScreen = nullptr;
  EXPECT_FALSE(previewCheck.coverFound);
  ASSERT_NE(previewCheck.child, nullptr);
  EXPECT_STREQ(previewCheck.title, "Preview");
  EXPECT_TRUE(previewCheck.childIsChild);
  EXPECT_EQ(previewCheck.childClient.right, parentClient.right);
  EXPECT_EQ(previewCheck.childClient.bottom, parentClient.bottom);
  EXPECT_TRUE(hostState.isPreview);
  EXPECT_FALSE(IsWindow(previewCheck.child));
  EXPECT_EQ(renderLog.back(), "ReleaseRenderResources");
  parent = nullptr;
}

}  // namespace
