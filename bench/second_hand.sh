#!/usr/bin/env bash
# How closely the clock's second hand follows the wall clock, under Xvfb.
#   bench/second_hand.sh [build-dir] [runs] [seconds]
# Each run starts the clock with TARNWICK_BENCH=ticks, which reports every painted tick as the
# second it shows and the wall-clock millisecond of the paint, and watches it for [seconds]
# (default 60). Lag is paint time less the start of the second shown; a skipped second is a
# second of the run that no paint showed. Prints per-run median, 95th percentile and maximum
# lag and skipped seconds, then the median of the runs' medians. [runs] defaults to 5.
# Needs xvfb and python3.
set -euo pipefail

build=${1:-build}
runs=${2:-5}
seconds=${3:-60}
binary="$build/tarnwick"
[[ -x "$binary" ]] || { echo "bench: no program at $binary" >&2; exit 1; }
for tool in Xvfb python3; do
    command -v "$tool" >/dev/null || { echo "bench: $tool is missing (scripts/setup.sh)" >&2; exit 1; }
done

source "$(dirname "$0")/../scripts/free_display.sh"
display_number=$(free_display 140 180)
[[ -n "$display_number" ]] || { echo "bench: no free X display" >&2; exit 1; }

work=$(mktemp -d)
Xvfb ":$display_number" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true; wait $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
wait_for_display "$display_number" || { echo "bench: Xvfb did not start" >&2; exit 1; }

DISPLAY=":$display_number" python3 - "$binary" "$runs" "$seconds" "$work" <<'PY'
import os, selectors, statistics, subprocess, sys, time

binary, runs, seconds, work = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]

def run_once(index):
    home = os.path.join(work, "run%d" % index)
    runtime = os.path.join(home, "runtime")
    os.makedirs(runtime, mode=0o700, exist_ok=True)
    # No check: the default asks the US servers as soon as a network is up.
    os.makedirs(os.path.join(home, "data"), exist_ok=True)
    with open(os.path.join(home, "data", "ClockInfo.dat"), "w") as f:
        f.write("[OPTIONS]\nCHECKTIMEINTERVAL=1063\nCHECKTIMEHOURINTERVAL=0\n")
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=home + "/.config",
               XDG_DATA_HOME=home + "/.local/share", XDG_RUNTIME_DIR=runtime,
               TARNWICK_INSTANCE="bench-ticks-%d" % index, QT_QPA_PLATFORM="xcb",
               TARNWICK_BENCH="ticks")
    clock = subprocess.Popen([binary, "--dir", os.path.join(home, "data")], env=env,
                             stderr=subprocess.PIPE, text=True)
    paints = []  # (second shown, paint ms)
    selector = selectors.DefaultSelector()
    selector.register(clock.stderr, selectors.EVENT_READ)
    started = None
    deadline = time.monotonic() + seconds + 30  # start-up may take a while on a busy machine
    try:
        while time.monotonic() < deadline:
            if not selector.select(timeout=1):
                continue
            line = clock.stderr.readline()
            if not line:
                break
            if not line.startswith("tarnwick-bench: tick "):
                continue
            fields = dict(f.split("=") for f in line.split()[2:])
            paints.append((int(fields["shown_s"]), int(fields["painted_ms"])))
            if started is None:
                started = time.monotonic()
                deadline = started + seconds + 0.5
    finally:
        clock.terminate()
        try:
            clock.wait(5)
        except subprocess.TimeoutExpired:
            clock.kill()
            clock.wait()
    if len(paints) < 3:
        print("bench: run %d reported %d ticks" % (index, len(paints)), file=sys.stderr)
        return None
    paints = paints[1:]  # the first tick comes 100 ms after start, not on a second
    first = {}
    for shown, painted in paints:
        first.setdefault(shown, painted)  # a repeated second counts by its first paint
    lags = sorted(painted - shown * 1000 for shown, painted in first.items())
    span = range(min(first), max(first) + 1)
    skipped = [s for s in span if s not in first]
    p95 = lags[min(len(lags) - 1, int(round(0.95 * (len(lags) - 1))))]
    print("run %d: %d seconds shown, lag median %d ms, p95 %d ms, max %d ms, min %d ms, skipped %d, repaints %d"
          % (index, len(first), statistics.median(lags), p95, lags[-1], lags[0], len(skipped),
             len(paints) - len(first)))
    return statistics.median(lags), lags[-1], len(skipped)

results = [r for r in (run_once(i) for i in range(runs)) if r]
if not results:
    sys.exit(1)
print("%d runs of %d s: median of medians %.1f ms, worst lag %d ms, skipped seconds %d"
      % (len(results), seconds, statistics.median(r[0] for r in results),
         max(r[1] for r in results), sum(r[2] for r in results)))
PY
