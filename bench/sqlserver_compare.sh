#!/bin/sh
# Times "select * from vx_replay" (100,000 rows of seven columns: int,
# varchar, smallint, float, money, datetime and a varchar that is NULL in one
# row of four) with bound columns through unixODBC, once through this
# project's SQL Server driver and once through FreeTDS's own ODBC driver
# (tdsodbc), from the same TDS test server. The server replays pre-encoded
# rows, so that what is measured is the client side. FreeTDS speaks TDS 7.4
# with 4 KB packets, configured by a freetds.conf of the bench's own.
# The Python server is slower than either client, so each run also shows the
# client process's own CPU time (user and system), which is what the two
# drivers spend.
#
# Usage: bench/sqlserver_compare.sh [build dir] [rows] [runs]
set -e
BUILD=${1:-build}
ROWS=${2:-100000}
RUNS=${3:-3}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
DIR=$BUILD/bench-data/sqlserver
SS_DRIVER=${SS_DRIVER:-$BUILD/lib/libKWSS08.so}
TDS_DRIVER=/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so
mkdir -p "$DIR"
DIR=$(cd "$DIR" && pwd)

cat > "$DIR/freetds.conf" <<CONF
[global]
	tds version = 7.4
	client charset = UTF-8
	initial block size = 4096
CONF
export FREETDSCONF=$DIR/freetds.conf TDSVER=7.4
export ODBCSYSINI=$DIR ODBCINSTINI=odbcinst.ini ODBCINI=$DIR/odbc.ini
: > "$DIR/odbcinst.ini"
: > "$DIR/odbc.ini"

rm -f "$DIR/port"
/usr/bin/python3 "$ROOT/drivers/sqlserver/tests/tdsserver/tdsserver.py" \
    --port-file "$DIR/port" --replay-rows "$ROWS" > /dev/null &
SERVER=$!
trap 'kill $SERVER 2> /dev/null' EXIT
for _ in $(seq 100); do [ -s "$DIR/port" ] && break; sleep 0.1; done
PORT=$(cat "$DIR/port")

TIME="/usr/bin/time -f %U+%Ss_cpu"
for run in $(seq "$RUNS"); do
    $TIME "$BUILD/bin/bench_scan" \
        "DRIVER=$SS_DRIVER;Server=127.0.0.1;Port=$PORT;UID=sa;PWD=x" \
        "select * from vx_replay" "KWSS08 (run $run)"
    $TIME "$BUILD/bin/bench_scan" \
        "DRIVER=$TDS_DRIVER;Server=127.0.0.1;Port=$PORT;UID=sa;PWD=x;TDS_Version=7.4;ClientCharset=UTF-8" \
        "select * from vx_replay" "tdsodbc (run $run)"
done
