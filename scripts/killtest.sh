#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Kill test: starts the real kiv many times on one data folder holding a
# large database, types a number that is new in each run, and kills the
# program at a random moment: SIGKILL while it runs, or SIGTERM (a normal
# end that saves) followed by SIGKILL a few milliseconds later, so that many
# kills land inside the save. After every run the database file must load
# with the storage layer (dbcheck) and hold either the previous state or the
# new one (the number on top of the stack), never anything else.
#
# Then first starts, each on an empty data folder, killed at a random
# moment: before or in the welcome message, just after its OK, in the import
# dialog, or during and after the import of units-US.txt. A first start that
# reached its import dialog must have left a sound database, and whatever it
# left must let the next start open its window (no database error, no file
# set aside) and end normally.
#
#   scripts/killtest.sh [--runs N] [--first-runs N] [--units N] [--pad BYTES] [KIV] [DBCHECK]
#   scripts/killtest.sh --asan-smoke KIV [DBCHECK]
#
# KIV defaults to build/app/qt/kiv, DBCHECK to the dbcheck beside it in the
# same build tree (tests/dbcheck). Needs xvfb-run and xdotool; --asan-smoke
# (one start and a SIGTERM under the sanitizers, offscreen) needs neither.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=200
first_runs=50
units=900
pad=20000
smoke=0
while [ $# -gt 0 ]; do
    case "$1" in
        --runs) runs=$2; shift 2 ;;
        --first-runs) first_runs=$2; shift 2 ;;
        --units) units=$2; shift 2 ;;
        --pad) pad=$2; shift 2 ;;
        --asan-smoke) smoke=1; shift ;;
        *) break ;;
    esac
done
kiv=$(realpath "${1:-$root/build/app/qt/kiv}")
dbcheck=$(realpath "${2:-$(dirname "$kiv")/../../tests/dbcheck}")
for f in "$kiv" "$dbcheck"; do
    [ -x "$f" ] || { echo "killtest.sh: $f is missing (build the kiv and dbcheck targets)" >&2; exit 1; }
done

data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT
export XDG_DATA_HOME=$data
mkdir -p "$data/kiv"
db=$data/kiv/kivDB_pdb

if [ "$smoke" = 1 ]; then
    # Under the sanitizers: start on a saved database, end normally by
    # SIGTERM; the program must exit 0 with no sanitizer report, and the file
    # it wrote must be sound.
    "$dbcheck" --make "$db" 50 0
    log=$data/smoke.log
    QT_QPA_PLATFORM=offscreen "$kiv" >"$log" 2>&1 &
    pid=$!
    sleep 3
    kill -TERM "$pid"
    rc=0
    wait "$pid" || rc=$?
    if [ "$rc" -ne 0 ] || grep -qE 'Sanitizer|runtime error' "$log"; then
        echo "kiv under the sanitizers: exit $rc" >&2
        cat "$log" >&2
        exit 1
    fi
    "$dbcheck" "$db" >/dev/null
    echo "kiv under the sanitizers: started, saved on SIGTERM, no report"
    exit 0
fi

for tool in xvfb-run xdotool; do
    command -v "$tool" >/dev/null || { echo "killtest.sh: $tool is missing" >&2; exit 1; }
done
"$dbcheck" --make "$db" "$units" "$pad"
echo "database of $(stat -c %s "$db") bytes, $runs runs"

export KIV="$kiv" DBCHECK="$dbcheck" DB="$db" RUNS="$runs" FIRST_RUNS="$first_runs"
export FIRST_HOME="$data/first" QT_QPA_PLATFORM=xcb
xvfb-run -a -s "-screen 0 800x600x24" bash -c '
set -u
kills=0; during=0; temps=0; damaged=0; kept_old=0; got_new=0; aside=0; ended=0
prev=$("$DBCHECK" "$DB" | awk "{print \$4}")
for run in $(seq 1 "$RUNS"); do
    number=$((1000 + run)); clean=0
    "$KIV" >/dev/null 2>&1 &
    pid=$!
    win=$(timeout 20 xdotool search --sync --onlyvisible --name "^Kiv$" | head -1)
    if [ -n "$win" ]; then
        xdotool windowfocus --sync "$win" 2>/dev/null || true
        xdotool type --delay 5 "$number" 2>/dev/null || true
        xdotool key Return 2>/dev/null || true
    fi
    sleep "0.$((RANDOM % 3))$((RANDOM % 10))"
    mode=$((RANDOM % 8))
    if [ "$mode" -lt 2 ]; then
        kill -KILL "$pid" 2>/dev/null && kills=$((kills + 1))
    elif [ "$mode" -lt 3 ]; then
        kill -TERM "$pid" 2>/dev/null  # a normal end: the new state must be saved
        wait "$pid" 2>/dev/null
        ended=$((ended + 1)); clean=1
    else
        # SIGTERM starts the save; SIGKILL follows within 0..299 ms.
        kill -TERM "$pid" 2>/dev/null
        sleep "0.$((RANDOM % 3))$((RANDOM % 10))$((RANDOM % 10))"
        if kill -KILL "$pid" 2>/dev/null; then
            kills=$((kills + 1)); during=$((during + 1))
        else
            ended=$((ended + 1))
        fi
    fi
    wait "$pid" 2>/dev/null
    if ls "$(dirname "$DB")" | grep "damaged" >/dev/null; then aside=$((aside + 1)); fi
    if out=$("$DBCHECK" "$DB"); then
        top=$(echo "$out" | awk "{print \$4}")
        if [ "$top" = "$number" ]; then
            got_new=$((got_new + 1)); prev=$top
        elif [ "$clean" = 1 ]; then
            damaged=$((damaged + 1)); echo "run $run: a normal end did not save $number (top $top)"
        elif [ "$top" = "$prev" ]; then
            kept_old=$((kept_old + 1))
        else
            damaged=$((damaged + 1)); echo "run $run: top $top is neither $prev nor $number"
        fi
    else
        damaged=$((damaged + 1)); echo "run $run: $out"
    fi
    if ls -a "$(dirname "$DB")" | grep "^\.kivDB_pdb\." >/dev/null; then temps=$((temps + 1)); fi
    rm -f "$(dirname "$DB")"/.kivDB_pdb.*
