// The settings dialog in this process, driven through its modal loop: a thread
// timer finds the open dialog, reads what the sliders show and acts on it with
// the messages that clicks, keys and the close box produce. After each run the
// result and the exact bytes of the Windows directory's "control.ini" are
// checked.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "dialog/slider_positions.h"
#include "win32/win32_settings_dialog.h"
#include "win32/win32_host_state.h"
#include "scene/settings.h"
#include "tests/scene/profile_test_support.h"

namespace {

// "速さ" and "雪の数" in code page 932.
const std::string kSpeed = "\x91\xAC\x82\xB3";
const std::string kCount = "\x90\xE1\x82\xCC\x90\x94";

// Another program's sections and a foreign key in ours, which every write must
// leave as they are.
std::string StoredFile(const std::string& ourLines) {
  return "[Other]\r\nx=1\r\n[ScreenSaver.NavaNava]\r\nforeign=keep\r\n" + ourLines +
         "[Later]\r\ny=2\r\n";
}

std::string Line(const std::string& key, const std::string& value) {
  return key + "=" + value + "\r\n";
}

// One opening of the dialog: the steps run one per timer tick while it is
// open; the positions are those the sliders show before the first step.
struct DialogRun {
  std::vector<std::function<void(HWND)>> steps;
  HWND owner = nullptr;
  int32_t shownSpeed = -100;
  int32_t shownCount = -100;
  bool slidersMatchHandles = false;
  SceneSettings opened = {-1, 0};  // the record as the opening left it
  HWND dialog = nullptr;
  HWND ownerSeen = nullptr;
  size_t next = 0;
  int overtime = 0;
};

DialogRun* currentRun = nullptr;
constexpr INT_PTR kLeftOpen = 77;  // the result when the steps did not close it

BOOL CALLBACK CollectDialog(HWND window, LPARAM out) {
  char name[16];
  if (GetClassNameA(window, name, sizeof name) && lstrcmpA(name, "#32770") == 0 &&
      IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(out) = window;
    return FALSE;
  }
  return TRUE;
}

HWND FindOpenDialog() {
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), CollectDialog, reinterpret_cast<LPARAM>(&found));
  return found;
}

int32_t Position(HWND dialog, int id) {
  return static_cast<int32_t>(SendDlgItemMessageA(dialog, id, TBM_GETPOS, 0, 0));
}

void CALLBACK DriveDialog(HWND, UINT, UINT_PTR, DWORD) {
  DialogRun& run = *currentRun;
  HWND dialog = FindOpenDialog();
  if (!dialog) return;
  if (!run.dialog) {
    run.dialog = dialog;
    run.ownerSeen = GetWindow(dialog, GW_OWNER);
    run.shownSpeed = Position(dialog, 1009);
    run.shownCount = Position(dialog, 1010);
    run.opened = sceneSettings;
    run.slidersMatchHandles =
        speedSlider == GetDlgItem(dialog, 1009) && countSlider == GetDlgItem(dialog, 1010);
  }
  if (run.next < run.steps.size()) {
    run.steps[run.next++](dialog);
  } else if (++run.overtime > 5) {
    EndDialog(dialog, kLeftOpen);
  }
}

INT_PTR RunDialog(DialogRun& run) {
  currentRun = &run;
  UINT_PTR timer = SetTimer(nullptr, 0, 20, DriveDialog);
  INT_PTR result = ShowSettingsDialog(run.owner);
  KillTimer(nullptr, timer);
  // Drop a tick that may already be queued for the timer just killed.
  MSG msg;
  while (PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) {
  }
  currentRun = nullptr;
  return result;
}

// What a click on a push button of the dialog produces.
void Click(HWND dialog, int id) { SendDlgItemMessageA(dialog, id, BM_CLICK, 0, 0); }

// A key as the dialog's modal loop receives it, sent to the focused control.
void Key(HWND dialog, UINT virtualKey) {
  HWND focus = GetFocus();
  PostMessageA(focus ? focus : dialog, WM_KEYDOWN, virtualKey, 1);
  PostMessageA(focus ? focus : dialog, WM_KEYUP, virtualKey, 0xC0000001);
}

