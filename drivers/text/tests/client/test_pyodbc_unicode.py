"""Unicode applications and the data source's character set, over files in
UTF-8, CP1252 and CP437: pyodbc with its default settings through the driver
manager, the driver's Unicode entry points called as a C client would
(ctypes), directly and through the driver manager, isql, and the translator
library.

unixODBC hands a Unicode application's W calls (connect strings, SQL text,
names, catalog arguments, messages) and its SQL_C_WCHAR data requests to the
driver unchanged, because the driver exports the ODBC 3 entry points that make
unixODBC treat it as an ODBC 3 driver (an ODBC 2 driver's SQL_C_WCHAR data
unixODBC narrows itself, counting bytes as characters)."""
import ctypes
import os
import shutil
import subprocess

import pyodbc
import pytest

DRIVER = os.environ["KWTXT08_PATH"]
DATA = os.path.join(os.environ["KWTXT08_DATA"], "unicode")
SQL_C_WCHAR = -8

ROWS = [
    ("1", "café", "Zürich", "naïve résumé"),
    ("2", "日本語テキスト", "東京", "キス"),
    ("3", "emoji 🎉 party", "Kraków", None),
    ("4", "Ünïcödé 𝄞", "Ōsaka", "x"),
]


def connect(rest="", **options):
    options.setdefault("autocommit", True)
    text = "DRIVER=%s;Database=%s;FirstLineNames=1;ExtraExtensions=csv;%s" % (DRIVER, DATA, rest)
    return pyodbc.connect(text, **options)


def ids(cursor):
    return [int(row[0]) for row in cursor.fetchall()]


def test_names_reach_a_unicode_application_exactly():
    connection = connect()
    cursor = connection.cursor()
    cursor.execute("SELECT * FROM intl.csv")
    assert [column[0] for column in cursor.description] == ["id", "prénom", "ville", "note"]
    # Catalog arguments arrive whole: the pattern selects its one column.
    # (Column 4 is the SQL type: VARCHAR, 12; id is NUMERIC.)
    assert [row[4] for row in cursor.columns(table="intl.csv", column="pré%")] == [12]
    assert [row[4] for row in cursor.columns(table="intl.csv", column="%é%")] == [12]
    assert [row[4] for row in cursor.columns(table="intl.csv", column="i%")] == [2]
    connection.close()


def test_non_ascii_parameters_and_literals_select_their_rows():
    connection = connect()
    cursor = connection.cursor()
    select = "SELECT id FROM intl.csv WHERE prénom = ?"
    assert ids(cursor.execute(select, "日本語テキスト")) == [2]
    assert ids(cursor.execute(select, "emoji 🎉 party")) == [3]
    assert ids(cursor.execute(select, "Ünïcödé 𝄞")) == [4]
    assert ids(cursor.execute("SELECT id FROM intl.csv WHERE ville = 'Zürich'")) == [1]
    assert ids(cursor.execute("SELECT id FROM intl.csv WHERE note = 'キス'")) == [2]
    connection.close()


def test_default_settings_read_values_and_names_exactly():
    connection = connect()
    cursor = connection.cursor()
    rows = cursor.execute("SELECT * FROM intl.csv").fetchall()
    # The empty value is NULL; every other value exact, pieces never split.
    assert [tuple(row) for row in rows] == [(int(row[0]),) + row[1:] for row in ROWS]
    assert [column[0] for column in cursor.description] == ["id", "prénom", "ville", "note"]
    assert [row[3] for row in cursor.columns(table="intl.csv")] == ["id", "prénom", "ville",
                                                                    "note"]
    # An ODBC 3 application gets ODBC 3 SQLSTATEs (S0022 for ODBC 2).
    with pytest.raises(pyodbc.Error) as error:
        cursor.execute("SELECT nope FROM intl.csv")
    assert error.value.args[0] == "42S22"
    connection.close()


def test_narrow_data_is_the_files_bytes_unchanged():
    connection = connect()
    connection.setdecoding(pyodbc.SQL_CHAR, encoding="utf-8", ctype=pyodbc.SQL_CHAR)
    rows = connection.cursor().execute("SELECT prénom, ville, note FROM intl.csv").fetchall()
    assert [tuple(row) for row in rows] == [row[1:] for row in ROWS]
    connection.close()


