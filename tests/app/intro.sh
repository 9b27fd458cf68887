#!/usr/bin/env bash
# Starts the real program under a virtual X display of the given size and uses the Help menu
# with the keyboard:
#   intro.sh VTSCRIPTER intro [WxH]   Help > Intro: the help assistant walks to (100, 100) and
#                                     says its first sentence in its balloon
#   intro.sh VTSCRIPTER on [WxH]      Help > ON: the assistant stands at (200, 0) and greets
# Neither the assistant there nor its balloon may cover the main window.
set -u
program=$1
mode=${2:-intro}
screen=${3:-1024x768}

# Whether two `xdotool getwindowgeometry --shell` rectangles overlap: X1 Y1 W1 H1 X2 Y2 W2 H2.
overlap() {
    [ "$1" -lt $(($5 + $7)) ] && [ "$5" -lt $(($1 + $3)) ] &&
        [ "$2" -lt $(($6 + $8)) ] && [ "$6" -lt $(($2 + $4)) ]
}
# Whether the window stands at (X, Y), give or take two pixels.
near() {
    [ $(($1 - $3)) -ge -2 ] && [ $(($1 - $3)) -le 2 ] &&
        [ $(($2 - $4)) -ge -2 ] && [ $(($2 - $4)) -le 2 ]
}

if [ "${VISTREL_INTRO_INSIDE:-}" = 1 ]; then
    "$program" &
    pid=$!
    trap 'kill $pid 2>/dev/null' EXIT
    main=$(xdotool search --sync --onlyvisible --pid "$pid" 2>/dev/null | head -1)
    [ -n "$main" ] || { echo "the main window did not show"; exit 1; }
    eval "$(xdotool getwindowgeometry --shell "$main")"
    read -r MX MY MW MH <<<"$X $Y $WIDTH $HEIGHT"
    xdotool mousemove $((X + 40)) $((Y + 40)) windowfocus --sync "$main"
    sleep 0.5
    xdotool key alt+h
    sleep 0.3
    if [ "$mode" = on ]; then
        xdotool key Down Return
        at=(200 0)
        greeting="Merlin: I am here to help and as you go about creating your scripts I will prompt you"
    else
        xdotool key Return
        at=(100 100)
        greeting="Merlin: Welcome to this new Vistrel Scripter!"
    fi
    placed=0 said=0 clear=1
    for _ in $(seq 150); do
        for w in $(xdotool search --onlyvisible --name '^Merlin' 2>/dev/null); do
            name=$(xdotool getwindowname "$w")
            eval "$(xdotool getwindowgeometry --shell "$w")"
            if [ "$name" = Merlin ]; then
                near "$X" "$Y" "${at[@]}" || continue
                placed=1
            elif [ "$name" = "$greeting" ]; then
                said=1
            else
                continue
            fi
            if overlap "$X" "$Y" "$WIDTH" "$HEIGHT" "$MX" "$MY" "$MW" "$MH"; then
                clear=0
                echo "\"$name\" at ${X},${Y} ${WIDTH}x${HEIGHT} covers the main window" \
                    "at ${MX},${MY} ${MW}x${MH}"
            fi
        done
        if [ $placed = 1 ] && [ $said = 1 ]; then
            [ $clear = 0 ] && exit 1
            echo "the assistant stands at (${at[0]}, ${at[1]}) and greets"
            exit 0
        fi
        sleep 0.2
    done
    echo "after 30 s: at (${at[0]}, ${at[1]}): $placed, greeting shown: $said"
    xdotool search --onlyvisible --name '' getwindowname %@ 2>/dev/null
    exit 1
fi

if ! command -v xvfb-run >/dev/null 2>&1 || ! command -v xdotool >/dev/null 2>&1; then
    echo "xvfb-run or xdotool is not installed: skipped"
    exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
export LSAN_OPTIONS="suppressions=$(dirname "$0")/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
VISTREL_INTRO_INSIDE=1 timeout 90 xvfb-run -a -s "-screen 0 ${screen}x24" "$0" "$program" "$mode"
