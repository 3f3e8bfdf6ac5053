#!/usr/bin/env bash
# Installs every Debian package the builds and tests need. Safe to run again:
# it only calls apt-get when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine wine32:i386 wine64 libwine:i386
  xvfb xdotool x11-utils imagemagick librsvg2-bin
  xz-utils file time python3
  libhivex-bin libregf-utils reglookup
)

need_root() {
  if [ "$(id -u)" -ne 0 ]; then echo sudo; fi
}
SUDO=$(need_root)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
  fresh_arch=1
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ] || [ -n "${fresh_arch:-}" ]; then
  echo "setup: installing ${missing[*]:-(architecture refresh)}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
echo "setup: all packages present"
