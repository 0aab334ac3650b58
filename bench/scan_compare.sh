#!/bin/sh
# Generates 1,000,000 rows (id, name of 1,000 distinct values, amount with two
# decimals, ISO date) as a CSV file and as an SQLite table, then times
# "SELECT *" with bound columns through unixODBC for SQLite's ODBC driver and,
# when it is built, for the Text driver.
#
# Usage: bench/scan_compare.sh [build dir] [rows]
set -e
BUILD=${1:-build}
ROWS=${2:-1000000}
DIR=$BUILD/bench-data
SQLITE_DRIVER=/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so
TEXT_DRIVER=${TEXT_DRIVER:-$BUILD/lib/libKWTXT08.so}
mkdir -p "$DIR"

if [ ! -f "$DIR/sales.csv" ] || [ "$(wc -l < "$DIR/sales.csv")" -ne "$((ROWS + 1))" ]; then
    awk -v rows="$ROWS" 'BEGIN {
        print "id,name,amount,sold";
        srand(20261207);
        for (i = 1; i <= rows; i++) {
            day = 1 + (i * 7) % 28; month = 1 + (i * 5) % 12; year = 1990 + (i % 30);
            printf "%d,name%04d,%.2f,%04d-%02d-%02d\n", i, i % 1000, (i * 37 % 100000) / 100.0,
                   year, month, day;
        }
    }' > "$DIR/sales.csv"
    rm -f "$DIR/sales.db"
fi
if [ ! -f "$DIR/sales.db" ]; then
    sqlite3 "$DIR/sales.db" <<SQL
CREATE TABLE sales (id INTEGER, name VARCHAR(8), amount NUMERIC(10,2), sold DATE);
.mode csv
.import --skip 1 $DIR/sales.csv sales
SQL
fi

# The Text driver reads the file as its table definition describes it, the
# way a large file is set up in practice (guessing looks at the first rows).
cat > "$DIR/VXTXT.INI" <<INI
[Defined Tables]
sales.csv=SALES

[SALES]
FILE=sales.csv
FLN=1
TT=Comma
Charset=ANSI
FIELD1=id,NUMERIC,10,0,10,0,
FIELD2=name,VARCHAR,8,0,8,0,
FIELD3=amount,NUMERIC,10,2,12,0,
FIELD4=sold,DATE,10,0,10,0,yyyy-mm-dd
INI

ODBCSYSINI=$DIR ODBCINI=$DIR/odbc.ini
export ODBCSYSINI ODBCINI
: > "$DIR/odbcinst.ini"
: > "$DIR/odbc.ini"
"$BUILD/bin/bench_scan" "DRIVER=$SQLITE_DRIVER;Database=$DIR/sales.db" sales sqlite
if [ -f "$TEXT_DRIVER" ]; then
    "$BUILD/bin/bench_scan" "DRIVER=$(realpath "$TEXT_DRIVER");Database=$(realpath "$DIR")" \
        SALES text
fi
