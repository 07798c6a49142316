#!/usr/bin/env bash
# The clock under a Wayland compositor (weston's headless backend), run under dbus-run-session:
# it starts and paints; covered by a full-screen window, it comes back in front when it is
# started again with an activation token, which the later copy hands on over D-Bus
# (org.freedesktop.Application) and then ends. What is in front is read from the compositor's
# own screenshots (the clock's cyan cells). Without any display the clock says so and ends with
# status 1.
#   dbus-run-session -- tests/wayland_desktop.sh BUILD_DIR SOURCE_DIR   (exit 77: a tool is missing)
set -uo pipefail
build=$1
source "$2/scripts/free_display.sh"
start_session # sets work and pids; stops them at exit
fail() { echo "FAIL: $*"; cat "$work"/*.log; exit 1; }

# No display at all: a message, not an abort.
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$build/tarnwick" >"$work/none.out" 2>&1
status=$?
((status == 1)) && grep -q "no desktop" "$work/none.out" || fail "without a display: status $status, $(cat "$work/none.out")"
echo "ok: no display"

start_weston wayland_desktop # exports WAYLAND_DISPLAY and XDG_RUNTIME_DIR; exits 77 without weston
unset DISPLAY
need_tools weston-screenshooter weston-fullscreen convert
export QT_QPA_PLATFORM=wayland TARNWICK_BENCH=1 TARNWICK_DEBUG_INSTANCE=1
painted() { grep -q 'tarnwick-bench: first-text' "$work/clock-$1.log"; }
clock_home first
TARNWICK_INSTANCE=first-$$ run_clock first &
pids+=($!)
until_true 15 painted first || fail "the clock did not paint under weston"
cyan_pixels() { # in a screenshot of the whole output
    rm -f "$work"/wayland-screenshot*.png
    (cd "$work" && timeout 10 weston-screenshooter >/dev/null 2>&1)
    convert "$work"/wayland-screenshot*.png -fill black +opaque '#00ffff' -fill white \
        -opaque '#00ffff' -format '%[fx:round(mean*w*h)]' info: 2>/dev/null || echo 0
}
until_true 10 eval '((shown = $(cyan_pixels), shown > 1000))' ||
    fail "no clock in the compositor's picture ($shown cyan pixels)"
weston-fullscreen >"$work/cover.log" 2>&1 &
pids+=($!)
until_true 10 eval '(($(cyan_pixels) < shown / 2))' || fail "the full-screen window did not cover the clock"

XDG_ACTIVATION_TOKEN=token-from-the-launcher TARNWICK_INSTANCE=first-$$ timeout 10 bash -c \
    "$(declare -f run_clock); work=$work build=$build run_clock first" ||
    fail "the second start did not end with status 0"
grep -q 'open requested over D-Bus, token "token-from-the-launcher"' "$work/clock-first.log" ||
    fail "the token did not reach the first copy over D-Bus"
until_true 10 eval '(($(cyan_pixels) >= shown - 50))' || fail "the clock did not come back in front"
echo "ok: a second start with a token brought the clock back in front"
