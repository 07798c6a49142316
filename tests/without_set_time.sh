#!/bin/sh
# Runs a test program so that nothing in it can set this computer's clock. CAP_SYS_TIME leaves
# the bounding, inheritable and ambient sets (possible for root or a holder of CAP_SETPCAP);
# an ordinary user, who cannot shrink the bounding set and holds no capability anyway, runs it
# with no-new-privs so that no set-uid or file-capability program can hand CAP_SYS_TIME back.
# The test program checks its own capability sets and fails if CAP_SYS_TIME is still there.
# It runs on a private message bus of its own (DBUS_SESSION_BUS_ADDRESS), where it serves its
# stand-in of the system's time service.
set -eu
drop="--inh-caps=-sys_time --ambient-caps=-sys_time --no-new-privs"
if setpriv --bounding-set=-sys_time true 2>/dev/null; then
    exec setpriv --bounding-set=-sys_time $drop -- dbus-run-session -- "$@"
fi
exec setpriv $drop -- dbus-run-session -- "$@"