// A slider moved as the user moves it: the control changes its position and
// tells the dialog with WM_HSCROLL, which the dialog does not handle.
void MoveSlider(HWND dialog, int id, int32_t position) {
  HWND slider = GetDlgItem(dialog, id);
  SendMessageA(slider, TBM_SETPOS, TRUE, position);
  SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position),
               reinterpret_cast<LPARAM>(slider));
  SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(slider));
}

class SettingsDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    hostState.instanceHandle = GetModuleHandleA(nullptr);
    path_ = SettingsFilePath();
    hadFile_ = ReadFileBytes(path_, &saved_);
    RemoveFile(path_);
  }
  void TearDown() override {
    hostState.instanceHandle = GetModuleHandleA(nullptr);
    RemoveFile(path_);
    if (hadFile_) WriteFileBytes(path_, saved_);
  }

  void Store(const std::string& text) { WriteFileBytes(path_, text); }
  // The file as it is on disk, after the platform has flushed its cache.
  std::string FileNow() {
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path_.c_str());
    std::string bytes;
    if (!ReadFileBytes(path_, &bytes)) return "(no file)";
    return bytes;
  }

  std::string path_;
  std::string saved_;
  bool hadFile_ = false;
};

TEST_F(SettingsDialog, RegisterSettingsClassesLetsTheDialogOpen) {
  EXPECT_EQ(RegisterSettingsClasses(hostState.instanceHandle), TRUE);
}

// What the sliders show for a stored file, and what an untouched OK stores.
struct StoredCase {
  const char* name;
  const char* ourLines;  // our keys' lines in the section, or nullptr for no file
  int32_t speed, count;  // the positions shown
  const char* interval;  // stored by OK
  const char* flakes;
};

const StoredCase kStoredCases[] = {
    {"no file", nullptr, 9, 1, "10", "10"},
    {"15 and 15", "\x91\xAC\x82\xB3=15\r\n\x90\xE1\x82\xCC\x90\x94=15\r\n", 8, 1, "20", "10"},
    {"interval 5, count 95", "\x91\xAC\x82\xB3=5\r\n\x90\xE1\x82\xCC\x90\x94=95\r\n", 9, 9, "10", "90"},
    {"interval 95, count 0", "\x91\xAC\x82\xB3=95\r\n\x90\xE1\x82\xCC\x90\x94=0\r\n", 0, 0, "100", "0"},
    {"interval 105", "\x91\xAC\x82\xB3=105\r\n\x90\xE1\x82\xCC\x90\x94=100\r\n", 0, 10, "100", "100"},
    {"interval 150", "\x91\xAC\x82\xB3=150\r\n\x90\xE1\x82\xCC\x90\x94=50\r\n", 0, 5, "100", "50"},
    {"interval 0", "\x91\xAC\x82\xB3=0\r\n\x90\xE1\x82\xCC\x90\x94=30\r\n", 10, 3, "0", "30"},
    {"count 255", "\x91\xAC\x82\xB3=40\r\n\x90\xE1\x82\xCC\x90\x94=255\r\n", 6, 10, "40", "100"},
    {"only the count", "\x90\xE1\x82\xCC\x90\x94=50\r\n", 9, 5, "10", "50"},
    {"only the speed", "\x91\xAC\x82\xB3=70\r\n", 3, 1, "70", "10"},
    // Values that no dialog writes, read as the platform reads them.
    {"interval -1, count 300", "\x91\xAC\x82\xB3=-1\r\n\x90\xE1\x82\xCC\x90\x94=300\r\n", 10, 4, "0", "40"},
    {"letters, count 256", "\x91\xAC\x82\xB3=abc\r\n\x90\xE1\x82\xCC\x90\x94=256\r\n", 10, 0, "0", "0"},
    {"empty values", "\x91\xAC\x82\xB3=\r\n\x90\xE1\x82\xCC\x90\x94=\r\n", 9, 1, "10", "10"},
    {"hexadecimal 0x1A", "\x91\xAC\x82\xB3=0x1A\r\n\x90\xE1\x82\xCC\x90\x94=0x1A\r\n", 7, 2, "30", "20"},
    {"beyond 32 bits", "\x91\xAC\x82\xB3=99999999999\r\n\x90\xE1\x82\xCC\x90\x94=4294967306\r\n", 0, 1, "100", "10"},
    // -2^31 after the signed reading: far below 0, so fast.
    {"interval 2147483648", "\x91\xAC\x82\xB3=2147483648\r\n\x90\xE1\x82\xCC\x90\x94=-1\r\n", 10, 10, "0", "100"},
    {"count above 100", "\x91\xAC\x82\xB3=20\r\n\x90\xE1\x82\xCC\x90\x94=101\r\n", 8, 10, "20", "100"},
    {"keys in UTF-8", "\xE9\x80\x9F\xE3\x81\x95=50\r\n", 9, 1, "10", "10"},
};

