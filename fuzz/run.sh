#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets with clang (ASan + UBSan) in build-fuzz and
# runs each for the given number of seconds (default 20). New inputs go to a
# working corpus in build-fuzz; the committed seeds stay as they are. Exits
# non-zero when a fuzzer finds a fault; its log and the input that caused it
# are left in build-fuzz/fuzz-out.
set -euo pipefail
cd "$(dirname "$0")/.."
secs="${1:-20}"
if ! command -v clang++ >/dev/null; then
  echo "fuzz/run.sh: clang++ not found" >&2
  exit 1
fi

fuzzers=(dbfile_fuzz parse_real_fuzz parse_integer_fuzz)
[ -f app/core/unitlist.h ] && fuzzers+=(unitlist_fuzz convert_text_fuzz)
[ -f app/core/unitlist.h ] && [ -f app/core/unitsdlg.h ] && fuzzers+=(keystream_fuzz)
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKIV_FUZZ=ON -DKIV_WERROR=ON -DKIV_BUILD_GUI=OFF -DKIV_BUILD_TESTS=OFF -DKIV_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target "${fuzzers[@]}" >/dev/null

out=build-fuzz/fuzz-out
mkdir -p "$out"
passed=0
failed=0
for f in "${fuzzers[@]}"; do
  name="${f%_fuzz}"
  work="build-fuzz/corpus/$name"
  mkdir -p "$work"
  log="$out/$f.log"
  if ./build-fuzz/fuzz/"$f" -max_total_time="$secs" -print_final_stats=1 \
       -artifact_prefix="$out/$f-" "$work" "fuzz/corpus/$name" >"$log" 2>&1; then
    passed=$((passed + 1))
    result=ok
  else
    failed=$((failed + 1))
    result=FAILED
    tail -n 40 "$log" >&2
  fi
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 || true)
  echo "$f: $result, ${secs}s, ${execs:-?} executions, ${cov:-cov: ?}, corpus $(ls "$work" | wc -l)"
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
