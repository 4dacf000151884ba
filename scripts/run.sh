#!/bin/sh
# Installs what is missing, builds the library the viewer loads, and starts
# the viewer (examples/viewer.tcl) on the sample model, or on the model file
# or scene list (.lst, opened as an animated scene, e.g. samples/walk.lst)
# given as the first argument. Without an X display it runs the same script
# under Xvfb and writes a PNG picture of its window instead, to
# $DRUVEX_SCREENSHOT or else build/viewer.png. Exits with the viewer's status:
# 1 when the model or scene cannot be opened.
#
# With $DRUVEX_LIB naming a library that is built already, nothing is
# installed or built and the viewer loads that library.
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
if [ -z "$DRUVEX_LIB" ]; then
    sh "$top/scripts/deps.sh"
    echo "Building the viewer's library in $top/build (the first build takes a few minutes)..."
    DRUVEX_TARGETS=plyvo_sim sh "$top/scripts/build.sh" "$top/build"
    DRUVEX_LIB="$top/build/sim/libplyvo.so"
fi
export DRUVEX_LIB
if [ -n "$DISPLAY" ]; then
    exec wish "$top/examples/viewer.tcl" "$@"
fi
export DRUVEX_SCREENSHOT="${DRUVEX_SCREENSHOT:-$top/build/viewer.png}"
export LIBGL_ALWAYS_SOFTWARE=1
exec xvfb-run -a -s "-screen 0 1024x768x24" wish "$top/examples/viewer.tcl" "$@"
