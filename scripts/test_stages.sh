# shellcheck shell=sh
# Stage runner of scripts/test.sh (sourced, not run). Each stage runs to its
# end whatever the stages before it did; its output is shown and also kept in
# a log. stages_report then prints one line per stage and, last, the verdict
# "N passed, M failed" alone on a line, and returns 1 when anything failed.
#
#   stage NAME LOG COMMAND [ARG...]
#       Runs COMMAND with its standard error joined to its output, copied to
#       the file LOG. Tests are counted from that output: ctest's closing line
#       ("...% tests passed, F tests failed out of T") and the fuzz targets'
#       "fuzz_NAME: ok" and "fuzz_NAME: FINDING" lines. A stage that exits
#       non-zero without a failed test counted (a build that broke, a runner
#       that died) counts as one failure.
#   stage_skip NAME REASON
#       Notes a stage that was not run because one before it failed (that
#       failure is already counted).
#   stages_report
#
# The counts and lines are kept in stage_passed, stage_failed and stage_lines.

stage_passed=0
stage_failed=0
stage_lines=

# Adds one line to the stage list: VERDICT NAME DETAIL.
stage_note() {
    stage_lines="$stage_lines$(printf '%-7s %-44s %s' "$1" "$2" "$3" | sed 's/ *$//')
"
}

stage() {
    _name=$1 _log=$2
    shift 2
    mkdir -p "$(dirname "$_log")"
    echo "=== $_name"
    # The exit status of COMMAND, not of tee, is the stage's.
    { "$@" 2>&1; echo $? >"$_log.rc"; } | tee "$_log"
    _rc=$(cat "$_log.rc" 2>/dev/null || echo 1)
    rm -f "$_log.rc"

    # ctest: "100% tests passed, 0 tests failed out of 412" (the last such line).
    _counts=$(sed -n 's/^[0-9]*% tests passed, \([0-9]*\) tests* failed out of \([0-9]*\)$/\1 \2/p' "$_log" | tail -n 1)
    _bad=0 _total=0
    if [ -n "$_counts" ]; then
        _bad=${_counts% *}
        _total=${_counts#* }
    fi
    # fuzz.sh: one "fuzz_NAME: ok" or "fuzz_NAME: FINDING ..." line per target.
    _fuzz_ok=$(grep -c '^fuzz_[A-Za-z0-9_]*: ok$' "$_log")
    _fuzz_bad=$(grep -c '^fuzz_[A-Za-z0-9_]*: FINDING' "$_log")
    _bad=$((_bad + _fuzz_bad))
    _total=$((_total + _fuzz_ok + _fuzz_bad))
    _good=$((_total - _bad))

    # Names of what failed: ctest's list after "The following tests FAILED:",
    # then the fuzz targets with a finding.
    _names=$( (sed -n '/^The following tests FAILED:/,$s/^[[:space:]]*[0-9][0-9]* - \([^ ]*\) .*/\1/p' "$_log"
               sed -n 's/^\(fuzz_[A-Za-z0-9_]*\): FINDING.*/\1/p' "$_log") | tr '\n' ' ')
    _names=${_names% }

    if [ "$_rc" -ne 0 ] && [ "$_bad" -eq 0 ]; then
        # Failed with no failed test to show for it: the stage itself is the failure.
        _bad=1
        _detail="exit status $_rc"
        [ "$_total" -gt 0 ] && _detail="$_detail after $_total passed"
    elif [ "$_bad" -gt 0 ]; then
        _detail="$_bad of $_total failed: $_names"
    elif [ "$_total" -gt 0 ]; then
        _detail="$_total passed"
    else
        _detail=
    fi
    stage_passed=$((stage_passed + _good))
    stage_failed=$((stage_failed + _bad))
    if [ "$_rc" -eq 0 ] && [ "$_bad" -eq 0 ]; then
        stage_note ok "$_name" "$_detail"
    else
        stage_note FAILED "$_name" "$_detail (log: $_log)"
    fi
    # 0 when the stage passed, so a caller can skip what depends on it.
    [ "$_rc" -eq 0 ] && [ "$_bad" -eq 0 ]
}

stage_skip() {
    stage_note skipped "$1" "$2"
}

stages_report() {
    echo "=== Summary"
    printf '%s' "$stage_lines"
    echo "$stage_passed passed, $stage_failed failed"
    [ "$stage_failed" -eq 0 ]
}
