#!/usr/bin/env bash
# Idle cost of the clock hidden behind its notification icon (tip refreshed every second),
# under Xvfb with trayer as the notification area.
#   bench/tray_idle.sh [build-dir] [runs] [seconds]     (defaults: build 5 20)
# Prints CPU (% of one core) and RSS (MB) per run and their medians.
set -euo pipefail
build=${1:-build}
runs=${2:-5}
seconds=${3:-20}
for tool in Xvfb trayer python3; do
    command -v "$tool" >/dev/null || { echo "bench: $tool is missing" >&2; exit 1; }
done
source "$(dirname "$0")/../scripts/free_display.sh"
number=$(free_display 180 199)
work=$(mktemp -d)
Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
sleep 1
DISPLAY=":$number" trayer --edge top --align right --widthtype pixel --width 100 >/dev/null 2>&1 &
trayer=$!
trap 'kill $trayer $xvfb 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"' EXIT
sleep 1
DISPLAY=":$number" python3 - "$build/tarnwick" "$runs" "$seconds" "$work" <<'PY'
import os, statistics, subprocess, sys, time
binary, runs, seconds, work = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
def cpu_ns(pid):
    return sum(int(open("/proc/%d/task/%s/schedstat" % (pid, t)).read().split()[0])
               for t in os.listdir("/proc/%d/task" % pid))
def rss_mb(pid):
    for line in open("/proc/%d/status" % pid):
        if line.startswith("VmRSS:"):
            return int(line.split()[1]) / 1024
cpus, rsss = [], []
for run in range(runs):
    home = os.path.join(work, "run%d" % run)
    os.makedirs(home + "/runtime", mode=0o700)
    os.makedirs(home + "/data")
    # Hidden mode, and no check to the default (outside) time servers.
    open(home + "/data/ClockInfo.dat", "w").write(
        "[OPTIONS]\r\nRUNOPTION=1058\r\nCHECKTIMEINTERVAL=1063\r\nCHECKTIMEHOURINTERVAL=0\r\n"
        "CHECKTIMESTARTUP=0\r\n")
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=home + "/.config",
               XDG_DATA_HOME=home + "/.local/share", XDG_RUNTIME_DIR=home + "/runtime",
               TARNWICK_INSTANCE="trayidle-%d" % run, QT_QPA_PLATFORM="xcb")
    clock = subprocess.Popen([binary, "--dir", home + "/data"], env=env, stderr=subprocess.DEVNULL)
    time.sleep(3)  # past start-up
    c0, t0 = cpu_ns(clock.pid), time.monotonic()
    time.sleep(seconds)
    cpu = (cpu_ns(clock.pid) - c0) / 1e9 / (time.monotonic() - t0) * 100
    rss = rss_mb(clock.pid)
    clock.terminate(); clock.wait(5)
    cpus.append(cpu); rsss.append(rss)
    print("run %d: CPU %.3f %% of one core, RSS %.1f MB" % (run, cpu, rss))
print("median over %d runs of %d s: CPU %.3f %% of one core, RSS %.1f MB"
      % (runs, seconds, statistics.median(cpus), statistics.median(rsss)))
PY
