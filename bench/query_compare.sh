#!/bin/sh
# Times the plain scan (through scan_compare.sh, which also builds the data)
# and then ORDER BY, DISTINCT and GROUP BY over the same 1,000,000 rows, each
# through SQLite's ODBC driver and the Text driver one after the other.
#
# Usage: bench/query_compare.sh [build dir] [rows]
set -e
BUILD=${1:-build}
ROWS=${2:-1000000}
DIR=$BUILD/bench-data
SQLITE_DRIVER=/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so
TEXT_DRIVER=${TEXT_DRIVER:-$BUILD/lib/libKWTXT08.so}
"$(dirname "$0")/scan_compare.sh" "$BUILD" "$ROWS"

ODBCSYSINI=$DIR ODBCINI=$DIR/odbc.ini
export ODBCSYSINI ODBCINI
run() {
    label=$1
    query=$2
    "$BUILD/bin/bench_scan" "DRIVER=$SQLITE_DRIVER;Database=$DIR/sales.db" \
        "$(echo "$query" | sed 's/@T/sales/')" "sqlite $label"
    "$BUILD/bin/bench_scan" "DRIVER=$(realpath "$TEXT_DRIVER");Database=$(realpath "$DIR")" \
        "$(echo "$query" | sed 's/@T/SALES/')" "text $label"
}
run order "SELECT * FROM @T ORDER BY amount DESC"
run distinct "SELECT DISTINCT name FROM @T"
run group "SELECT name, COUNT(*), SUM(amount) FROM @T WHERE amount > 500 GROUP BY name"
