"""The Text driver's catalog answers and read path under pyodbc (and, where
a driver manager would serialise the calls, straight through the driver):
columns of every table, qualifiers, table options on defined tables,
guessed widths, long numbers, statistics and concurrent catalog calls."""
import ctypes
import decimal
import os
import threading

import pyodbc
import pytest

DRIVER = os.environ["KWTXT08_PATH"]
DATA = os.path.join(os.environ["KWTXT08_DATA"], "client")


def connect(folder, rest=""):
    text = "DRIVER=%s;Database=%s;FirstLineNames=1;%s" % (DRIVER, folder, rest)
    return pyodbc.connect(text, autocommit=True)


def write(folder, name, text):
    (folder / name).write_text(text)


def test_table_options_adjust_a_defined_table_instead_of_replacing_its_columns():
    connection = connect(DATA)
    cursor = connection.cursor()
    cursor.execute("SELECT * FROM PEOPLE (HeaderLine=0)")
    assert [column[0] for column in cursor.description] == ["name", "age"]
    assert [tuple(row) for row in cursor.fetchall()][:2] == [("Ann", 31), ("Bob", 42)]
    # A header line skips the first record and keeps the defined columns.
    cursor.execute("SELECT * FROM PEOPLE (HeaderLine=1)")
    assert [column[0] for column in cursor.description] == ["name", "age"]
    assert cursor.fetchone()[0] == "Bob"
    connection.close()
