"""The catalog functions and SQLGetInfo of the test driver under pyodbc, an
ODBC 3 application: the driver manager passes ODBC 3 information types and
type codes through to the ODBC 2 driver, which answers them as the matching
ODBC 2 request would."""
import os

import pyodbc
import pytest

DRIVER = os.environ["KWTST08_PATH"]


@pytest.fixture
def connection():
    connection = pyodbc.connect("DRIVER=%s;DB=main" % DRIVER, autocommit=True)
    yield connection
    connection.close()


def rows(cursor, width=None):
    return [tuple(row)[:width] for row in cursor.fetchall()]


def test_tables_lists_the_data_source_in_order(connection):
    cursor = connection.cursor()
    assert rows(cursor.tables()) == [
        ("main", "dbo", "DEPT", "TABLE", None),
        ("main", "dbo", "EMP", "TABLE", "Employees"),
        ("main", "dbo", "EMP_VIEW", "VIEW", None),
    ]
    assert [d[0] for d in cursor.description] == [
        "table_qualifier", "table_owner", "table_name", "table_type", "remarks"]
    assert rows(cursor.tables(tableType="VIEW"), 3) == [("main", "dbo", "EMP_VIEW")]
    assert rows(cursor.tables(table="D%"), 3) == [("main", "dbo", "DEPT")]
    assert rows(cursor.tables(table="nothing")) == []


def test_columns_for_one_table_and_for_a_pattern(connection):
    cursor = connection.cursor()
    assert rows(cursor.columns(table="EMP"), 12) == [
        ("main", "dbo", "EMP", "EMP_ID", 4, "INTEGER", 10, 4, 0, 10, 0, None),
        ("main", "dbo", "EMP", "NAME", 12, "VARCHAR", 30, 30, None, None, 0, None),
        ("main", "dbo", "EMP", "DEPT_ID", 4, "INTEGER", 10, 4, 0, 10, 1, None),
        ("main", "dbo", "EMP", "SALARY", 3, "DECIMAL", 10, 12, 2, 10, 1, None),
        ("main", "dbo", "EMP", "HIRED", 9, "DATE", 10, 6, None, None, 1, None),
    ]
    # Every table: the columns are found by describing each table.
    assert rows(cursor.columns(), 4) == [
        ("main", "dbo", "DEPT", "DEPT_ID"),
        ("main", "dbo", "DEPT", "DNAME"),
        ("main", "dbo", "EMP", "EMP_ID"),
        ("main", "dbo", "EMP", "NAME"),
        ("main", "dbo", "EMP", "DEPT_ID"),
        ("main", "dbo", "EMP", "SALARY"),
        ("main", "dbo", "EMP", "HIRED"),
        ("main", "dbo", "EMP_VIEW", "EMP_ID"),
        ("main", "dbo", "EMP_VIEW", "NAME"),
    ]
    assert rows(cursor.columns(table="EMP", column="%ID"), 4) == [
        ("main", "dbo", "EMP", "EMP_ID"), ("main", "dbo", "EMP", "DEPT_ID")]


def test_statistics_table_row_first_then_unique_indexes(connection):
    cursor = connection.cursor()
    assert rows(cursor.statistics("EMP"), 9) == [
        ("main", "dbo", "EMP", None, None, None, 0, None, None),
        ("main", "dbo", "EMP", 0, None, "PK_EMP", 3, 1, "EMP_ID"),
        ("main", "dbo", "EMP", 1, None, "EMP_NAME", 3, 1, "NAME"),
    ]
    assert [row[5] for row in cursor.statistics("EMP", unique=True)] == [None, "PK_EMP"]


def test_type_info_all_and_one_odbc3_type(connection):
    cursor = connection.cursor()
    assert rows(cursor.getTypeInfo(), 2) == [
        ("CHAR", 1), ("DECIMAL", 3), ("INTEGER", 4), ("SMALLINT", 5), ("DATE", 9),
        ("TIMESTAMP", 11), ("VARCHAR", 12)]
    assert rows(cursor.getTypeInfo(pyodbc.SQL_TYPE_TIMESTAMP), 3) == [("TIMESTAMP", 11, 19)]
    with pytest.raises(pyodbc.Error) as error:
        cursor.getTypeInfo(pyodbc.SQL_WVARCHAR)
    assert error.value.args[0] == "HY004"


def test_keys_procedures_and_row_identifier(connection):
    cursor = connection.cursor()
    assert rows(cursor.primaryKeys("EMP")) == [("main", "dbo", "EMP", "EMP_ID", 1, "PK_EMP")]
    assert rows(cursor.foreignKeys(table="DEPT"), 8) == [
        ("main", "dbo", "DEPT", "DEPT_ID", "main", "dbo", "EMP", "DEPT_ID")]
    assert [row[2] for row in cursor.procedures()] == ["LIST_EMP", "RAISE_PAY"]
    assert [row[3] for row in cursor.procedureColumns(procedure="RAISE_PAY")] == [
        "RETURN_VALUE", "EMP_ID", "PCT"]
    assert [row[1] for row in cursor.rowIdColumns("EMP")] == ["EMP_ID"]


@pytest.mark.parametrize("name, value", [
    ("SQL_DBMS_NAME", "TestDB"),
    ("SQL_DBMS_VER", "01.00.0000"),
    ("SQL_DRIVER_NAME", "libKWTST08.so"),
    ("SQL_DRIVER_VER", "01.00.0000"),
    ("SQL_DRIVER_ODBC_VER", "02.10"),
    ("SQL_DATABASE_NAME", "main"),
    ("SQL_IDENTIFIER_QUOTE_CHAR", " "),
    ("SQL_SEARCH_PATTERN_ESCAPE", "\\"),
    ("SQL_TABLE_TERM", "table"),
    ("SQL_MAX_TABLE_NAME_LEN", 18),
    ("SQL_MAX_COLUMN_NAME_LEN", 30),
    ("SQL_TXN_CAPABLE", 1),
    ("SQL_CATALOG_NAME", True),
    ("SQL_DESCRIBE_PARAMETER", False),
    ("SQL_CATALOG_NAME_SEPARATOR", "."),
])
def test_getinfo_common_types(connection, name, value):
    assert connection.getinfo(getattr(pyodbc, name)) == value


def test_getinfo_without_an_odbc2_answer_is_an_error(connection):
    with pytest.raises(pyodbc.Error) as error:
        connection.getinfo(pyodbc.SQL_DATETIME_LITERALS)
    assert error.value.args[0] == "HY096"
