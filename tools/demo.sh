#!/usr/bin/env bash
# The job of "make demo": registers the Text driver in a private unixODBC
# configuration under the build folder, with a data source over samples/,
# and runs a few queries through isql. The Excel 5 driver is registered
# beside it, with a data source over the sample workbook samples/sales.xls.
# The SQL Server driver is shown against the TDS test server of its tests,
# started on a loopback port for the demo and stopped after it.
#
# Usage: tools/demo.sh [build folder]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" && pwd)
driver=$build/lib/libKWTXT08.so
excel_driver=$build/lib/libKWXLS508.so
sqlserver_driver=$build/lib/libKWSS08.so
tds_server=$root/drivers/sqlserver/tests/tdsserver/tdsserver.py
samples=$root/samples
config=$build/demo-odbc

if [ ! -f "$driver" ]; then
    echo "demo: $driver is missing; build first (make build)" >&2
    exit 1
fi
if ! command -v isql > /dev/null; then
    echo "demo: isql is missing; install unixODBC's tools (make deps)" >&2
    exit 1
fi

# The driver and the data source, in files of the demo's own: nothing of
# the user's ODBC configuration is read or changed.
mkdir -p "$config"
cat > "$config/odbcinst.ini" <<INI
[KWTXT08]
Description = Brellmont ODBC Text driver
Driver = $driver

[KWXLS508]
Description = Brellmont ODBC Excel 5 driver
Driver = $excel_driver

[KWSS08]
Description = Brellmont ODBC SQL Server driver
Driver = $sqlserver_driver
INI
cat > "$config/odbc.ini" <<INI
[Samples]
Description = The sample text files
Driver = KWTXT08
Database = $samples
FirstLineNames = 1
ExtraExtensions = csv,tab,dat

[Workbook]
Description = The sample workbook (its named ranges are tables)
Driver = KWXLS508
Database = $samples/sales.xls
CharacterLengthGuessing = 1
INI
export ODBCSYSINI=$config ODBCINSTINI=odbcinst.ini ODBCINI=$config/odbc.ini
export VX_CONFIG_DIR=$config

run() {
    echo
    echo "== $1"
    echo "   $2"
    printf '%s\n' "$2" | isql -v -b "${3:-Samples}"
}

echo "Data source 'Samples': the text files of $samples"
echo "(CSV files with a header line, a tab file, a fixed-width file described in VXTXT.INI)"

run "Three CSV files joined: what each customer ordered since 10 March, and its value" \
    "SELECT c.name, c.city, o.order_id, p.description, o.quantity * p.price FROM customers.csv c, orders.csv o, products.csv p WHERE c.id = o.customer_id AND o.product = p.code AND o.ordered >= {d '2026-03-10'}"

run "The fixed-width file, read by the offsets and the date mask of VXTXT.INI" \
    "SELECT badge, name, joined FROM STAFF WHERE department = 'Engineering' OR joined > {d '2000-01-01'}"

run "The tab file, with its delimiter given as a table option" \
    "SELECT station, taken, celsius FROM readings.tab (Delimiter=TAB) WHERE celsius BETWEEN -5 AND 8"

if [ -f "$excel_driver" ]; then
    echo
    echo "Data source 'Workbook': the Excel 5 workbook $samples/sales.xls"
    echo "(written by gnumeric; its named range Sales is a table)"
    run "The range Sales of the workbook: sales per region, with the first and last sale" \
        "SELECT Region, SUM(Units * Price), MIN(Sold), MAX(Sold) FROM Sales GROUP BY Region" Workbook
else
    echo
    echo "demo: $excel_driver is missing; the workbook data source is skipped" >&2
fi

if [ -f "$sqlserver_driver" ] && [ -f "$tds_server" ] && [ -x /usr/bin/python3 ]; then
    # A TDS server over SQLite with one table, on a free loopback port.
    cat > "$config/sqlserver-init.sql" <<SQL
create table orders (id int, customer varchar(20), amount money, ordered datetime)
GO
insert into orders values (1, 'Ada', 120.50, '2026-03-09 10:15:00')
insert into orders values (2, 'Brian', 80.00, '2026-03-11 16:40:00')
insert into orders values (3, 'Ada', 42.25, '2026-03-12 09:05:00')
GO
SQL
    rm -f "$config/sqlserver-port"
    /usr/bin/python3 "$tds_server" --port-file "$config/sqlserver-port" \
        --init-sql "$config/sqlserver-init.sql" --transcript "$config/sqlserver-transcript.jsonl" \
        > /dev/null &
    tds_pid=$!
    trap 'kill $tds_pid 2> /dev/null' EXIT
    for _ in $(seq 100); do [ -s "$config/sqlserver-port" ] && break; sleep 0.1; done
    printf '[global]\n\ttds version = 7.4\n' > "$config/freetds.conf"
    export FREETDSCONF=$config/freetds.conf
    cat >> "$config/odbc.ini" <<INI

[SqlServer]
Description = The TDS test server of the SQL Server driver's tests
Driver = KWSS08
ServerName = 127.0.0.1:$(cat "$config/sqlserver-port")
LogonID = demo
Password = demo
INI
    echo
    echo "Data source 'SqlServer': the SQL Server driver over FreeTDS's DB-Library,"
    echo "against the tests' TDS server (TDS 7.4) on 127.0.0.1:$(cat "$config/sqlserver-port")"
    run "Orders since 10 March per customer, the date and the function written as ODBC escapes" \
        "SELECT {fn UCASE(customer)}, SUM(amount) FROM orders WHERE ordered >= {d '2026-03-10'} GROUP BY customer" SqlServer
    echo
    echo "   what the server received:"
    grep '"batch"' "$config/sqlserver-transcript.jsonl" | grep -i 'orders' | tail -1 \
        | sed 's/.*"sql": "\([^"]*\)".*/   \1/'
else
    echo
    echo "demo: $sqlserver_driver is missing; the SQL Server data source is skipped" >&2
fi
