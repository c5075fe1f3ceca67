#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The same 10,000 unit conversions through GNU units, qalc and Kiv's core,
# in one run: checks that the three agree on every result to 1e-9
# relative, explains each disagreement, and prints the time per conversion
# of each and the ratios. Then 300 temperature readings drawn between 1 K
# and 2000 K, converted between degC, degF, K and degR, must agree with
# GNU units' tempC and tempF.
#
#   bench/compare_peers.sh [--count N] [--build DIR] [--out FILE]
#   bench/compare_peers.sh --check [--build DIR]
#
# --check (what CI runs) runs Kiv's side alone, once, on 200 conversions,
# untimed, and fails when the driver or kiv-convert fails, leaves a
# conversion unanswered, or the two answer differently.
#
# kiv-convert, the command, runs beside them: a batch of --batch N lines
# (default 100,000, the first 10,000 the conversions above) through it and
# through GNU units, and one conversion as a whole process, from a unit list
# and from a database file, against one GNU units process and an empty one.
#
# Installs GNU units and qalc from the distribution's packages when they are
# missing. The conversions are drawn (fixed seed) from units of the shipped
# US list: lengths, volumes, masses, speeds, energies and pressures, SI
# prefixes among them. Each tool runs them as one batch; a run with a single
# conversion measures its start-up, which is subtracted, so that the figures
# compare the work per conversion. Kiv's side is bench/convert_driver (text
# in, parse, convert, format, text out).
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(dirname "$here")"
count=10000
batch=100000
build="$root/build-bench"
outfile=""
check=0
while [ $# -gt 0 ]; do
    case "$1" in
        --count) count="$2"; shift 2 ;;
        --batch) batch="$2"; shift 2 ;;
        --build) build="$2"; shift 2 ;;
        --out) outfile="$2"; shift 2 ;;
        --check) check=1; count=200; shift ;;
        -h|--help) sed -n '2,22p' "$0"; exit 0 ;;
        *) echo "unknown option $1" >&2; exit 2 ;;
    esac
done

list="$root/data/units-US.txt"
[ -f "$list" ] || { echo "missing $list" >&2; exit 1; }

if [ "$check" -eq 0 ] && { ! command -v units >/dev/null || ! command -v qalc >/dev/null; }; then
    echo "installing GNU units and qalc" >&2
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get install -y units qalc >/dev/null
fi

source "$here/common.sh"
build="$(kiv_configure_build "$build")"
cmake --build "$build" -j"${JOBS:-2}" --target convert_driver kiv-convert >/dev/null
driver="$(find "$build" -type f -name convert_driver -perm -u+x | head -n 1)"
command="$(find "$build" -type f -name kiv-convert -perm -u+x | head -n 1)"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# qalc keeps settings and history under HOME; a clean one keeps runs alike.
mkdir -p "$work/home"

run() {
    if [ -n "$outfile" ]; then "$@" | tee "$outfile"; else "$@"; fi
}
run python3 - "$work" "$count" "$driver" "$list" "$check" "$command" "$batch" <<'PY'
import math, os, random, re, subprocess, sys, time

work, count, driver, unitlist = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]
check = sys.argv[5] == "1"
command, batch = sys.argv[6], int(sys.argv[7])
env = dict(os.environ, HOME=os.path.join(work, "home"), LC_ALL="C")
# kiv-convert reads the database of this data folder (written by the driver).
kiv_env = dict(env, XDG_DATA_HOME=os.path.join(work, "xdg"))

