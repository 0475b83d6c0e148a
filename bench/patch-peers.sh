#!/usr/bin/env bash
# The patch benchmark (never part of the tests):  bash bench/patch-peers.sh
# Our patch (deflated at level 9, as it travels in the medium's archive) against Debian's
# bsdiff (bzip2) and xdelta3 -9 on consecutive releases of real Windows programs: two releases
# of our own updater (built from the history) and programs of npm packages. The downloads and
# the old builds are kept in a cache outside the repository ($TALVO_BENCH_CACHE, default
# /var/tmp/talvo-patch-bench). Each patch is applied under Wine as the updater applies it and
# compared with the release. For the largest pair: making and applying time and peak memory.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
cache=${TALVO_BENCH_CACHE:-/var/tmp/talvo-patch-bench}
mkdir -p "$cache"

bash scripts/install-deps.sh
# The peers and the tools, each from its Debian package where the machine lacks the command.
peers=()
for p in bsdiff:bsdiff xdelta3:xdelta3 npm:npm /usr/bin/time:time; do
  command -v "${p%%:*}" >/dev/null || peers+=("${p#*:}")
done
if [ ${#peers[@]} -gt 0 ]; then
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${peers[@]}" >/dev/null
fi

cmake -S . -B build-bench -G Ninja -DTALVO_NATIVE=ON -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
cmake --build build-bench --target PatchBench >/dev/null
cmake -S . -B build -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build build --target PatchBench >/dev/null
native=$repo/build-bench/bench/PatchBench
windows=$repo/build/bench/PatchBench.exe

# TalvoUpdate.exe of a commit, built once from its tree (not a worktree of this repository).
updater() {
  local commit=$1 dir=$cache/talvo-$1
  if [ ! -f "$dir/TalvoUpdate.exe" ]; then
    rm -rf "$dir" && mkdir -p "$dir/src"
    git -C "$repo" archive "$commit" | tar -x -C "$dir/src"
    cmake -S "$dir/src" -B "$dir/build" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$dir/src/cmake/mingw-i686.cmake" >/dev/null
    cmake --build "$dir/build" --target TalvoUpdate >/dev/null
    cp "$dir/build/app/TalvoUpdate.exe" "$dir/"
    rm -rf "$dir/src" "$dir/build"
  fi
  echo "$dir/TalvoUpdate.exe"
}

# A file of an npm package's release, fetched once.
npmfile() {
  local package=$1 version=$2 file=$3 dir
  dir=$cache/npm/$(echo "$package" | tr '/@' '__')-$version
  if [ ! -f "$dir/package/$file" ]; then
    rm -rf "$dir" && mkdir -p "$dir"
    (cd "$dir" && npm pack --silent "$package@$version" >/dev/null && tar -xzf ./*.tgz && rm ./*.tgz)
  fi
  echo "$dir/package/$file"
}

# name, base, result
talvo_old=$(updater 4756401)
talvo_new=$(updater 5a4ef0b)
sevenzip_old=$(npmfile 7zip-bin 5.1.1 win/ia32/7za.exe)
sevenzip_new=$(npmfile 7zip-bin 5.2.0 win/ia32/7za.exe)
rollup_old=$(npmfile @rollup/rollup-win32-ia32-msvc 4.69.2 rollup.win32-ia32-msvc.node)
rollup_new=$(npmfile @rollup/rollup-win32-ia32-msvc 4.69.3 rollup.win32-ia32-msvc.node)
esbuild_old=$(npmfile @esbuild/win32-ia32 0.25.11 esbuild.exe)
esbuild_new=$(npmfile @esbuild/win32-ia32 0.25.12 esbuild.exe)
pairs=(
  "TalvoUpdate.exe (4756401..5a4ef0b)" "$talvo_old" "$talvo_new"
  "7za.exe (7zip-bin 5.1.1..5.2.0)" "$sevenzip_old" "$sevenzip_new"
  "rollup .node (4.69.2..4.69.3)" "$rollup_old" "$rollup_new"
  "esbuild.exe (0.25.11..0.25.12)" "$esbuild_old" "$esbuild_new"
)

export WINEPREFIX=$repo/build/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
bash scripts/wine-prefix.sh "$WINEPREFIX"
wineserver -p 600 || true

work=$(mktemp -d)
trap 'rm -rf "$work"; wineserver -k || true' EXIT
deflated() {
  python3 -c 'import sys, zlib
c = zlib.compressobj(9, zlib.DEFLATED, -15, 8)
d = open(sys.argv[1], "rb").read()
print(len(c.compress(d) + c.flush()))' "$1"
}
# "seconds peak_kb" of a command, by /usr/bin/time.
timed() {
  /usr/bin/time -f '%e %M' -o "$work/time" "$@" >/dev/null
  cat "$work/time"
}

printf '%-34s %9s %9s %9s %9s %9s %7s %7s\n' pair base result deflated ours bsdiff xdelta3 ours/bs
largest=0
for ((i = 0; i < ${#pairs[@]}; i += 3)); do
  name=${pairs[i]} base=${pairs[i + 1]} result=${pairs[i + 2]}
  "$native" make "$base" "$result" "$work/p" >/dev/null
  wine "$windows" apply "$(winepath -w "$base")" "$(winepath -w "$work/p")" \
    "$(winepath -w "$work/out")" >/dev/null
  cmp -s "$work/out" "$result" || { echo "$name: the patch did not give the release" >&2; exit 1; }
  bsdiff "$base" "$result" "$work/b"
  xdelta3 -9 -e -f -s "$base" "$result" "$work/x"
  ours=$(deflated "$work/p") bs=$(stat -c %s "$work/b")
  printf '%-34s %9d %9d %9d %9d %9d %9d %7.3f\n' "$name" "$(stat -c %s "$base")" \
    "$(stat -c %s "$result")" "$(deflated "$result")" "$ours" "$bs" "$(stat -c %s "$work/x")" \
    "$(echo "$ours $bs" | awk '{ print $1 / $2 }')"
  size=$(stat -c %s "$result")
  if [ "$size" -gt "$largest" ]; then largest=$size big=$i; fi
done

name=${pairs[big]} base=${pairs[big + 1]} result=${pairs[big + 2]}
echo
echo "The largest pair, $name (seconds, peak memory in KB):"
read -r s m <<<"$(timed "$native" make "$base" "$result" "$work/p")"
printf '  %-40s %7.2f s %8d KB\n' "ours, make (host)" "$s" "$m"
wine "$windows" make "$(winepath -w "$base")" "$(winepath -w "$result")" "$(winepath -w "$work/pw")" |
  awk '{ printf "  %-40s %7.2f s\n", "ours, make (Windows build, Wine)", $3 }'
cmp -s "$work/p" "$work/pw" || { echo "the two builds made different patches" >&2; exit 1; }
wine "$windows" apply "$(winepath -w "$base")" "$(winepath -w "$work/p")" "$(winepath -w "$work/out")" |
  awk -v b="$(stat -c %s "$base")" -v r="$(stat -c %s "$result")" '{
    printf "  %-40s %7.2f s %8d KB peak working set, %d KB private (base %d KB, result %d KB)\n",
      "ours, apply (Wine, the whole process)", $3, $5, $7, b / 1024, r / 1024 }'
read -r s m <<<"$(timed bsdiff "$base" "$result" "$work/b")"
printf '  %-40s %7.2f s %8d KB\n' "bsdiff" "$s" "$m"
read -r s m <<<"$(timed bspatch "$base" "$work/out" "$work/b")"
printf '  %-40s %7.2f s %8d KB\n' "bspatch" "$s" "$m"
read -r s m <<<"$(timed xdelta3 -9 -e -f -s "$base" "$result" "$work/x")"
printf '  %-40s %7.2f s %8d KB\n' "xdelta3 -9" "$s" "$m"
