#include "win32/win32_dismissal.h"

#include "host/dismissal_rules.h"
#include "win32/win32_host_state.h"

DWORD(WINAPI* hostTickCount)() = GetTickCount;

namespace {

void PostClose(HWND window) { PostMessageA(window, WM_CLOSE, 0, 0); }

void MouseTest(HWND window) {
  // The cursor's screen position, not lParam's client coordinates: the anchor
  // is in screen coordinates too.
  POINT cursor;
  GetCursorPos(&cursor);
  if (MovedBeyondThreshold(hostState.mouseAnchor.x, hostState.mouseAnchor.y, cursor.x,
                           cursor.y)) {
    PostClose(window);
    hostState.mouseAnchor = cursor;
  }
}

}  // namespace

LRESULT DefaultSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (hostState.isPreview || hostState.closeAllowed)
    return DefWindowProcA(window, message, wParam, lParam);

  if (message == WM_CLOSE) {
    if (!hostState.isWin9x || VerifyBeforeClose(window))
      return DefWindowProcA(window, message, wParam, lParam);
    GetCursorPos(&hostState.mouseAnchor);
    return 0;
  }
  if (message == VerifyPasswordMessage) {
    if (!hostState.isWin9x) return DefWindowProcA(window, message, wParam, lParam);
    if (hostState.verifierProc) return hostState.verifierProc(window);
    return 1;
  }
  // While the password dialog is up, input is not watched.
  if (hostState.inVerification) return DefWindowProcA(window, message, wParam, lParam);

  switch (message) {
    case WM_SHOWWINDOW:
      if (wParam) SetCursor(nullptr);
      break;
    case WM_ACTIVATEAPP:
      if (!wParam) PostClose(window);
      break;
    case WM_SETCURSOR:
      SetCursor(nullptr);
      return 1;
    default:
      WatchInput(window, message);
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void WatchInput(HWND saverWindow, UINT message) {
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      PostClose(saverWindow);
      break;
    case WM_MOUSEMOVE:
      MouseTest(saverWindow);
      break;
  }
}

BOOL VerifyBeforeClose(HWND window) {
  // A close request dispatched from inside the password dialog's own loop.
  if (hostState.inVerification) return 0;
  if (!hostState.verifierProc) {
    hostState.closeAllowed = 1;
    return 1;
  }
  if (WithinVerifyInterval(hostState.lastVerifyTick, hostTickCount()))
    return hostState.closeAllowed;

  hostState.inVerification = true;
  // Ticks that piled up while the close request waited are dropped, so the
  // dialog does not open behind a burst of frames.
  MSG pending;
  PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
  PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
  // Travels the whole chain; DefaultSaverProc answers it with the verifier,
  // whose modal dialog dispatches the window's messages until it returns.
  LRESULT result = SendMessageA(window, VerifyPasswordMessage, 0, 0);
  hostState.closeAllowed = static_cast<BOOL>(result);
  hostState.inVerification = false;
  if (result == 0) SetCursor(nullptr);
  // The interval counts from the end of the dialog.
  hostState.lastVerifyTick = hostTickCount();
  return hostState.closeAllowed;
}

void LoadPasswordModule() {
  if (!hostState.isWin9x) return;
  if (hostState.passwordModule) UnloadPasswordModule();
  HKEY desktop;
  if (RegOpenKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &desktop) != ERROR_SUCCESS) return;
  // Data shorter than 4 bytes fills only the low-order bytes; the rest stay 0.
  DWORD usePassword = 0;
  DWORD size = sizeof usePassword;
  if (RegQueryValueExA(desktop, "ScreenSaveUsePassword", nullptr, nullptr,
                       reinterpret_cast<BYTE*>(&usePassword), &size) == ERROR_SUCCESS &&
      usePassword != 0) {
    hostState.passwordModule = LoadLibraryA("PASSWORD.CPL");
    if (hostState.passwordModule) {
      hostState.verifierProc = reinterpret_cast<VerifyScreenSavePwdProc>(
          reinterpret_cast<void*>(GetProcAddress(hostState.passwordModule, "VerifyScreenSavePwd")));
      if (hostState.verifierProc)
        SetSaverRunning(1);
      else
        UnloadPasswordModule();
    }
  }
  RegCloseKey(desktop);
}

void UnloadPasswordModule() {
  if (!hostState.isWin9x || !hostState.passwordModule) return;
  FreeLibrary(hostState.passwordModule);
  hostState.passwordModule = nullptr;
  if (hostState.verifierProc) {
    hostState.verifierProc = nullptr;
    SetSaverRunning(0);
  }
}

void SetSaverRunning(UINT on) {
  if (!hostState.isWin9x) return;
  UINT previous;  // the earlier state; not needed
  SystemParametersInfoA(SPI_SCREENSAVERRUNNING, on, &previous, 0);
}
