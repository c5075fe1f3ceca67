#!/usr/bin/env python3
"""Size of the test suite against the program: non-blank, non-comment lines
of tests/ (C++ and case files; the recorded golden transcript is data and
not counted) and of the program folders, and their ratio."""
import os
import sys

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
PROGRAM = ["storage", "units", "engine", "keypad", "app", "res"]
CODE = {".cpp", ".h"}


def lines(path):
    n, block = 0, False
    case_file = path.endswith(".txt")
    for raw in open(path, encoding="latin-1"):
        s = raw.strip()
        if block:
            if "*/" not in s:
                continue
            block, s = False, s.split("*/", 1)[1].strip()
        if not s or s.startswith("//") or (case_file and s.startswith("#")):
            continue
        if s.startswith("/*"):
            block = "*/" not in s
            continue
        n += 1
    return n


def count(folder, exts, skip=()):
    total = 0
    for d, dirs, files in os.walk(os.path.join(ROOT, folder)):
        dirs[:] = [x for x in dirs if os.path.join(d, x) not in skip]
        total += sum(lines(os.path.join(d, f)) for f in files if os.path.splitext(f)[1] in exts)
    return total


program = sum(count(d, CODE) for d in PROGRAM)
tests = count("tests", CODE | {".txt"}, skip={os.path.join(ROOT, "tests", "golden")})
print("program lines: %d" % program)
print("test lines:    %d" % tests)
print("ratio:         %.2f" % (tests / program))
sys.exit(0)
