#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, then starts Kiv ("run") or runs every
# test ("test"). Works as root and as a user with sudo.
set -euo pipefail
cd "$(dirname "$0")"
mode="${1:-run}"

packages=(cmake g++ make pkg-config ccache qt6-base-dev qt6-base-dev-tools libgl-dev fonts-liberation2
          libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth imagemagick clang
          libclang-rt-14-dev xdotool)
packages+=(debhelper dpkg-dev lintian appstream desktop-file-utils man-db python3)  # package check
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep "install ok installed" >/dev/null || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Builds in other folders (a CI clone, the sanitizer builds) share the cache.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=true
jobs="$(nproc)"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKIV_WERROR=ON >/dev/null
cmake --build build -j"$jobs"

case "$mode" in
  run)
    exec ./build/app/qt/kiv
    ;;
  test)
    python3 scripts/layers.py       # no include runs up the floors
    python3 scripts/spdx.py --check  # every source file names its licence
    (cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$jobs")
    python3 scripts/testsize.py  # the suite's size against the program's
    if [ -x .ci/extra ]; then .ci/extra; fi
    ;;
  *)
    echo "usage: $0 [run|test]" >&2
    exit 64
    ;;
esac
