#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Checks that every #include of the program looks down its stack of floors.

A file may include files of its own folder and of the folders below it,
never of one above, and the core (every folder but app/qt) includes no Qt
header. Tests, benchmarks and fuzzers stand on top and are not checked.

    scripts/layers.py [root]     exit status 1 and one line per fault
"""
import os
import re
import sys

# The floors, bottom first: ids and the message table; the window interface
# with coded messages and calculator text; the record database, state record
# and files; units; values and operations; the keypad; the dialog logic and
# unit list files; the Qt windows. The command-line converter stands beside
# the windows, on the core alone: neither includes the other.
FLOORS = ["res", "window", "storage", "units", "engine", "keypad", "app/core", "app/qt", "cli"]
QT_FLOOR = "app/qt"
BESIDE = {("cli", "app/qt"), ("app/qt", "cli")}
# Folders above every floor: an include of theirs from a floor runs up.
TOOLS = ["tests", "bench", "fuzz"]
# The start-up benchmark builds the program's main.cpp once more with a hook
# that reports the first paint; only that build defines the macro guarding it.
ALLOWED = {("app/qt/main.cpp", "bench/gui_firstpaint.h")}

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]')


def floor_of(path):
    """The index of the floor holding `path`, len(FLOORS) for a tool folder,
    None for anything else."""
    best = None
    for i, floor in enumerate(FLOORS):
        if path.startswith(floor + "/") and (best is None or len(floor) > len(FLOORS[best])):
            best = i
    if best is not None:
        return best
    if any(path.startswith(t + "/") for t in TOOLS):
        return len(FLOORS)
    return None


def check(root):
    faults = []
    for floor in FLOORS:
        top = os.path.join(root, floor)
        if not os.path.isdir(top):
            faults.append(f"{floor}: the folder is missing")
            continue
        for name in sorted(os.listdir(top)):
            if not name.endswith((".h", ".cpp")):
                continue
            path = f"{floor}/{name}"
            here = floor_of(path)
            with open(os.path.join(root, path), encoding="utf-8", errors="replace") as f:
                for number, line in enumerate(f, 1):
                    m = INCLUDE.match(line)
                    if not m:
                        continue
                    kind, target = m.groups()
                    if kind == "<":
                        if floor != QT_FLOOR and re.match(r"Q[A-Za-z]*(/|$)", target):
                            faults.append(f"{path}:{number}: the core includes Qt <{target}>")
                        continue
                    there = floor_of(target)
                    if there is not None and there < len(FLOORS) and (
                            (floor, FLOORS[there]) in BESIDE):
                        faults.append(f"{path}:{number}: includes {target}, "
                                      f"from {FLOORS[there]} beside {floor}")
                        continue
                    if there is None or there <= here or (path, target) in ALLOWED:
                        continue
                    above = FLOORS[there] if there < len(FLOORS) else target.split("/")[0]
                    faults.append(f"{path}:{number}: includes {target}, "
                                  f"from {above} above {floor}")
    return faults


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    faults = check(root)
    for fault in faults:
        print(fault)
    if faults:
        print(f"layers: {len(faults)} include(s) break the floors; from the bottom: "
              + " < ".join(FLOORS))
        return 1
    print("layers: every include looks down (" + " < ".join(FLOORS) + ")")
    return 0


if __name__ == "__main__":
    sys.exit(main())
