#!/usr/bin/env bash
# Opens text files in Penwick and in the desktop editors people would otherwise use, each
# as a user starts it, and times from launch until the file is on screen and a keystroke has
# gone into it. Then peak memory and saving after an edit, on 50 MB.
#
#   bench/peers.sh PENWICK_BINARY
#
# Needs:  apt-get install -y xvfb openbox xdotool xclip
# Peers:  apt-get install -y kwrite mousepad featherpad   (a peer that is missing is skipped)
#
# Everything runs on a private Xvfb display with openbox as the window manager. Each start
# of an editor gets an empty home (settings, session and recovery files; only its caches carry
# over from an untimed first start), no session bus, so that a running instance on the desktop
# cannot take the file over, and is killed with SIGKILL after its measurement: nothing is
# restored, remembered or asked about. The runs go round the editors in turn.
#
# Readiness is one signal for every editor: after its window with the file's name in the
# title is mapped and focused, "Q" and Shift+Left are typed at the start of the text; the
# editor has taken the keystroke once the X primary selection, which each of them sets from
# a selection made with the keyboard, reads "Q". An editor that drops keys while busy gets
# the pair again every quarter second; a repeated pair leaves the same single "Q".
set -euo pipefail
export LC_ALL=C  # EPOCHREALTIME with a decimal point
source "$(dirname "${BASH_SOURCE[0]}")/../tests/support/xdisplay.sh"

