#!/bin/sh
# Builds the libFuzzer targets with clang (ASan and UBSan) into build-fuzz and
# runs each on a copy of its seed corpus for SECONDS, JOBS targets at a time.
# Fails when a target stops on a finding; the input is kept under
# build-fuzz/findings and the target's output under build-fuzz/logs.
# usage: fuzz.sh [SECONDS [JOBS]]     (fuzz.sh 3600 is the hour-long run)
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
dir=$top/build-fuzz
targets="mod_read mod_load tga text_reader path cursor anim keyed_table"

# One target (called back through xargs): its grown corpus starts as a copy of the seeds.
if [ "$1" = "--one" ]; then
    seconds=$2 name=$3
    mkdir -p "$dir/corpus/$name"
    cp "$top/tests/fuzz/corpus/$name"/* "$dir/corpus/$name/"
    if "$dir/fuzz_$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=8192 \
        -print_final_stats=1 -artifact_prefix="$dir/findings/$name-" "$dir/corpus/$name" \
        >"$dir/logs/$name.log" 2>&1; then
        echo "fuzz_$name: ok"
    else
        echo "fuzz_$name: FINDING (see $dir/logs/$name.log)"
        exit 1
    fi
    exit 0
fi

seconds=${1:-30}
jobs=${2:-4}
CC=clang CXX=clang++ cmake -S "$top/tests/fuzz" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$dir" -j "$(nproc)"
rm -rf "$dir/logs" "$dir/findings" "$dir/corpus"
mkdir -p "$dir/logs" "$dir/findings"

status=0
printf '%s\n' $targets | xargs -P "$jobs" -n 1 sh "$0" --one "$seconds" || status=1

for name in $targets; do
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/logs/$name.log" | tail -n 1)
    echo "fuzz_$name: ${runs:-?} executions"
done
if [ $status -ne 0 ]; then
    echo "Inputs of the findings:"
    ls "$dir/findings"
fi
exit $status
