#!/usr/bin/python3
"""Times pyodbc's executemany inserting the same rows (id, name, amount with
two decimals, date) into a new text table through the Text driver and into
a new SQLite table through SQLite's ODBC driver: both in autocommit mode
(SQLite then commits, and syncs its file, after every row), and SQLite once
more with the rows in one transaction.

Usage: /usr/bin/python3 bench/insert_compare.py [build dir] [rows] [--no-autocommit-sqlite]"""
import datetime
import decimal
import os
import shutil
import sys
import time

import pyodbc

BUILD = sys.argv[1] if len(sys.argv) > 1 else "build"
ROWS = int(sys.argv[2]) if len(sys.argv) > 2 and sys.argv[2].isdigit() else 100000
TEXT_DRIVER = os.path.abspath(os.path.join(BUILD, "lib", "libKWTXT08.so"))
SQLITE_DRIVER = "/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so"
DATA = os.path.abspath(os.path.join(BUILD, "bench-insert"))

ROWS_DATA = [(i, "name%04d" % (i % 1000), decimal.Decimal(i * 37 % 100000) / 100,
              datetime.date(1990 + i % 30, 1 + i * 5 % 12, 1 + i * 7 % 28))
             for i in range(1, ROWS + 1)]


def timed(connection_string, create, autocommit=True):
    connection = pyodbc.connect(connection_string, autocommit=True)
    cursor = connection.cursor()
    cursor.execute(create)
    connection.autocommit = autocommit
    start = time.perf_counter()
    cursor.executemany("INSERT INTO sales VALUES (?, ?, ?, ?)", ROWS_DATA)
    if not autocommit:
        connection.commit()
    elapsed = time.perf_counter() - start
    connection.close()
    return elapsed


shutil.rmtree(DATA, ignore_errors=True)
os.makedirs(DATA)
text = timed("DRIVER=%s;Database=%s" % (TEXT_DRIVER, DATA),
             "CREATE TABLE sales (id NUMERIC(8,0), name VARCHAR(8), amount NUMERIC(10,2), "
             "sold DATE)")
SQLITE_CREATE = "CREATE TABLE sales (id INTEGER, name VARCHAR(8), amount NUMERIC(10,2), sold DATE)"
print("executemany of %d rows: Text driver %.2f s" % (ROWS, text))
if "--no-autocommit-sqlite" not in sys.argv:
    sqlite = timed("DRIVER=%s;Database=%s" % (SQLITE_DRIVER, os.path.join(DATA, "sales.db")),
                   SQLITE_CREATE)
    print("  SQLite ODBC driver, autocommit: %.2f s" % sqlite)
sqlite = timed("DRIVER=%s;Database=%s" % (SQLITE_DRIVER, os.path.join(DATA, "sales1.db")),
               SQLITE_CREATE, autocommit=False)
print("  SQLite ODBC driver, one transaction: %.2f s" % sqlite)
