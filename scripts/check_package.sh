#!/usr/bin/env bash
# Builds the Debian packages (binary, -dbgsym and source) with dpkg-buildpackage from a copy of
# the sources and checks them as a packager and a user's machine would see them: lintian
# --pedantic, the dependencies, the debug symbols, a second build that must give the same
# binaries, the validators on the desktop entry, the AppStream file and the man pages, an
# install into a private dpkg root (never the machine's own), the installed programs started
# under a fresh HOME, their login entry, and a purge that leaves no file behind.
#   scripts/check_package.sh [BUILD_DIR]      (the packages are copied into BUILD_DIR)
# Needs scripts/setup.sh --package.
set -euo pipefail

build=$(mkdir -p "${1:-build}" && cd "${1:-build}" && pwd)
here=$(cd "$(dirname "$0")/.." && pwd)
jobs=${JOBS:-$(nproc)}
fail() { echo "package: $*" >&2; exit 1; }

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

# copy_sources DIR: the files of the checkout (committed or not, never build trees) into DIR.
copy_sources() {
    mkdir -p "$1"
    (cd "$here" && git ls-files -z --cached --others --exclude-standard |
        while IFS= read -r -d '' f; do [[ -e "$f" ]] && printf '%s\0' "$f"; done |
        tar --null -T - -cf -) | tar -C "$1" -xf -
}

version=$(dpkg-parsechangelog -l "$here/debian/changelog" -SVersion)
arch=$(dpkg-architecture -qDEB_HOST_ARCH)
source_dir=$work/one/tarnwick-$version
copy_sources "$source_dir"
(cd "$source_dir" && dpkg-buildpackage -us -uc -j"$jobs") >"$work/build.log" 2>&1 ||
    { tail -n 40 "$work/build.log" >&2; fail "dpkg-buildpackage failed (log: the lines above)"; }
deb=tarnwick_${version}_$arch.deb
dbgsym=tarnwick-dbgsym_${version}_$arch.deb
for f in "$deb" "$dbgsym" "tarnwick_$version.dsc" "tarnwick_$version.tar.xz" \
    "tarnwick_${version}_$arch.buildinfo" "tarnwick_${version}_$arch.changes"; do
    [[ -f "$work/one/$f" ]] || fail "dpkg-buildpackage made no $f"
    cp "$work/one/$f" "$build/"
done
deb=$build/$deb
echo "package: built $(basename "$deb"), $dbgsym and the source package"

# lintian, pedantic and with the informational tags, on the binary, dbgsym and source packages;
# the tags the package overrides are justified in debian/tarnwick.lintian-overrides. An
# override that no longer matches is only shown: the compiler decides some of them.
lintian_out=$(lintian --pedantic -I --tag-display-limit 0 "$build/tarnwick_${version}_$arch.changes" 2>&1 |
              grep -v 'running with root privileges' || true)
[[ -n "$lintian_out" ]] && echo "$lintian_out" >&2
grep -q 'hardening-' <<<"$lintian_out" && fail "lintian: the programs are not hardened"
grep -v ': unused-override ' <<<"$lintian_out" | grep -q . && fail "lintian has something to say"
echo "package: lintian --pedantic -I finds nothing that is not justified"

# The dependencies: the libraries' from dh_shlibdeps, the SVG plugin, Wayland recommended.
depends=$(dpkg-deb -f "$deb" Depends)
recommends=$(dpkg-deb -f "$deb" Recommends)
for p in libqt6widgets6 libqt6network6 libsqlite3-0 libsystemd0 libqt6svg6; do
    grep -qE "(^|, )$p( |,|$)" <<<"$depends" || fail "Depends lacks $p: $depends"
done
grep -qE "(^|, )qt6-wayland( |,|$)" <<<"$recommends" || fail "Recommends lacks qt6-wayland: $recommends"
echo "package: Depends: $depends"
echo "package: Recommends: $recommends"

# The debug symbols: one file per program, found by the program's build id.
dpkg-deb -x "$deb" "$work/deb"
dpkg-deb -x "$build/$dbgsym" "$work/dbgsym"
for program in tarnwick tarnwick-cli; do
    id=$(readelf -n "$work/deb/usr/bin/$program" | sed -n 's/.*Build ID: *//p')
    [[ -n "$id" && -f "$work/dbgsym/usr/lib/debug/.build-id/${id:0:2}/${id:2}.debug" ]] ||
        fail "the dbgsym package has no symbols for $program (build id '$id')"
