#!/usr/bin/env bash
# The clock as a screen reader sees it, on a private AT-SPI bus (run under dbus-run-session):
# the display and the buttons have names, the display raises no text or name event while only
# its seconds change, and the configuration dialog's and zone editor's fields carry their
# labels' names, the editor's four bias boxes each its own.
#   dbus-run-session -- tests/accessibility.sh BUILD_DIR SOURCE_DIR     (exit 77: a tool is missing)
set -uo pipefail
build=$1
source "$2/scripts/free_display.sh"
launcher=/usr/libexec/at-spi-bus-launcher
need_tools Xvfb faketime dbus-run-session "$launcher"
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "SKIP: python3-pyatspi is missing"; exit 77; }
[[ -n ${DBUS_SESSION_BUS_ADDRESS:-} ]] || { echo "SKIP: no session bus (run under dbus-run-session)"; exit 77; }
start_xvfb accessibility 381 420 # sets work, pids and DISPLAY; stops them at exit
"$launcher" --launch-immediately >"$work/atspi.log" 2>&1 &
pids+=($!)
clock_home a11y
# Five seconds past a minute: the twenty seconds watched below hold no change of minute.
clock_wrapper=(faketime '2026-12-05 04:10:05')
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 run_clock a11y &
pids+=($!)

/usr/bin/python3 - <<'PY' || { cat "$work"/*.log; exit 1; }
import time, pyatspi
from gi.repository import GLib

def find(node, test, depth=0):
    if test(node):
        return node
    for child in (node if depth < 12 else []):
        found = child and find(child, test, depth + 1)
        if found:
            return found
    return None

def wait_for(test, root=None, seconds=15):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        found = find(root or pyatspi.Registry.getDesktop(0), test)
        if found:
            return found
        time.sleep(0.2)
    raise SystemExit("FAIL: nothing found for %s" % test.__doc__)

def named(name, role=None):
    test = lambda n: n.name == name and (role is None or n.getRoleName() == role)
    test.__doc__ = "%s %s" % (role or "", name)
    return test

clock = wait_for(named("Tarnwick", "dialog"))
display = wait_for(named("Clocks"), clock)
for button in ("Converter", "Check", "About", "Configure"):
    wait_for(named(button, "push button"), clock)
time.sleep(1.5)  # past the first ticks

events = []
def heard(event):
    if event.source == display:
        events.append(event.type)
for kind in ("object:text-changed", "object:property-change:accessible-name",
             "object:property-change:accessible-description"):
    pyatspi.Registry.registerEventListener(heard, kind)
GLib.timeout_add_seconds(20, pyatspi.Registry.stop)
pyatspi.Registry.start()
assert not events, "FAIL: the display raised %s within 20 s" % events
print("ok: the display raised no event while its seconds changed")

find(clock, named("Configure", "push button")).queryAction().doAction(0)
config = wait_for(named("Tarnwick Configuration"))
for field in ("Other Time", "Hours", "Margin of Error +/-", "Custom Server(s)", "Run Normal", "Never"):
    wait_for(named(field), config)
find(config, named("Select another time zone to display")).queryAction().doAction(0)
editor = wait_for(named("Tarnwick Powerful Time Zone Editor"))
for field in ("Select A Time Zone To Load", "Name of Time Zone", "GMT Bias hours", "GMT Bias minutes",
              "Daylight Bias hours", "Daylight Bias minutes"):
    wait_for(named(field), editor)
print("ok: the forms' fields carry their names")
PY
