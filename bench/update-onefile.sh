#!/usr/bin/env bash
# One file against a CD: an unattended update (/SILENT) of a product whose FILES files (about
# 20 KB each) all change, from the one-file medium that TalvoPack /ONEFILE makes and from the CD
# medium it makes of the same edition, each from a fresh copy of the product. Both are timed as
# whole processes, in turn (A B A B ...), under one Wine server; prints each median and their
# ratio. `run one|cd` does a single update of either kind (for an outside timer).
#   bash bench/update-onefile.sh [FILES] [RUNS]
#   bash bench/update-onefile.sh run one|cd
set -euo pipefail
cd "$(dirname "$0")/.."
work=$PWD/build/bench-onefile
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
drive=$WINEPREFIX/drive_c

# One update from medium one or cd, over a fresh copy of the product.
update() {
  rm -rf "$drive/Product"
  cp -r "$work/previous" "$drive/Product"
  wine "$work/$1/TalvoUpdate.exe" /SILENT '/DIR=C:\Product' || echo "$1: exit code $?" >&2
}
if [ "${1:-}" = run ]; then
  update "$2"
  exit
fi

files=${1:-400}
runs=${2:-5}
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake --no-warn-unused-cli >/dev/null
cmake --build build --target kit demo_vanto_2025 demo_vanto_2026 >/dev/null
bash scripts/wine-prefix.sh "$WINEPREFIX"
rm -rf "$work/previous" "$work/edition" "$work/one" "$work/cd"
python3 - "$work" "$files" build/demo/2025/Vanto.exe build/demo/2026/Vanto.exe <<'PY'
import os, random, shutil, sys
work, count, old, new = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]
rng = random.Random(2026)
for edition, program in (("previous", old), ("edition", new)):
    os.makedirs(os.path.join(work, edition, "Blanks"))
    shutil.copy(program, os.path.join(work, edition, "Vanto.exe"))
for i in range(count):
    name = "f%05d.%s" % (i, "rtf" if i % 10 == 0 else "dat")
    folder = "Blanks" if name.endswith(".rtf") else ""
    size = rng.randint(10000, 30000)
    data = rng.randbytes(size // 2) + (b"Talvo %d " % i) * (size // 16)
    open(os.path.join(work, "edition", folder, name), "wb").write(data)
    open(os.path.join(work, "previous", folder, name), "wb").write(b"old " + name.encode())
PY
pack() {
  wine build/kit/TalvoPack.exe "$(winepath -w "$work/edition")" "$(winepath -w "$work/$1")" \
    "/PREVIOUS=$(winepath -w "$work/previous")" "${@:2}" >/dev/null
}
pack cd
pack one /ONEFILE

# One Wine server for every run, so that neither side pays for starting it.
wineserver -k 2>/dev/null || true
wineserver -p
wine cmd /c exit >/dev/null 2>&1 || true
now() { date +%s.%N; }
one=() cd=()
for ((r = 0; r < runs; ++r)); do
  for kind in one cd; do
    t0=$(now)
    update $kind
    eval "$kind+=(\$(echo \"\$(now) - $t0\" | bc))"
  done
done
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END{print a[int((NR+1)/2)]}'; }
m1=$(median "${one[@]}") m2=$(median "${cd[@]}")
echo "$files files, $runs runs each: one file $m1 s, CD $m2 s (median), ratio $(echo "scale=3; $m1 / $m2" | bc)"
ls -l "$work/one/TalvoUpdate.exe" "$work/cd" | sed 's/^/  /'
wineserver -k
