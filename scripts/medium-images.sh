#!/usr/bin/env bash
# medium-images.sh OUT: images of a medium that TalvoPack made in OUT, for writing to disks or
# handing out: DISK1.IMG, DISK2.IMG and DISK3.IMG (1.44 MB FAT12, mtools) from the folders
# OUT/DISK1..3 of a floppy medium, or TALVO.ISO (ISO 9660 with Joliet names, xorriso) from the
# files of any other. The images are written into OUT.
set -euo pipefail
out=${1:?usage: medium-images.sh OUT}
[ -d "$out" ] || { echo "medium-images.sh: $out is not a folder" >&2; exit 1; }

if [ -d "$out/DISK1" ]; then
  for disk in 1 2 3; do
    image=$out/DISK$disk.IMG
    rm -f "$image"
    mformat -i "$image" -C -f 1440 -v "TALVO$disk" ::
    mcopy -i "$image" -m "$out/DISK$disk"/* ::/
    echo "$image"
  done
else
  image=$out/TALVO.ISO
  rm -f "$image"
  # The medium's files only; -J keeps their long names for Windows, -r readable everywhere.
  xorriso -as mkisofs -quiet -J -r -V TALVO -o "$image" -m TALVO.ISO "$out"
  echo "$image"
fi
