// The settings file through the platform's profile functions: a bare file name
// resolves to the Windows directory's "control.ini".
#include <windows.h>

#include "win32/win32_host_state.h"
#include "scene/settings.h"

uint32_t ReadProfileInt(const char* section, const char* key, uint32_t defaultValue,
                        const char* fileName) {
  return GetPrivateProfileIntA(section, key, static_cast<INT>(defaultValue), fileName);
}

void WriteProfileText(const char* section, const char* key, const char* text,
                      const char* fileName) {
  WritePrivateProfileStringA(section, key, text, fileName);
}

void LoadProgramString(unsigned id, char* buffer, int capacity) {
  LoadStringA(hostState.instanceHandle, id, buffer, capacity);
}
