#include "win32/win32_saver_window.h"

#include "win32/win32_cover_windows.h"
#include "win32/win32_dismissal.h"
#include "win32/win32_host_state.h"
#include "win32/win32_scene_proc.h"

namespace {

constexpr DWORD kFullScreenStyle = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr DWORD kPreviewStyle = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
constexpr int kClassIconId = 100;  // the program's icon is 105, so the class gets none

void DetachInputMethod(HWND window) {
  // Only a module already in the process is used; the saver never loads it.
  hostState.imeModule = GetModuleHandleA("IMM32.DLL");
  if (hostState.imeModule) {
    hostState.associateContextProc = reinterpret_cast<ImmAssociateContextProc>(
        reinterpret_cast<void*>(GetProcAddress(hostState.imeModule, "ImmAssociateContext")));
    if (hostState.associateContextProc)
      hostState.savedInputContext = hostState.associateContextProc(window, nullptr);
  }
}

void RestoreInputMethod(HWND window) {
  if (hostState.imeModule && hostState.associateContextProc && hostState.savedInputContext)
    hostState.associateContextProc(window, hostState.savedInputContext);
}

bool IsSwallowedSystemCommand(WPARAM command) {
  // The whole wParam is compared: a command that differs in its low four bits
  // is passed on.
  return command == SC_NEXTWINDOW || command == SC_PREVWINDOW || command == SC_SCREENSAVE;
}

}  // namespace

void FillSaverClass(WNDCLASSA* saverClass) {
  saverClass->style = CS_OWNDC | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
  saverClass->lpfnWndProc = HostWindowProc;
  saverClass->cbClsExtra = 0;
  saverClass->cbWndExtra = 0;
  saverClass->hInstance = hostState.instanceHandle;
  saverClass->hIcon = LoadIconA(hostState.instanceHandle, MAKEINTRESOURCEA(kClassIconId));
  saverClass->hCursor = nullptr;
  saverClass->hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  saverClass->lpszMenuName = nullptr;
  saverClass->lpszClassName = kSaverClassName;
}

int32_t RunSaver(HWND parent) {
  WNDCLASSA saverClass;
  FillSaverClass(&saverClass);
  int width, height;
  DWORD style, extendedStyle;
  const char* title;
  if (parent) {
    // The parent's size now; later size changes are not followed.
    RECT client;
    GetClientRect(parent, &client);
    width = client.right;
    height = client.bottom;
    style = kPreviewStyle;
    extendedStyle = 0;
    title = kPreviewTitle;
    hostState.isPreview = true;
  } else {
    width = GetSystemMetrics(SM_CXSCREEN);
    height = GetSystemMetrics(SM_CYSCREEN);
    style = kFullScreenStyle;
    extendedStyle = WS_EX_TOPMOST;
    title = kFullScreenTitle;
    // One full-screen saver per desktop: a second start brings the first one
    // forward and touches nothing else.
    HWND running = FindWindowA(kSaverClassName, kFullScreenTitle);
    if (running && IsWindow(running)) {
      SetForegroundWindow(running);
      return 0;
    }
    LoadPasswordModule();
  }

  int32_t exitCode = kNoSaverWindowExitCode;
  if (RegisterClassA(&saverClass)) {
    hostState.saverWindow =
        CreateWindowExA(extendedStyle, kSaverClassName, title, style, 0, 0, width, height, parent,
                        nullptr, hostState.instanceHandle, nullptr);
  }
  if (hostState.saverWindow) {
    if (!hostState.isPreview) {
      // The other monitors are covered too, or their desktop stays usable
      // beside the saver and its password.
      CreateCoverWindows(hostState.saverWindow, width, height);
      SetForegroundWindow(hostState.saverWindow);
    }
    MSG message;
    // GetMessageA answers -1 on an error; that ends the loop too, rather
    // than spinning on a message it could not fetch.
    BOOL got;
    while ((got = GetMessageA(&message, nullptr, 0, 0)) != 0 && got != -1) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    exitCode = got == 0 ? static_cast<int32_t>(message.wParam) : kNoSaverWindowExitCode;
  }
  UnloadPasswordModule();
  return exitCode;
}

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      DetachInputMethod(window);
      GetCursorPos(&hostState.mouseAnchor);
      if (!hostState.isPreview) SetCursor(nullptr);
      break;
    case WM_DESTROY:
      // The platform has already taken the owned covers away; this makes
      // sure of it.
      DestroyCoverWindows();
      RestoreInputMethod(window);
      // Posted before the scene releases its resources.
      PostQuitMessage(0);
      break;
    case WM_SETTEXT:
      return 0;  // the title never changes
    case WM_PAINT:
      if (hostState.closeAllowed) return DefWindowProcA(window, message, wParam, lParam);
      if (!hostState.isPreview) SetCursor(nullptr);
      break;
    case WM_HELP:
    case WM_CONTEXTMENU:
      if (hostState.isPreview) {
        // Help belongs to the dialog that holds the preview.
        HWND parent = GetParent(window);
        if (parent && IsWindow(parent))
          PostMessageA(parent, message, reinterpret_cast<WPARAM>(parent), lParam);
        return 1;
      }
      break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      if (hostState.closeAllowed) return DefWindowProcA(window, message, wParam, lParam);
      break;
    case WM_SYSCOMMAND:
      if (!hostState.isPreview && IsSwallowedSystemCommand(wParam)) return 0;
      break;
    case WM_TIMER:
      if (hostState.closeAllowed) return 0;  // the scene no longer ticks
      Sleep(0);
      break;
  }
  return SceneWindowProc(window, message, wParam, lParam);
}
