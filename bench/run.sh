#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds every benchmark, runs each with repetitions and prints one table:
# the median and the spread (standard deviation, and relative) of every
# figure over the repeated runs.
#
#   bench/run.sh [--reps N] [--min-time SECONDS] [--filter REGEX] [--build DIR]
#   bench/run.sh --check [--build DIR]
#
# Defaults: 10 repetitions of at least 0.1 s each, build directory
# build-bench in the repository (made as a Release build). The table is also
# written to bench/results/table.txt, the raw JSON to DIR/bench-json/.
# --check (what CI runs) builds every benchmark and runs each figure once for
# a moment, untimed, and fails on any benchmark that does not build, does not
# run or reports an error; the table is then not written to bench/results/.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(dirname "$here")"
reps=10
mintime=0.1
filter=""
build="$root/build-bench"
check=0
while [ $# -gt 0 ]; do
    case "$1" in
        --reps) reps="$2"; shift 2 ;;
        --min-time) mintime="$2"; shift 2 ;;
        --filter) filter="$2"; shift 2 ;;
        --build) build="$2"; shift 2 ;;
        --check) check=1; reps=1; mintime=0.001; shift ;;
        -h|--help) sed -n '2,13p' "$0"; exit 0 ;;
        *) echo "unknown option $1" >&2; exit 2 ;;
    esac
done

source "$here/common.sh"
build="$(kiv_configure_build "$build")"
jobs="${JOBS:-2}"

