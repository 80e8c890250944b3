#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 machine, as root.
# Idempotent and quiet when everything is already present.
set -euo pipefail

packages=(
  cmake make g++ clang libclang-rt-14-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev libpng-dev
  g++-mingw-w64-i686 mingw-w64-i686-dev
  wine wine32:i386 fonts-wine xvfb xdotool imagemagick fonts-ipafont-gothic x11-utils
  xserver-xephyr libxinerama1:i386
  libx11-dev libxext-dev libxres-dev x11-xserver-utils xscreensaver xscreensaver-data
  libwayland-dev libwayland-bin wayland-protocols sway swayidle grim wtype weston
  emscripten node-acorn chromium
  dpkg-dev zip python3
)

# npm installs the web tests' browser driver. A machine whose node came with
# its own npm keeps that one (Debian's npm would replace that node).
command -v npm >/dev/null 2>&1 || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" != 0 ]; then
  echo "install-deps: missing packages (${missing[*]}); run as root to install them" >&2
  exit 1
fi

echo "install-deps: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -q >/dev/null
apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
