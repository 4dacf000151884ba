#!/bin/sh
# Installs what is missing, builds both configurations, and runs every test:
# once as a normal build and once built with AddressSanitizer and UBSan (with the
# command-language fuzzer), then each libFuzzer target for 30 seconds. The Tcl
# tests also run once from a copy of the checkout under a folder path of 150 or
# more characters, so that a message naming a fixture or a scratch file there
# is seen whole.
#
# Every stage runs even when one before it failed (only the tests of a build
# that failed are skipped). Each stage's output is kept in build-logs/, and the
# run ends with a line per stage and the verdict "N passed, M failed"; the exit
# status is non-zero when anything failed.
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/test_stages.sh"
jobs=$(nproc)
logs=$top/build-logs
rm -rf "$logs"

run_ctest() {
    cd "$1" && ctest --output-on-failure -j "$jobs"
}

stage "dependencies" "$logs/1-deps.log" sh "$top/scripts/deps.sh"

if stage "normal build" "$logs/2-build.log" sh "$top/scripts/build.sh" "$top/build"; then
    stage "normal build: unit and Tcl tests" "$logs/3-tests.log" run_ctest "$top/build"
else
    stage_skip "normal build: unit and Tcl tests" "the build failed"
fi

stage "Tcl tests under a long folder path" "$logs/4-long-path.log" sh "$top/scripts/test_long_path.sh"

if stage "sanitizer build" "$logs/5-build-asan.log" \
    sh "$top/scripts/build.sh" "$top/build-asan" -DDRUVEX_SANITIZE=ON -DDRUVEX_BENCHMARKS=OFF; then
    stage "sanitizer build: unit, Tcl and fuzz tests" "$logs/6-tests-asan.log" run_ctest "$top/build-asan"
else
    stage_skip "sanitizer build: unit, Tcl and fuzz tests" "the build failed"
fi

stage "libFuzzer targets, 30 s each" "$logs/7-fuzz.log" sh "$top/scripts/fuzz.sh" 30 4

stages_report