# One target per source file; benchmarks that other parts add later (GUI,
# unit lists) are found the same way.
targets=()
for src in "$here"/*_bench.cpp "$here"/gui_*.cpp; do
    [ -e "$src" ] || continue
    name="$(basename "$src" .cpp)"
    case " ${targets[*]-} " in *" $name "*) continue ;; esac
    targets+=("$name")
done
built=()
failed=0
for t in "${targets[@]}"; do
    if cmake --build "$build" -j"$jobs" --target "$t" >"$build/build-$t.log" 2>&1; then
        built+=("$t")
    else
        echo "warning: $t did not build (see $build/build-$t.log)" >&2
        [ "$check" -eq 0 ] || cat "$build/build-$t.log" >&2
        failed=1
    fi
done

# The GUI benchmarks draw off screen unless a display is chosen.
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
out="$build/bench-json"
rm -rf "$out"
mkdir -p "$out"
for t in "${built[@]}"; do
    exe="$(find "$build" -type f -name "$t" -perm -u+x | head -n 1)"
    [ -n "$exe" ] || { echo "warning: no executable for $t" >&2; continue; }
    args=(--benchmark_repetitions="$reps" --benchmark_min_time="$mintime"
          --benchmark_report_aggregates_only=true
          --benchmark_out="$out/$t.json" --benchmark_out_format=json)
    [ -n "$filter" ] && args+=(--benchmark_filter="$filter")
    echo "running $t" >&2
    if ! (cd "$(dirname "$exe")" && "$exe" "${args[@]}" >"$out/$t.log" 2>&1); then
        echo "warning: $t failed (see $out/$t.log)" >&2
        [ "$check" -eq 0 ] || cat "$out/$t.log" >&2
        failed=1
    fi
done

table="$here/results/table.txt"
if [ "$check" -eq 1 ]; then
    table="$out/table.txt"
else
    mkdir -p "$here/results"
fi
cpu="$(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //')"
buildtype="$(grep -m1 '^CMAKE_BUILD_TYPE' "$build/CMakeCache.txt" | sed 's/.*=//')"
load="$(cut -d' ' -f1-3 /proc/loadavg)"
machine="$(nproc) cores ($cpu), load average $load, $(date -u '+%Y-%m-%d %H:%M UTC'), ${buildtype:-default} build"
python3 - "$out" "$reps" "$machine" "$table" "$check" "$filter" <<'PY' || failed=1
import json, os, sys

folder, reps, machine, table, check, filtered = sys.argv[1:7]

# What each figure means; the others are listed by their benchmark name.
NAMES = {
    "BM_CoreKeyMixedUnits": "key press through the core, mixed unit script (per key)",
    "BM_CoreKeyInteger": "key press through the core, integer script (per key)",
    "BM_KeyPressUnitArithmetic": "key press through the core, unit arithmetic (per key)",
    "BM_DbLoad1000": "database load, 1000 records (read and parse the file)",
    "BM_DbSave1000": "database save, 1000 records (atomic write with fsync)",
    "BM_DbSave1000NoSync": "database save, 1000 records (atomic write, file fsync skipped)",
    "BM_DbParse1000": "database parse, 1000 records (in memory)",
    "BM_DbSerialize1000": "database image, 1000 records (in memory)",
    "BM_StartupCore1000": "core start-up on 1000 records (load, state, labels, draw)",
    "BM_ConvertFull": "convert, full reduction (per operation)",
    "BM_ConvertRepeat": "convert, repeated: reduction remembered (per operation)",
    "BM_SimplifyFull": "simplify, full reductions (per operation)",
    "BM_SimplifyRepeat": "simplify, repeated: reductions remembered (per operation)",
    "BM_ReduceFull": "reduce to base units, full (per operation)",
    "BM_ReduceRepeat": "reduce to base units, repeated: remembered (per operation)",
    "BM_GuiKeyDigit": "key press to repaint in the GUI, digit and Backspace (per key)",
    "BM_GuiKeyArithmetic": "key press to repaint in the GUI, unit arithmetic (per key)",
    "BM_FirstPaintKivVsBareDialog": "start-up to first painted window (own process)",
    "BM_ImportShippedList/US": "import of the shipped list units-US.txt",
    "BM_ImportShippedList/UK": "import of the shipped list units-UK.txt",
    "BM_ExportAfterImport": "export of the imported unit list",
}
for arg, mode in (("0", "Standard"), ("1", "Fixed"), ("2", "Scientific"), ("3", "Engineering")):
    NAMES["BM_FormatRealStack/" + arg] = "format a full stack, 128 reals with units, " + mode
for radix in ("2", "10", "16"):
    NAMES["BM_FormatIntegerStack/" + radix] = "format a full stack, 128 integers, radix " + radix
# Counters that hold a time per item (inverted rates), preferred over the
# time per iteration.
PER_ITEM = ("per_key", "per_op", "per_conversion")
ORDER = ["core_keypress_bench", "keypad_bench", "gui_", "core_storage_bench",
         "unitlist_bench", "units_bench", "format_bench", "engine_bench", "integer_bench"]

def rank(exe):
    for i, p in enumerate(ORDER):
        if exe.startswith(p):
            return i
    return len(ORDER)

def human(seconds):
    for unit, scale in (("s", 1.0), ("ms", 1e-3), ("us", 1e-6), ("ns", 1e-9)):
        if abs(seconds) >= scale or unit == "ns":
            return "%.3g %s" % (seconds / scale, unit)

SCALE = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}
rows = []
for fn in sorted(os.listdir(folder), key=lambda f: (rank(f), f)):
    if not fn.endswith(".json"):
        continue
    exe = fn[:-5]
    try:
        data = json.load(open(os.path.join(folder, fn)))
    except (ValueError, OSError):
        # Nothing ran (filtered out, or failed: see its .log).
        if check == "1" and not filtered:
            rows.append((exe, "(no figures)", "error: no results", "", ""))
        continue
    agg = {}
    for b in data.get("benchmarks", []):
        # "BM_X/iterations:9/manual_time" and the like: the name is BM_X.
        name = "/".join(p for p in b.get("run_name", b["name"]).split("/")
                        if p not in ("real_time", "manual_time") and ":" not in p)
        if b.get("error_occurred"):
            agg.setdefault(name, {})["error"] = b.get("error_message", "error")
            continue
        # One repetition reports no aggregates: its single run is the median.
        single = b.get("run_type") == "iteration" and reps == "1"
        if b.get("run_type") != "aggregate" and not single:
            continue
        counter = next((c for c in PER_ITEM if c in b), None)
        value = b[counter] if counter else b["real_time"] * SCALE[b.get("time_unit", "ns")]
        agg.setdefault(name, {})["median" if single else b["aggregate_name"]] = value
    for name, a in agg.items():
        label = NAMES.get(name, name)
        if "error" in a:
            rows.append((exe, label, "error: " + a["error"], "", ""))
            continue
        med, sd = a.get("median", 0.0), a.get("stddev", 0.0)
        cv = 100.0 * sd / a["mean"] if a.get("mean") else 0.0
        rows.append((exe, label, human(med), human(sd), "%.1f%%" % cv))

head = ("program", "figure", "median", "stddev", "cv")
w = [max(len(r[i]) for r in rows + [head]) for i in range(5)]
line = lambda r: "| " + " | ".join(r[i].ljust(w[i]) for i in range(5)) + " |"
text = ["Machine: %s." % machine,
        "Median and spread over %s repetitions per figure." % reps, "",
        line(head), "|" + "|".join("-" * (x + 2) for x in w) + "|"]
text += [line(r) for r in rows]
open(table, "w").write("\n".join(text) + "\n")
print("\n".join(text))
errors = [r for r in rows if r[2].startswith("error")]
if check == "1" and (errors or not rows):
    sys.exit("bench: %d figure(s) reported an error" % len(errors) if rows else "bench: no figures")
PY
if [ "$failed" -ne 0 ]; then
    echo "bench: a benchmark did not build, did not run or reported an error" >&2
    [ "$check" -eq 0 ] || exit 1
fi
