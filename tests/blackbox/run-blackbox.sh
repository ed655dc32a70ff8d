#!/usr/bin/env bash
# Starts Penwick under Xvfb, types text, selects and copies it through the Edit menu's
# access keys, reads the clipboard back with xclip, then closes the window and answers
# the save-changes question. Exit 77 means the tools for it are not installed.
set -euo pipefail
program=${1:?usage: run-blackbox.sh PROGRAM}

for tool in Xvfb xdotool xclip; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
xvfb_pid=
app_pid=
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

export XDG_CONFIG_HOME=$work/config
export XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM

display=
for number in $(seq $((100 + $$ % 500)) 700); do
    [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ] && continue
    display=:$number
    break
done
[ -n "$display" ] || fail "no free X display number"
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
for _ in $(seq 100); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

QT_QPA_PLATFORM=xcb "$program" >"$work/penwick.log" 2>&1 &
app_pid=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Penwick - Untitled$' | head -n 1) \
    || fail "the main window did not appear: $(cat "$work/penwick.log")"
xdotool windowfocus --sync "$window"
sleep 0.5

# Keys go through the X test extension to the focused window, as a keyboard's would.
key() { xdotool key --delay 80 "$@"; sleep 0.3; }
xdotool type --delay 30 'Hello from the outside'
sleep 0.3
key alt+e a    # Edit > Select All
key alt+e c    # Edit > Copy
copied=$(timeout 5 xclip -o -selection clipboard 2>/dev/null || true)
[ "$copied" = 'Hello from the outside' ] || fail "clipboard holds '$copied'"

key alt+f x    # File > Exit: the document is modified, so the question comes first
dialog=$(timeout 10 xdotool search --sync --onlyvisible --name '^Penwick$' | head -n 1) || fail "no save-changes question"
xdotool windowfocus --sync "$dialog"
key n
for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app_pid" 2>/dev/null && fail "the program is still running after No"
wait "$app_pid" || fail "the program exited with an error"
app_pid=
grep -q 'SaveWinState=False' "$XDG_CONFIG_HOME/Penwick/Penwick.conf" || fail "settings were not written at exit"
echo "PASS: typed, copied through the menu, read the clipboard, closed through the question"
