#!/usr/bin/env bash
# Starts the real program under a virtual X display with a copy of a script on its command
# line and expects it to play the script and end by itself.
#   smoke.sh VTSCRIPTER SCRIPT
set -u
program=$1
script=$2
if ! command -v xvfb-run >/dev/null 2>&1; then
    echo "xvfb-run is not installed: skipped"
    exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Playing rewrites the script from the editor, so play a copy; give it line ends of another
# kind to see that rewrite happen.
sed 's/\r$//' "$script" > "$work/Smoke.VTL"
export HOME=$work XDG_CONFIG_HOME=$work/config
# Under the leak checker, leave aside what the system's desktop libraries keep.
export LSAN_OPTIONS="suppressions=$(dirname "$0")/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
start=$(date +%s)
timeout 60 xvfb-run -a -s "-screen 0 1024x768x24" "$program" "$work/Smoke.VTL"
status=$?
elapsed=$(( $(date +%s) - start ))
if [ $status -ne 0 ]; then
    echo "vtscripter exited with status $status after ${elapsed}s (124: it did not end by itself)"
    exit 1
fi
if ! grep -q $'\r$' "$work/Smoke.VTL"; then
    echo "the script was not rewritten before playing"
    exit 1
fi
echo "vtscripter played the script and ended by itself after ${elapsed}s"
