#!/bin/sh
# CPU seconds (user and system) of the ORDER BY, DISTINCT
# and GROUP BY queries of query_compare.sh, each through SQLite's ODBC
# driver and the Text driver one after the other. The machine is shared, so
# CPU time says more than the elapsed time bench_scan prints. Run
# scan_compare.sh (or query_compare.sh) once first: it makes the data.
#
# Usage: bench/sort_compare.sh [build dir] [which: order|distinct|group|all]
set -e
BUILD=${1:-build}
WHICH=${2:-all}
DIR=$BUILD/bench-data
SQLITE_DRIVER=/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so
TEXT_DRIVER=${TEXT_DRIVER:-$BUILD/lib/libKWTXT08.so}
ODBCSYSINI=$DIR ODBCINI=$DIR/odbc.ini
export ODBCSYSINI ODBCINI
timed() {
    what=$1
    shift
    python3 - "$what" "$@" <<'PY'
import resource, subprocess, sys
subprocess.run(sys.argv[2:], stdout=subprocess.DEVNULL, check=True)
used = resource.getrusage(resource.RUSAGE_CHILDREN)
print("%s cpu %.2f user %.2f system" % (sys.argv[1], used.ru_utime, used.ru_stime))
PY
}
run() {
    label=$1
    query=$2
    timed "sqlite $label" "$BUILD/bin/bench_scan" "DRIVER=$SQLITE_DRIVER;Database=$DIR/sales.db" \
        "$(echo "$query" | sed 's/@T/sales/')"
    timed "text   $label" "$BUILD/bin/bench_scan" \
        "DRIVER=$(realpath "$TEXT_DRIVER");Database=$(realpath "$DIR")" \
        "$(echo "$query" | sed 's/@T/SALES/')"
}
case $WHICH in order | all) run order "SELECT * FROM @T ORDER BY amount DESC" ;; esac
case $WHICH in distinct | all) run distinct "SELECT DISTINCT name FROM @T" ;; esac
case $WHICH in group | all)
    run group "SELECT name, COUNT(*), SUM(amount) FROM @T WHERE amount > 500 GROUP BY name" ;;
esac