TEST_F(SettingsDialog, SlidersShowTheStoredSettingsAndUntouchedOkStoresThem) {
  for (const StoredCase& c : kStoredCases) {
    SCOPED_TRACE(c.name);
    RemoveFile(path_);
    if (c.ourLines) Store(StoredFile(c.ourLines));
    DialogRun run;
    run.steps = {[](HWND d) { Click(d, IDOK); }};
    EXPECT_EQ(RunDialog(run), 1);
    EXPECT_EQ(run.shownSpeed, c.speed);
    EXPECT_EQ(run.shownCount, c.count);
    // The control shows the portable arithmetic's position, held to 0..10.
    EXPECT_EQ(run.shownSpeed,
              std::clamp(SpeedPositionFromInterval(run.opened.tickIntervalMs), 0, kSliderMaxPosition));
    EXPECT_EQ(run.shownCount,
              std::clamp(CountPositionFromFlakeCount(run.opened.flakeCount), 0, kSliderMaxPosition));
    EXPECT_TRUE(run.slidersMatchHandles);
    EXPECT_EQ(run.ownerSeen, nullptr);
    EXPECT_EQ(sceneSettings.tickIntervalMs, atoi(c.interval));
    EXPECT_EQ(sceneSettings.flakeCount, atoi(c.flakes));
    std::string ours = Line(kSpeed, c.interval) + Line(kCount, c.flakes);
    if (!c.ourLines) {
      EXPECT_EQ(FileNow(), "[ScreenSaver.NavaNava]\r\n" + ours);
    } else {
      // Our two keys are rewritten in place (or added at the end of the
      // section), everything else stays byte for byte.
      std::string expected = c.ourLines;
      for (const std::string* key : {&kSpeed, &kCount}) {
        std::string value = key == &kSpeed ? c.interval : c.flakes;
        size_t at = expected.find(*key + "=");
        if (at == std::string::npos) {
          expected += Line(*key, value);
        } else {
          size_t end = expected.find("\r\n", at);
          expected.replace(at, end - at, *key + "=" + value);
        }
      }
      EXPECT_EQ(FileNow(), StoredFile(expected));
    }
  }
}

// The ways to leave or reset the dialog, each from the same stored file.
struct ActionCase {
  const char* name;
  std::vector<std::function<void(HWND)>> steps;
  INT_PTR result;
  const char* interval;  // what the file holds afterwards
  const char* flakes;
  int32_t recordInterval;  // sceneSettings afterwards
  int recordFlakes;
};

