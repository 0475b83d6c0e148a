#!/usr/bin/env bash
# Installs the Debian packages the build, the demo and the tests need.
# Idempotent and quiet: does nothing when everything is already there.
set -euo pipefail

pkgs=(g++-mingw-w64-i686 binutils-mingw-w64-i686 libz-mingw-w64-dev
      cmake ninja-build googletest wine wine32:i386 xvfb imagemagick
      x11-utils fonts-wine fonts-liberation python3 p7zip-full libarchive-tools zip fonts-dejavu-core
      locales)

missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
