#!/usr/bin/env bash
# By-hand check that saving an RTF file from another program keeps what that program put
# in it. Penwick opens a copy under Xvfb, one character is typed and taken back, the file
# is saved through the File menu and the window closed; LibreOffice then reads the
# untouched file and the saved one, and count_parts.py compares what it found.
#
#   tests/interop/rtf-interop.sh [--program PATH] [--keep DIR] [--timeout SECS]
#                                [--ignore-picture-bytes] [FILE.rtf ...]
#
# Without files it checks every .rtf in tests/interop/docs/. The files themselves are
# never touched: each is copied to a temporary folder first. Exit 0 when every file
# passes, 1 when any fails, 2 when the check could not run.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../support/xdisplay.sh"
root=$(cd "$here/../.." && pwd)
program=$root/build/src/penwick
keep=
timeout_secs=30
report_options=()
files=()

usage() { sed -n '2,12p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'; exit 2; }
while [ $# -gt 0 ]; do
    case "$1" in
    --program) program=${2:?--program needs a path}; shift 2 ;;
    --keep) keep=${2:?--keep needs a folder}; shift 2 ;;
    --timeout) timeout_secs=${2:?--timeout needs seconds}; shift 2 ;;
    --ignore-picture-bytes) report_options+=("$1"); shift ;;
    -h|--help) usage ;;
    --) shift; files+=("$@"); break ;;
    -*) echo "unknown option $1" >&2; usage ;;
    *) files+=("$1"); shift ;;
    esac
