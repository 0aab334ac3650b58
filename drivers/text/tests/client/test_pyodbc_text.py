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


def test_a_table_named_exactly_is_described_whatever_its_extension():
    # The catalogue lists .txt files only, yet SELECT reads emp.csv: so do
    # SQLColumns and SQLStatistics when the name is exact.
    connection = connect()
    cursor = connection.cursor()
    assert [row.column_name for row in cursor.columns(table="emp.csv")] == [
        "id", "name", "dept", "salary", "hired", "manager"]
    assert [row.column_name for row in cursor.columns(table="emp.csv", column="sal%")] == [
        "salary"]
    assert [(row.table_name, row.type) for row in cursor.statistics("emp.csv")] == [
        ("emp.csv", 0)]
    # A name without a period is the .txt file, as in a query.
    assert [row.table_name for row in cursor.columns(table="notes")] == ["notes"]
    # Patterns, missing files and the table list keep to the catalogue.
    assert cursor.columns(table="emp%").fetchall() == []
    assert cursor.columns(table="nosuch.csv").fetchall() == []
    assert cursor.statistics("nosuch.csv").fetchall() == []
    assert "emp.csv" not in [row.table_name for row in cursor.tables()]
    connection.close()


def test_columns_of_a_defined_fixed_table(cursor):
    rows = [(row[3], row[5], row[6]) for row in cursor.columns(table="PEOPLE")]
    assert rows == [("name", "VARCHAR", 5), ("age", "NUMERIC", 3)]


def test_description_types_are_str_decimal_and_date(cursor):
    cursor.execute("SELECT name, salary, hired FROM emp.csv WHERE id = 1")
    assert [column[1] for column in cursor.description] == [str, decimal.Decimal,
                                                           datetime.date]
    assert tuple(cursor.fetchone()) == ("Ann", decimal.Decimal("5200.50"), datetime.date(2019, 3, 1))


def test_query_with_parameters(cursor):
    # Python strings go as wide characters (SQL_C_WCHAR, SQL_WVARCHAR).
    cursor.execute("SELECT name FROM emp.csv WHERE salary > ? AND dept = ? AND name <> ?",
                   decimal.Decimal("3000"), 10, "Zed")
    assert sorted(row.name for row in cursor.fetchall()) == ["Ann", "Cy"]
    cursor.execute("SELECT name FROM emp.csv WHERE hired >= ?", datetime.date(2021, 1, 1))
    assert sorted(row.name for row in cursor.fetchall()) == ["Cy", "Ed"]


def test_ifnull_escape_takes_one_parameter(cursor):
    cursor.execute("SELECT name FROM emp.csv WHERE {fn IFNULL(?, dept)} = 10", None)
    with_null = sorted(row.name for row in cursor.fetchall())
    cursor.execute("SELECT name FROM emp.csv WHERE dept = 10")
    assert with_null == sorted(row.name for row in cursor.fetchall())
    cursor.execute("SELECT name FROM emp.csv WHERE {fn IFNULL(?, dept)} = 10", 10)
    assert len(cursor.fetchall()) == len(cursor.execute("SELECT name FROM emp.csv").fetchall())


def test_scalar_sub_query_of_two_rows_fails_the_fetch(cursor):
    cursor.execute("SELECT (SELECT name FROM emp.csv WHERE dept = ?) FROM emp.csv", 10)
    with pytest.raises(pyodbc.Error) as error:
        cursor.fetchall()
    assert "The sub query returns more than one record. (3996)" in str(error.value)


def test_sub_queries_read_the_rows_of_each_execution(cursor):
    # A sub-select that names nothing of the enclosing query is read once
    # per execution; a new parameter value gives new rows, and a correlated
    # one beside it still follows the outer row.
    sql = ("SELECT name FROM emp.csv e WHERE salary > (SELECT AVG(salary) FROM emp.csv"
           " WHERE dept = ?) AND id IN (SELECT id FROM emp.csv WHERE dept <> ?)"
           " AND NOT EXISTS (SELECT * FROM emp.csv m WHERE m.id = e.manager AND m.dept = 30)"
           " ORDER BY name")
    cursor.execute(sql, 20, 30)
    assert [row.name for row in cursor.fetchall()] == ["Ann", "Bob", "Cy"]
    cursor.execute(sql, 10, 30)
    assert [row.name for row in cursor.fetchall()] == ["Ann"]
    cursor.execute(sql, 10, 10)
    assert [row.name for row in cursor.fetchall()] == ["Di"]
    cursor.execute("SELECT name FROM emp.csv e WHERE EXISTS (SELECT * FROM emp.csv m"
                   " WHERE m.id = e.manager) ORDER BY name")
    assert [row.name for row in cursor.fetchall()] == ["Bob", "Cy", "Ed"]


