#pragma once
// The saver host's process-wide flags, module handles, mouse anchor and the
// time of the last password verification. One record: there is one saver
// window per process.
#include <windows.h>

#include "host/cover_rects.h"
#include "host/dismissal_rules.h"

// VerifyScreenSavePwd of "PASSWORD.CPL": non-zero when the saver may close.
typedef BOOL(WINAPI* VerifyScreenSavePwdProc)(HWND window);
// ImmAssociateContext of "IMM32.DLL" (its context handle is a plain pointer).
typedef HANDLE(WINAPI* ImmAssociateContextProc)(HWND window, HANDLE inputContext);

struct HostState {
  HINSTANCE instanceHandle;
  bool isWin9x;
  bool isPreview;
  HWND saverWindow;
  BOOL closeAllowed;  // changes only from 0 to non-zero
  bool inVerification;
  POINT mouseAnchor;
  DWORD lastVerifyTick;
  HMODULE passwordModule;
  VerifyScreenSavePwdProc verifierProc;  // set only while passwordModule is loaded
  HMODULE imeModule;
  ImmAssociateContextProc associateContextProc;
  HANDLE savedInputContext;
  // Full screen: the black windows over the rest of the virtual screen; null
  // where there is none.
  HWND coverWindows[kMaxCoverRects];
};

extern HostState hostState;