# Kiv's name (an expression of the US list), GNU units' name, qalc's name.
UNITS = {
    "length": [
        ("m", "m", "m"), ("km", "km", "km"), ("cm", "cm", "cm"), ("mm", "mm", "mm"),
        ("um", "um", "um"), ("nm", "nm", "nm"), ("yd", "yd", "yd"), ("ft", "ft", "ft"),
        ("in", "in", "in"), ("mi", "mi", "mi"), ("nmi", "nmi", "NauticalMile"),
        ("mil", "mil", "mil"), ("fathom", "fathom", "fathom"), ("chain", "chain", "chain"),
        ("rod", "rod", "rod"), ("fur", "furlong", "furlong"), ("au", "au", "AU"),
        ("ly", "lightyear", "ly"), ("pc", "parsec", "pc"), ("angstrom", "angstrom", "angstrom"),
        ("hand", "hand", "hand"), ("ftUS", "surveyfoot", "US_ft"), ("miUS", "surveymile", "US_mi"),
    ],
    "volume": [
        ("L", "L", "L"), ("mL", "mL", "mL"), ("cL", "cL", "cL"), ("m3", "m^3", "m^3"),
        ("cc", "cc", "cm^3"), ("galUS", "usgallon", "gal"), ("qtUS", "usquart", "liq_qt"),
        ("ptUS", "uspint", "liq_pt"), ("flozUS", "usfloz", "floz"),
        ("galUK", "brgallon", "UK_gal"), ("qtUK", "brquart", "UK_qt"), ("ptUK", "brpint", "UK_pt"),
        ("bbl", "bbl", "bbl"), ("buUS", "bushel", "bu"), ("cup", "uscup", "cup"),
        ("in3", "in^3", "in^3"), ("ft3", "ft^3", "ft^3"),
    ],
    "mass": [
        ("kg", "kg", "kg"), ("g", "g", "g"), ("mg", "mg", "mg"), ("ug", "ug", "ug"),
        ("t", "tonne", "t"), ("lb", "lb", "lb"), ("oz", "oz", "oz"), ("gr", "grain", "gr"),
        ("ozt", "troyounce", "oz_t"), ("tonUS", "shortton", "short_ton"),
        ("tonUK", "longton", "long_ton"), ("cwtUS", "shorthundredweight", "cwt"),
        ("cwtUK", "longhundredweight", "l_cwt"), ("ct", "carat", "carat"),
    ],
    "speed": [
        ("m/s", "m/s", "m/s"), ("km/h", "km/hr", "km/h"), ("mph", "mph", "mph"),
        ("kn", "knot", "knot"), ("ft/s", "ft/s", "ft/s"), ("c", "c", "c"),
        ("in/min", "in/min", "in/min"), ("mi/h", "mi/hr", "mi/h"),
    ],
    "energy": [
        ("J", "J", "J"), ("kJ", "kJ", "kJ"), ("MJ", "MJ", "MJ"), ("mJ", "mJ", "mJ"),
        ("eV", "eV", "eV"), ("keV", "keV", "keV"), ("MeV", "MeV", "MeV"), ("erg", "erg", "erg"),
        ("calth", "thermcalorie", "cal_th"), ("calIT", "calorie_IT", "cal_IT"),
        ("kcal", "kcal", "kcal_th"), ("BTU", "britishthermalunit", "Btu"),
        ("Wh", "W*hr", "Wh"), ("kWh", "kW*hr", "kWh"), ("ftlbf", "ft*lbf", "ft*lbf"),
    ],
    "pressure": [
        ("Pa", "Pa", "Pa"), ("kPa", "kPa", "kPa"), ("MPa", "MPa", "MPa"), ("hPa", "hPa", "hPa"),
        ("bar", "bar", "bar"), ("mbar", "mbar", "mbar"), ("atm", "atm", "atm"),
        ("Torr", "torr", "torr"), ("mmHg", "mmHg", "mmHg"), ("psi", "psi", "psi"),
        ("ksi", "ksi", "ksi"), ("inHg", "inHg", "inHg"),
    ],
}

# Definitions on which the tools differ, what the standards say, and so
# which result is right (checked against each tool's value of the unit).
NOTES = {
    "mmHg": "the conventional millimetre of mercury is 13.5951 g/cm3 x 9.80665 m/s2 x 1 mm"
            " = 133.322387415 Pa (NIST SP 811 B.8); qalc takes it as the torr"
            " (101325/760 Pa = 133.3223684 Pa): Kiv and GNU units are right",
    "inHg": "the conventional inch of mercury is 25.4 conventional mm of mercury ="
            " 3386.388640341 Pa (NIST SP 811 B.8); qalc builds it on the torr"
            " (3386.388158 Pa): Kiv and GNU units are right",
    "BTU": "the International Table BTU is 1055.05585262 J exactly (NIST SP 811 B.8);"
           " qalc's Btu is 1055.056 J, rounded to 7 digits: Kiv and GNU units are right",
    "rod": "the rod is 16.5 ft; with the international foot (the only US foot since the"
           " survey foot was retired at the end of 2022, NIST Handbook 44 appendix C) it is"
           " 5.0292 m exactly; qalc uses the survey foot (5.0292101 m): Kiv and GNU units"
           " give the current value",
}