done
if [ ${#files[@]} -eq 0 ]; then
    shopt -s nullglob
    files=("$here"/docs/*.rtf)
    shopt -u nullglob
fi
[ ${#files[@]} -gt 0 ] || { echo "no .rtf files to check" >&2; exit 2; }

die() { echo "rtf-interop: $*" >&2; exit 2; }
[ -x "$program" ] || die "no program at $program (build it, or pass --program PATH)"
program=$(cd "$(dirname "$program")" && pwd)/$(basename "$program")
for tool in Xvfb openbox xdotool soffice python3 setsid; do
    command -v "$tool" >/dev/null \
        || die "$tool is not installed (apt-get install libreoffice-writer-nogui xvfb xauth xdotool openbox)"
done
for file in "${files[@]}"; do
    [ -f "$file" ] || die "no such file: $file"
done

work=$(mktemp -d "${TMPDIR:-/tmp}/rtf-interop.XXXXXX")
xvfb_pid=
wm_pid=
app_pid=
group_pid=
cleanup() {
    # Each of these was started here; nothing else is touched.
    [ -n "$group_pid" ] && kill -- -"$group_pid" 2>/dev/null || true
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    if [ -n "$keep" ]; then
        mkdir -p "$keep" && cp -r "$work"/. "$keep"/ && echo "Kept the work files in $keep"
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Runs a command in a process group of its own, so a LibreOffice that hangs goes away
# with all its children when the time is up.
run_limited() {  # SECS COMMAND...
    local secs=$1
    shift
    setsid "$@" </dev/null &
    group_pid=$!
    local waited=0
    while kill -0 "$group_pid" 2>/dev/null; do
        if [ "$waited" -ge $((secs * 10)) ]; then
            kill -- -"$group_pid" 2>/dev/null || true
            wait "$group_pid" 2>/dev/null || true
            group_pid=
            return 124
        fi
        sleep 0.1
        waited=$((waited + 1))
    done
    local status=0
    wait "$group_pid" || status=$?
    group_pid=
    return "$status"
}

start_x_display "$work" || die "no virtual X display"
# A real window manager, so focus, activation and dialogs behave as on a desktop.
HOME=$work openbox --sm-disable >"$work/openbox.log" 2>&1 &
wm_pid=$!
sleep 1
kill -0 "$wm_pid" 2>/dev/null || die "openbox did not start: $(cat "$work/openbox.log")"

key() { xdotool key --delay 80 "$@"; sleep 0.4; }
stamp() { stat -c '%y %s' "$1" 2>/dev/null || echo none; }
# Qt sets _NET_WM_PID on its windows; the frames openbox draws around them have none.
visible_windows() { xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null || true; }
other_windows() {  # MAIN_WINDOW
    local window
    for window in $(visible_windows); do
        [ "$window" = "$1" ] || echo "$window"
    done
}
window_name() { xdotool getwindowname "$1" 2>/dev/null || echo '?'; }
wait_for_change() {  # FILE OLD_STAMP SECS
    local _
    for _ in $(seq $(($3 * 10))); do
        [ "$(stamp "$1")" != "$2" ] && return 0
        sleep 0.1
    done
    return 1
}

# Opens, edits, saves and closes one copy. Remarks go to DIR/notes; a reason the case
# could not be judged goes to DIR/error.
drive_program() {  # DIR FILE
    local dir=$1 file=$2 notes=$1/notes
    local name pattern window before saved=no dialog
    name=$(basename "$file")
    pattern=$(printf '%s' "$name" | sed 's/[][\.*^$(){}+?|]/\\&/g')
    export XDG_CONFIG_HOME=$dir/config XDG_RUNTIME_DIR=$dir/runtime
    mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

    QT_QPA_PLATFORM=xcb "$program" "$file" >"$dir/penwick.log" 2>&1 &
    app_pid=$!
    window=$(timeout "$timeout_secs" xdotool search --sync --onlyvisible --name "^Penwick - .*$pattern\$" | head -n 1) \
        || { echo "the window for $name did not appear within ${timeout_secs}s; $(tail -c 300 "$dir/penwick.log")" >"$dir/error"; return 1; }
    xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
    sleep 0.5
    for dialog in $(other_windows "$window"); do
        echo "a window \"$(window_name "$dialog")\" was open beside the document after loading" >>"$notes"
    done

    xdotool type --delay 60 'x'
    sleep 0.3
    key BackSpace
    before=$(stamp "$file")
    # Ctrl+S selects a sentence in Penwick; Save has no shortcut, so it goes through the menu.
    key alt+f s
    if wait_for_change "$file" "$before" "$timeout_secs"; then
        saved=yes
    fi
    sleep 1
    # A question after saving (say, about content that cannot be kept) gets its default.
    for _ in 1 2 3; do
        dialog=$(other_windows "$window" | head -n 1)
        [ -n "$dialog" ] || break
        echo "after File > Save a window \"$(window_name "$dialog")\" appeared; answered with Return" >>"$notes"
        xdotool windowactivate --sync "$dialog" 2>/dev/null || true
        key Return
        sleep 0.5
    done
    if [ "$saved" = no ] && wait_for_change "$file" "$before" 5; then
        saved=yes
    fi
    [ "$saved" = yes ] || echo "File > Save did not write the file" >>"$notes"

    xdotool windowactivate --sync "$window" 2>/dev/null || true
    key alt+f x
    sleep 0.5
    dialog=$(other_windows "$window" | head -n 1)
    if [ -n "$dialog" ]; then
        # Yes only when nothing reached the disk yet; otherwise the save above is what counts.
        local answer=n
        [ "$saved" = yes ] || answer=y
        echo "closing asked \"$(window_name "$dialog")\"; answered $answer" >>"$notes"
        xdotool windowactivate --sync "$dialog" 2>/dev/null || true
        key "$answer"
        if [ "$answer" = y ] && wait_for_change "$file" "$before" "$timeout_secs"; then
            saved=yes
        fi
    fi
    for _ in $(seq $((timeout_secs * 10))); do
        kill -0 "$app_pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$app_pid" 2>/dev/null; then
        echo "the program was still running ${timeout_secs}s after File > Exit; killed" >>"$notes"
        kill "$app_pid" 2>/dev/null || true
    fi
    local status=0
    wait "$app_pid" 2>/dev/null || status=$?
    app_pid=
    [ "$status" -eq 0 ] || echo "the program exited with status $status" >>"$notes"
    [ "$saved" = yes ] || { echo "Penwick never saved the file" >"$dir/error"; return 1; }
}

# LibreOffice reads both copies into flat ODF and plain text, with a profile of its own
# so a desktop instance is neither used nor disturbed.
convert_both() {  # DIR
    local dir=$1 format
    for format in fodt 'txt:Text (encoded):UTF8'; do
        if ! run_limited 180 env -u DISPLAY soffice -env:UserInstallation=file://"$work/lo-profile" --headless \
                --convert-to "$format" --outdir "$dir" "$dir/orig.rtf" "$dir/saved.rtf" \
                >>"$dir/soffice.log" 2>&1; then
            echo "LibreOffice failed or timed out converting to ${format%%:*}: $(tail -c 300 "$dir/soffice.log")" >"$dir/error"
            return 1
        fi
    done
    for part in orig.fodt saved.fodt orig.txt saved.txt; do
        [ -s "$dir/$part" ] || { echo "LibreOffice wrote no $part" >"$dir/error"; return 1; }
    done
}

cases=()
index=0
for file in "${files[@]}"; do
    index=$((index + 1))
    casedir=$work/case-$index
    mkdir -p "$casedir/edit"
    name=$(basename "$file")
    echo "$name" >"$casedir/name"
    cp "$file" "$casedir/orig.rtf"
    cp "$file" "$casedir/edit/$name"
    chmod u+w "$casedir/orig.rtf" "$casedir/edit/$name"
    cases+=("$casedir")
    echo "[$index/${#files[@]}] $name: Penwick opens, edits, saves and closes it"
    if drive_program "$casedir" "$casedir/edit/$name"; then
        cp "$casedir/edit/$name" "$casedir/saved.rtf"
        echo "[$index/${#files[@]}] $name: LibreOffice reads the original and the saved copy"
        convert_both "$casedir" || true
    fi
    [ -s "$casedir/error" ] && echo "    $(cat "$casedir/error")"
done

echo
status=0
python3 "$here/count_parts.py" report "${report_options[@]}" "${cases[@]}" || status=$?
exit "$status"
