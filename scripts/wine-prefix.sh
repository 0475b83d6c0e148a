#!/usr/bin/env bash
# wine-prefix.sh PREFIX: makes (once) a private Wine prefix that models a Windows with its
# standard fonts, a floppy drive A: and a network drive N: (pointed at PREFIX/../floppy and
# PREFIX/../network; tests re-point them).
set -euo pipefail
prefix=$(realpath -m "$1")
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
ready="$prefix/.talvo-ready-5"
[ -f "$ready" ] && exit 0
mkdir -p "$(dirname "$prefix")"  # Wine makes the prefix itself, but not its parents

wineboot -i >/dev/null 2>&1 || true
wineserver -w
# The bitmap "MS Sans Serif", the Western and the Cyrillic set, as a real Windows has them.
cp /usr/share/wine/fonts/sserife.fon /usr/share/wine/fonts/sserifer.fon "$prefix/drive_c/windows/Fonts/"
# Marlett draws the title bar's close box; without it Wine shows the letter "r".
cp /usr/share/wine/fonts/marlett.ttf "$prefix/drive_c/windows/Fonts/"
# Wine registers only the set of the running code page as "MS Sans Serif"; registered under
# names of their own, both sets are there under either code page, as Windows has Cyrillic
# letters in its sans serif face also where the code page is Western (1252).
fonts='HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts'
wine reg add "$fonts" /v "MS Sans Serif Western" /d sserife.fon /f >/dev/null 2>&1
wine reg add "$fonts" /v "MS Sans Serif Cyrillic" /d sserifer.fon /f >/dev/null 2>&1
floppy="$(dirname "$prefix")/floppy"
mkdir -p "$floppy"
ln -sfn "$floppy" "$prefix/dosdevices/a:"
wine reg add 'HKLM\Software\Wine\Drives' /v a: /d floppy /f >/dev/null 2>&1
# Wine reads the drive types when its server starts: they are set here, once.
network="$(dirname "$prefix")/network"
mkdir -p "$network"
ln -sfn "$network" "$prefix/dosdevices/n:"
wine reg add 'HKLM\Software\Wine\Drives' /v n: /d network /f >/dev/null 2>&1
# Windows not managed by an X window manager: Xvfb has none, and Wine otherwise waits 2 s for
# one at every hide (every closed message box), and draws no title bar.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wineserver -w
touch "$ready"
