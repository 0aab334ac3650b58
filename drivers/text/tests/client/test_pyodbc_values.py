"""Parameter values under pyodbc: each is converted to the type that its
place in the statement gives it, and exact numbers compare exactly."""
import decimal
import os

import pyodbc
import pytest

DRIVER = os.environ["KWTXT08_PATH"]
DATA = os.path.join(os.environ["KWTXT08_DATA"], "values")


@pytest.fixture
def cursor():
    connection = pyodbc.connect("DRIVER=%s;Database=%s" % (DRIVER, DATA), autocommit=True)
    yield connection.cursor()
    connection.close()


def column(cursor, sql, *params):
    return [row[0] for row in cursor.execute(sql, *params).fetchall()]


# ZIPS.zip is VARCHAR: '05', '5', 'A1'. An integer parameter beside it is
# the text "5".
def test_integer_parameter_beside_a_string_is_text(cursor):
    rows = cursor.execute("SELECT zip, zip + ? FROM ZIPS", 5).fetchall()
    assert [tuple(row) for row in rows] == [("05", "055"), ("5", "55"), ("A1", "A15")]
    assert column(cursor, "SELECT zip FROM ZIPS WHERE zip LIKE ?", 5) == ["5"]
    assert column(cursor, "SELECT zip FROM ZIPS WHERE zip = ?", 5) == ["5"]
    assert column(cursor, "SELECT zip FROM ZIPS WHERE ? = zip OR zip = ?", 1.5, 5) == ["5"]


def test_text_parameter_used_as_a_number_must_read_as_one(cursor):
    assert column(cursor, "SELECT zip FROM ZIPS WHERE LEN(zip) = ?", "2") == ["05", "A1"]
    with pytest.raises(pyodbc.Error) as raised:
        cursor.execute("SELECT zip FROM ZIPS WHERE LEN(zip) = ?", "two").fetchall()
    assert raised.value.args[0] == "22018"


# AMOUNTS holds 0.3, 0.7, 1.1 and 2.675 at scales 1 to 6 (s1 to s6).
@pytest.mark.parametrize("scale", range(1, 7))
def test_decimal_parameter_matches_the_same_numeric_value(cursor, scale):
    sql = "SELECT id FROM AMOUNTS WHERE s%d = ?" % scale
    assert column(cursor, sql, decimal.Decimal("0.3")) == ["a"]
    assert column(cursor, sql, decimal.Decimal("0.7")) == ["b"]
    assert column(cursor, sql, 1.1) == ["c"]
    greater = "SELECT id FROM AMOUNTS WHERE s%d > ?" % scale
    assert column(cursor, greater, decimal.Decimal("0.7")) == ["c", "d"]
