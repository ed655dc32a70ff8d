#!/usr/bin/env bash
# Runs the real program on a virtual X display under a window manager that draws frames, and
# drives it from outside as a user would: typing, the menus' access keys, the clipboard read
# back with xclip, the save-changes question, the window's place from run to run, the default
# font dialog confirmed unchanged, Copy in an RTF document as plain-text programs see it, and
# text typed into a session killed with kill -9 offered back at the next start.
# Exit 77 means the tools for it are not installed.
set -euo pipefail
program=${1:?usage: run-blackbox.sh PROGRAM}
source "$(dirname "${BASH_SOURCE[0]}")/../support/xdisplay.sh"

for tool in Xvfb xdotool xclip openbox; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
xvfb_pid=
wm_pid=
app_pid=
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

export XDG_CONFIG_HOME=$work/config
export XDG_RUNTIME_DIR=$work/runtime
export XDG_STATE_HOME=$work/state
mkdir -p "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME/Penwick" && chmod 700 "$XDG_RUNTIME_DIR"
settings=$XDG_CONFIG_HOME/Penwick/Penwick.conf
unset QT_QPA_PLATFORM

start_x_display "$work" || fail "no virtual X display"
openbox --config-file /dev/null >"$work/openbox.log" 2>&1 &
wm_pid=$!
# A busy machine (tests run in parallel) can take a while to start the window manager.
for _ in $(seq 300); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break; sleep 0.1; done
xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' || fail "the window manager did not start"

# Keys go through the X test extension to the focused window, as a keyboard's would.
key() { xdotool key --delay 80 "$@"; sleep 0.3; }

# start TITLE [ARGS…]: launches the program and focuses the window of that title.
window=
start() {
    local title=$1
    shift
    QT_QPA_PLATFORM=xcb "$program" "$@" >"$work/penwick.log" 2>&1 &
    app_pid=$!
    window=$(timeout 40 xdotool search --sync --onlyvisible --name "^Penwick - $title\$" | head -n 1) \
        || fail "the main window did not appear: $(cat "$work/penwick.log")"
    xdotool windowfocus --sync "$window"
    sleep 0.5
}

# answer KEY: focuses the question titled "Penwick" and answers it.
answer() {
    local dialog
    dialog=$(timeout 30 xdotool search --sync --onlyvisible --name '^Penwick$' | head -n 1) || fail "no question asked"
    xdotool windowfocus --sync "$dialog"
    key "$1"
}

ended() {
    for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$app_pid" 2>/dev/null && fail "the program is still running after $1"
    wait "$app_pid" || fail "the program exited with an error"
    app_pid=
}

# quit WHAT: File > Exit on an unmodified document; a busy machine may lose the keys to a
# window not yet ready for them, so menus are closed and the keys sent again.
quit() {
    for _ in 1 2 3; do
        xdotool windowfocus --sync "$window" 2>/dev/null || true
        key alt+f x
        for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
        kill -0 "$app_pid" 2>/dev/null || break
        key Escape Escape
    done
    ended "$1"
}

stored() { grep -E "^$1=" "$settings" | cut -d= -f2-; }

# Typing, the Edit menu, the clipboard, and the question on the way out.
start Untitled
xdotool type --delay 30 'Hello from the outside'
sleep 0.3
key alt+e a    # Edit > Select All
key alt+e c    # Edit > Copy
copied=$(timeout 5 xclip -o -selection clipboard 2>/dev/null || true)
[ "$copied" = 'Hello from the outside' ] || fail "clipboard holds '$copied'"
key alt+f x    # File > Exit: the document is modified, so the question comes first
answer n
ended "No"
grep -q 'SaveWinState=False' "$settings" || fail "settings were not written at exit"
left=$(ls -A "$XDG_STATE_HOME/Penwick" 2>/dev/null || true)
[ -z "$left" ] || fail "a normal exit left recovery files behind: $left"
echo "PASS: typed, copied through the menu, read the clipboard, closed through the question"