std::vector<ActionCase> ActionCases() {
  auto positionsAre = [](int32_t speed, int32_t count) {
    return [speed, count](HWND d) {
      EXPECT_EQ(Position(d, 1009), speed);
      EXPECT_EQ(Position(d, 1010), count);
    };
  };
  auto tab = [](HWND d) { Key(d, VK_TAB); };
  auto enter = [](HWND d) { Key(d, VK_RETURN); };
  return {
      {"OK button", {[](HWND d) { Click(d, IDOK); }}, 1, "20", "10", 20, 10},
      {"Cancel button", {[](HWND d) { Click(d, IDCANCEL); }}, 0, "15", "15", 15, 15},
      {"Enter on OK", {enter}, 1, "20", "10", 20, 10},
      {"Tab to a slider, Enter", {tab, tab, enter}, 1, "20", "10", 20, 10},
      {"Tab to Cancel, Enter", {tab, enter}, 0, "15", "15", 15, 15},
      {"Tab to Cancel, Space", {tab, [](HWND d) { Key(d, VK_SPACE); }}, 0, "15", "15", 15, 15},
      {"Escape", {[](HWND d) { Key(d, VK_ESCAPE); }}, 0, "15", "15", 15, 15},
      {"close box", {[](HWND d) { SendMessageA(d, WM_SYSCOMMAND, SC_CLOSE, 0); }}, 0, "15", "15", 15, 15},
      {"WM_CLOSE", {[](HWND d) { PostMessageA(d, WM_CLOSE, 0, 0); }}, 0, "15", "15", 15, 15},
      {"Default then Cancel",
       {[](HWND d) { Click(d, 3); }, positionsAre(9, 1), [](HWND d) { Click(d, IDCANCEL); }},
       0, "15", "15", 10, 10},
      {"Default then OK",
       {[](HWND d) { Click(d, 3); }, positionsAre(9, 1), [](HWND d) { Click(d, IDOK); }},
       1, "10", "10", 10, 10},
      {"Tab to Default, Enter stays open, then Escape",
       {tab, tab, tab, tab, enter, positionsAre(9, 1), [](HWND d) { Key(d, VK_ESCAPE); }},
       0, "15", "15", 10, 10},
      {"moved sliders then Cancel",
       {[](HWND d) { MoveSlider(d, 1009, 2); }, [](HWND d) { MoveSlider(d, 1010, 7); },
        positionsAre(2, 7), [](HWND d) { Click(d, IDCANCEL); }},
       0, "15", "15", 15, 15},
      {"moved sliders then OK",
       {[](HWND d) { MoveSlider(d, 1009, 10); }, [](HWND d) { MoveSlider(d, 1010, 7); },
        [](HWND d) { Click(d, IDOK); }},
       1, "0", "70", 0, 70},
      {"moved, Default, moved, Default, OK",
       {[](HWND d) { MoveSlider(d, 1009, 0); }, [](HWND d) { Click(d, 3); },
        [](HWND d) { MoveSlider(d, 1010, 10); }, [](HWND d) { Click(d, 3); },
        positionsAre(9, 1), [](HWND d) { Click(d, IDOK); }},
       1, "10", "10", 10, 10},
      {"commands with a notification code do nothing",
       {[](HWND d) {
          // BN_SETFOCUS and BN_KILLFOCUS style codes in the high word.
          SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDOK, 6), 0);
          SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDCANCEL, 7), 0);
          SendMessageA(d, WM_COMMAND, MAKEWPARAM(3, 1), 0);
        },
        positionsAre(8, 1), [](HWND d) { Click(d, IDCANCEL); }},
       0, "15", "15", 15, 15},
  };
}

TEST_F(SettingsDialog, EveryWayOutStoresOnlyOnOk) {
  const std::string stored = StoredFile(Line(kSpeed, "15") + Line(kCount, "15"));
  for (ActionCase& c : ActionCases()) {
    SCOPED_TRACE(c.name);
    Store(stored);
    DialogRun run;
    run.steps = c.steps;
    EXPECT_EQ(RunDialog(run), c.result);
    EXPECT_EQ(run.shownSpeed, 8);
    EXPECT_EQ(run.shownCount, 1);
    EXPECT_EQ(FileNow(), StoredFile(Line(kSpeed, c.interval) + Line(kCount, c.flakes)));
    EXPECT_EQ(sceneSettings.tickIntervalMs, c.recordInterval);
    EXPECT_EQ(sceneSettings.flakeCount, c.recordFlakes);
  }
}

