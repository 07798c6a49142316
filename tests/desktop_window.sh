#!/usr/bin/env bash
# The clock's window under real X11 window managers (openbox, icewm), driven with xdotool, five
# normal starts each: it starts centred on the available area; a drag from the display's centre
# moves it by as much as the mouse; the converter opens centred on it; a double-click on the
# display closes it. A dead clock's lock is taken over. Then, on a Wednesday 30 September with the longest status, the painted
# lines of the display: none wraps, none is cut at an edge (read from a screenshot by their cyan
# cells' rows and columns, not compared pixel by pixel).
#   tests/desktop_window.sh BUILD_DIR SOURCE_DIR     (exit 77: a tool is missing)
set -uo pipefail
build=$1
source "$2/scripts/free_display.sh"
need_tools Xvfb openbox icewm xdotool xwininfo xprop import convert python3 faketime
start_xvfb desktop_window 341 380 # sets work, pids and DISPLAY; stops them at exit
fail() { echo "FAIL: $*"; cat "$work"/*.log; exit 1; }
near() { (($1 - $2 <= $3 && $2 - $1 <= $3)); } # near A B TOLERANCE
clock_window() { clock_id=$(xdotool search --onlyvisible --name '^Tarnwick$' 2>/dev/null | head -n 1); [[ -n $clock_id ]]; }
converter_window() { converter_id=$(xdotool search --onlyvisible --name '^Tarnwick Time Converter$' 2>/dev/null | head -n 1); [[ -n $converter_id ]]; }

for wm in openbox icewm; do
    $wm >"$work/$wm.log" 2>&1 &
    wm_pid=$!
    sleep 1
    for run in 1 2 3 4 5; do
        clock_home "$wm$run"
        run_clock "$wm$run" &
        clock=$!
        pids+=($clock)
        until_true 10 clock_window || fail "$wm $run: no window"
        sleep 0.5
        frame_of "$clock_id"
        # Centred on the area the panel leaves (icewm's task bar is at the bottom).
        read -r _ _ area_w area_h _ < <(xprop -root _NET_WORKAREA | sed -n 's/.*= *//; s/,/ /gp')
        near $((X + WIDTH / 2)) $((${area_w:-1024} / 2)) 3 && near $((Y + HEIGHT / 2)) $((${area_h:-768} / 2)) 3 ||
            fail "$wm $run: window at $X,$Y ${WIDTH}x$HEIGHT is not centred in ${area_w}x$area_h"
        x0=$X y0=$Y
        cx=$((X + WIDTH / 2)) cy=$((Y + HEIGHT / 2))
        xdotool mousemove $cx $cy mousedown 1
        for step in $(seq 1 20); do xdotool mousemove $((cx + 3 * step)) $((cy + 2 * step)); sleep 0.02; done
        xdotool mouseup 1
        sleep 0.5
        frame_of "$clock_id"
        near $X $((x0 + 60)) 4 && near $Y $((y0 + 40)) 4 || fail "$wm $run: dragged by 60,40, moved by $((X - x0)),$((Y - y0))"
        cx=$((X + WIDTH / 2)) cy=$((Y + HEIGHT / 2))
        xdotool windowactivate --sync "$clock_id" 2>/dev/null
        xdotool key alt+o # the Converter button's mnemonic
        until_true 5 converter_window || fail "$wm $run: Alt+O opened no converter"
        sleep 0.8
        frame_of "$converter_id"
        near $((X + WIDTH / 2)) $cx 4 && near $((Y + HEIGHT / 2)) $cy 4 ||
            fail "$wm $run: converter centred at $((X + WIDTH / 2)),$((Y + HEIGHT / 2)), clock at $cx,$cy"
        xdotool key Escape
        until_true 5 eval '! converter_window' || fail "$wm $run: Escape left the converter open"
        xdotool mousemove $cx $cy click --repeat 2 --delay 60 1
        until_true 5 eval '! kill -0 $clock 2>/dev/null' || fail "$wm $run: a double-click on the display did not close"
    done
    kill $wm_pid
    wait $wm_pid 2>/dev/null
    echo "ok: $wm"
done

# A clock killed without clean-up leaves its lock and socket: the next start takes them over,
# and answers a later start, which ends with status 0.
clock_home stale
export TARNWICK_INSTANCE=stale-$$
for attempt in killed next; do
    run_clock stale &
    pids+=($!)
    until_true 10 clock_window || fail "the $attempt clock has no window"
    [[ $attempt == next ]] || { kill -9 $!; until_true 5 eval '! clock_window'; }
done
timeout 10 bash -c "$(declare -f run_clock); work=$work build=$build run_clock stale" ||
    fail "a start after the taken-over lock did not end with status 0"
kill "${pids[-1]}"
unset TARNWICK_INSTANCE
echo "ok: a dead clock's lock is taken over"

# The year's longest date, Wednesday 30 September (the process's clock only, by libfaketime).
clock_home long
clock_wrapper=(faketime '2026-09-30 22:58:58')
TZ=Europe/London run_clock long &
pids+=($!)
until_true 10 clock_window || fail "no window with the long date"
sleep 1.5
xdotool mousemove 0 0
import -window "$clock_id" "$work/long.png"
convert "$work/long.png" "$work/long.ppm"
python3 - "$work/long.ppm" <<'PY' || fail "the long date's lines do not fit"
import sys
data = open(sys.argv[1], "rb").read()
head = data.split(b"\n", 3)
width, height = map(int, head[1].split())
pixels = head[3]
cyan = lambda x, y: pixels[3 * (y * width + x):3 * (y * width + x) + 3] == b"\x00\xff\xff"
rows = [y for y in range(height) if any(cyan(x, y) for x in range(width))]
bands = [[rows[0]]] if rows else []
for y in rows[1:]:
    (bands[-1].append(y) if y == bands[-1][-1] + 1 else bands.append([y]))
heights = [len(b) for b in bands]
columns = [x for x in range(width) if any(cyan(x, y) for y in rows)]
print("bands of cells %s high, columns %d-%d of %d" % (heights, columns[0], columns[-1], width))
# Cells of adjacent lines touch: three bands of a zone label and its date, then the status
# block's three lines. A wrapped line makes a band a line higher; a cut one makes it lower.
assert len(bands) == 4 and heights[0] == heights[1] == heights[2], heights
assert abs(heights[3] * 2 - heights[0] * 3) <= 3, heights
# Nothing at the window's edges, and the display's black field goes on below the last line.
below = bands[-1][-1] + 2
assert columns[0] > 2 and columns[-1] < width - 3
assert pixels[3 * (below * width + width // 2):3 * (below * width + width // 2) + 3] == b"\0\0\0"
PY
echo "ok: the longest date and status fit"
