#!/usr/bin/env bash
# The real clock on an X server checks its time at start-up against a loopback time server
# that runs an hour ahead, and shows the difference. The update option is "never", and the
# test runs without CAP_SYS_TIME, so the computer's clock cannot be touched.
#   tests/clock_check_desktop.sh BUILD_DIR SOURCE_DIR     (exit 77: a tool is missing)
set -uo pipefail
build=$1
source=$2
source "$source/scripts/free_display.sh"
need_tools Xvfb python3
start_xvfb clock_check_desktop 261 300 # sets work, pids and DISPLAY; stops them at exit
fail() { echo "FAIL: $*"; cat "$work"/*.log 2>/dev/null; exit 1; }

# A Time Protocol server on a free loopback port, an hour ahead, that writes its port; it runs
# until the test ends, or a minute after its last connection should the test's clean-up fail.
python3 -u - >"$work/server.out" 2>"$work/server.log" <<'PY' &
import socket, struct, time
s = socket.socket()
s.bind(("127.0.0.1", 0))
s.listen(4)
s.settimeout(60)
print(s.getsockname()[1])
while True:
    try:
        c, _ = s.accept()
    except socket.timeout:
        break
    c.sendall(struct.pack("!I", (int(time.time()) + 3600 + 2208988800) & 0xFFFFFFFF))
    c.close()
PY
pids+=($!)
until_true 5 test -s "$work/server.out" || fail "the loopback server did not start"
port=$(head -1 "$work/server.out")

clock_home check # then settings of its own, which check at start-up
printf '[OPTIONS]\nCHECKTIMEOPTION=1053\nCHECKTIMECUSTOMSERVERS=127.0.0.1:%s\nCHECKTIMEUPDATEOPTION=1068\nCHECKTIMESTARTUP=1\nLOGINSTARTUP=0\n' \
    "$port" >"$work/check/data/ClockInfo.dat"
command -v setpriv >/dev/null && clock_wrapper=(setpriv --bounding-set=-sys_time --inh-caps=-sys_time)
TARNWICK_BENCH=ticks run_clock check &
pids+=($!)

# Within 10 s a painted tick shows status 2 (the difference, clock left alone) of about 3600 s.
until_true 10 grep -q 'status=2 ' "$work/clock-check.log" || fail "no tick showed the difference within 10 s"
line=$(grep -m1 'status=2 ' "$work/clock-check.log")
difference=$(sed -n 's/.*difference_s=\(-\?[0-9]*\).*/\1/p' <<<"$line")
(( difference >= 3599 && difference <= 3601 )) || fail "difference $difference, not about 3600 s"
echo "PASS: the clock checked at start-up and shows a difference of $difference s"
