// The program's ordinary entry: everything it is given is read again from the
// process itself by SaverEntry.
#include <windows.h>

#include "host/win32_entry.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { SaverEntry(); }
