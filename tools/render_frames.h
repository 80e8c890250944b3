#pragma once
// The frame modes of the render tool: the frame that tick T presents, drawn
// on the portable path from the resource files, written as PNG.
#include <cstdint>
#include <string>
#include <vector>

struct FrameRequest {
  int32_t width = 1024;
  int32_t height = 768;
  uint32_t storedCount = 10;  // as the settings file would hold it
  uint32_t seed = 1;
  int32_t ticks = 1;          // counted from 1 after InitScene
  int depth = 32;             // 32: true colour; 8: palette indices
  int32_t sequence = 0;       // > 0: that many frames, every `step` ticks from `ticks`
  int32_t step = 1;
  std::string resourceDir;    // holds nava.bmp, nava_m.bmp, ice.bmp, ice_m.bmp
  std::string out;            // FILE.png; with a sequence, FILE-0001.png and so on
};

// Reads the frame options (--width --height --count --seed --ticks --depth
// --sequence --step --resources --out). False with a message for anything
// it cannot use.
bool ParseFrameRequest(int argc, char** argv, FrameRequest* request, std::string* error);

// Renders the requested frame or frames and writes them. False with a
// message when a resource cannot be read or a file cannot be written.
bool RenderFrames(const FrameRequest& request, std::string* error);

// A picture to write: 0x00RRGGBB pixels, or indices with their palette.
struct FramePicture {
  int32_t width = 0, height = 0;
  std::vector<uint32_t> rgb;      // width * height when true colour
  std::vector<uint8_t> indices;   // width * height when indexed
  std::vector<uint32_t> palette;  // up to 256 entries, 0x00RRGGBB
};

bool WritePng(const std::string& path, const FramePicture& picture, std::string* error);

// The frame after tick request.ticks (and those after it for a sequence,
// handed to `sink` one by one) without writing anything.
bool RenderFramePictures(const FrameRequest& request,
                         bool (*sink)(const FramePicture&, int32_t tick, void* context),
                         void* context, std::string* error);

// Parses, renders and writes; prints a message and the usage to stderr on
// failure. The exit code: 0, or 2 when nothing was written.
int RunFrameTool(int argc, char** argv);

// Usage text for the frame modes.
extern const char kFrameUsage[];
