#!/bin/sh
# Configures and builds both configurations of the extension into a build
# folder. usage: build.sh [BUILD_DIR] [extra cmake arguments...]
# With $DRUVEX_TARGETS set (CMake target names separated by blanks), only
# those targets and what they need are built.
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$top/build}
[ $# -gt 0 ] && shift
# A folder configured before (its cache and build files are there) is not
# configured again unless cmake arguments are given: the build itself
# configures again when a CMakeLists.txt changed.
if [ $# -gt 0 ] || [ ! -f "$dir/CMakeCache.txt" ] || { [ ! -f "$dir/Makefile" ] && [ ! -f "$dir/build.ninja" ]; }; then
    cmake -S "$top" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
fi
if [ -n "$DRUVEX_TARGETS" ]; then
    # shellcheck disable=SC2086  # one word per target
    cmake --build "$dir" -j "$(nproc)" --target $DRUVEX_TARGETS
else
    cmake --build "$dir" -j "$(nproc)"
fi
