// navanava-render with the frame modes only.
#include "tools/render_frames.h"

int main(int argc, char** argv) { return RunFrameTool(argc, argv); }
