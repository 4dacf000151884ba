#!/bin/sh
# Runs one Tcl test file in the test host under a private Xvfb server.
# usage: run_test.sh HOST LIBRARY TESTFILE
host=$1 lib=$2 test_file=$3
tmp=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$tmp/display" 2>"$tmp/xvfb.log" &
xpid=$!
i=0
while [ ! -s "$tmp/display" ] && [ $i -lt 200 ]; do sleep 0.05; i=$((i+1)); done
if [ ! -s "$tmp/display" ]; then
    echo "Xvfb did not start:"; cat "$tmp/xvfb.log"; kill $xpid 2>/dev/null; rm -rf "$tmp"; exit 1
fi
DISPLAY=:$(head -n 1 "$tmp/display")
export DISPLAY
export DRUVEX_LIB="$lib"
# Options set by the caller come last, so they win (e.g. verbosity=1).
export LSAN_OPTIONS="suppressions=${DRUVEX_LSAN_SUPP}:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export LIBGL_ALWAYS_SOFTWARE=1
"$host" "$test_file"
rc=$?
kill $xpid 2>/dev/null
wait $xpid 2>/dev/null
rm -rf "$tmp"
exit $rc