def test_code_page_names_and_arguments_convert_through_the_character_set():
    connection = connect("CharSet=CP1252")
    cursor = connection.cursor()
    assert ids(cursor.execute("SELECT id FROM legacy.csv WHERE ville = ?", "Ørsted")) == [2]
    assert ids(cursor.execute("SELECT id FROM legacy.csv WHERE nom = '€uro'")) == [2]
    assert [tuple(row) for row in cursor.execute("SELECT nom, ville FROM legacy.csv")] == [
        ("café", "Zürich"), ("€uro", "Ørsted")]
    connection.close()


def test_unknown_character_set_is_a_clear_error():
    with pytest.raises(pyodbc.Error) as error:
        connect("CharSet=NO-SUCH-SET")
    assert "Invalid attribute in connection string: CharSet" in str(error.value)


def test_non_ascii_connect_attribute_arrives_intact():
    # Delimiter=é in CP1252 is the one byte 0xE9 that separates the fields.
    connection = connect("CharSet=CP1252;TableType=Character;Delimiter=é")
    cursor = connection.cursor()
    assert [tuple(row) for row in cursor.execute("SELECT * FROM delimited.txt")] == [
        (1, 2, "trois")]
    assert [column[0] for column in cursor.description] == ["a", "b", "c"]
    connection.close()


# ---- The driver's Unicode entry points, called as a C client would ---------

