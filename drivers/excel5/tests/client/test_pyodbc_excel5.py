"""The Excel 5 driver under pyodbc, connected without a data source
(DRIVER=<library>;Database=<workbook>): table enumeration, column
descriptions, and every value of a large gnumeric-written sheet checked
against python3-xlrd."""
import datetime
import os
import subprocess
import sys

import pyodbc
import pytest

DRIVER = os.environ["KWXLS508_PATH"]
DATA = os.environ["KWXLS508_DATA"]
sys.path.insert(0, DATA)
from make_books import DATE, STAMP, num, text, workbook  # noqa: E402


def connect(book, rest=""):
    return pyodbc.connect("DRIVER=%s;Database=%s;%s" % (DRIVER, book, rest), autocommit=True)


def test_tables_lists_the_ranges_that_pass_the_name_filter():
    connection = connect(os.path.join(DATA, "guess.xls"))
    cursor = connection.cursor()
    # Big reaches row 16385 and Two spans two sheets; gnumeric's built-in
    # names (Sheet_Title, Print_Area) are not ranges.
    assert [row.table_name for row in cursor.tables()] == ["Scan"]
    # Another workbook's ranges, named by its path as the catalog (a path
    # without "_" or "%", which a catalog argument takes as wildcards).
    other = os.path.join(DATA, "dates1904.xls")
    assert [row.table_name for row in cursor.tables(catalog=other)] == ["Dates"]
    assert [row.table_name for row in cursor.tables(table="D%", catalog=other)] == ["Dates"]
    connection.close()


def test_columns_describe_the_guessed_types():
    connection = connect(os.path.join(DATA, "kinds.xls"), "CharacterLengthGuessing=1")
    columns = connection.cursor().columns(table="Kinds").fetchall()
    # An ODBC 2 driver's codes: SQL_DATE 9, SQL_TIME 10, SQL_TIMESTAMP 11.
    assert [(c[3], c[4], c[6]) for c in columns] == [
        ("Text", pyodbc.SQL_VARCHAR, 15), ("Num", pyodbc.SQL_DOUBLE, 15),
        ("Day", 9, 10), ("Stamp", 11, 19),
        ("Flag", pyodbc.SQL_BIT, 1), ("Calc", pyodbc.SQL_VARCHAR, 17),
        ("Clock", 10, 8)]
    connection.close()


def test_password_protected_workbook_lists_nothing():
    with pytest.raises(pyodbc.Error, match=r"PASSWORD protected.*\(1225\)"):
        connect(os.path.join(DATA, "password.xls"))


ROWS = 16000


@pytest.fixture(scope="module")
def large(tmp_path_factory):
    """A 16,000-row sheet of integers, labels, numbers, dates and stamps."""
    folder = tmp_path_factory.mktemp("large")
    cells = [text(0, c, h) for c, h in enumerate(["Id", "Name", "Amount", "Sold", "At"])]
    for r in range(1, ROWS + 1):
        cells += [num(r, 0, r), text(r, 1, "name%04d" % (r % 1000)),
                  num(r, 2, (r * 37 % 100000) / 100.0), num(r, 3, 32874 + r % 10000, DATE),
                  num(r, 4, 40000 + r / 1440.0, STAMP)]
    source = folder / "large.gnumeric"
    source.write_text(workbook([("Large", cells)], [("Large", "Large!$A$1:$E$%d" % (ROWS + 1))]))
    path = str(folder / "large.xls")
    # Without the sanitizer runtimes that a sanitizer run preloads.
    env = {k: v for k, v in os.environ.items() if k not in ("LD_PRELOAD", "ASAN_OPTIONS")}
    subprocess.run(["ssconvert", "-T", "Gnumeric_Excel:excel_biff7", str(source), path],
                   check=True, stderr=subprocess.DEVNULL, env=env, timeout=120)
    return path


def test_large_sheet_agrees_with_xlrd(large):
    import xlrd
    book = xlrd.open_workbook(large)
    sheet = book.sheet_by_index(0)
    expected = []
    for r in range(1, sheet.nrows):
        ident, name, amount, sold, at = sheet.row_values(r)
        day = xlrd.xldate_as_datetime(sold, book.datemode).date()
        # Stamps are rounded to the second.
        stamp = xlrd.xldate_as_datetime(at, book.datemode)
        stamp = (stamp + datetime.timedelta(microseconds=500000)).replace(microsecond=0)
        expected.append((ident, name, amount, day, stamp))
    connection = connect(large, "ScanRows=0")
    rows = [tuple(row) for row in connection.cursor().execute("SELECT * FROM Large")]
    connection.close()
    assert len(rows) == ROWS
    assert rows == expected


def test_type_info_and_read_only_data_source():
    connection = connect(os.path.join(DATA, "kinds.xls"))
    cursor = connection.cursor()
    assert [tuple(row)[:3] for row in cursor.getTypeInfo()] == [
        ("LOGICAL", -7, 1), ("NUMBER", 8, 15), ("DATE", 9, 10), ("TIME", 10, 8),
        ("TIMESTAMP", 11, 19), ("CHAR", 12, 255)]
    assert connection.getinfo(pyodbc.SQL_DATA_SOURCE_READ_ONLY) is True
    with pytest.raises(pyodbc.Error, match=r"read only"):
        cursor.execute("INSERT INTO Kinds (Text) VALUES ('x')")
    connection.close()
