#!/usr/bin/env bash
# Takes a picture of the running clock under Xvfb and openbox, over a gradient wallpaper that
# the window's see-through background shows.
#   scripts/screenshot.sh [path/to/tarnwick] [output.png]
#   SCREENSHOT_DESKTOP=dark    a dark wallpaper instead of a light one
#   SCREENSHOT_SCALE=2         Qt's scale factor 2 on a 1280x800 screen
# Needs xvfb, openbox, icewm (for icewmbg, which publishes the wallpaper), xdotool and
# imagemagick (scripts/setup.sh --gui).
set -euo pipefail

binary=${1:-build/tarnwick}
output=${2:-docs/screenshot.png}
margin=24
scale=${SCREENSHOT_SCALE:-1}

for tool in Xvfb openbox icewmbg xdotool xwininfo import convert; do
    command -v "$tool" >/dev/null || { echo "screenshot: $tool is missing (scripts/setup.sh --gui)" >&2; exit 1; }
done
[[ -x "$binary" ]] || { echo "screenshot: no program at $binary" >&2; exit 1; }

source "$(dirname "$0")/free_display.sh"
[[ $scale == 1 ]] || XVFB_SCREEN=1280x800x24
start_xvfb screenshot 99 140
read -r screen_w screen_h < <(xdpyinfo | sed -n 's/ *dimensions: *\([0-9]*\)x\([0-9]*\).*/\1 \2/p')
openbox >"$work/openbox.log" 2>&1 &
pids+=($!)

# The wallpaper, published as the root pixmap (_XROOTPMAP_ID) as desktop setters do.
case "${SCREENSHOT_DESKTOP:-light}" in
dark) colours='#1c1f26-#3a4050' ;;
*) colours='#2f5f8f-#9cc3e6' ;;
esac
convert -size "${screen_w}x$screen_h" gradient:"$colours" "$work/desktop.png"
icewmbg -i "$work/desktop.png" >"$work/icewmbg.log" 2>&1 &
pids+=($!)
sleep 1

mkdir -p "$work/home" "$work/runtime" "$work/data"
chmod 700 "$work/runtime"
# Show a second zone from the shipped presets (70: Japan Standard Time) beside London.
# No check: the default asks the US servers as soon as a network is up.
printf '[OTHERCOUNTRY]\r\nTIMEZONEID=%s\r\n[OPTIONS]\r\nCHECKTIMEINTERVAL=1063\r\nCHECKTIMEHOURINTERVAL=0\r\n' \
    "${SCREENSHOT_ZONE_ID:-70}" >"$work/data/ClockInfo.dat"
HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share" \
    XDG_RUNTIME_DIR="$work/runtime" TARNWICK_INSTANCE="screenshot-$$" QT_QPA_PLATFORM=xcb \
    TZ="${SCREENSHOT_TZ:-Europe/London}" QT_SCALE_FACTOR="$scale" TARNWICK_SPLASH_MS=0 \
    "$binary" --data-dir "$work/data" >"$work/clock.log" 2>&1 &
pids+=($!)

window=$(timeout 10 xdotool search --sync --onlyvisible --name '^Tarnwick$' | head -n 1) || true
[[ -n "$window" ]] || { echo "screenshot: the clock window did not appear" >&2; cat "$work/clock.log" >&2; exit 1; }
sleep 2.5 # a few ticks

frame_of "$window" # X Y WIDTH HEIGHT as the server has them
import -window root "$work/root.png"
x0=$((X > margin ? X - margin : 0))
y0=$((Y > margin ? Y - margin : 0))
mkdir -p "$(dirname "$output")"
convert "$work/root.png" -crop "$((WIDTH + 2 * margin))x$((HEIGHT + 2 * margin))+$x0+$y0" +repage \
    -strip "$output"
echo "screenshot: $output (${WIDTH}x${HEIGHT} window at $X,$Y on ${screen_w}x$screen_h)"
