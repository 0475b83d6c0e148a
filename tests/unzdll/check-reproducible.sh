#!/usr/bin/env bash
# check-reproducible.sh SOURCE BUILT: builds UNZDLL.DLL again from SOURCE in a build folder of
# another name and compares it byte for byte with BUILT: one commit gives one library, whose
# hash the updater carries.
set -euo pipefail
source=$1 built=$2
other=$(mktemp -d /tmp/talvo-rebuild.XXXXXX)
trap 'rm -rf "$other"' EXIT
cmake -S "$source" -B "$other/another-build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$source/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$other/another-build" --target unzdll >/dev/null
cmp "$built" "$other/another-build/unzdll/UNZDLL.DLL"
echo "UNZDLL.DLL built again in $other: the same bytes"
