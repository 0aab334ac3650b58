#!/bin/sh
# Times equi-joins of the 1,000,000-row sales file with a 1,000-row stores
# file (one store per sales name), through SQLite's ODBC driver and the
# Text driver one after the other on the same data: the big table first,
# the small table first, a filter on the small table, and left outer
# joins with either table inside. Every query returns all its rows to the client (bench_scan).
#
# Set VX_FLAT_PLAN_FILE to a file name to collect the Text driver's plan
# of each query with its cost estimates.
#
# Usage: bench/join_compare.sh [build dir] [rows]
set -e
BUILD=${1:-build}
ROWS=${2:-1000000}
DIR=$BUILD/bench-data
SQLITE_DRIVER=/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so
TEXT_DRIVER=${TEXT_DRIVER:-$BUILD/lib/libKWTXT08.so}

# The sales rows and their table definition (this also times the scan).
"$(dirname "$0")/scan_compare.sh" "$BUILD" "$ROWS"

if [ ! -f "$DIR/stores.csv" ]; then
    awk 'BEGIN {
        print "name,region,opened";
        for (i = 0; i < 1000; i++)
            printf "name%04d,region%d,%d\n", i, i % 10, 1990 + i % 30;
    }' > "$DIR/stores.csv"
fi
if [ "$(sqlite3 "$DIR/sales.db" "SELECT count(*) FROM sqlite_master WHERE name = 'stores'")" = 0 ]; then
    sqlite3 "$DIR/sales.db" <<SQL
CREATE TABLE stores (name VARCHAR(8), region VARCHAR(8), opened INTEGER);
.mode csv
.import --skip 1 $DIR/stores.csv stores
SQL
fi
if ! grep -q '^\[STORES\]' "$DIR/VXTXT.INI"; then
    sed -i 's/^sales.csv=SALES$/sales.csv=SALES\nstores.csv=STORES/' "$DIR/VXTXT.INI"
    cat >> "$DIR/VXTXT.INI" <<INI

[STORES]
FILE=stores.csv
FLN=1
TT=Comma
Charset=ANSI
FIELD1=name,VARCHAR,8,0,8,0,
FIELD2=region,VARCHAR,8,0,8,0,
FIELD3=opened,NUMERIC,4,0,4,0,
INI
fi

ODBCSYSINI=$DIR ODBCINI=$DIR/odbc.ini
export ODBCSYSINI ODBCINI
run() {
    label=$1
    query=$2
    "$BUILD/bin/bench_scan" "DRIVER=$SQLITE_DRIVER;Database=$DIR/sales.db" \
        "$(echo "$query" | sed 's/@S/sales/; s/@T/stores/')" "sqlite $label"
    "$BUILD/bin/bench_scan" "DRIVER=$(realpath "$TEXT_DRIVER");Database=$(realpath "$DIR")" \
        "$(echo "$query" | sed 's/@S/SALES/; s/@T/STORES/')" "text $label"
}
run "join big,small" \
    "SELECT s.id, s.amount, t.region FROM @S s, @T t WHERE s.name = t.name"
run "join small,big" \
    "SELECT s.id, s.amount, t.region FROM @T t, @S s WHERE t.name = s.name"
run "join filtered" \
    "SELECT s.id, s.amount, t.opened FROM @S s, @T t WHERE s.name = t.name AND t.region = 'region3'"
run "join left outer" \
    "SELECT s.id, s.amount, t.region FROM @S s LEFT OUTER JOIN @T t ON s.name = t.name"
run "join small left outer big" \
    "SELECT s.id, s.amount, t.region FROM @T t LEFT OUTER JOIN @S s ON t.name = s.name"
