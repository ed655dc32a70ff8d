# Sourced by the scripts that run programs on a private virtual X display.

# start_x_display WORK: starts Xvfb on a display number no other server holds, logging to
# WORK/xvfb.log, and exports DISPLAY; xvfb_pid is the server. When it does not come up, says
# why on stderr and returns 1.
start_x_display() {
    local work=$1 number display=
    for number in $(seq $((100 + $$ % 500)) 700); do
        [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ] && continue
        display=:$number
        break
    done
    if [ -z "$display" ]; then
        echo "no free X display number" >&2
        return 1
    fi
    Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    export DISPLAY=$display
    for _ in $(seq 100); do
        xdotool getdisplaygeometry >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "Xvfb did not start: $(cat "$work/xvfb.log")" >&2
    return 1
}
