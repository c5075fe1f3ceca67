#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Line coverage of the core folders by the core suite (gcovr):
#   scripts/coverage.sh [build-folder]      (default build-cov)
# Prints the summary; the per-file table goes to <build>/coverage.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-cov}"
export CCACHE_DISABLE=1  # gcov notes must come from this build
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DKIV_BUILD_GUI=OFF -DKIV_BUILD_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="--coverage" -DCMAKE_EXE_LINKER_FLAGS="--coverage" >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null
find "$build" -name '*.gcda' -delete
(cd "$build" && ctest -L core -j"$(nproc)" --timeout 900 >/dev/null)
gcovr -r . --object-directory "$build" \
  --filter 'window/' --filter 'storage/' --filter 'units/' --filter 'engine/' --filter 'keypad/' \
  --filter 'app/core/' --filter 'res/' -o "$build/coverage.txt" --print-summary
