#!/bin/sh
# Runs Perl DBD::ODBC's own test suite (the t/ folder of its source) against
# the Text driver, on demand: "make client-suites" or
#   tools/client-suites.sh [build-dir]
#
# The source comes from Debian through "apt-get source" at run time (it is
# never kept in this repository), so apt needs a deb-src entry for the same
# release; "--add-sources" (as root) writes one. The suite runs twice over a
# fresh, empty database folder:
#   1. as distributed;
#   2. with the suite's shared fixture (t/ODBCTEST.pm) fitted to the Text
#      driver's dialect: its test table without PRIMARY KEY, which the
#      dialect has no syntax for; its "empty the table" as DROP TABLE and
#      CREATE TABLE, since rows of a text file cannot be deleted; and text
#      columns of at most 4000 characters where SQLGetTypeInfo's maximum
#      (65535) would make two of them longer than a record may be.
# The README lists the tests that cannot pass and why.
#
# pyodbc's own tests are not part of Debian's binary package, and its source
# package is not served to this machine, so they are not run here.
set -u

add_sources=0
if [ "${1:-}" = "--add-sources" ]; then
    add_sources=1
    shift
fi
build=$(cd "${1:-build}" && pwd) || exit 2
driver=$build/lib/libKWTXT08.so
[ -f "$driver" ] || { echo "no driver at $driver: build first" >&2; exit 2; }
command -v prove >/dev/null || { echo "prove (perl) is missing" >&2; exit 2; }
perl -MDBD::ODBC -e 1 2>/dev/null || { echo "DBD::ODBC (libdbd-odbc-perl) is missing" >&2; exit 2; }

if [ "$add_sources" = 1 ]; then
    list=/etc/apt/sources.list.d/client-suites-src.sources
    if ! grep -rqs "deb-src" /etc/apt/sources.list /etc/apt/sources.list.d/; then
        # The source twins of the binary entries apt already has.
        : > "$list"
        for f in /etc/apt/sources.list.d/*.sources; do
            [ -f "$f" ] && [ "$f" != "$list" ] &&
                sed 's/^Types: deb$/Types: deb-src/' "$f" >> "$list" && echo >> "$list"
        done
        if [ -f /etc/apt/sources.list ]; then
            grep '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' \
                > /etc/apt/sources.list.d/client-suites-src.list
        fi
    fi
    apt-get update -qq || exit 2
fi

work=$build/client-suites
rm -rf "$work"
mkdir -p "$work/fetch" "$work/config" "$work/tmp"
# The Debian changes are not needed (and may be missing): only the
# upstream tarball, which holds t/.
(cd "$work/fetch" && apt-get source --download-only libdbd-odbc-perl >../fetch.log 2>&1)
tarball=$(ls "$work"/fetch/libdbd-odbc-perl_*.orig.tar.gz 2>/dev/null | head -n 1)
if [ -z "$tarball" ]; then
    echo "DBD::ODBC's source could not be fetched (apt-get source libdbd-odbc-perl):" >&2
    tail -n 3 "$work/fetch.log" >&2
    echo "run with --add-sources as root to add a deb-src entry" >&2
    exit 2
fi
tar -xzf "$tarball" -C "$work/fetch"
source=$(ls -d "$work"/fetch/DBD-ODBC-*/ | head -n 1)

cp -r "$source" "$work/as-distributed"
cp -r "$source" "$work/fitted"
perl -0pi -e '
    s/\$fields \.= " NOT NULL PRIMARY KEY ";/\$fields .= " NOT NULL ";/ or die "fixture: key";
    s/\$dbh->do\("DELETE FROM \$table_name"\);/\$dbh->do("DROP TABLE \$table_name"); tab_create(\$dbh);/ or die "fixture: delete";
    s/\$fields \.= \x27\(\x27 \. \$row->\{PRECISION\} \. \x27\)\x27;/\$fields .= "(" . (\$row->{PRECISION} > 4000 ? 4000 : \$row->{PRECISION}) . ")";/ or die "fixture: width";
' "$work/fitted/t/ODBCTEST.pm" || exit 2

# One run of the suite over an empty folder, a prove per test file (one
# file's BAIL_OUT would stop a single prove of them all); prints a line per
# file that did not pass whole, and the counts.
run() {
    name=$1
    data=$work/data-$name
    rm -rf "$data"
    mkdir -p "$data"
    : >"$work/$name.log"
    for test in "$work/$name"/t/*.t; do
        (cd "$work/$name" &&
            DBI_DSN="dbi:ODBC:DRIVER=$driver;Database=$data;FirstLineNames=1" DBI_USER= DBI_PASS= \
            ODBCSYSINI="$work/config" VX_CONFIG_DIR="$work/config" TMPDIR="$work/tmp" \
            prove "t/$(basename "$test")" >>"$work/$name.log" 2>&1)
    done
    perl -e '
        my ($name, $log) = @ARGV;
        open my $f, "<", $log or die;
        my ($files, $clean, $skipped, $tests, $failed, $unrun) = (0) x 6;
        my ($file, $skip, @bad);
        while (<$f>) {
            $file = $1 if /^(t\/\S+) \.+/;
            $skip = 0 if /^(t\/\S+) \.+/;
            $skip = 1 if /^t\/\S+ \.+ skipped/;
            if (/^\s+Failed tests?:\s*(.*)/) {
                for my $r (split /,\s*/, $1) {
                    my ($a, $b) = split /-/, $r;
                    $failed += defined $b ? $b - $a + 1 : 1;
                }
            }
            $unrun += $1 - $2 if /You planned (\d+) tests but ran (\d+)/;
            $tests += $1 if /^Files=\d+, Tests=(\d+)/;
            if (/^Result: (\w+)/) {
                $files++;
                if ($1 eq "FAIL") { push @bad, $file } else { $clean++; $skipped += $skip }
            }
        }
        printf "%s: %d test files: %d pass (%d of them skipped whole), %d fail: %s\n",
            $name, $files, $clean, $skipped, scalar @bad, join(" ", @bad);
        printf "%s: %d passed, %d failed (and %d planned tests not reached)\n",
            $name, $tests - $failed, $failed, $unrun;
    ' "$name" "$work/$name.log"
}

run as-distributed
run fitted
echo "logs: $work/as-distributed.log $work/fitted.log"
