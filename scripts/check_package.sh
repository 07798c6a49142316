#!/usr/bin/env bash
# Builds the Debian package from a build tree and checks it as a user's machine would see it:
# the validators on the desktop entry, the AppStream file and the man pages, lintian, an
# install into a private dpkg root (never the machine's own), the installed programs started
# under a fresh HOME, and a removal that leaves no file behind.
#   scripts/check_package.sh [BUILD_DIR]
# Needs scripts/setup.sh --package.
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
here=$(cd "$(dirname "$0")/.." && pwd)
fail() { echo "package: $*" >&2; exit 1; }

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

(cd "$build" && cpack -G DEB >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; fail "cpack failed"; }
deb=$(ls -t "$build"/tarnwick_*.deb | head -n 1)
echo "package: built $(basename "$deb")"

# The files as installed.
root=$work/root
mkdir -p "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/info"
touch "$root/var/lib/dpkg/status"
dpkg --root="$root" --force-depends --force-not-root --log=/dev/null -i "$deb" >"$work/dpkg.log" 2>&1 ||
    { cat "$work/dpkg.log" >&2; fail "dpkg -i into the private root failed"; }
expected=(
    usr/bin/tarnwick usr/bin/tarnwick-cli usr/share/tarnwick/timezones.mdb
    usr/share/applications/org.tarnwick.Tarnwick.desktop
    usr/share/metainfo/org.tarnwick.Tarnwick.metainfo.xml
    usr/share/icons/hicolor/scalable/apps/org.tarnwick.Tarnwick.svg
    usr/share/man/man1/tarnwick.1.gz usr/share/man/man1/tarnwick-cli.1.gz
    usr/share/doc/tarnwick/copyright usr/share/doc/tarnwick/changelog.gz
)
for size in 16 22 24 32 48 64 128 256; do
    expected+=("usr/share/icons/hicolor/${size}x${size}/apps/org.tarnwick.Tarnwick.png")
done
for f in "${expected[@]}"; do
    [[ -f "$root/$f" ]] || fail "missing /$f"
done
echo "package: ${#expected[@]} expected files present"

desktop-file-validate "$root/usr/share/applications/org.tarnwick.Tarnwick.desktop" ||
    fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.tarnwick.Tarnwick.metainfo.xml" ||
    fail "appstreamcli validate"