TEST_F(SettingsDialog, ProcedureResultsFollowTheMessageTable) {
  Store(StoredFile(Line(kSpeed, "15") + Line(kCount, "15")));
  DialogRun run;
  run.steps = {[](HWND d) {
                 EXPECT_EQ(SettingsDialogProc(d, WM_COMMAND, 3, 0), 0);  // Default
                 EXPECT_EQ(SettingsDialogProc(d, WM_COMMAND, 4, 0), 0);
                 EXPECT_EQ(SettingsDialogProc(d, WM_COMMAND, MAKEWPARAM(IDOK, 1), 0), 0);
                 EXPECT_EQ(SettingsDialogProc(d, WM_COMMAND, MAKEWPARAM(IDCANCEL, 1), 0), 0);
                 EXPECT_EQ(SettingsDialogProc(d, WM_HSCROLL, TB_ENDTRACK, 0), 0);
                 EXPECT_EQ(SettingsDialogProc(d, WM_CLOSE, 0, 0), 0);
                 EXPECT_TRUE(IsWindow(d));
               },
               [](HWND d) { EXPECT_EQ(SettingsDialogProc(d, WM_COMMAND, IDCANCEL, 0), 1); }};
  EXPECT_EQ(RunDialog(run), 0);
  EXPECT_EQ(FileNow(), StoredFile(Line(kSpeed, "15") + Line(kCount, "15")));
}

TEST_F(SettingsDialog, OwnerIsTheGivenWindow) {
  HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               nullptr, nullptr);
  ASSERT_NE(owner, nullptr);
  DialogRun run;
  run.owner = owner;
  run.steps = {[](HWND d) { Click(d, IDCANCEL); }};
  EXPECT_EQ(RunDialog(run), 0);
  EXPECT_EQ(run.ownerSeen, owner);
  DestroyWindow(owner);
  EXPECT_EQ(FileNow(), "(no file)");
}

TEST_F(SettingsDialog, DialogThatCannotBeCreatedReturnsMinusOneAndWritesNothing) {
  // A module without template 2003.
  hostState.instanceHandle = GetModuleHandleA("kernel32.dll");
  const std::string stored = StoredFile(Line(kSpeed, "15") + Line(kCount, "15"));
  Store(stored);
  DialogRun run;
  EXPECT_EQ(RunDialog(run), -1);
  EXPECT_EQ(run.dialog, nullptr);
  EXPECT_EQ(FileNow(), stored);
}

}  // namespace

// Under Wine without a window manager, every top-level window that closes
// costs a wait of up to 2 s for a withdrawal that never comes: seconds per
// dialog. Windows that Wine does not hand to a window manager close at once.
// Wine reads that setting when the process starts, so the tests run in a child
// process started after the setting is made for this program only; the
// setting is removed again afterwards. On Windows the key means nothing.
int main(int argc, char** argv) {
  const char kChildMark[] = "NAVANAVA_DIALOG_TEST_CHILD";
  if (GetEnvironmentVariableA(kChildMark, nullptr, 0) == 0) {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name(path, n);
    std::string key = "Software\\Wine\\AppDefaults\\" +
                      name.substr(name.find_last_of("\\/") + 1) + "\\X11 Driver";
    HKEY handle;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &handle, nullptr) == ERROR_SUCCESS) {
      RegSetValueExA(handle, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
      RegCloseKey(handle);
    }
    SetEnvironmentVariableA(kChildMark, "1");
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child;
    DWORD code = 1;
    if (CreateProcessA(nullptr, GetCommandLineA(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                       &startup, &child)) {
      WaitForSingleObject(child.hProcess, INFINITE);
      GetExitCodeProcess(child.hProcess, &code);
      CloseHandle(child.hThread);
      CloseHandle(child.hProcess);
    }
    RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
    return static_cast<int>(code);
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
