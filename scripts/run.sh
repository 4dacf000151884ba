#!/bin/sh
# Installs what is missing, builds, and starts the viewer.
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
sh "$top/scripts/deps.sh"
sh "$top/scripts/build.sh" "$top/build" >/dev/null
export DRUVEX_LIB="$top/build/sim/libplyvo.so"
echo 'load $env(DRUVEX_LIB) Druvex; puts "Druvex loaded: Tcl [info patchlevel], Tk $tk_patchLevel"; exit' > "$top/build/run-check.tcl"
if [ -n "$DISPLAY" ]; then
    wish "$top/build/run-check.tcl"
else
    xvfb-run -a -s "-screen 0 1024x768x24" wish "$top/build/run-check.tcl"
fi
