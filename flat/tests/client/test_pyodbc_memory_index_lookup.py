"""Reading STAFF by its unique key (Id) on the in-memory test driver under
pyodbc: ranges whose limits are parameters, ranges inside a transaction
(rows inserted, updated and deleted in it), LIKE ranges over the index on
Name, and joins whose inner side is read by key. Every query is run twice, read by key and with index lookups
turned off (VX_FLAT_NO_INDEX_LOOKUP=1), and must give the same rows.
Seed: STAFF (1,'Ann',1000) (2,'Bob',2000) (3,'Cy',3000) (4,'Di',NULL)."""
import os

import pyodbc
import pytest

DRIVER = os.environ["KWMEM08_PATH"]


@pytest.fixture
def connection():
    connection = pyodbc.connect("DRIVER=%s" % DRIVER)  # autocommit off
    yield connection
    connection.close()


def rows(connection, sql, *params):
    return sorted(tuple(r) for r in connection.cursor().execute(sql, *params).fetchall())


def both_ways(connection, sql, *params):
    """The rows read by key, checked against those of a scan."""
    by_key = rows(connection, sql, *params)
    os.environ["VX_FLAT_NO_INDEX_LOOKUP"] = "1"
    try:
        scanned = rows(connection, sql, *params)
    finally:
        del os.environ["VX_FLAT_NO_INDEX_LOOKUP"]
    assert by_key == scanned, sql
    return by_key


def ids(result):
    return [r[0] for r in result]


def test_parameters_are_limits_evaluated_at_each_execution(connection):
    cursor = connection.cursor()
    sql = "SELECT Id FROM Staff WHERE Id = ?"
    # The same prepared statement, executed with new values.
    for value, expected in [(3, [3]), (1, [1]), (2.5, []), (None, []), (10**12, []), (-7, [])]:
        assert ids(cursor.execute(sql, value).fetchall()) == expected, value
    assert ids(both_ways(connection, "SELECT Id FROM Staff WHERE Id > ? AND Id <= ?", 1, 3)) == [2, 3]
    assert ids(both_ways(connection, "SELECT Id FROM Staff WHERE Id BETWEEN ? AND ?", 2, 9)) == [
        2, 3, 4]
    assert ids(both_ways(connection, "SELECT Id FROM Staff WHERE Id < ?", 2.5)) == [1, 2]
    assert ids(both_ways(connection, "SELECT Id FROM Staff WHERE Id >= ?", 3.5)) == [4]
    assert ids(both_ways(connection, "SELECT Id FROM Staff WHERE Id < ?", 10**12)) == [1, 2, 3, 4]
    assert ids(both_ways(connection, "SELECT Id FROM Staff WHERE Id > ?", -10**12)) == [1, 2, 3, 4]
    assert ids(both_ways(connection, "SELECT Id FROM Staff WHERE Id > ?", None)) == []


def test_a_transaction_reads_its_own_rows_by_key(connection):
    cursor = connection.cursor()
    cursor.execute("INSERT INTO Staff VALUES (6, 'Fay', 600)")
    cursor.execute("INSERT INTO Staff VALUES (0, 'Zed', 0)")
    cursor.execute("DELETE FROM Staff WHERE Id = 2")
    # Moves a key from outside a range into it and out of another.
    cursor.execute("UPDATE Staff SET Id = 9 WHERE Id = 3")
    cursor.execute("UPDATE Staff SET Salary = 4 WHERE Id = 4")
    assert both_ways(connection, "SELECT Id, Salary FROM Staff WHERE Id > 1 AND Id < 7") == [
        (4, 4.0), (6, 600.0)]
    assert both_ways(connection, "SELECT Id, Name FROM Staff WHERE Id = 9") == [(9, "Cy")]
    assert both_ways(connection, "SELECT Id FROM Staff WHERE Id = 3") == []
    assert both_ways(connection, "SELECT Id FROM Staff WHERE Id = 2") == []
    assert ids(both_ways(connection, "SELECT Id FROM Staff WHERE Id <= 1")) == [0, 1]
    assert ids(both_ways(connection, "SELECT Id FROM Staff WHERE Id >= ?", 5)) == [6, 9]
    # Name has an index too: a name moved into a LIKE range comes, one
    # moved out of it does not.
    cursor.execute("UPDATE Staff SET Name = 'Mae' WHERE Id = 1")
    cursor.execute("INSERT INTO Staff VALUES (8, 'Mo', 8)")
    cursor.execute("UPDATE Staff SET Name = 'Zed' WHERE Id = 8")
    cursor.execute("INSERT INTO Staff VALUES (7, 'Mu', 7)")
    assert both_ways(connection, "SELECT Id, Name FROM Staff WHERE Name LIKE 'M%'") == [
        (1, "Mae"), (7, "Mu")]
    assert ids(both_ways(connection, "SELECT Id FROM Staff WHERE Name LIKE 'Z%'")) == [0, 8]
    cursor.execute("DELETE FROM Staff WHERE Id >= 7 AND Id <= 8")
    # A row inserted and deleted again in the transaction is gone.
    cursor.execute("DELETE FROM Staff WHERE Id = 6")
    assert ids(both_ways(connection, "SELECT Id FROM Staff WHERE Id > 4")) == [9]
    connection.commit()
    assert ids(both_ways(connection, "SELECT Id FROM Staff WHERE Id >= 0")) == [0, 1, 4, 9]
    assert ids(both_ways(connection, "SELECT Id FROM Staff WHERE Name LIKE 'Ma%'")) == [1]
    cursor.execute("INSERT INTO Staff VALUES (5, 'Eve', 5)")
    connection.rollback()
    assert ids(both_ways(connection, "SELECT Id FROM Staff WHERE Id BETWEEN 4 AND 5")) == [4]


def test_a_join_reads_its_inner_side_by_key_for_each_outer_row(connection):
    cursor = connection.cursor()
    for note in [(2, "two"), (4, "four"), (4, "four again"), (7, "none"), (None, "nil")]:
        cursor.execute("INSERT INTO Notes VALUES (?, ?)", *note)
    cursor.execute("INSERT INTO Staff VALUES (7, 'Gus', 7)")
    cursor.execute("DELETE FROM Staff WHERE Id = 4")
    assert both_ways(
        connection, "SELECT n.Text, s.Name FROM Notes n, Staff s WHERE s.Id = n.Id") == [
            ("none", "Gus"), ("two", "Bob")]
    assert both_ways(
        connection,
        "SELECT n.Text, s.Name FROM Notes n LEFT OUTER JOIN Staff s ON s.Id = n.Id") == [
            ("four", None), ("four again", None), ("nil", None), ("none", "Gus"), ("two", "Bob")]
    assert both_ways(
        connection, "SELECT n.Text, s.Id FROM Notes n, Staff s WHERE s.Id <= n.Id AND s.Id > ?",
        2) == [("four", 3), ("four again", 3), ("none", 3), ("none", 7)]
