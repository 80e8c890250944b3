#pragma once
// A stand-in for the GDI drawing that records what the scene's window
// procedure asks of it, so that the order of set-up, tick and release can be
// checked without real bitmaps.
#include <windows.h>

#include <string>
#include <vector>

extern std::vector<std::string> renderLog;
// Whether the quit message was already waiting when the resources were
// released.
extern bool quitPostedBeforeRelease;
