#!/usr/bin/env bash
# The demo: installs what is missing, builds, and starts the updater under Wine in a desktop
# window of its own. With a working $DISPLAY it shows there until closed; without one it runs
# in a virtual screen, saves a screenshot and prints the screenshot's path.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake --no-warn-unused-cli >/dev/null
cmake --build build --target TalvoUpdate >/dev/null

demo=$root/build/demo
mkdir -p "$demo/medium"
bash scripts/wine-prefix.sh "$demo/prefix"
export WINEPREFIX=$demo/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cp build/app/TalvoUpdate.exe "$demo/medium/"
cd "$demo/medium"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec wine explorer /desktop=TalvoUpdate,800x600 TalvoUpdate.exe
fi

shot=$demo/main-window.png
rm -f "$shot"
xvfb-run -a -s "-screen 0 800x600x24" bash -c '
  wine explorer /desktop=TalvoUpdate,800x600 TalvoUpdate.exe &
  for _ in $(seq 60); do
    xwininfo -root -tree 2>/dev/null | grep -q "TalvoUpdate - Wine desktop" && break
    sleep 0.5
  done
  sleep 4
  import -window root "$1"
  wineserver -k' _ "$shot"
echo "$shot"
