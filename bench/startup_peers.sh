#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Start-up time of Kiv next to a bare Qt 6 dialog and SpeedCrunch, measured
# the same external way in one run under one Xvfb: the wall time from the
# exec to the moment the program's top-level window is mapped and has been
# painted at least once (bench/mapwait.py, X DAMAGE events), then the
# program is killed. The three are interleaved (the order rotates every
# round); each gets warm-up runs first. Prints the median and the spread of
# each and the ratios Kiv / bare dialog and Kiv / SpeedCrunch.
#
#   bench/startup_peers.sh [--runs N] [--warmup N] [--build DIR] [--out FILE]
#   bench/startup_peers.sh --check [--build DIR]
#
# --check (what CI runs) starts Kiv and the bare dialog once each, untimed,
# without SpeedCrunch, and fails when either shows no painted window.
#
# Defaults: 15 runs after 2 warm-up runs, build directory build-bench (made
# as a Release build, like bench/run.sh). Kiv is the real program (app/qt/kiv)
# over a data folder with 300 units and a full stack, written by
# gui_startup_bench; the bare dialog is gui_startup_bench with KIV_BENCH_BARE.
# Every run of every program gets its own new HOME and XDG folders, so no
# settings, history or lock carry over. Installs SpeedCrunch, Xvfb and the
# X DAMAGE library from the distribution's packages when they are missing.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(dirname "$here")"
runs=15
warmup=2
build="$root/build-bench"
outfile=""
check=0
while [ $# -gt 0 ]; do
    case "$1" in
        --runs) runs="$2"; shift 2 ;;
        --warmup) warmup="$2"; shift 2 ;;
        --build) build="$2"; shift 2 ;;
        --out) outfile="$2"; shift 2 ;;
        --check) check=1; runs=1; warmup=0; shift ;;
        -h|--help) sed -n '2,22p' "$0"; exit 0 ;;
        *) echo "unknown option $1" >&2; exit 2 ;;
    esac
done

