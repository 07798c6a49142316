#!/usr/bin/env bash
# Takes a picture of the running clock under Xvfb, over a gradient desktop background.
#   scripts/screenshot.sh [path/to/tarnwick] [output.png]
# Needs xvfb, xdotool and imagemagick (scripts/setup.sh --gui).
set -euo pipefail

binary=${1:-build/tarnwick}
output=${2:-docs/screenshot.png}
margin=24

for tool in Xvfb xdotool import display; do
    command -v "$tool" >/dev/null || { echo "screenshot: $tool is missing (scripts/setup.sh --gui)" >&2; exit 1; }
done
[[ -x "$binary" ]] || { echo "screenshot: no program at $binary" >&2; exit 1; }

source "$(dirname "$0")/free_display.sh"
start_xvfb screenshot 99 140

# A desktop picture, so that the window's see-through background has something to show.
convert -size 1024x768 gradient:'#2f5f8f'-'#9cc3e6' "$work/desktop.png"
display -window root "$work/desktop.png" || true # sets the root background; reports 1 regardless

mkdir -p "$work/home" "$work/runtime" "$work/data"
chmod 700 "$work/runtime"
# Show a second zone from the shipped presets (70: Japan Standard Time) beside London.
# No check: the default asks the US servers as soon as a network is up.
printf '[OTHERCOUNTRY]\r\nTIMEZONEID=%s\r\n[OPTIONS]\r\nCHECKTIMEINTERVAL=1063\r\nCHECKTIMEHOURINTERVAL=0\r\n' \
    "${SCREENSHOT_ZONE_ID:-70}" >"$work/data/ClockInfo.dat"
HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share" \
    XDG_RUNTIME_DIR="$work/runtime" TARNWICK_INSTANCE="screenshot-$$" QT_QPA_PLATFORM=xcb \
    TZ="${SCREENSHOT_TZ:-Europe/London}" \
    "$binary" --data-dir "$work/data" >"$work/clock.log" 2>&1 &
pids+=($!)

window=$(timeout 10 xdotool search --sync --onlyvisible --name '^Tarnwick$' | head -n 1) || true
[[ -n "$window" ]] || { echo "screenshot: the clock window did not appear" >&2; cat "$work/clock.log" >&2; exit 1; }
sleep 2.5 # a few ticks

eval "$(xdotool getwindowgeometry --shell "$window")"
import -window root "$work/root.png"
x0=$((X > margin ? X - margin : 0))
y0=$((Y > margin ? Y - margin : 0))
mkdir -p "$(dirname "$output")"
convert "$work/root.png" -crop "$((WIDTH + 2 * margin))x$((HEIGHT + 2 * margin))+$x0+$y0" +repage \
    -strip "$output"
echo "screenshot: $output (${WIDTH}x${HEIGHT} window at $X,$Y)"
