"""Parameterised statements from pyodbc, an ODBC 3 application, against the
test driver: values bound natively (the driver's "params" command reports
what it received as a warning, which pyodbc keeps in cursor.messages) and
substituted into the text (Params=text; "echo" shows the literals)."""
import os

import pyodbc
import pytest

DRIVER = os.environ["KWTST08_PATH"]


def connect(rest="", encoding="utf-8"):
    connection = pyodbc.connect("DRIVER=%s;DB=main;%s" % (DRIVER, rest), autocommit=True)
    if encoding:
        connection.setencoding(encoding=encoding)
    return connection


def report(cursor):
    """The text of the driver's last warning (the commands' warnings have
    no prefix)."""
    assert cursor.messages, "no warning"
    return cursor.messages[-1][1]


def test_values_of_each_python_type_reach_the_driver():
    connection = connect()
    cursor = connection.cursor()
    cursor.execute("params ? ? ? ?", "abc", 12, None, 2.5)
    assert report(cursor) == "1=abc 2=12 3=NULL 4=2.5"
    connection.close()


def test_wide_strings_arrive_as_text():
    connection = connect(encoding=None)
    cursor = connection.cursor()
    cursor.execute("params ?", "caf\u00e9")
    assert report(cursor) == "1=caf\u00e9"
    connection.close()


def test_executemany_runs_every_row():
    connection = connect()
    cursor = connection.cursor()
    cursor.executemany("params ? ?", [("a", 1), ("bb", 2), ("ccc", 3)])
    assert report(cursor) == "1=ccc 2=3"
    connection.close()


def test_long_values_go_through_data_at_execution():
    connection = connect()
    cursor = connection.cursor()
    value = "0123456789" * 500
    row = cursor.execute("paramrow ?", value).fetchone()
    assert row[0] == value
    connection.close()


def test_errors_name_the_parameter():
    connection = connect()
    cursor = connection.cursor()
    with pytest.raises(pyodbc.Error) as error:
        cursor.execute("error 61 ?", 1)
    assert error.value.args[0] == "HY000"
    connection.close()


def test_substituted_values_are_quoted_literals():
    connection = connect("Params=text")
    cursor = connection.cursor()
    cursor.execute("echo ?,?,?", "it's", 7, None)
    assert report(cursor) == "'it''s', 7 ,NULL"
    cursor.executemany("echo ?", [("a",), ("b",)])
    assert report(cursor) == "'b'"
    connection.close()


def test_escape_clauses_are_expanded_before_the_driver_sees_the_text():
    connection = connect()
    cursor = connection.cursor()
    cursor.execute("echo {fn UCASE(?)} {d '1995-07-04'}", "v")
    assert report(cursor) == " UCASE(?)  '1995-07-04'"
    with pytest.raises(pyodbc.Error) as error:
        cursor.execute("echo {d '95-7-4'}")
    assert "Invalid date escape" in str(error.value)
    connection.close()


def test_received_values_come_back_as_a_row():
    connection = connect()
    cursor = connection.cursor()
    row = cursor.execute("paramrow ? ? ?", "abc", 42, None).fetchone()
    assert tuple(row) == ("abc", "42", None)
    rows = cursor.execute("paramrow ?", "x").fetchall()
    assert [tuple(r) for r in rows] == [("x",)]
    connection.close()
