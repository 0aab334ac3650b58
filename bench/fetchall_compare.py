"""pyodbc fetchall of the 1,000,000-row table of bench/scan_compare.sh through
SQLite's ODBC driver and the Text driver, one after the other, and how much of
it is Python building the row values (Decimal, date, int, str) alone.

Run by hand after bench/scan_compare.sh has made the data:
    /usr/bin/python3 bench/fetchall_compare.py [build dir]
"""
import datetime
import decimal
import os
import sys
import time

import pyodbc

BUILD = sys.argv[1] if len(sys.argv) > 1 else "build"
DATA = os.path.realpath(os.path.join(BUILD, "bench-data"))
os.environ["ODBCSYSINI"] = DATA
os.environ["ODBCINI"] = os.path.join(DATA, "odbc.ini")
SOURCES = [
    ("sqlite", "DRIVER=/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so;Database="
     + os.path.join(DATA, "sales.db"), "sales"),
    ("text", "DRIVER=" + os.path.realpath(os.path.join(BUILD, "lib", "libKWTXT08.so"))
     + ";Database=" + DATA, "SALES"),
]


def fetch_all(connection_string, table, columns="*"):
    connection = pyodbc.connect(connection_string, autocommit=True)
    cursor = connection.cursor()
    started = time.perf_counter()
    cursor.execute("SELECT " + columns + " FROM " + table)
    rows = cursor.fetchall()
    elapsed = time.perf_counter() - started
    connection.close()
    return rows, elapsed


def rebuild(rows):
    """Builds each column's Python values again from their text with the
    type's own constructor (as pyodbc does for Decimal; ints, floats and
    dates it makes from binary values, which costs about the same) and
    times that alone, per type."""
    times = {}
    for column in range(len(rows[0])):
        kind = type(rows[0][column])
        texts = [str(row[column]) for row in rows]
        make = {decimal.Decimal: decimal.Decimal, int: int, float: float,
                datetime.date: datetime.date.fromisoformat, str: str}[kind]
        started = time.perf_counter()
        list(map(make, texts))
        times[kind.__name__] = times.get(kind.__name__, 0) + time.perf_counter() - started
    return times


def value_cost(rows, types):
    """Seconds Python takes to build each column of `rows` as `types` from
    the text of its values."""
    total = 0.0
    for column, kind in enumerate(types):
        texts = [str(row[column]) for row in rows]
        make = {"Decimal": decimal.Decimal, "int": lambda t: int(t.split(".")[0]),
                "float": float, "date": datetime.date.fromisoformat, "str": str}[kind]
        started = time.perf_counter()
        list(map(make, texts))
        total += time.perf_counter() - started
    return total


results = {}
for label, connection_string, table in SOURCES:
    rows, elapsed = fetch_all(connection_string, table)
    values = rebuild(rows)
    types = [type(v).__name__ for v in rows[0]]
    results[label] = (rows, elapsed, types)
    print("%-7s fetchall %d rows %.3f s; types %s; building the values alone: %s"
          % (label, len(rows), elapsed, types,
             ", ".join("%s %.3f s" % item for item in sorted(values.items()))))

# The Text driver has no binary numeric column types: on the same column
# types as SQLite's, its time is estimated by swapping the cost of
# building its values for the cost of building SQLite's types from them.
if "text" in results and "sqlite" in results:
    rows, elapsed, types = results["text"]
    other = results["sqlite"][2]
    if len(other) == len(types) and other != types:
        own = value_cost(rows, types)
        theirs = value_cost(rows, other)
        print("text    on sqlite's types %s: about %.3f s (%.3f s building %s, %.3f s as %s)"
              % (other, elapsed - own + theirs, own, types, theirs, other))

# The columns both drivers give pyodbc as the same types (str and date):
# the driver's own share compared directly.
for label, connection_string, table in SOURCES:
    best = min(fetch_all(connection_string, table, "name, sold")[1] for _ in range(3))
    print("%-7s fetchall of name, sold (str, date): best of 3 %.3f s" % (label, best))
