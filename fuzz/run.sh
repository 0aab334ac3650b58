#!/bin/sh
# Runs the fuzz targets of a fuzz build one after another, one process each.
#
#   fuzz/run.sh <build dir> short [target...]   a few seconds each (make test)
#   fuzz/run.sh <build dir> long  [target...]   FUZZ_RUNS inputs each (10^7 by default)
#
# New inputs go to <build dir>/corpus/<target>, the committed seeds in
# fuzz/corpus/<target> are read as well; a crash leaves its input in
# <build dir>/artifacts and fails the run. FUZZ_SECONDS bounds a long run
# of each target in time as well (0: no bound).
set -u
build=$1
mode=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
targets=${*:-"sql statement connect_string utf text_record text_ini xls_compound xls_biff"}
mkdir -p "$build/artifacts"
# Targets that need named files write one per input: in memory, a rewrite
# costs no disk flush.
if [ -z "${FUZZ_TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
    FUZZ_TMPDIR=/dev/shm
fi
[ -n "${FUZZ_TMPDIR:-}" ] && TMPDIR=$FUZZ_TMPDIR && export TMPDIR
case $mode in
short) limits="-runs=${FUZZ_RUNS:-20000} -max_total_time=${FUZZ_SECONDS:-5}" ;;
long) limits="-runs=${FUZZ_RUNS:-10000000} -max_total_time=${FUZZ_SECONDS:-0}" ;;
*) echo "usage: $0 <build dir> short|long [target...]" >&2; exit 2 ;;
esac
status=0
passed=0
failed=0
for target in $targets; do
    program="$build/bin/fuzz_$target"
    work="$build/corpus/$target"
    mkdir -p "$work"
    dict=""
    [ -f "$here/$target.dict" ] && dict="-dict=$here/$target.dict"
    [ "$target" = statement ] && dict="-dict=$here/sql.dict"
    log="$build/fuzz_$target.log"
    # shellcheck disable=SC2086
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:verify_asan_link_order=0 UBSAN_OPTIONS=print_stacktrace=1 \
        "$program" $limits $dict -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$build/artifacts/$target-" "$work" "$here/corpus/$target" >"$log" 2>&1
    rc=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    if [ $rc -eq 0 ]; then
        echo "fuzz_$target: ${runs:-?} runs, no crash"
        passed=$((passed + 1))
    else
        echo "fuzz_$target: FAILED after ${runs:-?} runs (log $log)"
        grep -E 'ERROR|SUMMARY|Test unit written' "$log" | head -5
        status=1
        failed=$((failed + 1))
    fi
done
echo "fuzz: $passed passed, $failed failed"
exit $status
