#!/usr/bin/env bash
# Accuracy, cost and latency of `tarnwick-cli check` against loopback time servers started here.
#   bench/check_time.sh [build-dir] [runs] [precise-checks]
# Three servers (127.0.0.1, .2, .3) serve this machine's clock plus 120.357 s, so the error
# of an estimate is its OFFSET minus 120.357 s. They are asked directly (loopback) and through
# bench/delay_relay.py, which delays each direction of a connection by 50 +- 10 ms.
# On each link, side by side in one run:
#   rdate   `rdate -p` on the first server (Debian's rdate, scripts/setup.sh --gui), its
#           whole-second answer against the truth;
#   quick   `check HOST`: the first answer's estimate (20 checks spread over the second);
#   precise `check --precise H1 H2 H3` at the default spacing of 4 s per server ([precise-
#           checks] checks, default 5): the error, how often the truth lies within BOUND, the
#           queries per check (counted by the servers), the check's duration and the shortest
#           time between two queries to one server within a check.
# Latency (loopback): one check of a good server; of a refused host first; of a host that
# accepts and never answers first, and of one whose SYN is dropped (both with --timeout 1).
# Prints per-run figures and the medians over [runs] (default 5).
set -euo pipefail
build=${1:-build}
runs=${2:-5}
checks=${3:-5}
cli="$build/tarnwick-cli"
relay="$(dirname "$0")/delay_relay.py"
[[ -x "$cli" ]] || { echo "bench: no $cli" >&2; exit 1; }
command -v python3 >/dev/null || { echo "bench: python3 is missing" >&2; exit 1; }

python3 - "$cli" "$runs" "$checks" "$relay" <<'PY'
import atexit, calendar, os, shutil, socket, statistics, struct, subprocess, sys, tempfile, threading, time

cli, runs, checks, relay_script = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
EPOCH = 2208988800
TRUTH = 120.357
HOSTS = ["127.0.0.1", "127.0.0.2", "127.0.0.3"]

def listener(host="127.0.0.1", backlog=16):
    s = socket.socket()
    s.bind((host, 0))
    s.listen(backlog)
    return s

def addr(sock):
    return "%s:%d" % sock.getsockname()

accepted = {}  # server address -> accept times (monotonic)
def serve(sock, answer=True):
    times = accepted.setdefault(addr(sock), [])
    def loop():
        while True:
            try:
                c, _ = sock.accept()
            except OSError:
                return
            times.append(time.monotonic())
            if answer:
                c.sendall(struct.pack("!I", int(time.time() + TRUTH + EPOCH) & 0xFFFFFFFF))
                c.close()
            else:
                threading.Thread(target=lambda c=c: (time.sleep(30), c.close()), daemon=True).start()
    threading.Thread(target=loop, daemon=True).start()

servers = [listener(h) for h in HOSTS]
for s in servers:
    serve(s)
relays, relay_procs = [], []
atexit.register(lambda: [p.kill() for p in relay_procs])  # however the bench ends
for h, s in zip(HOSTS, servers):
    p = subprocess.Popen([sys.executable, relay_script, h, "0", h, str(s.getsockname()[1])],
                         stdout=subprocess.PIPE, text=True)
    relay_procs.append(p)
    relays.append("%s:%s" % (h, p.stdout.readline().strip()))
links = {"loopback": [addr(s) for s in servers], "relay 50+-10 ms": relays}

silent = listener(); serve(silent, False)
refused = socket.socket(); refused.bind(("127.0.0.1", 0))  # bound, not listening
full = listener(backlog=0)                                  # never accepted: the queue fills
fillers = []
for _ in range(4):
    f = socket.socket(); f.setblocking(False)
    try:
        f.connect(("127.0.0.1", full.getsockname()[1]))
    except BlockingIOError:
        pass
    fillers.append(f)
time.sleep(0.2)

data = tempfile.mkdtemp()
def check(*args):
    t0 = time.perf_counter()
    r = subprocess.run([cli, "--dir", data, "check"] + list(args), capture_output=True, text=True)
    return (time.perf_counter() - t0), r

def offset_bound(r):
    fields = r.stdout.splitlines()[0].split("\t")
    return float(fields[2]), float(fields[3])

def spread(k, n):
    time.sleep((k / n - time.time() % 1) % 1)