missing=()
[ "$check" -eq 1 ] || command -v speedcrunch >/dev/null || missing+=(speedcrunch)
command -v xvfb-run >/dev/null || missing+=(xvfb)
ldconfig -p | grep -q 'libXdamage\.so\.1 ' || missing+=(libxdamage1)
if [ ${#missing[@]} -gt 0 ]; then
    echo "installing ${missing[*]}" >&2
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get install -y "${missing[@]}" >/dev/null
fi

source "$here/common.sh"
build="$(kiv_configure_build "$build")"
cmake --build "$build" -j"${JOBS:-2}" --target kiv gui_startup_bench >/dev/null
kiv="$(find "$build/app/qt" -type f -name kiv -perm -u+x | head -n 1)"
bench="$(find "$build" -type f -name gui_startup_bench -perm -u+x | head -n 1)"
[ -n "$kiv" ] && [ -n "$bench" ] || { echo "kiv or gui_startup_bench was not built" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
KIV_BENCH_WRITE_FOLDER="$work/kivdata" "$bench"

versions="SpeedCrunch $(dpkg-query -W -f '${Version}' speedcrunch 2>/dev/null || echo '?')"
versions+=" (Qt $(dpkg-query -W -f '${Version}' libqt5widgets5 2>/dev/null | cut -d+ -f1 || echo '?'))"
versions+="; Kiv and the bare dialog: Qt $(dpkg-query -W -f '${Version}' libqt6widgets6 2>/dev/null | cut -d+ -f1 || echo '?')"
buildtype="$(grep -m1 '^CMAKE_BUILD_TYPE' "$build/CMakeCache.txt" | sed 's/.*=//')"
cpu="$(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //')"
machine="$(nproc) cores ($cpu), ${buildtype:-default} build of Kiv"

cat >"$work/driver.py" <<'PY'
import os, shutil, statistics, sys, time

here, work, kiv, bench, runs, warmup, machine, versions, check = sys.argv[1:10]
runs, warmup, check = int(runs), int(warmup), check == "1"
sys.path.insert(0, here)
import mapwait

# name, command, extra environment, the data folder to copy in (or None)
PROGRAMS = [
    ("Kiv", [kiv], {}, os.path.join(work, "kivdata", "kiv")),
    ("bare Qt 6 dialog", [bench], {"KIV_BENCH_BARE": "1"}, None),
    ("SpeedCrunch", ["speedcrunch"], {}, None),
]
if check:
    PROGRAMS.pop()

def load():
    return " ".join(open("/proc/loadavg").read().split()[:3])

count = 0
def fresh_env(extra, data):
    """A new HOME and XDG folders for one run."""
    global count
    count += 1
    home = os.path.join(work, "run%d" % count)
    env = dict(os.environ, HOME=home, QT_QPA_PLATFORM="xcb", **extra)
    for var, sub in (("XDG_CONFIG_HOME", ".config"), ("XDG_DATA_HOME", ".local/share"),
                     ("XDG_CACHE_HOME", ".cache"), ("XDG_STATE_HOME", ".local/state")):
        env[var] = os.path.join(home, sub)
        os.makedirs(env[var])
    if data:
        shutil.copytree(data, os.path.join(env["XDG_DATA_HOME"], "kiv"))
    return env

watcher = mapwait.Watcher()
paint = {name: [] for name, *_ in PROGRAMS}
mapped = {name: [] for name, *_ in PROGRAMS}
failures = {name: 0 for name, *_ in PROGRAMS}
load_before = load()
started = time.strftime("%Y-%m-%d %H:%M UTC", time.gmtime())
for r in range(warmup + runs):
    shift = r % len(PROGRAMS)
    for name, argv, extra, data in PROGRAMS[shift:] + PROGRAMS[:shift]:
        # A run that fails (the program ended or showed nothing in time) is
        # repeated, up to three times; the failures are reported.
        for attempt in range(3):
            try:
                m, p = watcher.measure(argv, fresh_env(extra, data))
                break
            except RuntimeError as e:
                failures[name] += 1
                print("  (%s: %s)" % (name, e), file=sys.stderr)
        else:
            sys.exit("%s failed three times in a row" % name)
        if r >= warmup:
            paint[name].append(p * 1e3)
            mapped[name].append(m * 1e3)

def quartiles(v):
    q = statistics.quantiles(v, n=4, method="inclusive") if len(v) > 1 else [v[0]] * 3
    return q[0], q[2]

print("Start-up to the first painted window: Kiv, a bare Qt 6 dialog and SpeedCrunch")
print("Machine: %s; %s." % (machine, started))
print("Load average before %s, after %s (other developers' builds share the machine)."
      % (load_before, load()))
print("Versions: %s." % versions)
print("Xvfb 1280x1024x24, no window manager; from the exec to the MapNotify of the")
print("program's top-level window (_NET_WM_PID) and the first X DAMAGE event on it")
print("after the map. Kiv over a data folder with 300 units and a full stack; each")
print("run with new HOME and XDG folders. %d runs each after %d warm-up runs," % (runs, warmup))
print("interleaved, order rotating every round.")
print()
print("%-18s %9s %9s %9s %9s %9s %9s %10s" % (
    "program", "median", "q1", "q3", "min", "max", "stdev", "map median"))
for name, *_ in PROGRAMS:
    v = paint[name]
    q1, q3 = quartiles(v)
    sd = statistics.stdev(v) if len(v) > 1 else 0.0
    print("%-18s %7.1f ms %6.1f ms %6.1f ms %6.1f ms %6.1f ms %6.1f ms %7.1f ms" % (
        name, statistics.median(v), q1, q3, min(v), max(v), sd, statistics.median(mapped[name])))
if any(failures.values()):
    print("Repeated runs: " + ", ".join("%s %d" % kv for kv in failures.items() if kv[1]))
k = statistics.median(paint["Kiv"])
b = statistics.median(paint["bare Qt 6 dialog"])
if check:
    sys.exit(0)
s = statistics.median(paint["SpeedCrunch"])
print()
print("Ratios of the medians: Kiv / bare dialog = %.2f (goal: at most 1.25, %s);" % (
    k / b, "met" if k / b <= 1.25 else "NOT met"))
print("                       Kiv / SpeedCrunch = %.2f (goal: below 1, %s)." % (
    k / s, "met" if k < s else "NOT met"))
PY

run() {
    if [ -n "$outfile" ]; then "$@" | tee "$outfile"; else "$@"; fi
}
run xvfb-run -a -s "-screen 0 1280x1024x24" \
    python3 "$work/driver.py" "$here" "$work" "$kiv" "$bench" "$runs" "$warmup" "$machine" "$versions" \
    "$check"
