#!/bin/sh
# Installs what is missing, builds both configurations, and runs every test:
# once as a normal build and once built with AddressSanitizer and UBSan (with the
# command-language fuzzer), then each libFuzzer target for 30 seconds. The Tcl
# tests also run once from a copy of the checkout under a folder path of 150 or
# more characters, so that a message naming a fixture or a scratch file there
# is seen whole.
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
sh "$top/scripts/deps.sh"
jobs=$(nproc)

sh "$top/scripts/build.sh" "$top/build"
(cd "$top/build" && ctest --output-on-failure -j "$jobs")

sh "$top/scripts/test_long_path.sh"

sh "$top/scripts/build.sh" "$top/build-asan" -DDRUVEX_SANITIZE=ON -DDRUVEX_BENCHMARKS=OFF
(cd "$top/build-asan" && ctest --output-on-failure -j "$jobs")

sh "$top/scripts/fuzz.sh" 30 4
