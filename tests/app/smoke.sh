#!/usr/bin/env bash
# Starts the real program under a virtual X display with a copy of a script on its command
# line and expects it to play the script with its main window hidden and to end by itself.
#   smoke.sh VTSCRIPTER SCRIPT [characters]
# With "characters", at least one other window (a character on the desktop) must show up while
# the script plays.
set -u
program=$1
script=$2
expect_characters=${3:-}

if [ "${VISTREL_SMOKE_INSIDE:-}" = 1 ]; then
    # Inside the virtual display: run the program and watch which windows get mapped.
    title=$(printf '%s' "$script" | tr '[:upper:]' '[:lower:]')
    "$program" "$script" &
    pid=$!
    main_shown=0
    others_shown=0
    root=$(xdotool search --maxdepth 0 --name '' 2>/dev/null | head -1)
    while kill -0 "$pid" 2>/dev/null; do
        if command -v xdotool >/dev/null 2>&1; then
            for w in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
                [ "$w" = "$root" ] && continue
                if [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$title" ]; then
                    main_shown=1
                else
                    others_shown=1
                fi
            done
        fi
        sleep 0.2
    done
    wait "$pid"
    status=$?
    echo "windows: main=$main_shown others=$others_shown"
    exit $status
fi

if ! command -v xvfb-run >/dev/null 2>&1; then
    echo "xvfb-run is not installed: skipped"
    exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Playing rewrites the script from the editor, so play a copy; give it line ends of another
# kind to see that rewrite happen.
sed 's/\r$//' "$script" > "$work/Smoke.VTL"
export HOME=$work XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
# Under the leak checker, leave aside what the system's desktop libraries keep.
export LSAN_OPTIONS="suppressions=$(dirname "$0")/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
start=$(date +%s)
VISTREL_SMOKE_INSIDE=1 timeout 60 xvfb-run -a -s "-screen 0 1024x768x24" \
    "$0" "$program" "$work/Smoke.VTL" > "$work/out.txt" 2>&1
status=$?
elapsed=$(( $(date +%s) - start ))
cat "$work/out.txt"
if [ $status -ne 0 ]; then
    echo "vtscripter exited with status $status after ${elapsed}s (124: it did not end by itself)"
    exit 1
fi
if ! grep -q $'\r$' "$work/Smoke.VTL"; then
    echo "the script was not rewritten before playing"
    exit 1
fi
if grep -q 'main=1' "$work/out.txt"; then
    echo "the main window was shown while a script from the command line played"
    exit 1
fi
if [ "$expect_characters" = characters ] && ! grep -q 'others=1' "$work/out.txt"; then
    echo "no character appeared on the desktop"
    exit 1
fi
echo "vtscripter played the script and ended by itself after ${elapsed}s"
