#!/usr/bin/env bash
# Takes a picture of the configuration dialog or the converter as the clock opens them: starts
# the clock under Xvfb with its own HOME and data directory, presses the window's Configure or
# Converter button and captures the dialog's window.
#   scripts/dialog_screenshot.sh config|converter [path/to/tarnwick] [output.png]
#   SCREENSHOT_SCALE=2: Qt's scale factor 2 on a 1280x800 screen, where the configuration
#   dialog no longer fits and scrolls.
# Needs xvfb, xdotool and imagemagick (scripts/setup.sh --gui).
set -euo pipefail

which_dialog=${1:-config}
binary=${2:-build/tarnwick}
case "$which_dialog" in
config) title='^Tarnwick Configuration$' key=f output=${3:-docs/config.png} ;;
converter) title='^Tarnwick Time Converter$' key=o output=${3:-docs/converter.png} ;;
*) echo "dialog_screenshot: config or converter, not '$which_dialog'" >&2; exit 2 ;;
esac

for tool in Xvfb openbox xdotool import; do
    command -v "$tool" >/dev/null || { echo "dialog_screenshot: $tool is missing (scripts/setup.sh --gui)" >&2; exit 1; }
done
[[ -x "$binary" ]] || { echo "dialog_screenshot: no program at $binary" >&2; exit 1; }

source "$(dirname "$0")/free_display.sh"
scale=${SCREENSHOT_SCALE:-1}
[[ $scale == 1 ]] || XVFB_SCREEN=1280x800x24
start_xvfb dialog_screenshot 99 140
openbox >"$work/openbox.log" 2>&1 &
pids+=($!)

mkdir -p "$work/home" "$work/runtime" "$work/data"
chmod 700 "$work/runtime"
# No check while the picture is taken: the default asks the US servers as soon as a network is
# up, while a check every 180 hours first comes due 180 hours after the start.
printf '[OPTIONS]\r\nCHECKTIMEINTERVAL=1063\r\nCHECKTIMEHOURINTERVAL=180\r\n' >"$work/data/ClockInfo.dat"
HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share" \
    XDG_RUNTIME_DIR="$work/runtime" TARNWICK_INSTANCE="dialog-screenshot-$$" QT_QPA_PLATFORM=xcb \
    TZ=Europe/London QT_SCALE_FACTOR="$scale" TARNWICK_SPLASH_MS=0 "$binary" --data-dir "$work/data" >"$work/clock.log" 2>&1 &
pids+=($!)

window=$(timeout 10 xdotool search --sync --onlyvisible --name '^Tarnwick$' | head -n 1) || true
[[ -n "$window" ]] || { echo "dialog_screenshot: the clock window did not appear" >&2; cat "$work/clock.log" >&2; exit 1; }
sleep 1
# The buttons' mnemonics: Alt+F for "Con&figure", Alt+O for "C&onverter".
xdotool windowactivate --sync "$window" 2>/dev/null || true
xdotool key "alt+$key"

dialog=$(timeout 10 xdotool search --sync --onlyvisible --name "$title" | head -n 1) || true
[[ -n "$dialog" ]] || { echo "dialog_screenshot: the dialog did not open" >&2; cat "$work/clock.log" >&2; exit 1; }
sleep 1
mkdir -p "$(dirname "$output")"
import -window "$dialog" "$work/dialog.png"
convert "$work/dialog.png" -strip "$output"
frame_of "$dialog"
echo "dialog_screenshot: $output (${WIDTH}x${HEIGHT} frame at $X,$Y)"
