# Sourced by the scripts that show the program's windows: an X server of their own.
#
#   start_private_display WORKDIR NAME   starts Xvfb on a free display, exports DISPLAY and
#                                        sets xvfb_pid; NAME prefixes the error message

start_private_display() {
    local work=$1 name=$2
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
        grep -q . "$work/display" 2>/dev/null && break
        sleep 0.1
    done
    grep -q . "$work/display" || { echo "$name: Xvfb did not start" >&2; exit 1; }
    DISPLAY=:$(head -n1 "$work/display")
    export DISPLAY
}
