"""Result sets of the test driver under pyodbc, an ODBC 3 application: the
driver manager turns its fetches into SQLExtendedFetch calls and its
column attributes into SQLColAttributes."""
import os

import pyodbc

DRIVER = os.environ["KWTST08_PATH"]
ROWS = "column id INTEGER 10; column name VARCHAR 20; rows 25"


def connect():
    return pyodbc.connect("DRIVER=%s;DB=main" % DRIVER, autocommit=True)


def test_fetchone_fetchmany_fetchall_walk_the_result_set():
    connection = connect()
    cursor = connection.cursor()
    cursor.execute(ROWS)
    assert [column[0] for column in cursor.description] == ["id", "name"]
    first = cursor.fetchone()
    assert (first.id, first.name) == (1, "row 1")
    many = cursor.fetchmany(10)
    assert [row.id for row in many] == list(range(2, 12))
    rest = cursor.fetchall()
    assert [row[1] for row in rest] == ["row %d" % i for i in range(12, 26)]
    assert cursor.fetchone() is None
    connection.close()


def test_values_of_several_types_and_nulls():
    connection = connect()
    cursor = connection.cursor()
    cursor.execute("column d DATE; column n DECIMAL 7 2; column f DOUBLE; column b VARBINARY 4; "
                   "column t VARCHAR 10; row 1995-07-04|-12.50|2.5|x:0A1B|NULL")
    row = cursor.fetchone()
    assert str(row[0]) == "1995-07-04"
    assert str(row[1]) == "-12.50"
    assert row[2] == 2.5
    assert bytes(row[3]) == b"\x0a\x1b"
    assert row[4] is None
    connection.close()


def test_long_text_arrives_whole():
    connection = connect()
    cursor = connection.cursor()
    text = "abcdefghij" * 300
    cursor.execute("column t LONGVARCHAR 5000; row " + text)
    assert cursor.fetchone()[0] == text
    connection.close()


def test_nextset_moves_to_the_following_result_set():
    connection = connect()
    cursor = connection.cursor()
    cursor.execute("column a INTEGER; row 1; nextresult; column b VARCHAR 5; row x; row y")
    assert cursor.fetchall()[0][0] == 1
    assert cursor.nextset()
    assert [row[0] for row in cursor.fetchall()] == ["x", "y"]
    assert not cursor.nextset()
    connection.close()
