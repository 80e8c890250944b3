// A test-only "PASSWORD.CPL": its VerifyScreenSavePwd answers as the file
// "answer.txt" beside it says ("1" accept, "0" refuse; a "c" after it posts
// one more close request just before answering, once per process) and logs every load and
// call to "verify.log", with the tick counts (GetTickCount, the clock the
// saver's 200 ms rule reads) at which the call began and answered. Its
// "dialog" is a short message loop that keeps dispatching the saver's
// messages, as the platform's dialog does.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string folder;
bool closePosted = false;

void Log(const char* text) {
  FILE* f = std::fopen((folder + "verify.log").c_str(), "ab");
  if (!f) return;
  std::fputs(text, f);
  std::fclose(f);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    char path[MAX_PATH];
    GetModuleFileNameA(module, path, sizeof path);
    folder = path;
    folder.erase(folder.find_last_of('\\') + 1);
    Log("load\n");
  }
  return TRUE;
}

extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND owner) {
  char answer[8] = "0";
  if (FILE* f = std::fopen((folder + "answer.txt").c_str(), "rb")) {
    size_t n = std::fread(answer, 1, sizeof answer - 1, f);
    answer[n] = 0;
    std::fclose(f);
  }
  BOOL running = FALSE;
  SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
  int ticks = 0;
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 300) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_TIMER && message.hwnd == owner) ++ticks;
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    Sleep(5);
  }
  char line[128];
  std::snprintf(line, sizeof line, "verify answer=%c running=%d ticks=%d began=%lu answered=%lu\n",
                answer[0], running ? 1 : 0, ticks > 0 ? 1 : 0, static_cast<unsigned long>(start),
                static_cast<unsigned long>(GetTickCount()));
  Log(line);
  if (answer[1] == 'c' && !closePosted) {
    closePosted = true;
    PostMessageA(owner, WM_CLOSE, 0, 0);
  }
  return answer[0] == '1';
}
