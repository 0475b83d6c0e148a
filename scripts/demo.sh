#!/usr/bin/env bash
# The demo: a real update of a sample product under Wine, on a Bulgarian Windows (code page 1251).
# The product C:\WinTalvo holds edition 2025; TalvoPack makes the medium as a publisher would,
# from edition 2026 with 2025 as the previous edition. With a working $DISPLAY the updater shows
# there, in a Wine desktop, for you to press its buttons; without one the demo walks through the
# update in a virtual screen and saves a screenshot of each step. Either way it prints what
# changed in the product. Then the same edition as one file (TalvoPack /ONEFILE), saved as
# "Талво 2026.exe" in a downloads folder beside someone else's UNZDLL.DLL and TALVO.ZIP, updates
# the product again from edition 2025, unattended, taking nothing from beside itself.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
demo=$root/build/demo-run
export LC_ALL=bg_BG.UTF-8
export WINEPREFIX=$demo/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
desktop="TalvoUpdate,1024x768"

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake --no-warn-unused-cli >/dev/null
cmake --build build --target kit demo_vanto_2025 demo_vanto_2026 demo_walk >/dev/null
bash scripts/wine-prefix.sh "$WINEPREFIX"

product=$WINEPREFIX/drive_c/WinTalvo
editions=$demo/editions
rm -rf "$product" "$editions" "$demo/medium" "$demo/onefile" "$demo/downloads"
python3 demo/make-sample.py "$product" "$editions" \
  build/demo/2025/Vanto.exe build/demo/2026/Vanto.exe
echo "TalvoPack makes the medium:"
wine build/kit/TalvoPack.exe "$(winepath -w "$editions/2026")" "$(winepath -w "$demo/medium")" \
  "/PREVIOUS=$(winepath -w "$editions/2025")" | sed 's/^/  /'
python3 demo/make-sample.py --installer "$demo/medium"
# Each file of the product with its mode, size and a short checksum, so replaced files show.
listing() {
  (cd "$product" && find . -type f -printf '%M %8s %p\n' | sort -k3 |
    while read -r mode size path; do
      echo "$mode $size $(md5sum < "$path" | cut -c1-8) $path"
    done)
}
before=$(listing)

echo "Product:  $product (C:\\WinTalvo)"
echo "Medium:   $demo/medium"
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  (cd "$demo/medium" && wine explorer /desktop=$desktop TalvoUpdate.exe)
  wineserver -w
else
  # A virtual screen: the walk presses what a user would and pictures each step.
  shots=$demo/shots
  rm -rf "$shots" && mkdir -p "$shots"
  xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    wine explorer /desktop="$1" "$2" "$3" "$4" "$5"
    wineserver -w' _ "$desktop" "$(winepath -w "$root/build/demo/demo_walk.exe")" \
    "$(winepath -w "$demo/medium")" "$shots" "$(winepath -w "$shots/walk.log")"
  echo "The walk, a screenshot at each step:"
  sed 's/^/  /' "$shots/walk.log"
fi

echo "What changed in the product folder (- before, + after):"
changes=$(diff <(echo "$before") <(listing) || true)
echo "${changes:-  nothing}" | grep -E '^[<>]|nothing' | sed 's/^</  -/; s/^>/  +/'

echo "TalvoPack makes the same edition as one file:"
wine build/kit/TalvoPack.exe "$(winepath -w "$editions/2026")" "$(winepath -w "$demo/onefile")" \
  "/PREVIOUS=$(winepath -w "$editions/2025")" /ONEFILE | sed 's/^/  /'
downloads=$demo/downloads
mkdir -p "$downloads"
cp "$demo/onefile/TalvoUpdate.exe" "$downloads/Талво 2026.exe"
echo "not a library" >"$downloads/UNZDLL.DLL"
cp "$demo/medium/WinTalvo.zip" "$downloads/TALVO.ZIP"
rm -rf "$product" "$editions"
python3 demo/make-sample.py "$product" "$editions" \
  build/demo/2025/Vanto.exe build/demo/2026/Vanto.exe
before=$(listing)
code=0
wine "$downloads/Талво 2026.exe" /SILENT '/DIR=C:\WinTalvo' || code=$?
echo "One file: $downloads/Талво 2026.exe /SILENT, exit code $code; what changed:"
changes=$(diff <(echo "$before") <(listing) || true)
echo "${changes:-  nothing}" | grep -E '^[<>]|nothing' | sed 's/^</  -/; s/^>/  +/'
