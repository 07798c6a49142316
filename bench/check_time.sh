#!/usr/bin/env bash
# Accuracy and latency of `tarnwick-cli check` against loopback time servers started here.
#   bench/check_time.sh [build-dir] [runs]
# Accuracy: a server whose clock runs exactly 3600 s ahead; each run makes 20 checks and takes
# the mean absolute error of the millisecond estimate (the OFFSET column) against 3600.000 s,
# the checks spread evenly over the phase of the second.
# Where Debian's rdate is installed (scripts/setup.sh --gui), `rdate -p -o PORT 127.0.0.1` is
# measured on the same server in the same run: its whole-second answer against the same truth.
# Latency: wall time of one check of the good server; of a refused host first; of a host that
# accepts and never answers first (with --timeout 1); and of a host whose listen queue is full,
# so that its SYN is dropped as by a black hole (with --timeout 1).
# Prints per-run figures and the median over [runs] (default 5).
set -euo pipefail
build=${1:-build}
runs=${2:-5}
cli="$build/tarnwick-cli"
[[ -x "$cli" ]] || { echo "bench: no $cli" >&2; exit 1; }
command -v python3 >/dev/null || { echo "bench: python3 is missing" >&2; exit 1; }

python3 - "$cli" "$runs" <<'PY'
import calendar, os, shutil, socket, statistics, struct, subprocess, sys, tempfile, threading, time

cli, runs = sys.argv[1], int(sys.argv[2])
EPOCH = 2208988800
AHEAD = 3600

def listener(backlog=16):
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    s.listen(backlog)
    return s

def serve(sock, answer):
    def loop():
        while True:
            try:
                c, _ = sock.accept()
            except OSError:
                return
            if answer:
                c.sendall(struct.pack("!I", (int(time.time()) + AHEAD + EPOCH) & 0xFFFFFFFF))
                c.close()
            else:
                threading.Thread(target=lambda c=c: (time.sleep(30), c.close()), daemon=True).start()
    threading.Thread(target=loop, daemon=True).start()

good = listener(); serve(good, True)
silent = listener(); serve(silent, False)
refused = socket.socket(); refused.bind(("127.0.0.1", 0))  # bound, not listening
full = listener(0)                                           # never accepted: the queue fills
fillers = []
for _ in range(4):
    f = socket.socket(); f.setblocking(False)
    try:
        f.connect(("127.0.0.1", full.getsockname()[1]))
    except BlockingIOError:
        pass
    fillers.append(f)
time.sleep(0.2)

def addr(sock):
    return "127.0.0.1:%d" % sock.getsockname()[1]

data = tempfile.mkdtemp()
def check(*hosts, timeout=None):
    args = [cli, "--dir", data, "check"] + (["--timeout", str(timeout)] if timeout else []) + list(hosts)
    t0 = time.perf_counter()
    r = subprocess.run(args, capture_output=True, text=True)
    return (time.perf_counter() - t0) * 1000, r

rdate = shutil.which("rdate")
maes, rdate_maes, lat_good, lat_refused, lat_silent, lat_full = [], [], [], [], [], []
for run in range(runs):
    errors = []
    for k in range(20):
        # Checks spread evenly over the phase of the second: the server's second is truncated,
        # so the error depends on where in its second a check falls.
        time.sleep((k / 20 - time.time() % 1) % 1)
        _, r = check(addr(good))
        line = r.stdout.splitlines()[0].split("\t")
        errors.append(abs(float(line[2]) - AHEAD))
    maes.append(statistics.mean(errors))
    rdate_err = []
    if rdate:
        for k in range(20):
            time.sleep((k / 20 - time.time() % 1) % 1)
            r = subprocess.run([rdate, "-p", "-o", str(good.getsockname()[1]), "127.0.0.1"],
                               capture_output=True, text=True, env=dict(os.environ, TZ="UTC", LC_ALL="C"))
            now = time.time()
            words = r.stdout.strip().split("\t")[-1].split()
            words = [w for w in words if w != "UTC"]  # "Mon Dec  7 12:45:26 UTC 2026"
            shown = calendar.timegm(time.strptime(" ".join(words), "%a %b %d %H:%M:%S %Y"))
            rdate_err.append(abs(shown - (now + AHEAD)))
        rdate_maes.append(statistics.mean(rdate_err))
    lat_good.append(statistics.median(check(addr(good))[0] for _ in range(5)))
    lat_refused.append(statistics.median(check(addr(refused), addr(good))[0] for _ in range(5)))
    lat_silent.append(check(addr(silent), addr(good), timeout=1)[0])
    lat_full.append(check(addr(full), addr(good), timeout=1)[0])
    print("run %d: estimate MAE %.3f s%s; check %.1f ms, refused first %.1f ms, silent first %.0f ms, "
          "SYN dropped first %.0f ms" % (run, maes[-1],
          (", rdate MAE %.3f s" % rdate_maes[-1]) if rdate else ", rdate not installed",
          lat_good[-1], lat_refused[-1], lat_silent[-1], lat_full[-1]))

print("median of %d runs: estimate MAE %.3f s (target <= 0.3 s)%s" % (runs, statistics.median(maes),
      (", rdate MAE %.3f s" % statistics.median(rdate_maes)) if rdate_maes else ""))
print("  check %.1f ms (target <= 20 ms); refused first host %.1f ms; with --timeout 1: silent first "
      "host %.0f ms, SYN-dropped first host %.0f ms (target <= 1000 ms more than a check)"
      % (statistics.median(lat_good), statistics.median(lat_refused), statistics.median(lat_silent),
         statistics.median(lat_full)))
shutil.rmtree(data)
PY