done
echo "runs $RUNS, kills $kills (after SIGTERM, inside the shut-down: $during), ended by SIGTERM before the kill $ended"
echo "file after each run: new state $got_new, previous state $kept_old, damaged $damaged, set aside $aside"
echo "runs that left a temporary file behind (removed before the next run): $temps"

# First starts. Each run starts on an empty folder and goes as far as its
# stage before the kill: 0 anywhere in the first half second, 1 just after
# OK on the welcome, 2 in the import dialog, 3 after choosing units-US.txt.
folder=$FIRST_HOME/kiv
first_bad=0; no_file=0; reopened=0
stage_runs=(0 0 0 0)
waitwin() { timeout "$2" xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -1; }
for run in $(seq 1 "$FIRST_RUNS"); do
    rm -rf "$FIRST_HOME"; mkdir -p "$folder"
    stage=$((RANDOM % 4)); reached=0
    XDG_DATA_HOME=$FIRST_HOME "$KIV" >/dev/null 2>&1 &
    pid=$!
    if [ "$stage" -eq 0 ]; then
        sleep "0.$((RANDOM % 5))$((RANDOM % 10))"
    elif win=$(waitwin "^Welcome to Kiv!$" 20) && [ -n "$win" ]; then
        xdotool windowfocus --sync "$win" key Return 2>/dev/null || true
        if [ "$stage" -eq 1 ]; then
            sleep "0.0$((RANDOM % 10))$((RANDOM % 10))"
        elif dlg=$(waitwin "^Import Unit List$" 20) && [ -n "$dlg" ]; then
            reached=2
            if [ "$stage" -eq 3 ]; then
                xdotool windowfocus --sync "$dlg" type --delay 5 "units-US.txt" 2>/dev/null || true
                xdotool key Return 2>/dev/null || true
                sleep "0.$((RANDOM % 3))$((RANDOM % 10))"
            fi
        fi
    fi
    stage_runs[$stage]=$((stage_runs[$stage] + 1))
    if [ $((RANDOM % 2)) -eq 0 ]; then
        kill -KILL "$pid" 2>/dev/null
    else
        # SIGTERM closes any dialog and ends; SIGKILL may cut that short.
        kill -TERM "$pid" 2>/dev/null
        sleep "0.$((RANDOM % 2))$((RANDOM % 10))"
        kill -KILL "$pid" 2>/dev/null
    fi
    wait "$pid" 2>/dev/null
    rm -f "$folder"/.kivDB_pdb.*
    if ls "$folder" | grep damaged >/dev/null; then
        first_bad=$((first_bad + 1)); echo "first start $run (stage $stage): a file was set aside"
        continue
    fi
    if [ ! -e "$folder/kivDB_pdb" ]; then
        no_file=$((no_file + 1))
        if [ "$reached" -ge 2 ]; then
            first_bad=$((first_bad + 1))
            echo "first start $run (stage $stage): the import dialog opened with no database saved"
        fi
        continue
    fi
    if ! out=$("$DBCHECK" "$folder/kivDB_pdb"); then
        first_bad=$((first_bad + 1)); echo "first start $run (stage $stage): $out"
        continue
    fi
    # The next start opens its window on what was left, and ends normally.
    XDG_DATA_HOME=$FIRST_HOME "$KIV" >/dev/null 2>&1 &
    pid=$!
    win=$(waitwin "^Kiv$" 20)
    kill -TERM "$pid" 2>/dev/null
    rc=0
    wait "$pid" 2>/dev/null || rc=$?
    if [ -z "$win" ] || [ "$rc" -ne 0 ] || ls "$folder" | grep damaged >/dev/null; then
        first_bad=$((first_bad + 1))
        echo "first start $run (stage $stage): the next start did not run (window ${win:-none}, exit $rc)"
        kill -KILL "$pid" 2>/dev/null
    else
        reopened=$((reopened + 1))
    fi
done
echo "first starts $FIRST_RUNS, killed in stage 0/1/2/3: ${stage_runs[*]}"
echo "left no database $no_file, left one the next start opened $reopened, failed $first_bad"
[ "$damaged" -eq 0 ] && [ "$aside" -eq 0 ] && [ "$first_bad" -eq 0 ]
'
