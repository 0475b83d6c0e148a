#!/usr/bin/env bash
# main-window-shot.sh BUILD DPI OUT.png: the main window as a Bulgarian Windows shows it at
# DPI pixels per inch, title bar included, cut out of a 1024 x 768 Wine desktop on a screen
# of its own. Each density has a prefix of its own (BUILD/shotprefix-DPI): Wine reads the
# density when its server starts.
set -euo pipefail
build=$(realpath "$1")
dpi=$2
out=$(realpath -m "$3")
export WINEPREFIX="$build/shotprefix-$dpi" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
  LC_ALL=bg_BG.UTF-8
bash "$(dirname "$0")/../scripts/wine-prefix.sh" "$WINEPREFIX"
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
wineserver -w

work=$(mktemp -d)
cp "$build/app/TalvoUpdate.exe" "$build/unzdll/UNZDLL.DLL" "$work/"
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
cleanup() {
  kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$work/display")"

win() { winepath -w "$1"; }
wine explorer /desktop=TalvoShot,1024x768 "$(win "$build/demo/talvo_window_shot.exe")" \
  "$(win "$work/TalvoUpdate.exe")" "$(win "$work/ready")" "$(win "$work/quit")" &
shot=$!
for _ in $(seq 300); do [ -s "$work/ready" ] && break; sleep 0.1; done
[ -s "$work/ready" ] || { echo "the main window did not come up" >&2; exit 1; }
read -r left top width height <"$work/ready"
# A margin of the desktop around the window, as in docs/main-window.png.
import -window root -crop "$((width + 10))x$((height + 10))+$((left - 5))+$((top - 5))" +repage "$out"
: >"$work/quit"
wait "$shot" || true
wineserver -w
echo "$out ${width}x${height}"
