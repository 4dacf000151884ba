#!/bin/sh
# Runs leaking.tcl, whose tests pass but which leaks blocks of 4099 bytes on
# purpose, and passes only when the leak check reports them (allocated in the
# host's leak_cmd) and the run fails. usage: leak_check.sh HOST LIBRARY
here=$(cd "$(dirname "$0")" && pwd)
out=$(sh "$here/../run_test.sh" "$1" "$2" "$here/leaking.tcl" 2>&1)
rc=$?
printf '%s\n' "$out"
if ! printf '%s\n' "$out" | grep -A3 'Direct leak of [0-9]* byte(s) in [0-9]* object(s)' | grep -q 'in leak_cmd'; then
    echo "FAIL: the leak check did not report the blocks leaked on purpose"
    exit 1
fi
if [ $rc -eq 0 ]; then
    echo "FAIL: the run that leaked exited with status 0"
    exit 1
fi
echo "leak check: the leak was reported and failed the run (status $rc)"
