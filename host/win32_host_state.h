#pragma once
// The saver host's process-wide flags, module handles, mouse anchor and the
// time of the last password verification. One record: there is one saver
// window per process.
#include <windows.h>

// VerifyScreenSavePwd of "PASSWORD.CPL": non-zero when the saver may close.
typedef BOOL(WINAPI* VerifyScreenSavePwdProc)(HWND window);
// ImmAssociateContext of "IMM32.DLL" (its context handle is a plain pointer).
typedef HANDLE(WINAPI* ImmAssociateContextProc)(HWND window, HANDLE inputContext);

constexpr DWORD kNoVerificationYet = 0xFFFFFFFF;

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
};

extern HostState hostState;
