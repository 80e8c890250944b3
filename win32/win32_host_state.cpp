#include "win32/win32_host_state.h"

HostState hostState = {
    nullptr,            // instanceHandle
    false,              // isWin9x
    false,              // isPreview
    nullptr,            // saverWindow
    0,                  // closeAllowed
    false,              // inVerification
    {0, 0},             // mouseAnchor
    kNoVerificationYet, // lastVerifyTick
    nullptr,            // passwordModule
    nullptr,            // verifierProc
    nullptr,            // imeModule
    nullptr,            // associateContextProc
    nullptr,            // savedInputContext
    {},                 // coverWindows
};
