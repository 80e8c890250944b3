// The saver's window under Wine for a long run at the fastest settings
// (interval 0, 100 flakes): after the first hundred ticks neither the number
// of live GDI objects nor the process's committed private memory may grow,
// and destroying the window gives back every GDI object the scene made.
//
// The platform's own counters (GetGuiResources, PrivateUsage) are not
// implemented by Wine, so both are measured directly: GDI objects by how many
// more the process can create before the handle table is full, memory by
// walking the address space.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "win32/win32_host_state.h"
#include "win32/win32_saver_window.h"
#include "scene/settings.h"

namespace {

int FreeGdiSlots() {
  static std::vector<HBITMAP> probe(100000);
  int n = 0;
  while (n < static_cast<int>(probe.size())) {
    HBITMAP b = CreateBitmap(1, 1, 1, 1, nullptr);
    if (!b) break;
    probe[n++] = b;
  }
  for (int i = 0; i < n; ++i) DeleteObject(probe[i]);
  return n;
}

SIZE_T CommittedPrivateBytes() {
  SIZE_T total = 0;
  MEMORY_BASIC_INFORMATION info;
  BYTE* address = nullptr;
  while (VirtualQuery(address, &info, sizeof info) == sizeof info) {
    if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += info.RegionSize;
    BYTE* next = static_cast<BYTE*>(info.BaseAddress) + info.RegionSize;
    if (next <= address) break;
    address = next;
  }
  return total;
}

void DrainMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message != WM_TIMER && message.message != WM_QUIT) DispatchMessageA(&message);
  }
}

long SoakTicks() {
  const char* env = std::getenv("NAVANAVA_SOAK_TICKS");
  long ticks = env ? std::atol(env) : 0;
  return ticks > 0 ? ticks : 20000;
}

class WindowsSoak : public ::testing::Test {
 protected:
  void SetUp() override {
    hostState.instanceHandle = GetModuleHandleA(nullptr);
    hostState.isPreview = true;  // input never closes a preview
    LoadSaverStrings();
    char dir[MAX_PATH];
    GetWindowsDirectoryA(dir, MAX_PATH);
    iniPath_ = std::string(dir) + "\\" + iniFileName;
    hadIni_ = ReadBytes(iniPath_, &savedIni_);
    WritePrivateProfileStringA(settingsSection, "\x91\xAC\x82\xB3", "0", iniFileName);
    WritePrivateProfileStringA(settingsSection, "\x90\xE1\x82\xCC\x90\x94", "100", iniFileName);
  }
  void TearDown() override {
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, iniFileName);
    DeleteFileA(iniPath_.c_str());
    if (hadIni_) {
      FILE* f = std::fopen(iniPath_.c_str(), "wb");
      if (f) {
        std::fwrite(savedIni_.data(), 1, savedIni_.size(), f);
        std::fclose(f);
      }
    }
  }
  static bool ReadBytes(const std::string& path, std::string* bytes) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes->append(buf, n);
    std::fclose(f);
    return true;
  }

  std::string iniPath_, savedIni_;
  bool hadIni_ = false;
};

struct RunMeasures {
  int slotsEarly = 0, slotsLate = 0;
  SIZE_T memoryEarly = 0, memoryLate = 0;
};

// One saver window from creation to destruction, ticked `ticks` + 100 times;
// measured after the first hundred ticks and at the end.
RunMeasures RunSaverWindow(HWND parent, long ticks) {
  RunMeasures m;
  HWND saver = CreateWindowExA(0, kSaverClassName, kPreviewTitle,
                               WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 800, 600, parent,
                               nullptr, hostState.instanceHandle, nullptr);
  EXPECT_NE(saver, nullptr);
  if (!saver) return m;
  EXPECT_EQ(sceneSettings.tickIntervalMs, 0);
  EXPECT_EQ(sceneSettings.flakeCount, 100);
  for (long tick = 1; tick <= ticks + 100; ++tick) {
    SendMessageA(saver, WM_TIMER, 100, 0);
    if (tick % 500 == 0) DrainMessages();
    if (tick == 100) {
      DrainMessages();
      m.slotsEarly = FreeGdiSlots();
      m.memoryEarly = CommittedPrivateBytes();
    }
  }
  DrainMessages();
  m.slotsLate = FreeGdiSlots();
  m.memoryLate = CommittedPrivateBytes();
  DestroyWindow(saver);
  DrainMessages();
  return m;
}

TEST_F(WindowsSoak, NoGdiObjectOrMemoryGrowthOverALongRun) {
  WNDCLASSA parentClass = {};
  parentClass.lpfnWndProc = DefWindowProcA;
  parentClass.hInstance = hostState.instanceHandle;
  parentClass.lpszClassName = "NavaNavaSoakParent";
  ASSERT_TRUE(RegisterClassA(&parentClass));
  HWND parent = CreateWindowExA(0, "NavaNavaSoakParent", "soak", WS_POPUP | WS_VISIBLE, 0, 0,
                                800, 600, nullptr, nullptr, hostState.instanceHandle, nullptr);
  ASSERT_NE(parent, nullptr);
  WNDCLASSA saverClass;
  FillSaverClass(&saverClass);
  ASSERT_TRUE(RegisterClassA(&saverClass));
  DrainMessages();

  // A first, short life: the platform keeps a few objects of its own after
  // the first window with its own device context, so the clean state to come
  // back to is the one after this run.
  RunSaverWindow(parent, 100);
  const int slotsBetween = FreeGdiSlots();

  const long ticks = SoakTicks();
  RunMeasures m = RunSaverWindow(parent, ticks);
  EXPECT_EQ(m.slotsLate, m.slotsEarly) << "GDI objects leaked in " << ticks << " ticks";
  EXPECT_EQ(m.memoryLate, m.memoryEarly)
      << "committed private memory grew by " << (long long)(m.memoryLate - m.memoryEarly)
      << " bytes in " << ticks << " ticks";
  // The scene holds the back buffer, four sprites and a palette while it runs.
  EXPECT_LE(m.slotsEarly, slotsBetween - 6);
  EXPECT_EQ(FreeGdiSlots(), slotsBetween) << "objects left after the window was destroyed";

  DestroyWindow(parent);
  UnregisterClassA(kSaverClassName, hostState.instanceHandle);
  UnregisterClassA("NavaNavaSoakParent", hostState.instanceHandle);
}

}  // namespace
