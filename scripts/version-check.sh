#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The version is typed once, in project() of CMakeLists.txt. This checks that
# everything that shows it agrees: `kiv --version` (run without a display),
# the top entry of debian/changelog, and the manual page and metainfo the
# build made from their templates.
#   scripts/version-check.sh KIV_BINARY BUILT_FILES_FOLDER [KIV_CONVERT_BINARY]
# (the command-line converter: its --version and the manual page built beside it)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
kiv=$1
built=$2
convert=${3:-}
fail() { echo "version-check: $*" >&2; exit 1; }

version=$(sed -n 's/^project(kiv VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[ -n "$version" ] || fail "no version in CMakeLists.txt"

said=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM= "$kiv" --version) ||
    fail "kiv --version ended with status $?"
[ "$said" = "kiv $version" ] || fail "kiv --version says \"$said\", CMakeLists.txt $version"

# The first line: "kiv (VERSION) distribution; urgency=...".
packaged=$(sed -n '1s/^kiv (\([^)]*\)).*/\1/p' "$root/debian/changelog")
[ "$packaged" = "$version" ] ||
    fail "debian/changelog's top entry is \"$packaged\", CMakeLists.txt $version"

grep -q "^\.TH KIV 1 [0-9-]* \"Kiv $version\"" "$built/kiv.1" ||
    fail "the manual page does not give Kiv $version"
grep -q "<release version=\"$version\"" "$built"/*.metainfo.xml ||
    fail "the metainfo has no release $version"
if grep -q '@PROJECT_VERSION@' "$built/kiv.1" "$built"/*.metainfo.xml; then
    fail "a template placeholder was left unfilled"
fi
if [ -n "$convert" ]; then
    said=$("$convert" --version) || fail "kiv-convert --version ended with status $?"
    [ "$said" = "kiv-convert (Kiv) $version" ] ||
        fail "kiv-convert --version says \"$said\", CMakeLists.txt $version"
    grep -q "^\.TH KIV-CONVERT 1 [0-9-]* \"Kiv $version\"" "$(dirname "$convert")/kiv-convert.1" ||
        fail "kiv-convert's manual page does not give Kiv $version"
fi
echo "version-check: $version everywhere"
