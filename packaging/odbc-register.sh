#!/bin/sh
# Registers the installed Brellmont ODBC drivers with unixODBC, or removes
# their registration. "make install", "make uninstall" and the Debian
# package's maintainer scripts all go through here.
#
# Usage: odbc-register.sh register|unregister [driver template]
#
# The driver template (odbcinst.ini beside this script unless given) has one
# section per driver, named as applications name the driver ("Brellmont
# Text"), with the installed library as Driver and Setup. odbcinst writes the
# driver manager's own configuration: /etc/odbcinst.ini, or the file that
# ODBCSYSINI and ODBCINSTINI name.
#
# A driver is registered once, whatever was there before: registering again
# (a second "make install", a package upgrade) replaces the entry instead of
# raising its usage count, and unregistering removes it whatever its count.
set -eu

usage() {
    echo "usage: $0 register|unregister [driver template]" >&2
    exit 2
}

[ $# -ge 1 ] || usage
action=$1
template=${2:-$(dirname "$0")/odbcinst.ini}

if ! command -v odbcinst > /dev/null 2>&1; then
    echo "$0: odbcinst is missing (Debian package odbcinst); drivers not ${action}ed" >&2
    exit 1
fi
if [ ! -r "$template" ]; then
    echo "$0: no driver template $template" >&2
    exit 1
fi

# The section names of the template, one a line.
names=$(sed -n 's/^[[:space:]]*\[\(.*\)\][[:space:]]*$/\1/p' "$template")

# Removes every registration of a driver name. odbcinst -u lowers the usage
# count and drops the entry at zero; the loop is bounded in case odbcinst
# cannot write the file.
remove_driver() {
    tries=0
    while odbcinst -q -d -n "$1" > /dev/null 2>&1; do
        tries=$((tries + 1))
        if [ $tries -gt 100 ]; then
            echo "$0: cannot remove the driver \"$1\"" >&2
            return 1
        fi
        odbcinst -u -d -n "$1" > /dev/null
    done
}

case $action in
register)
    echo "$names" | while IFS= read -r name; do
        [ -z "$name" ] || remove_driver "$name" || exit 1
    done
    odbcinst -i -d -f "$template" > /dev/null
    echo "$names" | while IFS= read -r name; do
        [ -n "$name" ] || continue
        if ! odbcinst -q -d -n "$name" > /dev/null 2>&1; then
            echo "$0: the driver \"$name\" was not registered" >&2
            exit 1
        fi
        echo "registered ODBC driver \"$name\""
    done
    ;;
unregister)
    echo "$names" | while IFS= read -r name; do
        [ -n "$name" ] || continue
        remove_driver "$name" || exit 1
        echo "unregistered ODBC driver \"$name\""
    done
    ;;
*)
    usage
    ;;
esac
