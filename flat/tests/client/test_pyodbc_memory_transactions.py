"""Manual-commit transactions on the in-memory test driver under pyodbc:
updates, deletes and the unique key of STAFF (Id) inside a transaction,
commit and rollback. Each connection has its own tables, seeded with
STAFF (1,'Ann',1000) (2,'Bob',2000) (3,'Cy',3000) (4,'Di',NULL)."""
import os

import pyodbc
import pytest

DRIVER = os.environ["KWMEM08_PATH"]
SEED = [(1, "Ann", 1000.0), (2, "Bob", 2000.0), (3, "Cy", 3000.0), (4, "Di", None)]


@pytest.fixture
def connection():
    connection = pyodbc.connect("DRIVER=%s" % DRIVER)  # autocommit off
    yield connection
    connection.close()


def staff(connection):
    cursor = connection.cursor()
    return sorted(tuple(r) for r in cursor.execute("SELECT Id, Name, Salary FROM Staff"))


def test_update_and_delete_show_at_once_and_vanish_at_rollback(connection):
    cursor = connection.cursor()
    cursor.execute("UPDATE Staff SET Salary = Salary + 1 WHERE Id <= 2")
    assert cursor.rowcount == 2
    cursor.execute("DELETE FROM Staff WHERE Id = 3")
    assert staff(connection) == [(1, "Ann", 1001.0), (2, "Bob", 2001.0), (4, "Di", None)]
    assert connection.cursor().execute(
        "SELECT Name FROM Staff WHERE Salary > 2000").fetchall()[0][0] == "Bob"
    connection.rollback()
    assert staff(connection) == SEED


def test_commit_applies_updates_inserts_and_deletes(connection):
    cursor = connection.cursor()
    cursor.execute("INSERT INTO Staff VALUES (5, 'Ed', 500)")
    # An update of a row inserted in the same transaction is applied to the
    # row the insert creates at commit.
    cursor.execute("UPDATE Staff SET Name = 'Eddy' WHERE Id = 5")
    # Updated twice, then deleted: deleted once.
    cursor.execute("UPDATE Staff SET Salary = 1 WHERE Id = 2")
    cursor.execute("UPDATE Staff SET Salary = 2 WHERE Id = 2")
    cursor.execute("DELETE FROM Staff WHERE Id = 2")
    cursor.execute("UPDATE Staff SET Name = 'Cyd' WHERE Id = 3")
    expected = [(1, "Ann", 1000.0), (3, "Cyd", 3000.0), (4, "Di", None), (5, "Eddy", 500.0)]
    assert staff(connection) == expected
    connection.commit()
    assert staff(connection) == expected
    connection.rollback()
    assert staff(connection) == expected


def test_unique_key_is_checked_inside_the_transaction(connection):
    cursor = connection.cursor()
    with pytest.raises(pyodbc.IntegrityError) as error:
        cursor.execute("INSERT INTO Staff VALUES (1, 'Twin', 0)")
    assert "Row with this primary key already exists in table." in str(error.value)
    cursor.execute("INSERT INTO Staff VALUES (7, 'Gil', 0)")
    with pytest.raises(pyodbc.IntegrityError):
        cursor.execute("INSERT INTO Staff VALUES (7, 'Gil again', 0)")
    with pytest.raises(pyodbc.IntegrityError):
        cursor.execute("UPDATE Staff SET Id = 7 WHERE Id = 4")
    # A key freed in the transaction can be taken again.
    cursor.execute("DELETE FROM Staff WHERE Id = 2")
    cursor.execute("INSERT INTO Staff VALUES (2, 'Bea', 0)")
    cursor.execute("UPDATE Staff SET Id = 30 WHERE Id = 3")
    cursor.execute("INSERT INTO Staff VALUES (3, 'Cal', 0)")
    with pytest.raises(pyodbc.IntegrityError):
        cursor.execute("INSERT INTO Staff VALUES (30, 'Cid', 0)")
    connection.commit()
    assert [r[0] for r in staff(connection)] == [1, 2, 3, 4, 7, 30]
    assert dict((r[0], r[1]) for r in staff(connection))[2] == "Bea"


def test_rowids_of_logged_rows_and_positioned_reads(connection):
    cursor = connection.cursor()
    cursor.execute("INSERT INTO Staff VALUES (8, 'Hal', 1)")
    rowid = cursor.execute("SELECT ROWID FROM Staff WHERE Id = 8").fetchone()[0]
    assert rowid > 5000000000
    connection.commit()
    rowid = cursor.execute("SELECT ROWID FROM Staff WHERE Id = 8").fetchone()[0]
    assert rowid == 5


def test_a_failing_commit_is_an_error_and_leaves_what_the_readme_says(connection):
    cursor = connection.cursor()
    cursor.execute("INSERT INTO Notes VALUES (1, 'kept back')")
    cursor.execute("INSERT INTO Staff VALUES (5, 'Ed', 1)")
    # Id may not be NULL: the table refuses the row when the log is
    # written to it.
    cursor.execute("INSERT INTO Staff (Name) VALUES ('Nobody')")
    with pytest.raises(pyodbc.Error) as error:
        connection.commit()
    assert "does not allow NULL" in str(error.value)
    # Staff (the table changed last, first in the connection's list) was
    # written up to the failing row; Notes, after it, was not written.
    assert [r[0] for r in staff(connection)] == [1, 2, 3, 4, 5]
    assert cursor.execute("SELECT COUNT(*) FROM Notes").fetchone()[0] == 0
    # The connection goes on with a new transaction.
    cursor.execute("INSERT INTO Notes VALUES (2, 'next')")
    connection.commit()
    assert cursor.execute("SELECT Id FROM Notes").fetchall()[0][0] == 2