# With Save Size/Position on, runs that change nothing keep the window's size and place,
# although the frame is known only after the window is shown.
printf '[Settings]\nSaveWinState=True\n' >"$settings"
sizes=()
for run in 1 2 3 4; do
    start Untitled
    sizes+=("$(xdotool getwindowgeometry "$window" | tail -n 2 | tr -s ' \n' ' ')")
    quit "Exit (run $run)"
    bounds=$(printf '%s,' "$(stored MainLeft)" "$(stored MainTop)" "$(stored MainWidth)" "$(stored MainHeight)")
    [ "$run" = 1 ] && first=$bounds
    [ "$bounds" = "$first" ] || fail "stored bounds moved from $first to $bounds on run $run"
done
for size in "${sizes[@]}"; do
    [ "$size" = "${sizes[0]}" ] || fail "the window changed from '${sizes[0]}' to '$size'"
done
echo "PASS: four runs kept the window at ${sizes[0]}and stored $first"

# The default font, confirmed without a change, stays what it was.
start Untitled
key alt+p Down Down Down Return    # Options > Default Font: its caption names the font, with no access key
dialog=$(timeout 10 xdotool search --sync --onlyvisible --name '^Select Font$' | head -n 1) || fail "no font dialog"
xdotool windowfocus --sync "$dialog"
key Return
[ "$(stored Font)" = Arial ] || fail "the default font became '$(stored Font)'"
quit "Exit after the font dialog"
echo "PASS: the default font dialog confirmed unchanged kept Arial"

# Copy in an RTF document offers RTF and plain text; the plain text is the selection.
printf '{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Plain {\\b bold} end.\\par}' >"$work/doc.rtf"
start "$work/doc.rtf" "$work/doc.rtf"
key alt+e a
key alt+e c
targets=$(timeout 5 xclip -o -selection clipboard -t TARGETS 2>/dev/null || true)
grep -qx 'text/rtf' <<<"$targets" || fail "Copy offers no RTF: $targets"
grep -qx 'text/plain' <<<"$targets" || fail "Copy offers no plain text: $targets"
plain=$(timeout 5 xclip -o -selection clipboard -t text/plain 2>/dev/null || true)
[ "$plain" = 'Plain bold end.' ] || fail "the plain text reads '$plain'"
quit "Exit from the RTF document"
echo "PASS: Copy in an RTF document offered text/rtf and text/plain"

# Another program rewrites the open file: a save asks before replacing it, and No keeps it.
printf 'first\n' >"$work/shared.txt"
start "$work/shared.txt" "$work/shared.txt"
xdotool type --delay 30 'mine '
sleep 0.3
printf 'from another program\n' >"$work/shared.txt"
key alt+f s    # File > Save
for title in 'File Changed' Save; do
    question=$(timeout 10 xdotool search --sync --onlyvisible --name "^$title\$" | head -n 1) \
        || fail "no '$title' question before the save replaced another program's file"
    xdotool windowfocus --sync "$question"
    key n
done
[ "$(cat "$work/shared.txt")" = 'from another program' ] || fail "the other program's file was overwritten"
key alt+f x
answer n
ended "No"
echo "PASS: a save asked before replacing a file another program had changed"

# Text typed into a new document outlives a kill -9: the next start asks, Enter recovers it.
start Untitled
xdotool type --delay 30 'recover me 4711 exactly'
sleep 3
# The copy is due 2 s after the last key; a busy machine may need longer to write it.
for _ in $(seq 150); do compgen -G "$XDG_STATE_HOME/Penwick/*.recovery" >/dev/null && break; sleep 0.1; done
sleep 0.5
kill -9 "$app_pid"
wait "$app_pid" 2>/dev/null || true
app_pid=
QT_QPA_PLATFORM=xcb "$program" >"$work/penwick.log" 2>&1 &
app_pid=$!
answer Return
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Penwick - Untitled$' | head -n 1) \
    || fail "no window after the recovery question: $(cat "$work/penwick.log")"
xdotool windowfocus --sync "$window"
sleep 0.5
key alt+e a
key alt+e c
copied=$(timeout 5 xclip -o -selection clipboard 2>/dev/null || true)
[ "$copied" = 'recover me 4711 exactly' ] || fail "after the kill the editor holds '$copied'"
key alt+f x
answer n
ended "No after recovering"
left=$(ls -A "$XDG_STATE_HOME/Penwick" 2>/dev/null || true)
[ -z "$left" ] || fail "the recovered copy outlived a normal exit: $left"
echo "PASS: text typed before a kill -9 came back at the next start"
