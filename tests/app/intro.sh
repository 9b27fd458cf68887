#!/usr/bin/env bash
# Starts the real program under a virtual X display, chooses Help > Intro with the keyboard and
# expects the help assistant to walk to (100, 100) and say its first sentence in its balloon.
#   intro.sh VTSCRIPTER
set -u
program=$1
greeting="Merlin: Welcome to this new Vistrel Scripter!"

if [ "${VISTREL_INTRO_INSIDE:-}" = 1 ]; then
    "$program" &
    pid=$!
    trap 'kill $pid 2>/dev/null' EXIT
    main=$(xdotool search --sync --onlyvisible --pid "$pid" 2>/dev/null | head -1)
    [ -n "$main" ] || { echo "the main window did not show"; exit 1; }
    eval "$(xdotool getwindowgeometry --shell "$main")"
    xdotool mousemove $((X + 40)) $((Y + 40)) windowfocus --sync "$main"
    sleep 0.5
    xdotool key alt+h
    sleep 0.3
    xdotool key Return
    placed=0 said=0
    for _ in $(seq 150); do
        for w in $(xdotool search --onlyvisible --name '^Merlin' 2>/dev/null); do
            name=$(xdotool getwindowname "$w")
            if [ "$name" = Merlin ]; then
                eval "$(xdotool getwindowgeometry --shell "$w")"
                [ $((X - 100)) -ge -2 ] && [ $((X - 100)) -le 2 ] &&
                    [ $((Y - 100)) -ge -2 ] && [ $((Y - 100)) -le 2 ] && placed=1
            elif [ "$name" = "$greeting" ]; then
                said=1
            fi
        done
        [ $placed = 1 ] && [ $said = 1 ] && { echo "the assistant stands at (100, 100) and greets"; exit 0; }
        sleep 0.2
    done
    echo "after 30 s: at (100, 100): $placed, greeting shown: $said"
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
VISTREL_INTRO_INSIDE=1 timeout 90 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$program"
