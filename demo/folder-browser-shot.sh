#!/usr/bin/env bash
# folder-browser-shot.sh BUILD OUT.png: the folder browser open over the main window, as a
# Bulgarian Windows shows it, in an 800 x 600 Wine desktop on a screen of its own.
set -euo pipefail
build=$(realpath "$1")
out=$(realpath -m "$2")
# The prefix that the tests under code page 1251 use (scripts/wine-run says why).
export WINEPREFIX="$build/wineprefix-1251" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
  LC_ALL=bg_BG.UTF-8
bash "$(dirname "$0")/../scripts/wine-prefix.sh" "$WINEPREFIX"

work=$(mktemp -d)
product="$WINEPREFIX/drive_c/WinTalvo"
made_product=0
if [ ! -e "$product" ]; then
  mkdir -p "$product" && : >"$product/Vanto.exe" && made_product=1
fi
cp "$build/app/TalvoUpdate.exe" "$build/unzdll/UNZDLL.DLL" "$work/"
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
cleanup() {
  kill "$xvfb" 2>/dev/null || true
  [ "$made_product" = 1 ] && rm -rf "$product"
  rm -rf "$work"
}
trap cleanup EXIT
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$work/display")"

win() { winepath -w "$1"; }
wine explorer /desktop=TalvoShot,800x600 "$(win "$build/demo/talvo_browser_shot.exe")" \
  "$(win "$work/TalvoUpdate.exe")" 'C:\WinTalvo' "$(win "$work/ready")" "$(win "$work/quit")" &
shot=$!
for _ in $(seq 300); do [ -e "$work/ready" ] && break; sleep 0.1; done
[ -e "$work/ready" ] || { echo "the browser did not come up" >&2; exit 1; }
import -window root "$out"
: >"$work/quit"
wait "$shot" || true
echo "$out"
