#!/usr/bin/env bash
# Installs the build into a scratch prefix with a private unixODBC
# configuration, queries the samples through isql by the registered driver
# name (through the data-source template and DSN-less), uninstalls, and
# checks that no file and no registration is left. The machine's own
# /etc/odbcinst.ini and /etc/odbc.ini are neither read nor changed.
#
# Usage: install_test.sh <build folder> <source folder>
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
scratch=$build/test-tmp/install-test
prefix=$scratch/prefix
datadir=$prefix/share/brellmont-odbc

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

rm -rf "$scratch"
mkdir -p "$scratch/odbc" "$scratch/config"
touch "$scratch/odbc/odbc.ini"  # odbcinst adds data sources only to an existing file
export ODBCSYSINI=$scratch/odbc ODBCINSTINI=odbcinst.ini ODBCINI=$scratch/odbc/user.ini
export VX_CONFIG_DIR=$scratch/config TMPDIR=$scratch
unset LD_LIBRARY_PATH
odbcinst -j | grep -q "^DRIVERS\.*: $scratch/odbc/" \
    || fail "odbcinst does not use the private configuration"
machine() { cat /etc/odbcinst.ini /etc/odbc.ini 2> /dev/null | md5sum; }
before=$(machine)

cmake --install "$build" --prefix "$prefix" > "$scratch/install.log" \
    || { cat "$scratch/install.log"; fail "cmake --install"; }

driver=$prefix/lib/brellmont-odbc/libKWTXT08.so
[ -f "$driver" ] || fail "no $driver"
for library in "$prefix"/lib/brellmont-odbc/*.so; do
    readelf -d "$library" | grep -q 'R.*PATH.*\[\$ORIGIN\]' \
        || fail "$library has no RUNPATH \$ORIGIN"
done
odbcinst -q -d -n "Brellmont Text" | grep -qx "Driver=$driver" \
    || fail "\"Brellmont Text\" is not registered with $driver"

# A system data source from the installed template, queried by its name.
odbcinst -i -s -l -f "$datadir/odbc.ini" > /dev/null
out=$(echo "SELECT name FROM customers.csv WHERE id = 3" \
    | isql -b -v "Brellmont Text Samples") || fail "isql by data source: $out"
grep -q "Cedar, Pine and Co" <<< "$out" || fail "isql by data source: $out"

# DSN-less by the driver's registered name.
out=$(echo "SELECT COUNT(*) FROM orders.csv" \
    | isql -b -v -k "DRIVER={Brellmont Text};Database=$datadir/samples;FirstLineNames=1") \
    || fail "isql by driver name: $out"
grep -Eq "^\| *[1-9][0-9]* *\|" <<< "$out" || fail "isql by driver name: $out"

cmake -DPREFIX="$prefix" -P "$source/packaging/uninstall.cmake" > "$scratch/uninstall.log" \
    || { cat "$scratch/uninstall.log"; fail "uninstall"; }
if odbcinst -q -d -n "Brellmont Text" > /dev/null 2>&1; then
    fail "\"Brellmont Text\" is still registered"
fi
grep -q "Brellmont" "$scratch/odbc/odbcinst.ini" && fail "odbcinst.ini still names a driver"
left=$(find "$prefix" -mindepth 1 ! -type d)
[ -z "$left" ] || fail "left after uninstall: $left"
[ "$(machine)" = "$before" ] || fail "the machine's ODBC configuration changed"
echo "install, query by driver name, uninstall: ok"
