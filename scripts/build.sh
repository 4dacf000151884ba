#!/bin/sh
# Configures and builds both configurations of the extension into a build
# folder. usage: build.sh [BUILD_DIR] [extra cmake arguments...]
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$top/build}
[ $# -gt 0 ] && shift
cmake -S "$top" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build "$dir" -j "$(nproc)"
