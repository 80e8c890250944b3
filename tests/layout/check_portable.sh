#!/usr/bin/env bash
# Portable sources (every file of the program without a win32_, x11_ or wayland_ prefix)
# include only the standard library: no Windows, X11 or Wayland header may reach them.
set -euo pipefail
root=${1:?source dir}
cd "$root"
bad=$(find scene render host dialog tools -type f \( -name '*.cpp' -o -name '*.h' \) ! -name 'win32_*' ! -path '*/win32/*' ! -name 'x11_*' ! -name 'wayland_*' 2>/dev/null \
  | xargs -r grep -lE '#\s*include\s*[<"](windows|windef|winuser|wingdi|commctrl|mmsystem|imm|X11/[^>"]*|wayland-[^>"]*)\.h[>"]' || true)
if [ -n "$bad" ]; then
  echo "platform headers in portable files:"
  echo "$bad"
  exit 1
fi
echo "portable sources are free of platform headers"