def test_a_union_column_holds_the_widest_number_of_every_branch(tmp_path):
    (tmp_path / "a.csv").write_text("amt\n1.5\n")
    (tmp_path / "b.csv").write_text("amt\n2.125\n100000.75\n")
    connection = pyodbc.connect("DRIVER=%s;Database=%s;FirstLineNames=1" % (DRIVER, tmp_path),
                                autocommit=True)
    cursor = connection.cursor()
    cursor.execute("SELECT amt FROM a.csv UNION ALL SELECT amt FROM b.csv")
    # (3,1) and (10,3): seven digits before the point, three after.
    assert cursor.description[0][4:6] == (10, 3)
    assert [row.amt for row in cursor.fetchall()] == [
        decimal.Decimal("1.5"), decimal.Decimal("2.125"), decimal.Decimal("100000.75")]
    connection.close()


def test_plan_file_collects_the_plan_of_each_select(tmp_path, monkeypatch):
    (tmp_path / "big.csv").write_text("k,v\n1,a\n2,b\n3,c\n")
    (tmp_path / "small.csv").write_text("k,w\n2,x\n3,y\n")
    plan = tmp_path / "plans.txt"
    monkeypatch.setenv("VX_FLAT_PLAN_FILE", str(plan))
    connection = pyodbc.connect("DRIVER=%s;Database=%s;FirstLineNames=1" % (DRIVER, tmp_path),
                                autocommit=True)
    cursor = connection.cursor()
    first = "SELECT v FROM big.csv ORDER BY v"
    second = "SELECT big.v, small.w FROM big.csv big, small.csv small WHERE big.k = small.k"
    assert [row.v for row in cursor.execute(first).fetchall()] == ["a", "b", "c"]
    assert sorted(tuple(row) for row in cursor.execute(second).fetchall()) == [
        ("b", "x"), ("c", "y")]
    text = plan.read_bytes().decode()
    assert text.index(first + "\r\nOrder By:\r\n") < text.index(second + "\r\n")
    assert text.count("Query Cost\r\n") >= 5
    assert "   NumExecution: 1\r\n" in text and "Join:\r\n" in text
    # A plan file that cannot be written never fails the statement.
    monkeypatch.setenv("VX_FLAT_PLAN_FILE", str(tmp_path / "missing" / "plans.txt"))
    assert len(cursor.execute(first).fetchall()) == 3
    connection.close()


def test_a_join_builds_its_index_over_the_smaller_table(tmp_path, monkeypatch):
    # 40,000 rows against 30: the small table's rows go into the index
    # whichever comes first in FROM; the rows are those of plain nested
    # loops, and an outer join keeps its sides.
    (tmp_path / "big.csv").write_text(
        "id,k\n" + "".join("%d,%d\n" % (i, i % 40) for i in range(40000)))
    (tmp_path / "small.csv").write_text(
        "k,w\n" + "".join("%d,w%d\n" % (k, k) for k in range(30)))
    plan = tmp_path / "plans.txt"
    queries = [
        "SELECT b.id, s.w FROM small.csv s, big.csv b WHERE s.k = b.k AND b.id > 5",
        "SELECT b.id, s.w FROM big.csv b, small.csv s WHERE b.k = s.k",
        "SELECT s.w, b.id FROM small.csv s LEFT OUTER JOIN big.csv b ON s.k = b.k",
    ]

    def rows(lookups):
        monkeypatch.setenv("VX_FLAT_NO_INMEM_LOOKUP", "0" if lookups else "1")
        connection = pyodbc.connect("DRIVER=%s;Database=%s;FirstLineNames=1"
                                    % (DRIVER, tmp_path), autocommit=True)
        cursor = connection.cursor()
        result = [sorted(tuple(row) for row in cursor.execute(q).fetchall()) for q in queries]
        connection.close()
        return result

    expected = rows(False)
    assert [len(r) for r in expected] == [29994, 30000, 30000]
    monkeypatch.setenv("VX_FLAT_PLAN_FILE", str(plan))
    assert rows(True) == expected
    listings = plan.read_bytes().decode().split("SELECT ")[1:]
    assert len(listings) == 3
    # The big table is read outside, the small one through the index.
    for listing in listings[:2]:
        assert listing.index("big b\r\n") < listing.index("In Mem Index:") < \
            listing.index("small s\r\n")
    outer_join = listings[2]
    assert outer_join.index("small s\r\n") < outer_join.index("In Mem Index:") < \
        outer_join.index("big b\r\n")