for page in tarnwick tarnwick-cli; do
    warnings=$(LC_ALL=C.UTF-8 man --warnings -E UTF-8 -l "$root/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
    [[ -z "$warnings" ]] || fail "man page $page: $warnings"
    lexgrog "$root/usr/share/man/man1/$page.1.gz" >/dev/null || fail "lexgrog $page"
done
lintian_out=$(lintian --tag-display-limit 0 "$deb" 2>&1 | grep -v 'running with root privileges' || true)
[[ -n "$lintian_out" ]] && echo "$lintian_out"
grep -q '^E:' <<<"$lintian_out" && fail "lintian reports errors"
echo "package: validators and lintian pass"

# Every subcommand and option of --help is in the man page.
"$root/usr/bin/tarnwick-cli" --version >/dev/null || fail "tarnwick-cli --version"
zcat "$root/usr/share/man/man1/tarnwick-cli.1.gz" | sed 's/\\-/-/g' >"$work/cli.man"
while read -r command; do
    grep -qF -- "$command" "$work/cli.man" || fail "tarnwick-cli.1 lacks the command '$command'"
done < <("$root/usr/bin/tarnwick-cli" --help | sed -n 's/^  \([a-z][a-z-]*\( [a-z][a-z-]*\)\?\).*/\1/p' |
         awk '{ if ($2 ~ /^[a-z]/ && $1 ~ /^(settings|zones|presets)$/) print $1" "$2; else print $1 }' | sort -u)
echo "package: tarnwick-cli.1 names every command of --help"
# The clock answers --help and --version without a display; its man page names every option.
DISPLAY= WAYLAND_DISPLAY= "$root/usr/bin/tarnwick" --version | grep -q '^tarnwick [0-9]' || fail "tarnwick --version"
zcat "$root/usr/share/man/man1/tarnwick.1.gz" | sed 's/\\-/-/g' >"$work/clock.man"
while read -r option; do
    grep -qF -- "$option" "$work/clock.man" || fail "tarnwick.1 lacks the option '$option'"
done < <(DISPLAY= WAYLAND_DISPLAY= "$root/usr/bin/tarnwick" --help | grep -oE '(^|[ ,])(--?[a-z][a-z-]*|/[a-z]+)' |
         tr -d ' ,' | sort -u)
echo "package: tarnwick.1 names every option of tarnwick --help"

# First start of the installed copy under a fresh HOME: presets copied to the user's data
# directory, nothing written under the install root.
home=$work/home
mkdir -p "$home"
before=$(cd "$root" && find . -newer "$root/var/lib/dpkg/status" -print | sort | md5sum)
HOME=$home XDG_CONFIG_HOME= XDG_DATA_HOME= "$root/usr/bin/tarnwick-cli" zones list >"$work/zones.txt" ||
    fail "installed tarnwick-cli zones list failed"
[[ $(wc -l <"$work/zones.txt") -gt 100 ]] || fail "installed zones list has $(wc -l <"$work/zones.txt") lines"
[[ -f "$home/.local/share/tarnwick/timezones.mdb" ]] || fail "presets not copied to the user's data directory"
[[ -f "$home/.config/tarnwick/ClockInfo.dat" || ! -e "$root/usr/bin/ClockInfo.dat" ]] ||
    fail "settings written beside the installed program"
echo "package: installed tarnwick-cli lists $(wc -l <"$work/zones.txt") zones under a fresh HOME"

if command -v Xvfb >/dev/null; then
    source "$here/scripts/free_display.sh"
    display_number=$(free_display 150 190)
    [[ -n "$display_number" ]] || fail "no free X display"
    Xvfb ":$display_number" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
    pids+=($!)
    wait_for_display "$display_number" || fail "Xvfb did not start"
    mkdir -p "$work/runtime"
    chmod 700 "$work/runtime"
    rm -rf "$home"
    # A fresh HOME but for one setting: no check, which by default asks the US servers as soon
    # as a network is up. The presets and the rest of the settings are still made on this start.
    mkdir -p "$home/.config/tarnwick"
    printf '[OPTIONS]\nCHECKTIMEINTERVAL=1063\nCHECKTIMEHOURINTERVAL=0\n' >"$home/.config/tarnwick/ClockInfo.dat"
    DISPLAY=":$display_number" QT_QPA_PLATFORM=xcb HOME=$home XDG_CONFIG_HOME= XDG_DATA_HOME= \
        XDG_RUNTIME_DIR="$work/runtime" TARNWICK_INSTANCE="package-$$" \
        "$root/usr/bin/tarnwick" >"$work/clock.log" 2>&1 &
    clock=$!
    pids+=($clock)
    window=$(DISPLAY=":$display_number" timeout 10 xdotool search --sync --onlyvisible --name '^Tarnwick$' 2>/dev/null | head -n 1) || true
    sleep 2
    kill -0 "$clock" 2>/dev/null || { cat "$work/clock.log" >&2; fail "the installed clock ended early"; }
    [[ -n "$window" ]] || { cat "$work/clock.log" >&2; fail "the installed clock showed no window"; }
    [[ -f "$home/.local/share/tarnwick/timezones.mdb" ]] || fail "the clock did not copy its presets"
    echo "package: the installed clock runs under Xvfb with its presets"
fi
after=$(cd "$root" && find . -newer "$root/var/lib/dpkg/status" -print | sort | md5sum)
[[ "$before" == "$after" ]] || fail "the installed programs wrote under the install root"

dpkg --root="$root" --force-not-root --log=/dev/null -r tarnwick >"$work/dpkg.log" 2>&1 ||
    { cat "$work/dpkg.log" >&2; fail "dpkg -r failed"; }
left=$(cd "$root" && find usr -type f 2>/dev/null || true)
[[ -z "$left" ]] || fail "files left after removal: $left"
echo "package: removal leaves no file of the package"