rdate = shutil.which("rdate")
def rdate_error(hostport):
    host, port = hostport.split(":")
    r = subprocess.run([rdate, "-p", "-o", port, host], capture_output=True, text=True,
                       env=dict(os.environ, TZ="UTC", LC_ALL="C"))
    now = time.time()
    words = [w for w in r.stdout.strip().split("\t")[-1].split() if w != "UTC"]
    shown = calendar.timegm(time.strptime(" ".join(words), "%a %b %d %H:%M:%S %Y"))
    return abs(shown - (now + TRUTH))

results = {name: {k: [] for k in ("rdate", "quick", "precise", "bound", "within", "queries",
                                  "seconds", "spacing")} for name in links}
latency = {k: [] for k in ("good", "refused", "silent", "dropped")}
for run in range(runs):
    for name, hosts in links.items():
        res = results[name]
        if rdate:
            errs = []
            for k in range(20):
                spread(k, 20)
                errs.append(rdate_error(hosts[0]))
            res["rdate"].append(statistics.mean(errs))
        errs = []
        for k in range(20):
            spread(k, 20)
            errs.append(abs(offset_bound(check(hosts[0])[1])[0] - TRUTH))
        res["quick"].append(statistics.mean(errs))
        errs, bounds, within, queries, seconds, gaps = [], [], 0, [], [], []
        for k in range(checks):
            start = time.monotonic()
            before = sum(len(v) for v in accepted.values())
            duration, r = check("--precise", *hosts)
            offset, bound = offset_bound(r)
            errs.append(abs(offset - TRUTH))
            bounds.append(bound)
            within += abs(offset - TRUTH) <= bound + 0.0005  # printed to the millisecond
            queries.append(sum(len(v) for v in accepted.values()) - before)
            seconds.append(duration)
            for times in accepted.values():
                inside = [t for t in times if t >= start]
                gaps += [b - a for a, b in zip(inside, inside[1:])]
        res["precise"].append(statistics.mean(errs))
        res["bound"].append(statistics.mean(bounds))
        res["within"].append(within / checks)
        res["queries"].append(statistics.mean(queries))
        res["seconds"].append(statistics.median(seconds))
        res["spacing"].append(min(gaps) if gaps else float("nan"))
        print("run %d, %s: MAE rdate %s, quick %.1f ms, precise %.1f ms (bound %.1f ms); within "
              "bound %d%%; %.1f queries, %.1f s a check, %.2f s between queries to one server"
              % (run, name, "%.0f ms" % (res["rdate"][-1] * 1000) if rdate else "(not installed)",
                 res["quick"][-1] * 1000, res["precise"][-1] * 1000, res["bound"][-1] * 1000,
                 res["within"][-1] * 100,
                 res["queries"][-1], res["seconds"][-1], res["spacing"][-1]), flush=True)
    good = addr(servers[0])
    latency["good"].append(statistics.median(check(good)[0] for _ in range(5)) * 1000)
    latency["refused"].append(statistics.median(check(addr(refused), good)[0] for _ in range(5)) * 1000)
    latency["silent"].append(check("--timeout", "1", addr(silent), good)[0] * 1000)
    latency["dropped"].append(check("--timeout", "1", addr(full), good)[0] * 1000)

print("\nmedians of %d runs (truth +%.3f s):" % (runs, TRUTH))
print("%-16s %10s %10s %10s %10s %8s %8s %8s %9s" % ("link", "rdate", "quick", "precise",
      "bound", "in bound", "queries", "seconds", "spacing"))
m = statistics.median
for name, res in results.items():
    print("%-16s %10s %8.1fms %8.1fms %8.1fms %9.0f%% %8.1f %8.1f %8.2fs" % (
        name, ("%.0fms" % (m(res["rdate"]) * 1000)) if res["rdate"] else "-",
        m(res["quick"]) * 1000, m(res["precise"]) * 1000, m(res["bound"]) * 1000,
        m(res["within"]) * 100,
        m(res["queries"]), m(res["seconds"]), m(res["spacing"])))
print("targets: precise MAE <= 5 ms (loopback), <= 20 ms (relay); truth within bound >= 95 %; "
      "<= 8 queries; >= 4 s between queries to one server")
print("latency: check %.1f ms; refused first host %.1f ms; with --timeout 1: silent first host "
      "%.0f ms, SYN-dropped first host %.0f ms" % (m(latency["good"]), m(latency["refused"]),
      m(latency["silent"]), m(latency["dropped"])))
shutil.rmtree(data)
PY
