# Sourced by the screenshot and benchmark scripts: free_display FROM TO prints the first X
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
