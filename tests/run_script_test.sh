#!/bin/sh
# scripts/run.sh without a display, on a library that is built already (so it
# installs and builds nothing): a model or scene that cannot be opened ends it
# with status 1 and the reason, and leaves no picture; the sample crate gives
# a picture of the whole window, menu bar included; from a checkout under a
# folder whose name holds a blank the viewer still opens its models.
# usage: run_script_test.sh LIBRARY
lib=$1
top=$(cd "$(dirname "$0")/.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
unset DISPLAY
export DRUVEX_LIB="$lib"
export DRUVEX_SCREENSHOT="$tmp/viewer.png"
failed=0
passed=0

# check NAME WANTED_STATUS TEXT ARGUMENT: run.sh ARGUMENT must exit with
# WANTED_STATUS and print TEXT.
check() {
    sh "$top/scripts/run.sh" "$4" >"$tmp/out" 2>&1
    status=$?
    if [ "$status" -eq "$2" ] && grep -qF "$3" "$tmp/out"; then
        passed=$((passed + 1))
    else
        echo "$1: exit status $status (wanted $2), output:"
        cat "$tmp/out"
        failed=$((failed + 1))
    fi
}

check "missing model" 1 "Could not open nosuch.mod: could not find:" "$tmp/nosuch.mod"
check "missing scene" 1 "Could not open scene nosuch.lst: file does not exist" "$tmp/nosuch.lst"
if [ -e "$tmp/viewer.png" ]; then
    echo "a failed run wrote a picture"
    failed=$((failed + 1))
fi

check "sample crate" 0 "Screenshot of the viewer written to $tmp/viewer.png" "$top/samples/crate.mod"
# The window is 720 x 560 below its menu bar.
size=$(identify -format '%wx%h' "$tmp/viewer.png" 2>&1)
width=${size%x*}
height=${size#*x}
if [ "$width" = 720 ] && [ "$height" -gt 560 ] 2>/dev/null; then
    passed=$((passed + 1))
else
    echo "the picture is $size, wanted 720 wide and taller than 560"
    failed=$((failed + 1))
fi

# A copy of the checkout under folders whose names hold blanks: the default
# model, a model and a scene given, from there; a file whose own name holds a
# blank is refused with the reason.
copy="$tmp/My Projects/druvex"
mkdir -p "$copy"
cp -R "$top/scripts" "$top/examples" "$top/samples" "$copy"
cp "$top/samples/crate.mod" "$tmp/My Projects/my crate.mod"
top=$copy
check "default model under a blank" 0 "Screenshot of the viewer written to" ""
check "model under a blank" 0 "Screenshot of the viewer written to" "$copy/samples/crate.mod"
check "scene under a blank" 0 "Screenshot of the viewer written to" "$copy/samples/walk.lst"
check "blank in the file name" 1 "Could not open my crate.mod: its file name holds a blank" "$tmp/My Projects/my crate.mod"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