done
echo "package: the dbgsym package carries both programs' symbols"

# Reproducible: the same sources built again, from another directory, with ccache off, give
# the same programs and preset database byte for byte.
second_dir=$work/second-build/tarnwick-$version
copy_sources "$second_dir"
(cd "$second_dir" &&
    SOURCE_DATE_EPOCH=$(dpkg-parsechangelog -STimestamp) DEB_BUILD_OPTIONS="parallel=$jobs" \
        CCACHE_DISABLE=1 debian/rules build-arch) >"$work/second.log" 2>&1 ||
    { tail -n 40 "$work/second.log" >&2; fail "the second build failed"; }
for f in tarnwick tarnwick-cli timezones.mdb; do
    first=$(ls "$source_dir"/obj-*/"$f")
    second=$(ls "$second_dir"/obj-*/"$f")
    cmp -s "$first" "$second" || fail "two builds of the same sources give different $f"
done
echo "package: a second build gives byte-identical tarnwick, tarnwick-cli and timezones.mdb"

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

menu_entry=$root/usr/share/applications/org.tarnwick.Tarnwick.desktop
metainfo=$root/usr/share/metainfo/org.tarnwick.Tarnwick.metainfo.xml
desktop-file-validate "$menu_entry" || fail "desktop-file-validate"
appstreamcli validate --no-net --pedantic "$metainfo" || fail "appstreamcli validate --pedantic"
newest=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$metainfo" | head -n 1)
[[ "$newest" == "$version" ]] || fail "the AppStream file's newest release is $newest, the package $version"
for page in tarnwick tarnwick-cli; do
    warnings=$(LC_ALL=C.UTF-8 man --warnings -E UTF-8 -l "$root/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
    [[ -z "$warnings" ]] || fail "man page $page: $warnings"
    lexgrog "$root/usr/share/man/man1/$page.1.gz" >/dev/null || fail "lexgrog $page"
done
echo "package: the validators pass"

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
# directory with the rows of their release beside them, nothing written under the install root.
home=$work/home
mkdir -p "$home"
before=$(cd "$root" && find . -newer "$root/var/lib/dpkg/status" -print | sort | md5sum)
HOME=$home XDG_CONFIG_HOME= XDG_DATA_HOME= "$root/usr/bin/tarnwick-cli" zones list >"$work/zones.txt" ||
    fail "installed tarnwick-cli zones list failed"
[[ $(wc -l <"$work/zones.txt") -gt 100 ]] || fail "installed zones list has $(wc -l <"$work/zones.txt") lines"
[[ -f "$home/.local/share/tarnwick/timezones.mdb" ]] || fail "presets not copied to the user's data directory"
[[ -f "$home/.config/tarnwick/ClockInfo.dat" || ! -e "$root/usr/bin/ClockInfo.dat" ]] ||
    fail "settings written beside the installed program"
HOME=$home XDG_CONFIG_HOME= XDG_DATA_HOME= "$root/usr/bin/tarnwick-cli" zones update --dry-run >"$work/update.txt" ||
    fail "installed tarnwick-cli zones update --dry-run failed"
grep -q '^Zone rules of release [1-9][0-9]*: 0 zones would change' "$work/update.txt" ||
    fail "a fresh copy is not current: $(cat "$work/update.txt")"
echo "package: installed tarnwick-cli lists $(wc -l <"$work/zones.txt") zones under a fresh HOME, current"

# start_clock LOG [ARGS...]: the installed clock on the private X server (its pid in clock).
start_clock() {
    local log=$1
    shift
    DISPLAY=":$display_number" QT_QPA_PLATFORM=xcb HOME=$home XDG_CONFIG_HOME= XDG_DATA_HOME= \
        XDG_RUNTIME_DIR="$work/runtime" TARNWICK_INSTANCE="package-$$" \
        "$root/usr/bin/tarnwick" "$@" >"$log" 2>&1 &
    clock=$!
    pids+=($clock)
}
stop_clock() {
    kill "$clock" 2>/dev/null || true
    wait "$clock" 2>/dev/null || true
}
# entry_value KEY: the value of KEY in the login entry.
login_entry=$home/.config/autostart/tarnwick.desktop
entry_value() { sed -n "s/^$1=//p" "$login_entry"; }
# No check: by default the clock asks the US servers as soon as a network is up.
no_check='[OPTIONS]\nCHECKTIMEINTERVAL=1063\nCHECKTIMEHOURINTERVAL=0\n'

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
    # A fresh HOME but for one setting. The presets and the rest of the settings are still
    # made on this start, and the login entry, which is on by default.
    mkdir -p "$home/.config/tarnwick"
    printf "$no_check" >"$home/.config/tarnwick/ClockInfo.dat"
    start_clock "$work/clock.log"
    window=$(DISPLAY=":$display_number" timeout 10 xdotool search --sync --onlyvisible --name '^Tarnwick$' 2>/dev/null | head -n 1) || true
    sleep 2
    kill -0 "$clock" 2>/dev/null || { cat "$work/clock.log" >&2; fail "the installed clock ended early"; }
    [[ -n "$window" ]] || { cat "$work/clock.log" >&2; fail "the installed clock showed no window"; }
    [[ -f "$home/.local/share/tarnwick/timezones.mdb" ]] || fail "the clock did not copy its presets"
    stop_clock
    echo "package: the installed clock runs under Xvfb with its presets"

    # The login entry: valid, the menu entry's name, comment and icon, the program as TryExec,
    # started after the panel; a clock started with --dir starts at login with it.
    [[ -f "$login_entry" ]] || fail "the first start wrote no login entry"
    desktop-file-validate "$login_entry" || fail "desktop-file-validate on the login entry"
    for key in Name Comment Icon; do
        [[ "$(entry_value "$key")" == "$(sed -n "s/^$key=//p" "$menu_entry")" ]] ||
            fail "the login entry's $key '$(entry_value "$key")' is not the menu entry's"
    done
    [[ "$(entry_value TryExec)" == "$root/usr/bin/tarnwick" ]] || fail "TryExec is '$(entry_value TryExec)'"
    [[ "$(entry_value Exec)" == "$root/usr/bin/tarnwick" ]] || fail "Exec is '$(entry_value Exec)'"
    [[ "$(entry_value Hidden)" == false && "$(entry_value X-KDE-autostart-after)" == panel &&
       "$(entry_value X-LXQt-Need-Tray)" == true && -n "$(entry_value X-GNOME-Autostart-Delay)" ]] ||
        fail "the login entry is not started after the panel: $(cat "$login_entry")"
    dir="$work/my clock's 100%"
    mkdir -p "$dir"
    printf "$no_check" >"$dir/ClockInfo.dat"
    start_clock "$work/clock-dir.log" --dir "$dir"
    for _ in $(seq 1 100); do
        grep -q -- '--dir' "$login_entry" && break
        sleep 0.1
    done
    stop_clock
    [[ "$(entry_value Exec)" == "$root/usr/bin/tarnwick --dir \"$work/my clock's 100%%\"" ]] ||
        fail "started with --dir, the login entry's Exec is '$(entry_value Exec)'"
    desktop-file-validate "$login_entry" || fail "desktop-file-validate on the login entry with --dir"
    echo "package: the login entry matches the menu entry, waits for the panel and keeps --dir"
fi
after=$(cd "$root" && find . -newer "$root/var/lib/dpkg/status" -print | sort | md5sum)
[[ "$before" == "$after" ]] || fail "the installed programs wrote under the install root"

dpkg --root="$root" --force-not-root --log=/dev/null -P tarnwick >"$work/dpkg.log" 2>&1 ||
    { cat "$work/dpkg.log" >&2; fail "dpkg -P failed"; }
left=$(cd "$root" && find usr -type f 2>/dev/null || true)
[[ -z "$left" ]] || fail "files left after the purge: $left"
if [[ -f "$login_entry" ]]; then
    [[ ! -e "$(entry_value TryExec)" ]] || fail "after the purge the login entry's TryExec still exists"
fi
echo "package: the purge leaves no file of the package, and the login entry's TryExec is gone"
