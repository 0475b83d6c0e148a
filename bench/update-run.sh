#!/usr/bin/env bash
# Times a full update under Wine: a medium of 4 archives with 200 files in all, from the press
# of the update button to the close of the window, against the pacing the design imposes
# (100 ms per archive in the first two stages and per file in the third).
#   bash bench/update-run.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake --no-warn-unused-cli >/dev/null
cmake --build build --target TalvoUpdate unzdll UpdateRunBench >/dev/null

work=$PWD/build/bench-update
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
bash scripts/wine-prefix.sh "$WINEPREFIX"
product=$WINEPREFIX/drive_c/Talvo
medium=$work/medium
rm -rf "$product" "$medium"
mkdir -p "$product/Blanks" "$medium"
printf 'MZ' > "$product/Vanto.exe"
cp build/app/TalvoUpdate.exe build/unzdll/UNZDLL.DLL "$medium/"
python3 - "$medium" <<'PY'
import os, random, sys, zipfile
rng = random.Random(2026)
for a in range(4):
    with zipfile.ZipFile(os.path.join(sys.argv[1], "part%d.zip" % (a + 1)), "w",
                         zipfile.ZIP_DEFLATED) as z:
        for f in range(50):
            ext = "rtf" if f % 10 == 0 else "dat"
            z.writestr("data/file%d_%02d.%s" % (a, f, ext), rng.randbytes(rng.randint(1000, 20000)))
PY
xvfb-run -a wine build/bench/update-run/UpdateRunBench.exe \
  "$(winepath -w "$medium")" 'C:\Talvo' 4 200 "$runs"
