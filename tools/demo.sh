#!/usr/bin/env bash
# The job of "make demo": registers the Text driver in a private unixODBC
# configuration under the build folder, with a data source over samples/,
# and runs a few queries through isql. The Excel 5 driver is registered
# beside it, with a data source over the sample workbook samples/sales.xls.
#
# Usage: tools/demo.sh [build folder]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-build}" && pwd)
driver=$build/lib/libKWTXT08.so
excel_driver=$build/lib/libKWXLS508.so
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
