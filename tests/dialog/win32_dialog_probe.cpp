// Test-only launcher for the settings dialog of another program:
//
//   dialog_probe.exe INFO_FILE [--desktop NAME] [--act TOKENS] PROGRAM [ARGS...]
//
// Puts a window of its own in the foreground, starts PROGRAM with ARGS, waits
// for that process's dialog and writes what it shows to INFO_FILE: the slider
// positions, the screen centres of the buttons and of the close box, the
// slider rectangles, the dialog's owner, the focused control and the dialog's
// X window. Then it performs the optional message actions (comma-separated:
// "cN" posts WM_COMMAND N, "close" posts WM_CLOSE, "sysclose" sends the close
// box's SC_CLOSE, "kN" posts a key press of virtual key N to the focused
// control, "w" waits 100 ms), keeps its own window alive until PROGRAM ends,
// and exits with PROGRAM's exit code. Exit code 200 when no dialog appeared
// within 120 s, 203 when it was still open after 120 s (PROGRAM is then
// ended). The bounds are generous: Wine starts slowly on a busy machine.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct Search {
  DWORD processId;
  HWND dialog;
};

BOOL CALLBACK FindDialogOf(HWND window, LPARAM param) {
  Search* search = reinterpret_cast<Search*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  char name[16];
  if (pid == search->processId && IsWindowVisible(window) &&
      GetClassNameA(window, name, sizeof name) && lstrcmpA(name, "#32770") == 0 &&
      GetDlgItem(window, 1009)) {
    search->dialog = window;
    return FALSE;
  }
  return TRUE;
}

void PumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

