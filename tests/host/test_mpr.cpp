// A test-only "MPR.DLL": PwdChangePasswordA logs its arguments to "mpr.log"
// beside it instead of showing the platform's password-change dialog.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {
std::string folder;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    char path[MAX_PATH];
    GetModuleFileNameA(module, path, sizeof path);
    folder = path;
    folder.erase(folder.find_last_of('\\') + 1);
  }
  return TRUE;
}

extern "C" __declspec(dllexport) DWORD WINAPI PwdChangePasswordA(LPCSTR provider, HWND owner,
                                                                 DWORD flags, LPVOID reserved) {
  if (FILE* f = std::fopen((folder + "mpr.log").c_str(), "ab")) {
    std::fprintf(f, "change %s %lu %lu %d\n", provider ? provider : "(null)",
                 static_cast<unsigned long>(reinterpret_cast<uintptr_t>(owner)),
                 static_cast<unsigned long>(flags), reserved == nullptr ? 1 : 0);
    std::fclose(f);
  }
  return 0;
}
