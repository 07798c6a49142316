#!/bin/sh
# Runs a test program where it can meet a full disk, a read-only file system and a folder it
# may not write, without touching the machine's own file systems. In a private mount
# namespace (gone when the program ends) it gets:
#   TARNWICK_FULL_DIR          a 256 KiB tmpfs that the test fills itself;
#   TARNWICK_READONLY_DIR      a tmpfs mounted read-only, and
#   TARNWICK_READONLY_SOURCE   a writable view of the same files, to put them there.
# CAP_DAC_OVERRIDE is dropped as well, so that root, too, is refused by a folder of mode 0555.
# Where namespaces or mounts are not allowed, the program runs without those variables and
# skips the tests that need them.
set -eu

if [ "${1:-}" = --inside ]; then
    base=$2
    shift 2
    mount -t tmpfs -o size=256k,mode=1777 tarnwick-full "$base/full"
    mount -t tmpfs -o size=1m,mode=1777 tarnwick-ro "$base/ro-source"
    mount --bind "$base/ro-source" "$base/ro"
    mount -o remount,bind,ro "$base/ro"
    export TARNWICK_FULL_DIR="$base/full" TARNWICK_READONLY_DIR="$base/ro" \
        TARNWICK_READONLY_SOURCE="$base/ro-source"
    drop="--inh-caps=-dac_override,-dac_read_search"
    if setpriv --bounding-set=-dac_override,-dac_read_search true 2>/dev/null; then
        exec setpriv --bounding-set=-dac_override,-dac_read_search $drop -- "$@"
    fi
    exec "$@"
fi

base=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-disks-XXXXXX")
trap 'rm -rf "$base"' EXIT
mkdir "$base/full" "$base/ro" "$base/ro-source"
if [ "$(id -u)" = 0 ]; then
    namespace="unshare --mount --propagation private"
else
    namespace="unshare --user --map-root-user --mount --propagation private"
fi
if $namespace sh -c "mount -t tmpfs -o size=4k tarnwick-probe '$base/full' && umount '$base/full'" \
    2>/dev/null; then
    $namespace sh "$0" --inside "$base" "$@"
else
    echo "with_small_disks: no private mount namespace here; the disk tests are skipped" >&2
    "$@"
fi