# Six significant digits over a wide range of scales, one in ten negative;
# exponents written without "+", which every tool reads.
def value(rng):
    v = ("%.6g" % (rng.uniform(1.0, 10.0) * 10.0 ** rng.randint(-5, 8))).replace("e+", "e")
    return v if rng.random() > 0.1 else "-" + v

rng = random.Random(20261207)
dims = list(UNITS)
cases = []
for i in range(max(count, batch)):
    d = dims[i % len(dims)]
    a, b = rng.sample(UNITS[d], 2)
    cases.append((value(rng), a, b))
batch_cases = cases[:batch]
cases = cases[:count]

def write(path, lines):
    with open(path, "w") as f:
        f.write("".join(l + "\n" for l in lines))

def number(text):
    """The leading number of a tool's answer, or None."""
    t = text.strip().replace("\u2248", "").replace("\u2212", "-").strip()
    t = t.replace(" e", "e").replace("E", "e")
    m = re.match(r"[-+]?(\d+\.?\d*|\.\d+)(e[-+]?\d+)?", t)
    return float(m.group(0)) if m else None

def timed(cmd, stdin_path=None):
    t0 = time.perf_counter()
    with open(stdin_path or os.devnull) as fin:
        p = subprocess.run(cmd, stdin=fin, capture_output=True, text=True, env=env,
                           errors="replace")
    return time.perf_counter() - t0, p

# GNU units: pairs of "You have" / "You want" lines, one terse answer each.
def gnu(cs, tag):
    path = os.path.join(work, "gnu-%s.txt" % tag)
    write(path, [l for v, a, b in cs for l in ("%s %s" % (v, a[1]), b[1])])
    t, p = timed(["units", "-t", "-q", "-o", "%.17g"], path)
    return t, [number(l) for l in p.stdout.splitlines()]

def qalc(cs, tag):
    path = os.path.join(work, "qalc-%s.txt" % tag)
    # "to -UNIT": the result in that unit alone, never as a sum of mixed units.
    write(path, ["%s %s to -%s" % (v, a[2], b[2]) for v, a, b in cs])
    t, p = timed(["qalc", "-t", "-s", "precision 17", "-f", path])
    return t, [number(l) for l in p.stdout.splitlines()]

# Kiv: the process timed like the others (one round), and the median of
# five rounds inside the process ("full": no reduction replayed).
def kiv(cs, tag, rounds=1, full=False):
    inp = os.path.join(work, "kiv-%s.txt" % tag)
    out = os.path.join(work, "kiv-%s.out" % tag)
    write(inp, ["%s\t%s\t%s" % (v, a[0], b[0]) for v, a, b in cs])
    t, p = timed([driver, unitlist, inp, out, str(rounds)] + (["full"] if full else []))
    if p.returncode != 0:
        sys.exit("convert_driver failed: " + p.stderr)
    inner = float(re.search(r"([0-9.eE+-]+) s per conversion", p.stdout).group(1))
    with open(out) as f:
        answers = [None if l.startswith("error") else number(l) for l in f.read().splitlines()]
    return t, answers, inner

# kiv-convert: lines "VALUE UNIT<TAB>UNIT" on standard input, one answer a
# line (an empty line for an error), from the shipped list.
def command_batch(cs, tag):
    path = os.path.join(work, "cmd-%s.txt" % tag)
    write(path, ["%s %s\t%s" % (v, a[0], b[0]) for v, a, b in cs])
    t, p = timed([command, "--list", unitlist, "--precision", "15"], path)
    if p.returncode != 0:
        sys.exit("kiv-convert failed (%d): %s" % (p.returncode, p.stderr[:300]))
    return t, [number(l) if l else None for l in p.stdout.splitlines()], p.stdout.splitlines()

ONE = ("5 mi", "km")
def one_process(cmd, e=None):
    t0 = time.perf_counter()
    p = subprocess.run(cmd, capture_output=True, text=True, env=e or env)
    t = time.perf_counter() - t0
    if p.returncode != 0:
        sys.exit("%s failed: %s" % (cmd[0], p.stderr))
    return t, p.stdout.strip()

