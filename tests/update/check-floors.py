#!/usr/bin/env python3
"""check-floors.py ROOT ROOM... : the rooms of update/ are floors, the first the highest. A
file of a room includes from its own room and from the rooms below it, never from one above;
and nothing outside update/ that update/ stands on (crypto/, unzip/, unzdll/) includes
update/. Prints each include that runs back up; exit code 1 when there is one."""
import os
import re
import sys

root, rooms = sys.argv[1], sys.argv[2:]
floor = {room: len(rooms) - i for i, room in enumerate(rooms)}
include = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
below_update = ("crypto", "unzip", "unzdll")
faults = []


def sources(folder):
    for base, _, names in os.walk(os.path.join(root, folder)):
        for name in sorted(names):
            if name.endswith((".h", ".cpp")):
                yield os.path.relpath(os.path.join(base, name), root).replace(os.sep, "/")


for path in sources("update"):
    room = path.split("/")[1]
    if room not in floor:
        faults.append(f"{path}: room {room} is not among the floors {rooms}")
        continue
    for target in include.findall(open(os.path.join(root, path), encoding="utf-8").read()):
        parts = target.split("/")
        if parts[0] == "update" and len(parts) > 2 and floor.get(parts[1], 0) > floor[room]:
            faults.append(f"{path}: includes {target}, a room above {room}/")
for folder in below_update:
    for path in sources(folder):
        for target in include.findall(open(os.path.join(root, path), encoding="utf-8").read()):
            if target.startswith(("update/", "app/", "pack/", "forms/")):
                faults.append(f"{path}: includes {target}, which stands above {folder}/")

for fault in faults:
    print(fault)
sys.exit(1 if faults else 0)
