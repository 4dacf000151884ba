#!/bin/sh
# Copies the checkout's files (not its build folders) under a folder path of
# 150 or more characters, builds there what the Tcl tests load, and runs them.
# Fixture paths come from the copied sources and scratch paths from its build
# folder, so both are long. usage: test_long_path.sh [ROOT]
# ROOT (default: build-long in the checkout) is where the long path starts.
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
long=${1:-$top/build-long}
while [ ${#long} -lt 150 ]; do long=$long/a-folder-whose-name-is-long-on-purpose; done
mkdir -p "$long"
rm -rf "$long/src"
mkdir "$long/src"
# Tracked and new files as they are in the working tree, with their times, so
# that a second run rebuilds only what changed.
if git -C "$top" rev-parse --git-dir >/dev/null 2>&1; then
    (cd "$top" && git ls-files -z --cached --others --exclude-standard |
        tar --null --ignore-failed-read -T - -cf -) | tar -C "$long/src" -xf -
else
    (cd "$top" && tar --exclude='./build*' --exclude='./scratch-*' -cf - .) | tar -C "$long/src" -xf -
fi
echo "long-path checkout: $long/src (${#long} characters before /src)"
DRUVEX_TARGETS="druvex_host plyvo_sim plyvo_print" \
    sh "$long/src/scripts/build.sh" "$long/build" -DDRUVEX_BENCHMARKS=OFF
(cd "$long/build" && ctest --output-on-failure -j "$(nproc)" -R '^tcl\.')
