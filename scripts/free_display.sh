# Sourced by the screenshot, benchmark and desktop-test scripts. free_display FROM TO prints the first X
# display number in [FROM, TO] that no server holds, or nothing.
free_display() {
    local n
    for n in $(seq "$1" "$2"); do
        if [[ ! -e /tmp/.X11-unix/X$n && ! -e /tmp/.X$n-lock ]]; then
            echo "$n"
            return
        fi
    done
}

# wait_for_display N: true once the X server of display :N has made its socket (about 5 s at
# most), false if it never does.
wait_for_display() {
    local _
    for _ in $(seq 1 100); do
        [[ -e /tmp/.X11-unix/X$1 ]] && return 0
        sleep 0.05
    done
    return 1
}

# start_xvfb NAME FROM TO: a private X server on the first free display in [FROM, TO] for the
# calling script, 1024x768 unless XVFB_SCREEN says otherwise (WIDTHxHEIGHTxDEPTH). Sets work (a temporary folder), pids (processes to stop; add yours) and an
# EXIT trap that stops them and removes work; exports DISPLAY. Exits the script, saying why
# under NAME, when no display is free or the server does not start.
start_xvfb() {
    local name=$1 number
    number=$(free_display "$2" "$3")
    [[ -n "$number" ]] || { echo "$name: no free X display between :$2 and :$3" >&2; exit 1; }
    start_session
    # -noreset: a client that leaves first (the AT-SPI bus launcher) must not reset the server
    # under a client that is connecting.
    Xvfb ":$number" -screen 0 "${XVFB_SCREEN:-1024x768x24}" -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
    pids+=($!)
    export DISPLAY=":$number"
    wait_for_display "$number" || { echo "$name: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
}
# start_session: sets work (a temporary folder), pids (processes to stop; add yours) and an EXIT
# trap that stops them and removes work.
start_session() {
    work=$(mktemp -d)
    pids=()
    trap _stop_xvfb_session EXIT
    trap 'exit 1' TERM INT # a test's time-out stops what it started too
}
_stop_xvfb_session() {
    local pid
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${pids[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}

# need_tools TOOL...: exits the calling script with status 77 (skipped) when a tool is missing.
need_tools() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing"; exit 77; }
    done
}

# until_true SECONDS COMMAND...: true once COMMAND succeeds, polled every 0.1 s.
until_true() {
    local tries=$(($1 * 10)) _
    shift
    for _ in $(seq 1 "$tries"); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# clock_home TAG [SETTINGS]: a home, runtime directory and data directory of its own under
# $work/TAG for a clock, whose settings ask no time server (the default asks the US servers as
# soon as a network is up); SETTINGS (CR LF lines) are added to [OPTIONS].
clock_home() {
    local home="$work/$1"
    mkdir -p "$home/data" "$home/runtime"
    chmod 700 "$home/runtime"
    printf '[OPTIONS]\r\nCHECKTIMEINTERVAL=1063\r\nCHECKTIMEHOURINTERVAL=0\r\nCHECKTIMESTARTUP=0\r\n%s' \
        "${2:-}" >"$home/data/ClockInfo.dat"
}

# run_clock TAG [ARGUMENTS...]: execs the clock of TAG's home (clock_home), its output appended
# to $work/clock-TAG.log: run it with & or in ( ), so that $! is the clock. QT_QPA_PLATFORM
# defaults to xcb. The array clock_wrapper, when set, is a command the clock runs under.
run_clock() {
    local tag=$1 home="$work/$1"
    shift
    HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
        XDG_RUNTIME_DIR="$home/runtime" TARNWICK_INSTANCE="${TARNWICK_INSTANCE:-$tag-$$}" \
        QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-xcb}" TARNWICK_SPLASH_MS="${TARNWICK_SPLASH_MS:-0}" \
        exec ${clock_wrapper[@]+"${clock_wrapper[@]}"} "$build/tarnwick" --dir "$home/data" "$@" \
        >>"$work/clock-$tag.log" 2>&1
}

# frame_of WINDOW: sets X Y WIDTH HEIGHT to the window's frame as the window manager drew it,
# in root coordinates (xdotool's position is off by the frame's offset once reparented).
frame_of() {
    local left right top bottom
    eval "$(xwininfo -id "$1" | sed -n 's/^ *Absolute upper-left X: *\(-*[0-9]*\)/X=\1/p;
        s/^ *Absolute upper-left Y: *\(-*[0-9]*\)/Y=\1/p; s/^ *Width: *\([0-9]*\)/WIDTH=\1/p;
        s/^ *Height: *\([0-9]*\)/HEIGHT=\1/p')"
    read -r left right top bottom < <(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null |
        sed -n 's/.*= *//; s/,//gp')
    X=$((X - ${left:-0})) Y=$((Y - ${top:-0}))
    WIDTH=$((WIDTH + ${left:-0} + ${right:-0})) HEIGHT=$((HEIGHT + ${top:-0} + ${bottom:-0}))
}

# start_weston NAME: a headless Wayland compositor for the calling script (after start_xvfb,
# or with work and pids set); exports WAYLAND_DISPLAY (the socket's path) and XDG_RUNTIME_DIR. Exits 77 when
# weston or Qt's Wayland plugin is missing, 1 when the compositor does not start.
start_weston() {
    local name=$1 _
    command -v weston >/dev/null || { echo "SKIP: $name: weston is missing"; exit 77; }
    ls /usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so >/dev/null 2>&1 ||
        { echo "SKIP: $name: Qt's Wayland plugin (qt6-wayland) is missing"; exit 77; }
    export XDG_RUNTIME_DIR="$work/wayland-runtime" WAYLAND_DISPLAY="wayland-tarnwick-$$"
    mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
    # Drawn with pixman, and --debug lets weston-screenshooter take pictures of the output.
    weston --backend=headless-backend.so --use-pixman --debug --socket="$WAYLAND_DISPLAY" \
        --idle-time=0 --width=1024 --height=768 >"$work/weston.log" 2>&1 &
    pids+=($!)
    until_true 10 test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ||
        { echo "$name: weston did not start" >&2; cat "$work/weston.log" >&2; exit 1; }
    # A path: clients with a runtime directory of their own still find the compositor.
    export WAYLAND_DISPLAY="$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY"
}
