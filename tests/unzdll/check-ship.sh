#!/bin/sh
# check-ship.sh DLL: exactly the two plain-named entries, only system imports, under 100 KB.
set -e
dll=$1
dump=$(i686-w64-mingw32-objdump -p "$dll")
exports=$(echo "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | grep -E '^\s*\[ *[0-9]+\] ' | sed 's/.*\] //' | sort | tr '\n' ' ')
imports=$(echo "$dump" | grep 'DLL Name' | awk '{print tolower($3)}' | sort | tr '\n' ' ')
size=$(stat -c %s "$dll")
echo "exports: $exports"
echo "imports: $imports"
echo "size: $size"
[ "$exports" = "GetUnzDllVersion UnzDllExec " ] || { echo "wrong exports"; exit 1; }
for i in $imports; do
  case $i in kernel32.dll|msvcrt.dll|user32.dll|advapi32.dll) ;; *) echo "non-system import $i"; exit 1;; esac
done
[ "$size" -lt 102400 ] || { echo "too big"; exit 1; }
