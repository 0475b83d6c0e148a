#!/usr/bin/env bash
# Installs what is missing, builds everything, and runs every test under Wine without a screen.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build build
cd build
xvfb-run -a -s "-screen 0 1024x768x24" ctest --output-on-failure -j2 "$@"