def test_text_parameter_as_wide_characters(cursor):
    cursor.execute("SELECT id FROM emp.csv WHERE name = ?", "Bob")
    assert [row.id for row in cursor.fetchall()] == [2]
    # Characters beyond ASCII arrive whole ("h\u00e9\u20ac": 1 + 2 + 3 bytes
    # of UTF-8, which LEN counts as 3 characters), and a long string as a
    # long wide value.
    assert [row.id for row in cursor.execute("SELECT id FROM emp.csv WHERE LEN(?) = 3 AND id < 3",
                                             "h\u00e9\u20ac")] == [1, 2]
    long_text = "x" * 5000
    assert cursor.execute("SELECT id FROM emp.csv WHERE name = ?", long_text).fetchall() == []
    # The narrow form still works when the application asks for it.
    cursor.connection.setencoding(encoding="utf-8")
    cursor.execute("SELECT id FROM emp.csv WHERE name = ?", "Bob")
    assert [row.id for row in cursor.fetchall()] == [2]


def test_a_defined_fixed_table_reads_by_offsets(cursor):
    assert [tuple(row) for row in cursor.execute("SELECT * FROM PEOPLE")] == [
        ("Ann", decimal.Decimal(31)), ("Bob", decimal.Decimal(42))]


def test_missing_table_reports_base_table_not_found(cursor):
    with pytest.raises(pyodbc.Error) as error:
        cursor.execute("SELECT * FROM nosuch.csv")
    assert error.value.args[0] == "42S02"


@pytest.mark.parametrize("options, native, text", [
    # The driver's own messages carry their number as the native error.
    ("(CHAR(5 6))", 1229, "Character width must be between 1 and 9999."),
    ("(NUM(5,2 x))", 1224, "Missing ',' or ')' in SQL statement"),
    ("(Foo=1)", 1231, "Unknown option in list: Foo."),
    # Parentheses that never close: the rest is left over for the parser.
    ("(CHAR(5)", 3803, "Unexpected text at end of SQL statement: (CHAR(5)"),
])
def test_table_option_errors_name_their_message(cursor, options, native, text):
    with pytest.raises(pyodbc.Error) as error:
        cursor.execute("SELECT * FROM emp.csv " + options)
    assert error.value.args[0] == "42000"  # 37000 in ODBC 3 terms
    assert "driver]%s (%d)" % (text, native) in error.value.args[1]


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


# Guessed widths know only the lines scanned (ScanRows=2 here). A later,
# wider value is never returned as another value: text comes whole, a
# number with more integer digits comes as it is (a buffer sized by the
# column's size then overflows with 22003), and one with more fraction
# digits than the guessed scale comes with them all, never cut.
LATE_ROWS = "name,amount\nAnn,1.5\nBob,2.25\nAlexander the Great,1234567.25\nCy,3.125\n"


def late_connection(folder, scan_rows):
    (folder / "late.csv").write_text(LATE_ROWS)
    return pyodbc.connect("DRIVER=%s;Database=%s;FirstLineNames=1;ExtraExtensions=csv;ScanRows=%d"
                          % (DRIVER, folder, scan_rows), autocommit=True)


def test_a_later_wider_value_is_never_returned_as_another(tmp_path):
    connection = late_connection(tmp_path, 2)
    cursor = connection.cursor()
    # The reported sizes are those of the scanned lines.
    assert [(row[3], row[6], row[8]) for row in cursor.columns(table="late.csv")] == [
        ("name", 3, None), ("amount", 4, 2)]
    rows = cursor.execute("SELECT name, amount FROM late.csv").fetchall()
    assert [tuple(row) for row in rows] == [
        ("Ann", decimal.Decimal("1.50")), ("Bob", decimal.Decimal("2.25")),
        ("Alexander the Great", decimal.Decimal("1234567.25")),
        ("Cy", decimal.Decimal("3.125"))]
    # It compares, sorts and adds up as the number it is.
    assert cursor.execute("SELECT name FROM late.csv WHERE amount > 3.12 AND amount < 3.13"
                          ).fetchall()[0][0] == "Cy"
    assert [row[0] for row in cursor.execute("SELECT amount FROM late.csv ORDER BY amount")
            ][:3] == [decimal.Decimal("1.50"), decimal.Decimal("2.25"), decimal.Decimal("3.125")]
    assert cursor.execute("SELECT SUM(amount) FROM late.csv").fetchone()[0] == 1234574.125
    # Scanning every line describes every value.
    connection = late_connection(tmp_path, 0)
    cursor = connection.cursor()
    assert [(row[3], row[6], row[8]) for row in cursor.columns(table="late.csv")] == [
        ("name", 19, None), ("amount", 11, 3)]
    assert cursor.execute("SELECT amount FROM late.csv WHERE name = 'Cy'").fetchone()[0] == \
        decimal.Decimal("3.125")