os.makedirs(os.path.join(work, "xdg", "kiv"), exist_ok=True)
if subprocess.run([driver, unitlist, "--save", os.path.join(work, "xdg", "kiv")]).returncode:
    sys.exit("convert_driver could not write the database")
ONE_CMDS = {
    "kiv-convert, database": ([command, ONE[0], ONE[1]], kiv_env),
    "kiv-convert, --list units-US.txt": ([command, "--list", unitlist, ONE[0], ONE[1]], kiv_env),
    "GNU units": (["units", "-t", ONE[0], ONE[1]], env),
    "empty process (true)": (["true"], env),
}

def per_conversion(total, single, n):
    return max(total - single, 0.0) / max(n - 1, 1)

if check:
    _, k, _ = kiv(cases, "all", 1)
    _, kf, _ = kiv(cases, "full", 1, full=True)
    missing = [cases[i] for i, x in enumerate(k) if x is None]
    if len(k) != len(cases) or missing or kf != k:
        sys.exit("convert_driver: %d of %d conversions unanswered (%s), full reduction %s"
                 % (len(missing) + len(cases) - len(k), len(cases), missing[:3],
                    "agrees" if kf == k else "differs"))
    _, c, lines = command_batch(cases, "check")
    if c != k:
        bad = [i for i in range(len(cases)) if i >= len(c) or c[i] != k[i]]
        sys.exit("kiv-convert: %d of %d answers differ from the driver's (first: %s -> %s)"
                 % (len(bad), len(cases), cases[bad[0]] if bad else "", lines[bad[0]] if bad
                    and bad[0] < len(lines) else "none"))
    for name, (cmd, e) in ONE_CMDS.items():
        if name.startswith("kiv-convert"):
            _, out = one_process(cmd, e)
            if out != "8.04672 km":
                sys.exit("%s: '5 mi' km gave '%s'" % (name, out))
    print("compare_peers check: Kiv answered all %d conversions; kiv-convert agrees, and"
          " converts from a list and from a database" % len(cases))
    sys.exit(0)

