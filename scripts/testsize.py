#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Size of the test suite against the program: non-blank, non-comment lines
of tests/ (C++ and case files) and of the program folders, and their ratio;
then the same for characters of those lines, so that packing a table onto
fewer lines does not pass for a smaller suite. The golden key script (its
driver tests/perf_equivalence_test.cpp and its recording tests/golden/) is
not counted, as the fuzzers and benchmarks are not; nor are the build files
(CMakeLists.txt), which are neither code under test nor cases. A second
ratio adds the golden script's driver."""
import os
import sys

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
PROGRAM = ["res", "window", "storage", "units", "engine", "keypad", "app", "cli"]
CODE = {".cpp", ".h"}


def lines(path, chars=False):
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
        n += len(s) if chars else 1
    return n


GOLDEN = {os.path.join(ROOT, "tests", "golden"), os.path.join(ROOT, "tests", "perf_equivalence_test.cpp")}


def count(folder, exts, chars=False):
    total = 0
    for d, dirs, files in os.walk(os.path.join(ROOT, folder)):
        dirs[:] = [x for x in dirs if os.path.join(d, x) not in GOLDEN]
        total += sum(lines(os.path.join(d, f), chars) for f in files
                     if os.path.splitext(f)[1] in exts and f != "CMakeLists.txt"
                     and os.path.join(d, f) not in GOLDEN)
    return total


program = sum(count(d, CODE) for d in PROGRAM)
tests = count("tests", CODE | {".txt"})
print("program lines: %d" % program)
print("test lines:    %d" % tests)
print("ratio:         %.2f" % (tests / program))
driver = lines(os.path.join(ROOT, "tests", "perf_equivalence_test.cpp"))
print("with the golden replay driver: %d test lines, ratio %.2f" % (tests + driver, (tests + driver) / program))
pc = sum(count(d, CODE, True) for d in PROGRAM)
tc = count("tests", CODE | {".txt"}, True)
print("characters:    %d of tests, %d of program, ratio %.2f" % (tc, pc, tc / pc))
sys.exit(0)
