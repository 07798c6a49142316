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
# calling script. Sets work (a temporary folder), pids (processes to stop; add yours) and an
# EXIT trap that stops them and removes work; exports DISPLAY. Exits the script, saying why
# under NAME, when no display is free or the server does not start.
start_xvfb() {
    local name=$1 number
    number=$(free_display "$2" "$3")
    [[ -n "$number" ]] || { echo "$name: no free X display between :$2 and :$3" >&2; exit 1; }
    work=$(mktemp -d)
    pids=()
    trap _stop_xvfb_session EXIT
    Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
    pids+=($!)
    export DISPLAY=":$number"
    wait_for_display "$number" || { echo "$name: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
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
