"""The Text driver under pyodbc, an ODBC 3 application, connected without
a data source: DRIVER=<library>;Database=<folder>."""
import ctypes
import datetime
import decimal
import os
import subprocess
import sys

import pyodbc
import pytest

DRIVER = os.environ["KWTXT08_PATH"]
DATA = os.path.join(os.environ["KWTXT08_DATA"], "client")


def connect(rest="", **options):
    options.setdefault("autocommit", True)
    text = "DRIVER=%s;Database=%s;FirstLineNames=1;%s" % (DRIVER, DATA, rest)
    return pyodbc.connect(text, **options)


@pytest.fixture
def cursor():
    connection = connect("ExtraExtensions=csv")
    yield connection.cursor()
    connection.close()


def test_connects_without_data_source_also_in_manual_commit():
    connection = connect(autocommit=False)
    # The one line of notes.txt is its header.
    assert connection.cursor().execute("SELECT * FROM notes.txt").fetchall() == []
    connection.close()


def test_tables_lists_definitions_then_own_then_extra_extensions():
    connection = connect("ExtraExtensions= csv, NONE ,CSV")
    names = [row.table_name for row in connection.cursor().tables()]
    # Each file once; a defined table by its name, not by its file.
    assert sorted(names, key=str.lower) == ["emp.csv", "extra.CSV", "notes.txt", "PEOPLE",
                                            "readme"]
    assert all(row.table_type == "TABLE" for row in connection.cursor().tables())
    connection.close()


def test_tables_without_extra_extensions_lists_definitions_and_txt_files():
    connection = connect()
    names = sorted(row.table_name for row in connection.cursor().tables())
    assert names == ["PEOPLE", "notes.txt"]
    connection.close()


def test_tables_match_names_without_case(cursor):
    assert [row.table_name for row in cursor.tables(table="people")] == ["PEOPLE"]


# Columns of a catalog row: 3 name, 4 SQL type, 5 type name, 6 precision,
# 8 scale, 10 nullable.
def test_columns_describe_guessed_types(cursor):
    rows = {row[3]: tuple(row) for row in cursor.columns(table="emp.csv")}
    assert list(rows) == ["id", "name", "dept", "salary", "hired", "manager"]
    assert rows["name"][4:7] == (12, "VARCHAR", 3)
    assert (rows["salary"][4], rows["salary"][5], rows["salary"][8]) == (2, "NUMERIC", 2)
    assert rows["hired"][4:6] == (9, "DATE")
    assert all(row[10] == 1 for row in rows.values())


def test_columns_of_a_defined_fixed_table(cursor):
    rows = [(row[3], row[5], row[6]) for row in cursor.columns(table="PEOPLE")]
    assert rows == [("name", "VARCHAR", 5), ("age", "NUMERIC", 3)]


def test_description_types_are_str_decimal_and_date(cursor):
    cursor.execute("SELECT name, salary, hired FROM emp.csv WHERE id = 1")
    assert [column[1] for column in cursor.description] == [str, decimal.Decimal,
                                                           datetime.date]
    assert tuple(cursor.fetchone()) == ("Ann", decimal.Decimal("5200.50"), datetime.date(2019, 3, 1))


def test_query_with_parameters(cursor):
    # Text parameters go as narrow characters (SQL_C_CHAR, SQL_VARCHAR).
    cursor.connection.setencoding(encoding="utf-8")
    cursor.execute("SELECT name FROM emp.csv WHERE salary > ? AND dept = ? AND name <> ?",
                   decimal.Decimal("3000"), 10, "Zed")
    assert sorted(row.name for row in cursor.fetchall()) == ["Ann", "Cy"]
    cursor.execute("SELECT name FROM emp.csv WHERE hired >= ?", datetime.date(2021, 1, 1))
    assert sorted(row.name for row in cursor.fetchall()) == ["Cy", "Ed"]


@pytest.mark.xfail(reason="the engine does not take wide-character parameter types yet")
def test_text_parameter_as_wide_characters(cursor):
    cursor.execute("SELECT id FROM emp.csv WHERE name = ?", "Bob")
    assert [row.id for row in cursor.fetchall()] == [2]