usage() { sed -n '2,9p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'; exit 2; }
[ $# -eq 1 ] && [ "${1:-}" != -h ] && [ "${1:-}" != --help ] || usage
die() { echo "peers: $*" >&2; exit 2; }

penwick=$1
[ -x "$penwick" ] && [ -f "$penwick" ] || die "no program at $penwick"
penwick=$(cd "$(dirname "$penwick")" && pwd)/$(basename "$penwick")
for tool in Xvfb openbox xdotool xclip awk setsid timeout; do
    command -v "$tool" >/dev/null || die "$tool is not installed (apt-get install -y xvfb openbox xdotool xclip)"
done
[ -n "${EPOCHREALTIME:-}" ] || die "needs bash 5 or later"

open_timeout=120  # seconds for one editor to show one file and take the keystroke
save_timeout=60

# name, command, largest file it agrees to open (bytes; 0 for no limit), Debian package
editors=("Penwick|$penwick|0|")
for peer in "KWrite|kwrite|0|kwrite" "Mousepad|mousepad|0|mousepad" \
            "FeatherPad|featherpad|104857600|featherpad"; do
    IFS='|' read -r name command _ _ <<<"$peer"
    if command -v "$command" >/dev/null; then
        editors+=("$peer")
    else
        echo "$name is not installed: skipped (apt-get install -y $command)"
    fi
done
[ ${#editors[@]} -gt 1 ] || echo "No peer is installed: only Penwick is timed."

work=$(mktemp -d "${TMPDIR:-/tmp}/penwick-peers.XXXXXX")
xvfb_pid=
wm_pid=
app_pid=
cleanup() {
    # Only what this script started.
    [ -n "$app_pid" ] && kill -9 -- -"$app_pid" 2>/dev/null || true
    [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

now_us() { local t=$EPOCHREALTIME; echo $((10#${t/./})); }
seconds() { awk -v us="$1" 'BEGIN { printf "%.3f", us / 1e6 }'; }

# ---- Inputs --------------------------------------------------------------------------------
# Words in lines of 60 to 80 characters from a fixed list, picked by a Park-Miller generator
# whose products stay below 2^53, so every awk writes the same bytes.
english() {  # BYTES
    awk -v bytes="$1" 'BEGIN {
        nw = split("the of and to in is was that for it with as his on be at by had this not are " \
                   "but from or have an they which one you were her all she there would their we him " \
                   "been has when who will more no if out so said what up its about into than them can " \
                   "only other new some could time these two may then do first any my now such like our " \
                   "over man me even most made after also did many before must through back years where " \
                   "much your way well down should because each just those people how too little state " \
                   "good very make world still own see men work long get here between both life being " \
                   "under never day same another know while last might us great old year off come since " \
                   "against go came right used take three house small found thought went say part once " \
                   "general high upon school every don does got left number course war until always away " \
                   "something fact though water less public put think almost hand enough far took head", W, " ")
        seed = 20240611
        total = 0
        while (total < bytes) {
            seed = (seed * 16807) % 2147483647
            want = 60 + seed % 13
            line = ""
            while (length(line) < want) {
                seed = (seed * 16807) % 2147483647
                word = W[1 + seed % nw]
                line = line == "" ? word : line " " word
            }
            print line
            total += length(line) + 1
        }
    }'
}
echo "Writing the inputs in $work ..."
mkdir -p "$work/files" "$work/save"
english 10000000 >"$work/files/text-10MB.txt"
english 50000000 >"$work/files/text-50MB.txt"
english 200000000 >"$work/files/text-200MB.txt"
awk 'BEGIN { for (i = 1; i <= 2000000; i++) print "line " i }' >"$work/files/lines-2M.txt"
printf 'line %s\n' 1 2 3 >"$work/files/warm-up.txt"

# label|file|runs|save after the edit
items=("10 MB text|text-10MB.txt|3|"
       "50 MB text|text-50MB.txt|3|save"
       "200 MB text|text-200MB.txt|2|"
       "2,000,000 short lines|lines-2M.txt|3|")

# ---- Display -------------------------------------------------------------------------------
start_x_display "$work" || die "no virtual X display"
mkdir -p "$work/wm"
HOME=$work/wm openbox --sm-disable >"$work/openbox.log" 2>&1 &
wm_pid=$!
sleep 1
kill -0 "$wm_pid" 2>/dev/null || die "openbox did not start: $(cat "$work/openbox.log")"
# Nothing from the desktop this runs on: no session bus, session manager or Wayland.
unset DBUS_SESSION_BUS_ADDRESS SESSION_MANAGER WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb GDK_BACKEND=x11 GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1

primary() { timeout 10 xclip -o -selection primary 2>/dev/null || true; }

# ---- One measurement -----------------------------------------------------------------------
# Sets r_open (microseconds), r_peak (KiB after opening), and for a save r_save and
# r_peak_save; r_error says why there is no figure.
measure() {  # NAME COMMAND FILE [save]
    local name=$1 command=$2 file=$3 save=${4:-}
    local home=$work/home/$name cache=$work/cache/$name base pattern start window= sent deadline t
    r_open= r_peak= r_save= r_peak_save= r_error=
    base=$(basename "$file")
    pattern=$(printf '%s' "$base" | sed 's/[][\.*^$(){}+?|]/\\&/g')
    # Settings, session and recovery files start empty every time; only the caches carry over.
    rm -rf "$home"
    mkdir -p "$home/config" "$home/data" "$home/state" "$home/run" "$cache"
    chmod 700 "$home/run"
    # A selection left by the previous editor would read as this one's keystroke.
    for _ in $(seq 50); do [ "$(primary)" != Q ] && break; sleep 0.1; done

    start=$(now_us)
    deadline=$((start + open_timeout * 1000000))
    HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data XDG_CACHE_HOME=$cache \
        XDG_STATE_HOME=$home/state XDG_RUNTIME_DIR=$home/run \
        setsid "$command" "$file" </dev/null >>"$work/$name.log" 2>&1 &
    app_pid=$!
    until window=$(xdotool search --all --onlyvisible --pid "$app_pid" --name "$pattern" 2>/dev/null | head -n 1) \
            && [ -n "$window" ]; do
        kill -0 "$app_pid" 2>/dev/null || { r_error="exited"; app_pid=; return 1; }
        [ "$(now_us)" -lt "$deadline" ] || { r_error="no window in ${open_timeout}s"; stop; return 1; }
        sleep 0.01
    done
    # openbox focuses a new window; asking for it too costs nothing when it already has.
    t=$(now_us)
    until [ "$(xdotool getactivewindow 2>/dev/null)" = "$window" ]; do
        if [ $(($(now_us) - t)) -gt 1000000 ]; then
            xdotool windowactivate "$window" 2>/dev/null || true
            t=$(now_us)
        fi
        [ "$(now_us)" -lt "$deadline" ] || { r_error="window never focused"; stop; return 1; }
        sleep 0.01
    done
    xdotool key Q shift+Left
    sent=$(now_us)
    until [ "$(primary)" = Q ]; do
        t=$(now_us)
        [ "$t" -lt "$deadline" ] || { r_error="keystroke not taken in ${open_timeout}s"; stop; return 1; }
        if [ $((t - sent)) -gt 250000 ]; then
            xdotool key Q shift+Left
            sent=$t
        fi
        sleep 0.01
    done
    r_open=$(($(now_us) - start))
    r_peak=$(peak)

    if [ -n "$save" ]; then
        local before want saved state
        before=$(stat -c '%i %y' "$file")
        want=$(($(stat -c %s "$file") + 1))
        sleep 1  # as a user would pause; work the editor left for later is not the save's
        r_peak=$(peak)
        start=$(now_us)
        deadline=$((start + save_timeout * 1000000))
        # Ctrl+S selects a sentence in Penwick; Save has no shortcut there, so it goes through the menu.
        if [ "$name" = Penwick ]; then xdotool key alt+f s; else xdotool key ctrl+s; fi
        # Saved when the file is another one (written aside and renamed) or newer, and whole.
        while :; do
            state=$(stat -c '%i %y %s' "$file" 2>/dev/null || echo gone)
            [ "${state% *}" != "$before" ] && [ "${state##* }" = "$want" ] && break
            [ "$(now_us)" -lt "$deadline" ] || { r_error="not saved in ${save_timeout}s"; break; }
            sleep 0.01
        done
        if [ -z "$r_error" ]; then
            r_save=$(($(now_us) - start))
            sleep 0.5
            r_peak_save=$(peak)
            if [ "$(head -c 1 "$file")" != Q ] || ! tail -c +2 "$file" | cmp -s - "$work/files/$base"; then
                r_error="saved file is not the original with a Q in front"
                r_save=
            fi
        fi
    fi
    stop
    [ -z "$r_error" ]
}
peak() { awk '/^VmHWM:/ { print $2 }' "/proc/$app_pid/status" 2>/dev/null || echo 0; }
stop() {
    kill -9 -- -"$app_pid" 2>/dev/null || true
    wait "$app_pid" 2>/dev/null || true
    app_pid=
    # A swap file left beside the document would bring up a recovery offer next time.
    find "$work/files" "$work/save" -maxdepth 1 -type f -name '.*' -delete
}

# A first start of each editor fills its fresh home's caches and the page cache with its
# libraries, as on a desktop where it has run before; it also shows that the readiness
# signal works for it.
ready=()
for entry in "${editors[@]}"; do
    IFS='|' read -r name command _ _ <<<"$entry"
    if measure "$name" "$command" "$work/files/warm-up.txt"; then
        ready+=("$entry")
    else
        echo "$name: skipped, its warm-up start failed ($r_error); see its output:"
        tail -n 5 "$work/$name.log" | sed 's/^/    /'
    fi
done
editors=("${ready[@]}")

# ---- The runs, interleaved -----------------------------------------------------------------
declare -A times=() peaks=() saves=() save_peaks=() notes=()
for item in "${items[@]}"; do
    IFS='|' read -r label file runs save <<<"$item"
    source=$work/files/$file
    size=$(stat -c %s "$source")
    for run in $(seq "$runs"); do
        for entry in "${editors[@]}"; do
            IFS='|' read -r name command limit _ <<<"$entry"
            key="$label|$name"
            if [ "$limit" -gt 0 ] && [ "$size" -gt "$limit" ]; then
                notes[$key]="does not open files over $((limit / 1048576)) MiB"
                continue
            fi
            path=$source
            if [ -n "$save" ]; then
                # Each run saves over a copy of its own.
                path=$work/save/$file
                cp "$source" "$path"
            fi
            if measure "$name" "$command" "$path" "$save"; then
                times[$key]+=" $r_open"
                peaks[$key]+=" $r_peak"
                [ -n "$r_save" ] && saves[$key]+=" $r_save" && save_peaks[$key]+=" $r_peak_save"
                printf '%-22s run %d/%d  %-10s %7s s  %5d MiB%s\n' "$label" "$run" "$runs" "$name" \
                    "$(seconds "$r_open")" $((r_peak / 1024)) \
                    "${r_save:+  saved in $(seconds "$r_save") s, $((r_peak_save / 1024)) MiB}"
            else
                [ -n "$r_open" ] && times[$key]+=" $r_open" && peaks[$key]+=" $r_peak"
                notes[$key]=$r_error
                printf '%-22s run %d/%d  %-10s failed: %s\n' "$label" "$run" "$runs" "$name" "$r_error"
            fi
        done
    done
done

# ---- The table -----------------------------------------------------------------------------
median() { tr ' ' '\n' | awk 'NF { v[n++] = $1 } END {
    if (!n) exit
    for (i = 1; i < n; i++) for (j = i; j > 0 && v[j - 1] > v[j]; j--) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
    print n % 2 ? v[int(n / 2)] : int((v[n / 2 - 1] + v[n / 2]) / 2) }'; }

echo
echo "Median seconds from launch until the file is shown and a keystroke taken:"
printf '%-22s' "work item"
for entry in "${editors[@]}"; do printf ' %10s' "${entry%%|*}"; done
printf '   %s\n' "Penwick / fastest peer"
for item in "${items[@]}"; do
    IFS='|' read -r label _ _ _ <<<"$item"
    printf '%-22s' "$label"
    own= best= best_name=
    for entry in "${editors[@]}"; do
        name=${entry%%|*}
        value=$(median <<<"${times[$label|$name]:-}")
        if [ -z "$value" ]; then
            printf ' %10s' "-"
            continue
        fi
        printf ' %10s' "$(seconds "$value")"
        if [ "$name" = Penwick ]; then
            own=$value
        elif [ -z "$best" ] || [ "$value" -lt "$best" ]; then
            best=$value best_name=$name
        fi
    done
    if [ -n "$own" ] && [ -n "$best" ]; then
        printf '   %s (%s)' "$(awk -v a="$own" -v b="$best" 'BEGIN { printf "%.2f", a / b }')" "$best_name"
    fi
    echo
done

echo
echo "50 MB text: peak memory (VmHWM, MiB) after opening and after saving an edit; seconds to save:"
printf '%-22s' ""
for entry in "${editors[@]}"; do printf ' %10s' "${entry%%|*}"; done
echo
for row in "peak after opening|peaks|1024" "peak after saving|save_peaks|1024" "save|saves|s"; do
    IFS='|' read -r title table unit <<<"$row"
    printf '%-22s' "$title"
    for entry in "${editors[@]}"; do
        name=${entry%%|*}
        declare -n values=$table
        value=$(median <<<"${values[50 MB text|$name]:-}")
        unset -n values
        if [ -z "$value" ]; then
            printf ' %10s' "-"
        elif [ "$unit" = s ]; then
            printf ' %10s' "$(seconds "$value")"
        else
            printf ' %10d' $((value / unit))
        fi
    done
    echo
done

if [ ${#notes[@]} -gt 0 ]; then
    echo
    for key in "${!notes[@]}"; do
        echo "${key#*|}, ${key%%|*}: ${notes[$key]}"
    done | sort
fi
versions=()
for entry in "${editors[@]}"; do
    IFS='|' read -r name _ _ package <<<"$entry"
    [ -n "$package" ] || continue
    versions+=("$name $(dpkg-query -W -f='${Version}' "$package" 2>/dev/null || echo '?')")
done
if [ ${#versions[@]} -gt 0 ]; then
    echo
    (IFS=','; echo "Peers: ${versions[*]}" | sed 's/,/, /g')
fi
