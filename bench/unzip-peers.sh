#!/usr/bin/env bash
# The peer benchmark (never part of the tests):  bash bench/unzip-peers.sh [RUNS]
# Builds the reader natively with the shipping flags (bench/unzx, the library's walk over real
# files) and the Windows programs; makes the data set once in /dev/shm/talvo-bench/data (about
# 350 MB); extracts each archive RUNS times (default 5) with ours, bsdtar, 7z and Python's
# zipfile, and under Wine through the adapter and UNZDLL.DLL; prints medians, ratios, peak
# memory and the sizes of the shipped files.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
work=/dev/shm/talvo-bench
bash scripts/install-deps.sh

cmake -S . -B build-bench -G Ninja -DTALVO_NATIVE=ON -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
cmake --build build-bench --target unzx >/dev/null
cmake -S . -B build -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build build --target TalvoUpdate unzdll UnzBench >/dev/null

python3 bench/make-data.py "$work/data"
ls -l "$work/data"/*.zip

export WINEPREFIX=$PWD/build/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
bash scripts/wine-prefix.sh "$WINEPREFIX"
wineserver -p 600 || true  # one server for all the runs, so each run pays only its own start
python3 bench/peers.py "$work/data" "$work" "$PWD/build-bench/bench/unzx" "$PWD/build/bench/UnzBench.exe" "$runs"
wineserver -k || true

echo
echo "Sizes of the shipped files (targets: UNZDLL.DLL under 100 KB, both under 250 KB):"
bash bench/size.sh