# GNU units and Kiv: the median of RUNS batch runs, each program's runs
# interleaved with the other's, so that a passing load on the machine
# touches both; qalc (minutes a batch) runs once.
RUNS = 5
def median(xs):
    return sorted(xs)[len(xs) // 2]
g_ts, g1s, k_ts, k1s = [], [], [], []
for _ in range(RUNS):
    t, g = gnu(cases, "all"); g_ts.append(t)
    t, _ = gnu(cases[:1], "one"); g1s.append(t)
    t, k, _ = kiv(cases, "all"); k_ts.append(t)
    t, _, _ = kiv(cases[:1], "one"); k1s.append(t)
g_t, g1, k_t, k1 = median(g_ts), median(g1s), median(k_ts), median(k1s)
q_t, q = qalc(cases, "all"); q1, _ = qalc(cases[:1], "one")
_, k5, k_inner = kiv(cases, "rounds", 5)
_, kf, k_full = kiv(cases, "full", 5, full=True)
if k5 != k or kf != k:
    sys.exit("Kiv's answers differ between runs")

for name, res in (("GNU units", g), ("qalc", q), ("Kiv", k)):
    if len(res) != len(cases):
        sys.exit("%s gave %d answers for %d conversions" % (name, len(res), len(cases)))

def close(x, y):
    return x is not None and y is not None and abs(x - y) <= 1e-9 * max(abs(x), abs(y), 1e-300)

def show(x):
    return "no answer" if x is None else "%.15g" % x

disagree = []
for i, (v, a, b) in enumerate(cases):
    if not (close(k[i], g[i]) and close(k[i], q[i]) and close(g[i], q[i])):
        disagree.append(i)

print("Unit conversions: Kiv's core against GNU units and qalc")
print("units: %s; qalc %s" % (
    subprocess.run(["units", "--version"], capture_output=True, text=True).stdout.splitlines()[0],
    subprocess.run(["qalc", "--version"], capture_output=True, text=True, env=env).stdout.strip()))
print("conversions: %d (%s), drawn from %s" % (len(cases), ", ".join(dims),
                                               os.path.basename(unitlist)))
print("units used: %d; with SI prefixes: %s" % (
    sum(len(u) for u in UNITS.values()),
    " ".join(sorted({a[0] for us in UNITS.values() for a in us if a[0] in
                     ("km", "cm", "mm", "um", "nm", "mL", "cL", "mg", "ug", "kJ", "MJ", "mJ",
                      "keV", "MeV", "kcal", "kWh", "kPa", "MPa", "hPa", "mbar")}))))
print()
print("Agreement (1e-9 relative): %d of %d conversions agree in all three" % (
    len(cases) - len(disagree), len(cases)))
for (na, xa), (nb, xb) in ((("Kiv", k), ("GNU units", g)), (("Kiv", k), ("qalc", q)),
                           (("GNU units", g), ("qalc", q))):
    same = sum(1 for i in range(len(cases)) if close(xa[i], xb[i]))
    print("  %s and %s agree on %d" % (na, nb, same))
by_unit = {}
for i in disagree:
    v, a, b = cases[i]
    key = next((u for u in (a[0], b[0]) if u in NOTES), a[0] + "|" + b[0])
    by_unit.setdefault(key, []).append(i)
for key, idx in sorted(by_unit.items(), key=lambda kv: -len(kv[1])):
    i = idx[0]
    v, a, b = cases[i]
    print("  %d disagreements involving %s, e.g. %s %s -> %s: Kiv %s, GNU units %s, qalc %s"
          % (len(idx), key, v, a[0], b[0], show(k[i]), show(g[i]), show(q[i])))
    print("    " + NOTES.get(key, "not explained"))

# Temperature readings against GNU units' nonlinear tempC and tempF: points
# drawn between 1 K and 2000 K, converted between the four scales. Near a
# zero point the result is a small difference of large numbers, so results
# agree when they differ by at most 1e-9 of the absolute temperature.
SCALES = [  # Kiv's unit, GNU units' "have" form, GNU units' "want" form, zero in K, K per degree
    ("degC", "tempC(%s)", "tempC", 273.15, 1.0), ("degF", "tempF(%s)", "tempF", 459.67 * 5 / 9, 5 / 9),
    ("K", "%s K", "K", 0.0, 1.0), ("degR", "%s degR", "degR", 0.0, 5 / 9)]
trng = random.Random(20261209)
temps = []
for i in range(300):
    a, b = trng.sample(SCALES, 2)
    kelvin = trng.uniform(1.0, 2000.0)
    temps.append(("%.6g" % ((kelvin - a[3]) / a[4]), a, b))
tg_path = os.path.join(work, "gnu-temp.txt")
write(tg_path, [l for v, a, b in temps for l in (a[1] % v, b[2])])
_, tp = timed(["units", "-t", "-q", "-o", "%.17g"], tg_path)
tg = [number(l) for l in tp.stdout.splitlines()]
tk_in, tk_out = os.path.join(work, "kiv-temp.txt"), os.path.join(work, "kiv-temp.out")
write(tk_in, ["%s\t%s\t%s" % (v, a[0], b[0]) for v, a, b in temps])
tpk = subprocess.run([driver, unitlist, tk_in, tk_out, "1"], capture_output=True, text=True, env=env)
if tpk.returncode != 0:
    sys.exit("convert_driver failed: " + tpk.stderr)
with open(tk_out) as f:
    tk = [None if l.startswith("error") else number(l) for l in f.read().splitlines()]
if len(tg) != len(temps) or len(tk) != len(temps):
    sys.exit("temperature readings: %d GNU units answers, %d Kiv answers for %d" % (
        len(tg), len(tk), len(temps)))
tbad = [i for i, (v, a, b) in enumerate(temps)
        if tk[i] is None or tg[i] is None
        or abs(tk[i] - tg[i]) * b[4] > 1e-9 * max(abs(tg[i]) * b[4] + b[3], 1.0)]
print()
print("Temperature readings (degC, degF, K, degR against GNU units' tempC, tempF, K, degR):"
      " %d of %d agree" % (len(temps) - len(tbad), len(temps)))
for i in tbad[:5]:
    v, a, b = temps[i]
    print("  %s %s -> %s: Kiv %s, GNU units %s" % (v, a[0], b[0], show(tk[i]), show(tg[i])))
if tbad:
    sys.exit("Kiv and GNU units disagree on temperature readings")

print()
gp = per_conversion(g_t, g1, len(cases))
qp = per_conversion(q_t, q1, len(cases))
kp = per_conversion(k_t, k1, len(cases))
print("Time per conversion (batch time less a one-conversion run's start-up; text in,")
print("parse, convert, format, text out; GNU units and Kiv: median of %d runs):" % RUNS)
print("  GNU units  %10.3f us   (batch %.3f s, start-up %.3f s)" % (gp * 1e6, g_t, g1))
print("  qalc       %10.3f us   (batch %.3f s, start-up %.3f s)" % (qp * 1e6, q_t, q1))
print("  Kiv        %10.3f us   (batch %.3f s, start-up with the list import %.3f s)" % (
    kp * 1e6, k_t, k1))
print("  Kiv inside the process, without file input and output: %.3f us"
      " (median of 5 rounds)" % (k_inner * 1e6))
print("  Kiv inside the process, every reduction to base units in full, none")
print("  replayed from memory: %.3f us (median of 5 rounds)" % (k_full * 1e6))
print("  (A batch process reduces each of the %d distinct pairs of units once in"
      % len({(a[0], b[0]) for v, a, b in cases}))
print("  full and replays the repeats; the rounds inside the process after the")
print("  first replay every one.)")
faster = min(gp, qp)
print()
print("Ratios: GNU units / Kiv = %.1f, qalc / Kiv = %.1f; the faster peer (%s) / Kiv = %.1f" % (
    gp / kp, qp / kp, "GNU units" if gp <= qp else "qalc", faster / kp))
print("Ratio on Kiv's in-process time: faster peer / Kiv = %.1f" % (faster / k_inner))

# kiv-convert as a command: the batch against GNU units on the same lines
# (interleaved runs, medians), then single conversions as whole processes.
bg_ts, bk_ts = [], []
for _ in range(3):
    t, bg = gnu(batch_cases, "batch"); bg_ts.append(t)
    t, bk, _ = command_batch(batch_cases, "batch"); bk_ts.append(t)
bg_t, bk_t = median(bg_ts), median(bk_ts)
if len(bk) != len(batch_cases) or len(bg) != len(batch_cases):
    sys.exit("kiv-convert gave %d and GNU units %d answers for %d lines"
             % (len(bk), len(bg), len(batch_cases)))
unanswered = sum(1 for x in bk if x is None)
same = sum(1 for i in range(len(batch_cases)) if close(bk[i], bg[i]))
explained = sum(1 for i in range(len(batch_cases)) if not close(bk[i], bg[i])
                and any(u in NOTES for u in (batch_cases[i][1][0], batch_cases[i][2][0])))
print()
print("kiv-convert, the command, against GNU units on %d lines (median of 3 interleaved runs):"
      % len(batch_cases))
print("  agreement (1e-9 relative): %d of %d lines; %d unanswered; %d others explained above"
      % (same, len(batch_cases), unanswered, explained))
print("  GNU units    %8.3f s" % bg_t)
print("  kiv-convert  %8.3f s   GNU units / kiv-convert = %.1f" % (bk_t, bg_t / bk_t))
ONE_RUNS = 31
one_ts = {name: [] for name in ONE_CMDS}
answers = {}
for _ in range(ONE_RUNS):
    for name, (cmd, e) in ONE_CMDS.items():
        t, out = one_process(cmd, e)
        one_ts[name].append(t)
        answers[name] = out
print()
print("One conversion ('%s' to %s) as a whole process, %d interleaved runs: the median,"
      % (ONE[0], ONE[1], ONE_RUNS))
print("and the fastest run (the least disturbed by the other work of the machine):")
g1, gf = median(one_ts["GNU units"]), min(one_ts["GNU units"])
for name in ONE_CMDS:
    t, f = median(one_ts[name]), min(one_ts[name])
    print("  %-34s median %6.2f ms (%.2f of GNU units')  fastest %6.2f ms (%.2f)   %s"
          % (name, t * 1e3, t / g1, f * 1e3, f / gf, answers[name] or "-"))
PY
