// A stand-in for the Display control panel in the end-to-end test: a window
// whose handle the saver gets with "/p" or "/l" (or "/a"). It reports what
// child the saver made in it, and destroys itself when the test drops a
// "stop" file beside this program. All files live in this program's folder.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string folder;
HWND parent = nullptr;
int elapsedMs = 0;

std::string Beside(const char* name) { return folder + name; }

void WriteWhole(const char* name, const std::string& text) {
  // Written under another name first, so that the test never reads half a line.
  std::string temporary = Beside(name) + ".tmp";
  FILE* f = std::fopen(temporary.c_str(), "wb");
  if (!f) return;
  std::fputs(text.c_str(), f);
  std::fclose(f);
  MoveFileExA(temporary.c_str(), Beside(name).c_str(), MOVEFILE_REPLACE_EXISTING);
}

void CALLBACK Watch(HWND, UINT, UINT_PTR, DWORD) {
  elapsedMs += 50;
  HWND child = FindWindowExA(parent, nullptr, "WindowsScreenSaverClass", nullptr);
  if (child) {
    char title[64] = {};
    GetWindowTextA(child, title, sizeof title);
    RECT r;
    GetWindowRect(child, &r);
    POINT origin = {r.left, r.top};
    ScreenToClient(parent, &origin);
    bool isChild = (GetWindowLongA(child, GWL_STYLE) & WS_CHILD) != 0;
    char line[160];
    std::snprintf(line, sizeof line, "%s %ld %ld %ld %ld %d\n", title, origin.x, origin.y,
                  r.right - r.left, r.bottom - r.top, isChild ? 1 : 0);
    WriteWhole("child.txt", line);
  }
  if (GetFileAttributesA(Beside("stop").c_str()) != INVALID_FILE_ATTRIBUTES || elapsedMs > 60000)
    DestroyWindow(parent);
}

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, sizeof path);
  folder = path;
  folder.erase(folder.find_last_of('\\') + 1);

  WNDCLASSA parentClass = {};
  parentClass.lpfnWndProc = ParentProc;
  parentClass.hInstance = instance;
  parentClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  parentClass.lpszClassName = "NavaNavaTestParent";
  RegisterClassA(&parentClass);
  parent = CreateWindowExA(0, "NavaNavaTestParent", "NavaNava test parent",
                           WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 60, 412, 331, nullptr, nullptr,
                           instance, nullptr);
  if (!parent) return 1;
  RECT client;
  GetClientRect(parent, &client);
  char line[96];
  std::snprintf(line, sizeof line, "%lu %ld %ld\n",
                static_cast<unsigned long>(reinterpret_cast<uintptr_t>(parent)), client.right,
                client.bottom);
  WriteWhole("parent.txt", line);
  SetTimer(nullptr, 0, 50, Watch);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
