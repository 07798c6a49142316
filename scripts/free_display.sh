# Sourced by the screenshot, benchmark and desktop-test scripts: free_display FROM TO prints the first X
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