def test_a_defined_fixed_table_reads_by_offsets(cursor):
    assert [tuple(row) for row in cursor.execute("SELECT * FROM PEOPLE")] == [
        ("Ann", decimal.Decimal(31)), ("Bob", decimal.Decimal(42))]


def test_missing_table_reports_base_table_not_found(cursor):
    with pytest.raises(pyodbc.Error) as error:
        cursor.execute("SELECT * FROM nosuch.csv")
    assert error.value.args[0] == "42S02"


def test_config_dsn_writes_a_data_source_that_connects(tmp_path, monkeypatch):
    # ConfigDSN (request 1: add) writes the given attributes and the
    # defaults of the others, without a dialog.
    (tmp_path / "odbcinst.ini").write_text("[KWTXT08]\nDriver = %s\n" % DRIVER)
    (tmp_path / "odbc.ini").write_text("")
    monkeypatch.setenv("ODBCSYSINI", str(tmp_path))
    monkeypatch.setenv("ODBCINSTINI", "odbcinst.ini")
    monkeypatch.setenv("ODBCINI", str(tmp_path / "odbc.ini"))
    library = ctypes.CDLL(DRIVER)
    attributes = b"DSN=texts\0Database=%s\0FirstLineNames=1\0ExtraExtensions=csv\0\0" % (
        DATA.encode())
    assert library.ConfigDSN(None, 1, b"KWTXT08", attributes) == 1
    written = (tmp_path / "odbc.ini").read_text()
    assert "[texts]" in written and "ScanRows=25" in written and "TableType=Comma" in written
    # The driver manager reads its configuration once per process.
    script = ("import pyodbc; c = pyodbc.connect('DSN=texts', autocommit=True); "
              "print(c.cursor().execute('SELECT name FROM emp.csv WHERE id = 4').fetchone()[0])")
    result = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True,
                            env=dict(os.environ), check=False)
    assert result.stdout.strip() == "Di", result.stderr


def test_driver_answers_file_type_and_setup_option_directly():
    # Straight through the driver's own entry points: information type
    # 1027 gives the file-type code of MacFileInfo, option 1044 reads 1.
    library = ctypes.CDLL(DRIVER)
    env, dbc = ctypes.c_void_p(), ctypes.c_void_p()
    assert library.SQLAllocEnv(ctypes.byref(env)) == 0
    assert library.SQLAllocConnect(env, ctypes.byref(dbc)) == 0
    text = b"Database=%s;MacFileInfo=abcd,WXYZ" % DATA.encode()
    out = ctypes.create_string_buffer(512)
    length = ctypes.c_short()
    assert library.SQLDriverConnect(dbc, None, text, len(text), out, 512, ctypes.byref(length),
                                    0) in (0, 1)
    value = ctypes.create_string_buffer(16)
    assert library.SQLGetInfo(dbc, 1027, value, 16, ctypes.byref(length)) == 0
    assert value.value == b"WXYZ"
    option = ctypes.c_uint32(0)
    assert library.SQLGetConnectOption(dbc, 1044, ctypes.byref(option)) == 0
    assert option.value == 1
    assert library.SQLDisconnect(dbc) == 0
    library.SQLFreeConnect(dbc)
    library.SQLFreeEnv(env)


@pytest.mark.parametrize("names, expected", [
    # Values 12.5, -3 and 100.25: NUMERIC, scale 2, precision the longest value.
    ("1", [("Name", 12, 3, None), ("Amount", 2, 6, 2)]),
    # The header is data: both columns text, as wide as their longest value.
    ("0", [("FIELD_1", 12, 4, None), ("FIELD_2", 12, 6, None)]),
])
def test_guessed_columns_of_a_header_file(names, expected):
    folder = os.path.join(os.environ["KWTXT08_DATA"], "guess")
    connection = pyodbc.connect("DRIVER=%s;Database=%s;FirstLineNames=%s;ExtraExtensions=csv"
                                % (DRIVER, folder, names), autocommit=True)
    rows = [(row[3], row[4], row[6], row[8])
            for row in connection.cursor().columns(table="amounts.csv")]
    assert rows == expected
    connection.close()
