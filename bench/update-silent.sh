#!/usr/bin/env bash
# The price of safety: an unattended update (/SILENT) of a product whose FILES files all change,
# from one archive on a fixed drive, against the bare unpacking of the same archive by the same
# UNZDLL.DLL into an empty folder (UnzBench.exe). Both are timed as whole processes, in turn,
# under one Wine server; each update starts from a fresh copy of the product. Prints each
# median and their ratio. EXTRA more files of the product that the update leaves alone show
# that a large product costs little more than the files that change.
#   bash bench/update-silent.sh [FILES] [RUNS] [EXTRA]
set -euo pipefail
cd "$(dirname "$0")/.."
files=${1:-1000}
runs=${2:-3}
extra=${3:-0}
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake --no-warn-unused-cli >/dev/null
cmake --build build --target TalvoUpdate unzdll UnzBench >/dev/null

work=$PWD/build/bench-silent
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
bash scripts/wine-prefix.sh "$WINEPREFIX"
drive=$WINEPREFIX/drive_c
pristine=$work/product-$files-$extra medium=$work/medium-$files
if [ ! -f "$medium/a.zip" ] || [ ! -d "$pristine" ]; then
  rm -rf "$pristine" "$medium"
  mkdir -p "$pristine/Blanks" "$medium"
  # About 20 KB a file, half of it compressible; the product holds older bytes under each name.
  python3 - "$pristine" "$medium/a.zip" "$files" "$extra" <<'PY'
import os, random, sys, zipfile
product, archive, count, extra = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
for i in range(extra):
    open(os.path.join(product, "keep%05d.dat" % i), "wb").write(b"unchanged %d" % i)
rng = random.Random(2026)
open(os.path.join(product, "Vanto.exe"), "wb").write(b"MZ old")
with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as z:
    for i in range(count):
        name = "f%05d.%s" % (i, "rtf" if i % 10 == 0 else "dat")
        size = rng.randint(10000, 30000)
        data = rng.randbytes(size // 2) + (b"Talvo %d " % i) * (size // 16)
        z.writestr(name, data)
        old = os.path.join(product, "Blanks" if name.endswith(".rtf") else "", name)
        open(old, "wb").write(b"old " + name.encode())
    z.writestr("Vanto.exe", b"MZ new")
PY
fi
cp build/app/TalvoUpdate.exe "$medium/"
cp build/unzdll/UNZDLL.DLL build/bench/UnzBench.exe "$medium/"

# One Wine server for every run, so that neither side pays for starting it.
wineserver -k 2>/dev/null || true
wineserver -p
wine cmd /c exit >/dev/null 2>&1 || true
now() { date +%s.%N; }
update=() bare=()
for ((r = 0; r < runs; ++r)); do
  rm -rf "$drive/Product" "$drive/Empty"
  cp -r "$pristine" "$drive/Product"
  mkdir "$drive/Empty"
  sync
  t0=$(now)
  wine "$medium/TalvoUpdate.exe" /SILENT '/DIR=C:\Product' || echo "update run $r: exit code $?" >&2
  t1=$(now)
  wine "$medium/UnzBench.exe" "$(winepath -w "$medium/a.zip")" 'C:\Empty' >/dev/null
  t2=$(now)
  update+=("$(echo "$t1 - $t0" | bc -l)")
  bare+=("$(echo "$t2 - $t1" | bc -l)")
done
wineserver -k || true
median() { printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
mu=$(median "${update[@]}") mb=$(median "${bare[@]}")
printf 'files %d changing of %d, runs %d\n' "$files" "$((files + extra))" "$runs"
printf 'unattended update  median %6.2f s   (%s)\n' "$mu" "${update[*]}"
printf 'bare unpack        median %6.2f s   (%s)\n' "$mb" "${bare[*]}"
printf 'ratio              %6.2f\n' "$(echo "$mu / $mb" | bc -l)"
