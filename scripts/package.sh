#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package kiv_<version>_<arch>.deb with the standard tools
# (dpkg-buildpackage and debhelper, from debian/): a Release build without
# tests or benchmarks, its Depends computed by dpkg-shlibdeps. The tree as it
# is on disk (uncommitted changes included, build folders left out) is
# copied to a staging folder that is removed afterwards, so the build leaves
# nothing in the tree and the program cannot lean on the tree's files.
#   scripts/package.sh [output folder]     (default build-pkg)
# Install it with: sudo apt install ./build-pkg/kiv_<version>_<arch>.deb
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/build-pkg}
for tool in dpkg-buildpackage dh dpkg-parsechangelog; do
    command -v "$tool" >/dev/null || {
        echo "package.sh: $tool is missing (apt install debhelper dpkg-dev)" >&2
        exit 1
    }
done

version=$(sed -n 's/^project(kiv VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
packaged=$(dpkg-parsechangelog -l "$root/debian/changelog" -S Version)
if [ "$version" != "$packaged" ]; then
    echo "package.sh: CMakeLists.txt says $version, debian/changelog $packaged" >&2
    exit 1
fi
arch=$(dpkg-architecture -qDEB_HOST_ARCH)

mkdir -p "$out"
out=$(cd "$out" && pwd)
stage=$out/stage
src=$stage/kiv-$version
rm -rf "$stage"
mkdir -p "$src"
trap 'rm -rf "$stage"' EXIT
if git -C "$root" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    (cd "$root" && git ls-files -z --cached --others --exclude-standard |
        while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
        tar --null -T - -cf -) | tar -xf - -C "$src"
else
    (cd "$root" && tar --exclude='./build*' --exclude=./.git -cf - .) | tar -xf - -C "$src"
fi

# debhelper gives the build its own HOME: keep the shared compiler cache.
if command -v ccache >/dev/null && [ -z "${CCACHE_DIR:-}" ]; then
    CCACHE_DIR=$(ccache -k cache_dir)
    export CCACHE_DIR
fi
export CCACHE_BASEDIR=$src CCACHE_NOHASHDIR=true
jobs=$(nproc)
log=$out/build.log
if ! (cd "$src" && nice dpkg-buildpackage -us -uc -b -j"$jobs") >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    echo "package.sh: dpkg-buildpackage failed; the whole log is $log" >&2
    exit 1
fi
rm -f "$out"/kiv_*.deb "$out"/kiv-dbgsym_*.deb "$out"/kiv_*.buildinfo "$out"/kiv_*.changes
mv "$stage"/kiv_* "$stage"/kiv-dbgsym_* "$out"/ 2>/dev/null || true
deb=$out/kiv_${version}_${arch}.deb
[ -f "$deb" ] || { echo "package.sh: $deb was not made (see $log)" >&2; exit 1; }
echo "$deb"