class RawStatement:
    """A statement straight through the driver's entry points, for the
    return codes and warnings a driver manager would hide."""

    def __init__(self, folder, rest):
        self.lib = ctypes.CDLL(DRIVER)
        lib = self.lib
        lib.SQLBindCol.argtypes = [ctypes.c_void_p, ctypes.c_ushort, ctypes.c_short,
                                   ctypes.c_void_p, ctypes.c_int64, ctypes.c_void_p]
        lib.SQLExecDirect.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        lib.SQLFetch.argtypes = [ctypes.c_void_p]
        lib.SQLFetch.restype = ctypes.c_short
        lib.SQLError.argtypes = [ctypes.c_void_p, ctypes.c_void_p, ctypes.c_void_p,
                                 ctypes.c_char_p, ctypes.c_void_p, ctypes.c_char_p,
                                 ctypes.c_short, ctypes.c_void_p]
        self.env, self.dbc, self.stmt = ctypes.c_void_p(), ctypes.c_void_p(), ctypes.c_void_p()
        assert lib.SQLAllocEnv(ctypes.byref(self.env)) == 0
        assert lib.SQLAllocConnect(self.env, ctypes.byref(self.dbc)) == 0
        text = ("Database=%s;%s" % (folder, rest)).encode()
        out = ctypes.create_string_buffer(512)
        length = ctypes.c_short()
        assert lib.SQLDriverConnect(self.dbc, None, text, len(text), out, 512,
                                    ctypes.byref(length), 0) in (0, 1)
        assert lib.SQLAllocStmt(self.dbc, ctypes.byref(self.stmt)) == 0

    def execute(self, sql):
        assert self.lib.SQLExecDirect(self.stmt, sql.encode(), len(sql)) == 0

    def error(self):
        state = ctypes.create_string_buffer(6)
        native = ctypes.c_int32()
        text = ctypes.create_string_buffer(512)
        length = ctypes.c_short()
        self.lib.SQLError(None, None, self.stmt, state, ctypes.byref(native), text, 512,
                          ctypes.byref(length))
        return state.value.decode(), text.value.decode()

    def close(self):
        self.lib.SQLFreeStmt(self.stmt, 1)
        self.lib.SQLDisconnect(self.dbc)
        self.lib.SQLFreeConnect(self.dbc)
        self.lib.SQLFreeEnv(self.env)


def test_buffers_sized_by_the_guessed_size_report_what_does_not_fit(tmp_path):
    (tmp_path / "late.csv").write_text(LATE_ROWS)
    raw = RawStatement(tmp_path, "FirstLineNames=1;ScanRows=2")
    raw.execute("SELECT name, amount FROM late.csv")
    # Column sizes 3 and 4 (display size 6), each with room for the NUL.
    name = ctypes.create_string_buffer(4)
    amount = ctypes.create_string_buffer(7)
    lengths = [ctypes.c_int64(), ctypes.c_int64()]
    assert raw.lib.SQLBindCol(raw.stmt, 1, 1, name, 4, ctypes.byref(lengths[0])) == 0
    assert raw.lib.SQLBindCol(raw.stmt, 2, 1, amount, 7, ctypes.byref(lengths[1])) == 0
    assert raw.lib.SQLFetch(raw.stmt) == 0
    assert (name.value, amount.value) == (b"Ann", b"1.50")
    assert raw.lib.SQLFetch(raw.stmt) == 0
    # "Alexander the Great" is cut with 01004; 1234567.25 does not fit.
    assert raw.lib.SQLFetch(raw.stmt) == -1
    assert "22003" in [raw.error()[0] for _ in range(3)]
    raw.close()


def test_text_longer_than_the_guessed_width_reads_whole(tmp_path):
    # The width is guessed from the first line; later values are longer.
    long_text = "x" * 1500 + "y" * 2000
    (tmp_path / "long.csv").write_text("name\nAnn\n%s\nBo\n" % long_text)
    raw = RawStatement(tmp_path, "FirstLineNames=1;ScanRows=1")
    raw.execute("SELECT name FROM long.csv")
    value = ctypes.create_string_buffer(4000)
    length = ctypes.c_int64()
    assert raw.lib.SQLBindCol(raw.stmt, 1, 1, value, 4000, ctypes.byref(length)) == 0
    assert raw.lib.SQLFetch(raw.stmt) == 0
    assert raw.lib.SQLFetch(raw.stmt) == 0
    assert (value.value, length.value) == (long_text.encode(), 3500)
    raw.close()
    # pyodbc sizes its buffer by the described width and reads the rest in pieces.
    connection = pyodbc.connect("DRIVER=%s;Database=%s;FirstLineNames=1;ScanRows=1;"
                                "ExtraExtensions=csv" % (DRIVER, tmp_path), autocommit=True)
    rows = connection.cursor().execute("SELECT name FROM long.csv").fetchall()
    assert [row[0] for row in rows] == ["Ann", long_text, "Bo"]
    connection.close()
