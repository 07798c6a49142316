#!/usr/bin/env bash
# Start-up time and idle cost of the clock under Xvfb.
#   bench/run.sh [build-dir] [runs] [idle-seconds]
# Start-up: from exec to the window's first exposure (mapped) and to the first painted clock
# text, without the start-up pictures (the clock reports both on stderr when TARNWICK_BENCH is
# set), beside a bare Qt Widgets window showing one label (bench/bare_window.cpp, built here)
# in the same X server, the two started in turn; medians of [runs] starts each (default 7) and
# the ratio clock / bare window.
# Idle: CPU time and resident memory of the running clock over [idle-seconds] (default 60),
# beside `xclock -update 1` in the same X server.
# Needs xvfb, x11-apps, python3 and Qt's development files (scripts/setup.sh --gui).
set -euo pipefail

build=${1:-build}
runs=${2:-7}
idle=${3:-60}
binary="$build/tarnwick"
[[ -x "$binary" ]] || { echo "bench: no program at $binary" >&2; exit 1; }
for tool in Xvfb xclock python3 pkg-config; do
    command -v "$tool" >/dev/null || { echo "bench: $tool is missing (scripts/setup.sh --gui)" >&2; exit 1; }
done

source "$(dirname "$0")/../scripts/free_display.sh"
display_number=$(free_display 140 180)
[[ -n "$display_number" ]] || { echo "bench: no free X display" >&2; exit 1; }

work=$(mktemp -d)
c++ -O2 -std=c++20 -fPIC "$(dirname "$0")/bare_window.cpp" -o "$work/bare_window" \
    $(pkg-config --cflags --libs Qt6Widgets)
Xvfb ":$display_number" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true; wait $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
wait_for_display "$display_number" || { echo "bench: Xvfb did not start" >&2; exit 1; }

DISPLAY=":$display_number" python3 - "$binary" "$runs" "$idle" "$work" <<'PY'
import os, statistics, subprocess, sys, time

binary, runs, idle, work = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
tick = os.sysconf("SC_CLK_TCK")

def environment(tag):
    home = os.path.join(work, tag)
    runtime = os.path.join(home, "runtime")
    os.makedirs(runtime, mode=0o700, exist_ok=True)
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=home + "/.config",
               XDG_DATA_HOME=home + "/.local/share", XDG_RUNTIME_DIR=runtime,
               TARNWICK_INSTANCE="bench-" + tag, QT_QPA_PLATFORM="xcb")
    return env, os.path.join(home, "data")

def stop(process):
    process.terminate()
    try:
        process.wait(5)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()

# Start-up: a first start writes the settings and the zone database; the runs measure the
# starts after it, each with the files in place, as a user's clock starts every day. The clock
# and the bare window take turns, so that a machine that slows down slows both.
def start(command, env):
    t0 = time.clock_gettime_ns(time.CLOCK_BOOTTIME)
    process = subprocess.Popen(command, env=env, stderr=subprocess.PIPE, text=True)
    deadline = time.monotonic() + 20
    seen = {}
    while time.monotonic() < deadline and len(seen) < 2:
        line = process.stderr.readline()
        if not line:
            break
        if line.startswith("tarnwick-bench: "):
            what, *fields = line.split()[1:]
            seen[what] = (int(dict(f.split("=") for f in fields)["boottime_ns"]) - t0) / 1e6
    stop(process)
    return seen if len(seen) == 2 else None

env, data = environment("start")
env["TARNWICK_BENCH"] = "1"
env["TARNWICK_SPLASH_MS"] = "0"  # the start-up pictures stand 4 s by design
clock_command = [binary, "--dir", data]
bare_command = [os.path.join(work, "bare_window")]
first = start(clock_command, env)
print("first start, creating settings and database: %s" % (first or "no report"))
results = {"clock": [], "bare window": []}
for run in range(runs):
    for name, command in (("clock", clock_command), ("bare window", bare_command)):
        seen = start(command, env)
        if seen is None:
            print("bench: run %d of the %s reported no window" % (run, name), file=sys.stderr)
        else:
            results[name].append(seen)
for what in ("mapped", "first-text"):
    medians = {}
    for name, seen in results.items():
        values = [s[what] for s in seen]
        medians[name] = statistics.median(values) if values else float("nan")
        print("%-11s %-10s ms from exec, %d runs: median %.1f (%s)"
              % (name, what, len(values), medians[name], " ".join("%.0f" % v for v in values)))
    print("  clock / bare window, %s: %.2f" % (what, medians["clock"] / medians["bare window"]))

# Idle.
def cpu_ns(pid):
    total = 0
    for task in os.listdir("/proc/%d/task" % pid):
        with open("/proc/%d/task/%s/schedstat" % (pid, task)) as f:
            total += int(f.read().split()[0])
    return total

def ticks(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])  # utime + stime

def rss_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0

env, data = environment("idle")
# No check to time servers during the idle run: it would try the default (outside) servers.
os.makedirs(data, exist_ok=True)
with open(os.path.join(data, "ClockInfo.dat"), "w") as f:
    f.write("[OPTIONS]\r\nCHECKTIMEINTERVAL=1063\r\nCHECKTIMEHOURINTERVAL=0\r\n"
            "CHECKTIMESTARTUP=0\r\n")
clock = subprocess.Popen([binary, "--dir", data], env=env, stderr=subprocess.DEVNULL)
xclock = subprocess.Popen(["xclock", "-update", "1"], stderr=subprocess.DEVNULL)
try:
    time.sleep(5)  # past start-up
    programs = {"tarnwick": clock.pid, "xclock -update 1": xclock.pid}
    start = {name: (cpu_ns(pid), ticks(pid)) for name, pid in programs.items()}
    rss = {name: [] for name in programs}
    began = time.monotonic()
    while time.monotonic() - began < idle:
        time.sleep(min(5, idle - (time.monotonic() - began)) if idle > 0 else 0)
        for name, pid in programs.items():
            rss[name].append(rss_kib(pid))
    elapsed = time.monotonic() - began
    print("idle over %.0f s:" % elapsed)
    for name, pid in programs.items():
        ns = cpu_ns(pid) - start[name][0]
        tk = ticks(pid) - start[name][1]
        print("  %-17s CPU %.3f %% of one core (%.1f ms; utime+stime %d ticks), RSS median %.1f MB (max %.1f MB)"
              % (name, ns / 1e9 / elapsed * 100, ns / 1e6, tk,
                 statistics.median(rss[name]) / 1024, max(rss[name]) / 1024))
finally:
    stop(clock)
    stop(xclock)
PY
