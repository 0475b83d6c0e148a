#!/usr/bin/env bash
# Prints the sizes of the shipped files of a release build (every kilobyte of them is a
# kilobyte the archives on floppy disk 1 lose).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build build --target TalvoUpdate unzdll >/dev/null
total=0
for f in build/app/TalvoUpdate.exe build/unzdll/UNZDLL.DLL; do
  size=$(stat -c %s "$f")
  total=$((total + size))
  awk -v n="$(basename "$f")" -v s="$size" 'BEGIN { printf "%-16s %8d bytes %7.1f KB\n", n, s, s / 1024 }'
done
awk -v s="$total" 'BEGIN { printf "%-16s %8d bytes %7.1f KB\n", "together", s, s / 1024 }'
