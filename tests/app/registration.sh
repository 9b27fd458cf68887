#!/usr/bin/env bash
# Starts the real program several times in a scratch home and looks at what it registered with
# the desktop for that user: the script type, the desktop entry naming the running program, its
# icons and the type's default application.
#   registration.sh VTSCRIPTER CHARS_DIR
# Each start plays a short script with the main window hidden and must end by itself.
set -u
program=$(readlink -f "$1")
chars=$2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home QT_QPA_PLATFORM=offscreen
export LSAN_OPTIONS="suppressions=$(dirname "$0")/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
printf 'Load.Merlin\r\nMerlin.Show\r\nMerlin.Hide\r\n' > "$work/show.vtl"

failed=0
fail() {
    echo "FAILED: $*"
    failed=1
}

# start PROGRAM DATA_HOME CONFIG_HOME: one run, which must end by itself with status 0.
start() {
    cp "$work/show.vtl" "$work/play.vtl"
    XDG_DATA_HOME=$2 XDG_CONFIG_HOME=$3 timeout 60 env PATH="${START_PATH:-$PATH}" \
        "$1" "$work/play.vtl" > "$work/out.txt" 2>&1
    local status=$?
    if [ $status -ne 0 ]; then
        cat "$work/out.txt"
        fail "$1 ended with status $status (124: it did not end by itself)"
    fi
}

data=$work/data
config=$work/config
pieces=("$data/mime/packages/org.vistrel.Scripter.xml"
        "$data/applications/org.vistrel.Scripter.desktop"
        "$data/icons/hicolor/48x48/apps/org.vistrel.Scripter.png"
        "$data/icons/hicolor/256x256/apps/org.vistrel.Scripter.png"
        "$config/mimeapps.list")
entry=${pieces[1]}
times() { stat -c '%n %y' "${pieces[@]}" 2>&1; }

# The first start writes every piece, naming the program where it runs.
start "$program" "$data" "$config"
for f in "${pieces[@]}"; do
    [ -s "$f" ] || fail "not written: $f"
done
grep -qxF "Exec=$program %f" "$entry" || fail "the entry does not run $program: $(grep Exec "$entry")"
grep -qxF 'text/x-vistrel-script=org.vistrel.Scripter.desktop' "$config/mimeapps.list" ||
    fail "not the type's default application"
if command -v update-mime-database >/dev/null; then
    [ -s "$data/mime/mime.cache" ] || fail "the MIME database was not refreshed"
fi
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$entry" || fail "the desktop entry is not valid"
fi

# The second start from the same place changes nothing.
before=$(times)
sleep 0.05
start "$program" "$data" "$config"
[ "$(times)" = "$before" ] || fail "a second start changed files: $(diff <(echo "$before") <(times))"

# Started from another folder (with the characters beside it as in the build tree), the entry
# follows the program; the type itself stays as it was.
mkdir -p "$work/elsewhere/bin" "$work/elsewhere/share/vistrel"
cp "$program" "$work/elsewhere/bin/"
cp "$(dirname "$program")/vistrel.ini" "$work/elsewhere/bin/" 2>/dev/null
ln -s "$(readlink -f "$chars")" "$work/elsewhere/share/vistrel/chars"
moved=$work/elsewhere/bin/$(basename "$program")
mime_before=$(stat -c %y "${pieces[0]}")
start "$moved" "$data" "$config"
grep -qxF "Exec=$moved %f" "$entry" || fail "the entry did not move along: $(grep Exec "$entry")"
[ "$(stat -c %y "${pieces[0]}")" = "$mime_before" ] || fail "the unchanged type was rewritten"

# A data home that cannot be written (beneath a plain file, whoever the user is): the program
# plays as usual.
touch "$work/plain"
start "$program" "$work/plain/data" "$work/plain/config"

# Without the desktop's tools the pieces are written all the same, and the program plays.
mkdir -p "$work/no-tools"
START_PATH=$work/no-tools start "$program" "$work/bare/data" "$work/bare/config"
[ -s "$work/bare/data/applications/org.vistrel.Scripter.desktop" ] ||
    fail "nothing registered without the desktop's tools"
[ ! -e "$work/bare/data/mime/mime.cache" ] || fail "a MIME database was made without the tool"

[ $failed = 0 ] && echo "registered for the user, kept and moved as the program moved"
exit $failed
