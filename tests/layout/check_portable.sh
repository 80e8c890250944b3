#!/usr/bin/env bash
# The layout's two rules, checked on the source tree:
# - the portable core (scene/, render/, dialog/) and the shared host logic
#   (host/) include no platform header: no Windows, X11, Wayland or
#   emscripten header, and no file of a program's folder;
# - each program's folder (win32/, x11/, wayland/, web/) includes no file of
#   another program's folder.
set -euo pipefail
root=${1:?source dir}
cd "$root"
programs="win32 x11 wayland web"
platform_headers='#\s*include\s*[<"](windows|windef|winuser|wingdi|commctrl|mmsystem|imm|wayland-[^>"]*|X11/[^>"]*|emscripten[^>"]*)(\.h)?[>"]'
status=0

sources() { find "$@" -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) 2>/dev/null; }

bad=$(sources scene render dialog host | xargs -r grep -lE "$platform_headers" || true)
if [ -n "$bad" ]; then
  echo "platform headers in portable files:"
  echo "$bad"
  status=1
fi
for p in $programs; do
  bad=$(sources scene render dialog host | xargs -r grep -lE "#\s*include\s*\"$p/" || true)
  if [ -n "$bad" ]; then
    echo "portable files that include the $p program's files:"
    echo "$bad"
    status=1
  fi
done
for p in $programs; do
  [ -d "$p" ] || continue
  for other in $programs; do
    [ "$other" = "$p" ] && continue
    bad=$(sources "$p" | xargs -r grep -lE "#\s*include\s*\"$other/" || true)
    if [ -n "$bad" ]; then
      echo "files of $p/ that include files of $other/:"
      echo "$bad"
      status=1
    fi
  done
done
[ $status = 0 ] && echo "the core is free of platform headers and every program keeps to its own folder"
exit $status
