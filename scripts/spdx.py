#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Puts the licence line at the top of every source file of Kiv.

Kiv is free software under the GNU General Public License, version 3 or
later; each source file says so in one SPDX line, in its own comment syntax,
as its first line (after a "#!" line or an XML declaration). The metainfo
file is the exception: its metadata licence is CC0-1.0.

    scripts/spdx.py           add the line where it is missing (run it again:
                              nothing changes)
    scripts/spdx.py --check   list the files without it; exit status 1 if any
"""
import os
import subprocess
import sys

GPL = "GPL-3.0-or-later"
TAG = "SPDX-License-Identifier:"


def comment_for(path):
    """(line template, licence) for a source file, None for any other file."""
    name = os.path.basename(path)
    if path.startswith(("fuzz/corpus/", "tests/golden/", "bench/results/")):
        return None  # data, not source
    if name.endswith((".cpp", ".h", ".h.in")):
        return "// {}", GPL
    if name == "CMakeLists.txt" or name.endswith((".cmake", ".sh", ".py")):
        return "# {}", GPL
    if path in (".ci/run", ".ci/extra", ".ci/package-check", "debian/rules"):
        return "# {}", GPL
    if path.startswith("data/units-") and name.endswith(".txt"):
        return "# {}", GPL  # the unit lists: a comment their reader skips
    if path.startswith("tests/cases/") and name.endswith(".txt"):
        return "# {}", GPL
    if name.endswith(".1.in"):
        return '.\\" {}', GPL
    if name.endswith(".metainfo.xml.in"):
        return "<!-- {} -->", "CC0-1.0"
    return None


def source_files(root):
    try:
        out = subprocess.run(["git", "-C", root, "ls-files", "-z"], check=True,
                             capture_output=True).stdout.decode()
        files = [f for f in out.split("\0") if f]
    except (OSError, subprocess.CalledProcessError):
        files = []
        for top, dirs, names in os.walk(root):
            dirs[:] = [d for d in dirs if not d.startswith(("build", ".git"))]
            files += [os.path.relpath(os.path.join(top, n), root) for n in names]
    return sorted(f for f in files
                  if comment_for(f) and os.path.isfile(os.path.join(root, f)))


def has_line(lines):
    return any(TAG in line for line in lines[:3])


def with_line(text, template, licence):
    lines = text.splitlines(keepends=True)
    if has_line(lines):
        return text
    newline = "\r\n" if lines and lines[0].endswith("\r\n") else "\n"
    line = template.format(f"{TAG} {licence}") + newline
    at = 1 if lines and (lines[0].startswith("#!") or lines[0].startswith("<?xml")) else 0
    return "".join(lines[:at] + [line] + lines[at:])


def main():
    check = "--check" in sys.argv[1:]
    root = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
    missing = []
    for path in source_files(root):
        full = os.path.join(root, path)
        # Latin-1 keeps every byte as it is (the unit lists are Windows-1252).
        with open(full, encoding="latin-1", newline="") as f:
            text = f.read()
        template, licence = comment_for(path)
        new = with_line(text, template, licence)
        if new == text:
            continue
        missing.append(path)
        if not check:
            with open(full, "w", encoding="latin-1", newline="") as f:
                f.write(new)
    for path in missing:
        print(("no licence line: " if check else "licence line added: ") + path)
    if check and missing:
        print(f"spdx: {len(missing)} file(s) lack the line; scripts/spdx.py adds it")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
