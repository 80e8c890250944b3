#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 machine, as root.
# Idempotent and quiet when everything is already present.
set -euo pipefail

packages=(
  cmake make g++ clang libclang-rt-14-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev libpng-dev
  g++-mingw-w64-i686 mingw-w64-i686-dev g++-mingw-w64-x86-64 mingw-w64-x86-64-dev nsis
  wine wine32:i386 wine64 fonts-wine xvfb xdotool imagemagick fonts-ipafont-gothic x11-utils
  xserver-xephyr libxinerama1:i386 libxinerama1
  libx11-dev libxext-dev libxrandr-dev libxres-dev x11-xserver-utils xscreensaver xscreensaver-data
  libwayland-dev libwayland-bin wayland-protocols sway swayidle swaylock grim wtype weston
  emscripten node-acorn chromium
  dpkg-dev zip unzip python3 lintian
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

# Wine's 32-bit loader is an i386 program. A kernel built without 32-bit
# support cannot start it ("Exec format error"); there QEMU's user-mode
# emulator runs it, registered for i386 programs. Checked after the installs.
run_32bit_programs() {
  /usr/lib/wine/wine --version >/dev/null 2>&1 && return 0
  local entry=/proc/sys/fs/binfmt_misc/qemu-i386
  if [ "$(id -u)" != 0 ]; then
    echo "install-deps: this kernel cannot run 32-bit programs; run as root to set up QEMU for them" >&2
    exit 1
  fi
  if ! dpkg-query -W -f='${Status}' qemu-user-static 2>/dev/null | grep -q "install ok installed"; then
    echo "install-deps: this kernel cannot run 32-bit programs: installing qemu-user-static for Wine"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends qemu-user-static >/dev/null
  fi
  [ -d /proc/sys/fs/binfmt_misc ] && [ -e /proc/sys/fs/binfmt_misc/register ] ||
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  if [ ! -e "$entry" ]; then
    # The ELF header of an i386 executable or shared object; F opens the
    # emulator now, so it serves every later process.
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
      >/proc/sys/fs/binfmt_misc/register
  fi
  echo 1 >"$entry"
  /usr/lib/wine/wine --version >/dev/null 2>&1 ||
    { echo "install-deps: 32-bit programs still do not run; Wine cannot work here" >&2; exit 1; }
}

if [ ${#missing[@]} -eq 0 ]; then
  run_32bit_programs
  exit 0
fi

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
run_32bit_programs
