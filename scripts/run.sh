#!/bin/sh
# Installs what is missing, builds, and starts the viewer (examples/viewer.tcl)
# on the sample model, or on the model file or scene list (.lst, opened as an
# animated scene, e.g. samples/walk.lst) given as the first argument.
# Without an X display it runs the same script under Xvfb and writes a PNG
# picture of its window instead.
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
sh "$top/scripts/deps.sh"
sh "$top/scripts/build.sh" "$top/build" >/dev/null
export DRUVEX_LIB="$top/build/sim/libplyvo.so"
if [ -n "$DISPLAY" ]; then
    wish "$top/examples/viewer.tcl" "$@"
else
    export DRUVEX_SCREENSHOT="$top/build/viewer.png"
    export LIBGL_ALWAYS_SOFTWARE=1
    xvfb-run -a -s "-screen 0 1024x768x24" wish "$top/examples/viewer.tcl" "$@"
fi