class Driver:
    """The driver library's own entry points, without a driver manager; with
    `manager`, unixODBC's, as an ODBC 3 application calls them."""

    def __init__(self, connect_string, manager=False):
        self.lib = ctypes.CDLL("libodbc.so.2" if manager else DRIVER)
        self.env, self.dbc, self.stmt = ctypes.c_void_p(), ctypes.c_void_p(), ctypes.c_void_p()
        assert self.lib.SQLAllocEnv(ctypes.byref(self.env)) == 0
        if manager:
            assert self.lib.SQLSetEnvAttr(self.env, 200, ctypes.c_void_p(3), 0) == 0
        assert self.lib.SQLAllocConnect(self.env, ctypes.byref(self.dbc)) == 0
        out = ctypes.create_string_buffer(2048)
        length = ctypes.c_short()
        rc = self.lib.SQLDriverConnectW(self.dbc, None, wide(connect_string), -3, out, 1024,
                                        ctypes.byref(length), 0)
        assert rc in (0, 1), self.error()
        assert out.raw[:length.value * 2].decode("utf-16le").startswith("DRIVER=")
        assert self.lib.SQLAllocStmt(self.dbc, ctypes.byref(self.stmt)) == 0

    def error(self):
        state, message = ctypes.create_string_buffer(12), ctypes.create_string_buffer(1024)
        native, length = ctypes.c_int(), ctypes.c_short()
        self.lib.SQLErrorW(None, self.dbc, self.stmt, state, ctypes.byref(native), message, 512,
                           ctypes.byref(length))
        return message.raw[:length.value * 2].decode("utf-16le")

    def execute(self, sql):
        assert self.lib.SQLExecDirectW(self.stmt, wide(sql), -3) == 0, self.error()

    def column_name(self, column):
        name = ctypes.create_string_buffer(256)
        length, kind, scale, nullable = (ctypes.c_short() for _ in range(4))
        size = ctypes.c_size_t()
        assert self.lib.SQLDescribeColW(self.stmt, column, name, 128, ctypes.byref(length),
                                        ctypes.byref(kind), ctypes.byref(size),
                                        ctypes.byref(scale), ctypes.byref(nullable)) == 0
        return name.raw[:length.value * 2].decode("utf-16le")

    def pieces(self, column, units):
        """The column's value read with SQLGetData(SQL_C_WCHAR) into a buffer of
        `units` UTF-16 units, as the list of pieces; None for NULL."""
        pieces = []
        while True:
            buffer = ctypes.create_string_buffer(units * 2)
            length = ctypes.c_ssize_t()
            rc = self.lib.SQLGetData(self.stmt, column, SQL_C_WCHAR, buffer, units * 2,
                                     ctypes.byref(length))
            if rc == 100:
                return pieces
            assert rc in (0, 1), self.error()
            if length.value == -1:
                return None
            got = buffer.raw[:min(length.value, units * 2 - 2)]
            got = got[:len(got) // 2 * 2]
            text = got.decode("utf-16le", errors="surrogatepass")
            if rc == 1:
                text = text.split("\0")[0]
            # A piece never ends in half a surrogate pair.
            assert not (text and "\ud800" <= text[-1] <= "\udbff")
            pieces.append(text)
            if rc == 0:
                return pieces

    def close(self):
        self.lib.SQLFreeStmt(self.stmt, 1)
        self.lib.SQLDisconnect(self.dbc)
        self.lib.SQLFreeConnect(self.dbc)
        self.lib.SQLFreeEnv(self.env)


def wide(text):
    return ctypes.create_string_buffer(text.encode("utf-16le") + b"\0\0")


@pytest.mark.parametrize("manager", [False, True], ids=["driver", "driver_manager"])
def test_wide_data_in_pieces_of_three_units_is_exact(manager):
    driver = Driver("DRIVER=%s;Database=%s;FirstLineNames=1;ExtraExtensions=csv" % (DRIVER, DATA),
                    manager)
    driver.execute("SELECT prénom, note FROM intl.csv WHERE id > 0")
    assert driver.column_name(1) == "prénom"
    found = []
    while driver.lib.SQLFetch(driver.stmt) == 0:
        for column in (1, 2):
            pieces = driver.pieces(column, 3)
            assert pieces is None or all(len(piece) <= 2 for piece in pieces)
            found.append(None if pieces is None else "".join(pieces))
    assert found == [value for row in ROWS for value in (row[1], row[3])]
    driver.close()


def test_odbc3_application_fetches_a_row_array_through_the_driver_manager():
    driver = Driver("DRIVER=%s;Database=%s;FirstLineNames=1;ExtraExtensions=csv" % (DRIVER, DATA),
                    manager=True)
    lib = driver.lib
    statuses, fetched = (ctypes.c_ushort * 3)(), ctypes.c_size_t()
    assert lib.SQLSetStmtAttr(driver.stmt, 27, ctypes.c_void_p(3), 0) == 0  # ROW_ARRAY_SIZE
    assert lib.SQLSetStmtAttr(driver.stmt, 25, statuses, 0) == 0  # ROW_STATUS_PTR
    assert lib.SQLSetStmtAttr(driver.stmt, 26, ctypes.byref(fetched), 0) == 0  # ROWS_FETCHED
    size = ctypes.c_size_t()
    assert lib.SQLGetStmtAttr(driver.stmt, 27, ctypes.byref(size), 8, None) == 0
    assert size.value == 3
    driver.execute("SELECT prénom FROM intl.csv")
    count = ctypes.c_ssize_t()
    assert lib.SQLColAttribute(driver.stmt, 1, 1001, None, 0, None, ctypes.byref(count)) == 0
    assert count.value == 1  # SQL_DESC_COUNT
    names = (ctypes.c_char * 64 * 3)()
    lengths = (ctypes.c_ssize_t * 3)()
    assert lib.SQLBindCol(driver.stmt, 1, SQL_C_WCHAR, names, 64, lengths) == 0
    got = []
    for expected in (3, 1):
        assert lib.SQLFetch(driver.stmt) == 0, driver.error()
        assert fetched.value == expected
        assert list(statuses)[expected:] == [3] * (3 - expected)  # SQL_ROW_NOROW
        got += [bytes(names[i])[:lengths[i]].decode("utf-16le") for i in range(expected)]
    assert got == [row[1] for row in ROWS]
    assert lib.SQLFetch(driver.stmt) == 100
    # SQLFetchScroll (forward-only: SQL_FETCH_NEXT) over the same row array.
    assert lib.SQLCloseCursor(driver.stmt) == 0
    driver.execute("SELECT prénom FROM intl.csv")
    assert lib.SQLFetchScroll(driver.stmt, 1, 0) == 0 and fetched.value == 3, driver.error()
    assert lib.SQLFetchScroll(driver.stmt, 1, 0) == 0 and fetched.value == 1
    assert bytes(names[0])[:lengths[0]].decode("utf-16le") == ROWS[3][1]
    driver.close()


def test_connection_attributes_through_the_driver_manager():
    driver = Driver("DRIVER=%s;Database=%s;FirstLineNames=1;ExtraExtensions=csv" % (DRIVER, DATA),
                    manager=True)
    lib, out, length = driver.lib, ctypes.create_string_buffer(1024), ctypes.c_int()
    # SQL_ATTR_CURRENT_CATALOG: the folder, its length in bytes; cut with 01004.
    assert lib.SQLGetConnectAttrW(driver.dbc, 109, out, 1024, ctypes.byref(length)) == 0
    assert out.raw[:length.value].decode("utf-16le") == DATA
    assert lib.SQLGetConnectAttrW(driver.dbc, 109, out, 8, ctypes.byref(length)) == 1
    assert out.raw[:8].decode("utf-16le") == DATA[:3] + "\0"
    state, message = ctypes.create_string_buffer(12), ctypes.create_string_buffer(1024)
    assert lib.SQLGetDiagRecW(2, driver.dbc, 1, state, None, message, 512, None) == 0
    assert state.raw[:10].decode("utf-16le") == "01004"
    autocommit = ctypes.c_uint(7)
    assert lib.SQLSetConnectAttr(driver.dbc, 102, ctypes.c_void_p(0), 0) == 0
    assert lib.SQLGetConnectAttr(driver.dbc, 102, ctypes.byref(autocommit), 4, None) == 0
    assert autocommit.value == 0
    assert lib.SQLEndTran(2, driver.dbc, 0) == 0
    driver.close()


def test_odbc2_application_keeps_its_row_sets_and_states_through_the_driver_manager():
    lib = ctypes.CDLL("libodbc.so.2")
    env, dbc, stmt = ctypes.c_void_p(), ctypes.c_void_p(), ctypes.c_void_p()
    assert lib.SQLAllocEnv(ctypes.byref(env)) == 0
    assert lib.SQLAllocConnect(env, ctypes.byref(dbc)) == 0
    text = "DRIVER=%s;Database=%s;FirstLineNames=1;ExtraExtensions=csv" % (DRIVER, DATA)
    assert lib.SQLDriverConnect(dbc, None, text.encode(), -3, None, 0, None, 0) in (0, 1)
    assert lib.SQLAllocStmt(dbc, ctypes.byref(stmt)) == 0
    assert lib.SQLSetStmtOption(stmt, 9, ctypes.c_size_t(3)) == 0  # SQL_ROWSET_SIZE
    select = b"SELECT id FROM intl.csv"
    values, lengths = (ctypes.c_int * 3)(), (ctypes.c_ssize_t * 3)()
    assert lib.SQLBindCol(stmt, 1, 4, values, 4, lengths) == 0  # SQL_C_LONG
    # SQLFetch reads one row whatever the row set size.
    assert lib.SQLExecDirect(stmt, select, -3) == 0
    assert lib.SQLFetch(stmt) == 0 and list(values) == [1, 0, 0]
    assert lib.SQLFreeStmt(stmt, 0) == 0  # SQL_CLOSE
    # SQLExtendedFetch reads the row set.
    count, statuses = ctypes.c_size_t(), (ctypes.c_ushort * 3)()
    assert lib.SQLExecDirect(stmt, select, -3) == 0
    assert lib.SQLExtendedFetch(stmt, 1, 0, ctypes.byref(count), statuses) == 0
    assert count.value == 3 and list(values) == [1, 2, 3] and list(statuses) == [0, 0, 0]
    assert lib.SQLFreeStmt(stmt, 0) == 0
    # ODBC 2 SQLSTATEs.
    assert lib.SQLExecDirect(stmt, b"SELECT nope FROM intl.csv", -3) == -1
    state, message = ctypes.create_string_buffer(6), ctypes.create_string_buffer(512)
    assert lib.SQLError(None, None, stmt, state, None, message, 512, None) == 0
    assert state.value == b"S0022"
    lib.SQLFreeStmt(stmt, 1)
    lib.SQLDisconnect(dbc)
    lib.SQLFreeConnect(dbc)
    lib.SQLFreeEnv(env)


def test_wide_data_of_a_code_page_file_is_exact():
    driver = Driver("DRIVER=%s;Database=%s;FirstLineNames=1;ExtraExtensions=csv;CharSet=CP1252"
                    % (DRIVER, DATA))
    driver.execute("SELECT nom, ville FROM legacy.csv WHERE ville <> 'Zürich'")
    assert driver.lib.SQLFetch(driver.stmt) == 0
    assert "".join(driver.pieces(1, 2)) == "€uro"
    assert "".join(driver.pieces(2, 64)) == "Ørsted"
    driver.close()


def test_other_wide_functions_answer_in_characters_and_bytes():
    driver = Driver("DRIVER=%s;Database=%s;FirstLineNames=1;ExtraExtensions=csv" % (DRIVER, DATA))
    lib, out, length = driver.lib, ctypes.create_string_buffer(512), ctypes.c_short()
    # SQLGetInfoW counts bytes; a buffer of 6 bytes holds 2 characters.
    assert lib.SQLGetInfoW(driver.dbc, 17, out, 512, ctypes.byref(length)) == 0  # SQL_DBMS_NAME
    name = out.raw[:length.value].decode("utf-16le")
    assert name and length.value == 2 * len(name)
    assert lib.SQLGetInfoW(driver.dbc, 17, out, 6, ctypes.byref(length)) == 1
    assert out.raw[:6].decode("utf-16le") == name[:2] + "\0"
    # SQLNativeSqlW and the cursor name count characters.
    native = ctypes.c_int()
    sql = "SELECT prénom FROM intl.csv WHERE ville = '東京'"
    assert lib.SQLNativeSqlW(driver.dbc, wide(sql), -3, out, 256, ctypes.byref(native)) == 0
    assert out.raw[:native.value * 2].decode("utf-16le") == sql
    assert lib.SQLSetCursorNameW(driver.stmt, wide("curseur_é"), -3) == 0
    assert lib.SQLGetCursorNameW(driver.stmt, out, 256, ctypes.byref(length)) == 0
    assert out.raw[:length.value * 2].decode("utf-16le") == "curseur_é"
    driver.close()


# ---- Narrow clients and the translator -------------------------------------

@pytest.mark.skipif(not shutil.which("isql"), reason="isql is not installed")
def test_isql_shows_the_files_utf8_bytes_as_they_are():
    text = "DRIVER=%s;Database=%s;FirstLineNames=1;ExtraExtensions=csv" % (DRIVER, DATA)
    result = subprocess.run(["isql", "-b", "-d|", "-c", "-k", text], input=(
        "SELECT prénom, ville FROM intl.csv\n").encode("utf-8"), capture_output=True, check=False)
    output = result.stdout
    assert "prénom|ville".encode("utf-8") in output, output
    for _, first, city, _ in ROWS:
        assert ("%s|%s" % (first, city)).encode("utf-8") in output


def test_translator_library_converts_oem_files_for_unicode_clients():
    # trnunicode: oem.csv (CP437) through the translator into CP1252, the
    # connection's character set.
    connection = pyodbc.connect("DSN=trnunicode", autocommit=True)
    cursor = connection.cursor()
    rows = cursor.execute("SELECT nom, ville FROM oem.csv").fetchall()
    assert [tuple(row) for row in rows] == [("café", "Zürich"), ("Åse", "Göteborg")]
    assert ids(cursor.execute("SELECT id FROM oem.csv WHERE ville = ?", "Göteborg")) == [2]
    assert ids(cursor.execute("SELECT id FROM oem.csv WHERE nom = 'café'")) == [1]
    connection.close()


def test_translator_library_converts_inserted_text_into_the_oem_file(tmp_path):
    # Written text goes through the translator the other way, so the file
    # holds CP437 and reads back as it was written.
    connection = pyodbc.connect("DSN=trnunicode;Database=%s" % tmp_path, autocommit=True)
    cursor = connection.cursor()
    cursor.execute("CREATE TABLE oemout (nom VARCHAR(10))")
    cursor.execute("INSERT INTO oemout VALUES ('café')")
    cursor.execute("INSERT INTO oemout VALUES (?)", "Göteborg")
    rows = cursor.execute("SELECT nom FROM oemout").fetchall()
    assert [row[0] for row in rows] == ["café", "Göteborg"]
    connection.close()
    data = (tmp_path / "oemout.TXT").read_bytes()
    assert b'"caf\x82"' in data and b'"G\x94teborg"' in data