std::string Centre(HWND dialog, int id) {
  RECT r;
  GetWindowRect(GetDlgItem(dialog, id), &r);
  char text[64];
  snprintf(text, sizeof text, "%ld %ld", (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  return text;
}

std::string Rect(HWND dialog, int id) {
  RECT r;
  GetWindowRect(GetDlgItem(dialog, id), &r);
  char text[64];
  snprintf(text, sizeof text, "%ld %ld %ld %ld", r.left, r.top, r.right, r.bottom);
  return text;
}

void WriteInfo(const char* path, HWND dialog, HWND ownWindow, DWORD threadId) {
  std::string info;
  char line[128];
  snprintf(line, sizeof line, "speed %ld\ncount %ld\n",
           static_cast<long>(SendDlgItemMessageA(dialog, 1009, TBM_GETPOS, 0, 0)),
           static_cast<long>(SendDlgItemMessageA(dialog, 1010, TBM_GETPOS, 0, 0)));
  info += line;
  info += "ok " + Centre(dialog, IDOK) + "\n";
  info += "cancel " + Centre(dialog, IDCANCEL) + "\n";
  info += "default " + Centre(dialog, 3) + "\n";
  info += "speedslider " + Rect(dialog, 1009) + "\n";
  info += "countslider " + Rect(dialog, 1010) + "\n";
  RECT w;
  GetWindowRect(dialog, &w);
  snprintf(line, sizeof line, "window %ld %ld %ld %ld\n", w.left, w.top, w.right, w.bottom);
  info += line;
  // The close box sits at the right end of the caption.
  int frame = GetSystemMetrics(SM_CXFIXEDFRAME);
  int button = GetSystemMetrics(SM_CXSIZE);
  int caption = GetSystemMetrics(SM_CYCAPTION);
  snprintf(line, sizeof line, "close %ld %ld\n", w.right - frame - button / 2,
           w.top + GetSystemMetrics(SM_CYFIXEDFRAME) + caption / 2);
  info += line;
  HWND owner = GetWindow(dialog, GW_OWNER);
  info += std::string("owner ") + (owner == nullptr ? "none" : owner == ownWindow ? "probe" : "other") +
          "\n";
  GUITHREADINFO gui = {};
  gui.cbSize = sizeof gui;
  GetGUIThreadInfo(threadId, &gui);
  snprintf(line, sizeof line, "focus %d\n", gui.hwndFocus ? GetDlgCtrlID(gui.hwndFocus) : 0);
  info += line;
  snprintf(line, sizeof line, "xid %lu\n",
           static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(
               GetPropA(dialog, "__wine_x11_whole_window"))));
  info += line;
  char title[64] = "";
  GetWindowTextA(dialog, title, sizeof title);
  info += "title";
  for (const char* p = title; *p; ++p) {
    snprintf(line, sizeof line, " %02X", static_cast<unsigned char>(*p));
    info += line;
  }
  info += "\n";
  // Written beside and renamed, so a reader never sees half of it.
  std::string partial = std::string(path) + ".part";
  FILE* f = fopen(partial.c_str(), "wb");
  if (!f) return;
  fwrite(info.data(), 1, info.size(), f);
  fclose(f);
  MoveFileExA(partial.c_str(), path, MOVEFILE_REPLACE_EXISTING);
}

void Act(HWND dialog, DWORD threadId, const char* tokens) {
  std::string list(tokens);
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(',', start);
    if (end == std::string::npos) end = list.size();
    std::string token = list.substr(start, end - start);
    start = end + 1;
    if (token.empty()) continue;
    if (token == "close") {
      PostMessageA(dialog, WM_CLOSE, 0, 0);
    } else if (token == "sysclose") {
      PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    } else if (token[0] == 'c') {
      PostMessageA(dialog, WM_COMMAND, strtoul(token.c_str() + 1, nullptr, 10), 0);
    } else if (token[0] == 'k') {
      GUITHREADINFO gui = {};
      gui.cbSize = sizeof gui;
      GetGUIThreadInfo(threadId, &gui);
      HWND target = gui.hwndFocus ? gui.hwndFocus : dialog;
      WPARAM key = strtoul(token.c_str() + 1, nullptr, 10);
      PostMessageA(target, WM_KEYDOWN, key, 1);
      PostMessageA(target, WM_KEYUP, key, 0xC0000001);
    }
    for (int i = 0; i < 10; ++i) {  // let the dialog take it in
      PumpMessages();
      Sleep(10);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: dialog_probe INFO_FILE [--desktop NAME] [--act TOKENS] PROGRAM [ARGS...]\n");
    return 2;
  }
  const char* infoPath = argv[1];
  const char* desktop = nullptr;
  const char* actions = nullptr;
  int i = 2;
  for (; i + 1 < argc; i += 2) {
    if (strcmp(argv[i], "--desktop") == 0) {
      desktop = argv[i + 1];
    } else if (strcmp(argv[i], "--act") == 0) {
      actions = argv[i + 1];
    } else {
      break;
    }
  }
  std::string commandLine = std::string("\"") + argv[i] + "\"";
  for (int a = i + 1; a < argc; ++a) commandLine += std::string(" ") + argv[a];

  if (desktop) {
    // The probe joins the desktop first: it finds only windows of its own
    // desktop, and its window is the one to own a "c" dialog there.
    HDESK handle = CreateDesktopA(desktop, nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    if (handle) SetThreadDesktop(handle);
  }
  HWND ownWindow = CreateWindowExA(0, "STATIC", "dialog probe", WS_POPUP | WS_VISIBLE, 1000, 740,
                                   16, 16, nullptr, nullptr, nullptr, nullptr);
  SetForegroundWindow(ownWindow);
  PumpMessages();

  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.lpDesktop = const_cast<char*>(desktop);
  PROCESS_INFORMATION child;
  std::string mutableLine = commandLine;
  if (!CreateProcessA(nullptr, &mutableLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &child)) {
    fprintf(stderr, "cannot start %s\n", commandLine.c_str());
    DestroyWindow(ownWindow);
    return 201;
  }

  Search search = {child.dwProcessId, nullptr};
  const DWORD searchEnd = GetTickCount() + 120000;
  while (!search.dialog && static_cast<LONG>(GetTickCount() - searchEnd) < 0) {
    PumpMessages();
    if (WaitForSingleObject(child.hProcess, 10) == WAIT_OBJECT_0) break;
    EnumWindows(FindDialogOf, reinterpret_cast<LPARAM>(&search));
  }
  DWORD code = 200;
  if (search.dialog) {
    // Let the dialog finish its first painting before anyone looks at it.
    for (int k = 0; k < 20; ++k) {
      PumpMessages();
      Sleep(10);
    }
    DWORD threadId = GetWindowThreadProcessId(search.dialog, nullptr);
    WriteInfo(infoPath, search.dialog, ownWindow, threadId);
    if (actions) Act(search.dialog, threadId, actions);
    // A dialog still open after 120 s is ended, so that no test leaves it.
    DWORD deadline = GetTickCount() + 120000;
    DWORD wait;
    while ((wait = MsgWaitForMultipleObjects(1, &child.hProcess, FALSE, 100, QS_ALLINPUT)) !=
               WAIT_OBJECT_0 &&
           static_cast<LONG>(GetTickCount() - deadline) < 0)
      PumpMessages();
    if (wait == WAIT_OBJECT_0) {
      GetExitCodeProcess(child.hProcess, &code);
    } else {
      TerminateProcess(child.hProcess, 203);
      code = 203;
    }
  } else if (WaitForSingleObject(child.hProcess, 0) == WAIT_OBJECT_0) {
    GetExitCodeProcess(child.hProcess, &code);
    fprintf(stderr, "%s ended without a dialog, exit code %lu\n", commandLine.c_str(),
            static_cast<unsigned long>(code));
    code = 202;
  } else {
    TerminateProcess(child.hProcess, 200);
  }
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  DestroyWindow(ownWindow);
  return static_cast<int>(code);
}
