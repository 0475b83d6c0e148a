#!/usr/bin/env bash
# Installs the Debian packages the build, the demo and the tests need.
# Idempotent and quiet: does nothing when everything is already there.
set -euo pipefail

pkgs=(g++-mingw-w64-i686-win32 binutils-mingw-w64-i686 libz-mingw-w64-dev
      cmake ninja-build googletest wine wine32:i386 xvfb imagemagick
      x11-utils fonts-wine fonts-liberation python3 p7zip-full libarchive-tools zip fonts-dejavu-core
      locales zlib1g-dev osslsigncode openssl mtools xorriso python3-pefile
      nginx tinyproxy-bin)

missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine names Linux files in the Linux locale's code set: without a generated bg_BG.UTF-8, a test
# run with LC_ALL=bg_BG.UTF-8 gets code page 1251 but cannot create files with Cyrillic names.
if ! locale -a 2>/dev/null | grep -qix 'bg_BG.utf8'; then
  localedef -i bg_BG -f UTF-8 bg_BG.UTF-8
fi
