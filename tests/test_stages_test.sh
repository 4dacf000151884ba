#!/bin/sh
# The stage runner of scripts/test.sh on stand-in stages: every stage runs
# after one fails, the counts of all stages add up to the closing line
# "N passed, M failed", and the verdict's status is non-zero when anything
# failed. usage: test_stages_test.sh [SOURCE_DIR]
top=${1:-$(cd "$(dirname "$0")/.." && pwd)}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
problems=0

check() {
    # check WHAT EXPECTED ACTUAL
    if [ "$2" != "$3" ]; then
        echo "FAIL: $1"
        echo "  expected: $2"
        echo "  actual:   $3"
        problems=$((problems + 1))
    fi
}

# Stand-ins for the real stages: what ctest and fuzz.sh print at their end.
cat >"$tmp/ctest_pass.sh" <<'EOF'
echo "100% tests passed, 0 tests failed out of 5"
EOF
cat >"$tmp/ctest_fail.sh" <<'EOF'
echo "67% tests passed, 2 tests failed out of 6"
echo ""
echo "The following tests FAILED:"
printf '\t 12 - tcl.print.select (Failed)\n'
printf '\t 40 - unit.model.load (SEGFAULT)\n'
echo "Errors while running CTest"
exit 8
EOF
cat >"$tmp/fuzz_mixed.sh" <<'EOF'
echo "fuzz_tga: ok"
echo "fuzz_path: FINDING (see logs/path.log)"
echo "fuzz_anim: ok"
echo "fuzz_tga: 1234 executions"
exit 1
EOF
cat >"$tmp/build_broken.sh" <<'EOF'
echo "error: something.cpp:1: no such file"
exit 2
EOF
cat >"$tmp/quiet_ok.sh" <<'EOF'
echo "built"
EOF

# 1: a run with failing stages among passing ones.
(
    . "$top/scripts/test_stages.sh"
    stage "passing tests" "$tmp/logs/1.log" sh "$tmp/ctest_pass.sh"
    stage "failing tests" "$tmp/logs/2.log" sh "$tmp/ctest_fail.sh"
    if stage "broken build" "$tmp/logs/3.log" sh "$tmp/build_broken.sh"; then
        echo "the broken build passed"
    else
        stage_skip "tests of the broken build" "the build failed"
    fi
    stage "quiet build" "$tmp/logs/4.log" sh "$tmp/quiet_ok.sh"
    stage "fuzz" "$tmp/logs/5.log" sh "$tmp/fuzz_mixed.sh"
    stages_report
) >"$tmp/mixed.out" 2>&1
check "status of a run with failures" 1 "$?"
check "closing line of a run with failures" "11 passed, 4 failed" "$(tail -n 1 "$tmp/mixed.out")"
check "the stage after the failures ran" 1 "$(grep -c '^fuzz_anim: ok$' "$tmp/mixed.out")"
check "the log keeps the stage's output" "$(sh "$tmp/ctest_fail.sh")" "$(cat "$tmp/logs/2.log")"
check "stage lines" "ok      passing tests                                5 passed
FAILED  failing tests                                2 of 6 failed: tcl.print.select unit.model.load (log: $tmp/logs/2.log)
FAILED  broken build                                 exit status 2 (log: $tmp/logs/3.log)
skipped tests of the broken build                    the build failed
ok      quiet build
FAILED  fuzz                                         1 of 3 failed: fuzz_path (log: $tmp/logs/5.log)" \
    "$(sed -n '/^=== Summary$/,$p' "$tmp/mixed.out" | sed '1d;$d')"

# 2: every stage passes.
(
    . "$top/scripts/test_stages.sh"
    stage "tests" "$tmp/logs/a.log" sh "$tmp/ctest_pass.sh"
    stage "build" "$tmp/logs/b.log" sh "$tmp/quiet_ok.sh"
    stage "more tests" "$tmp/logs/c.log" sh "$tmp/ctest_pass.sh"
    stages_report
) >"$tmp/pass.out" 2>&1
check "status of a passing run" 0 "$?"
check "closing line of a passing run" "10 passed, 0 failed" "$(tail -n 1 "$tmp/pass.out")"

if [ $problems -ne 0 ]; then
    echo "--- output of the run with failures:"
    cat "$tmp/mixed.out"
    exit 1
fi
echo "stage runner: all checks passed"
