"""The Text driver under the iODBC driver manager (libiodbc.so.2), called as a
C application calls it (ctypes), narrow and Unicode.

iODBC hands a Unicode application's W calls and its SQL_C_WCHAR data to the
driver unchanged, in the application's wchar_t: 4-byte code points (UCS-4),
where unixODBC's SQLWCHAR is a 2-byte UTF-16 unit. ODBC_DM=unixodbc runs the
same checks through unixODBC's libodbc.so.2, with 2-byte characters.
Configuration is private to the build tree (ODBCINI and ODBCINSTINI for
iODBC, ODBCSYSINI for unixODBC)."""
import ctypes
import os
import shutil
import subprocess

import pytest

DRIVER = os.environ["KWTXT08_PATH"]
DATA = os.path.join(os.environ["KWTXT08_DATA"], "unicode")
IODBC = os.environ.get("ODBC_DM", "iodbc") == "iodbc"
MANAGER = "libiodbc.so.2" if IODBC else "libodbc.so.2"
UNIT = 4 if IODBC else 2
CODEC = "utf-32-le" if IODBC else "utf-16-le"

SQL_C_CHAR, SQL_C_WCHAR, SQL_C_LONG = 1, -8, 4
SQL_VARCHAR, SQL_WVARCHAR, SQL_INTEGER = 12, -9, 4
SQL_NTS, SQL_NULL_DATA, SQL_NO_DATA = -3, -1, 100
SQL_HANDLE_ENV, SQL_HANDLE_DBC, SQL_HANDLE_STMT = 1, 2, 3

ROWS = [
    (1, "café", "Zürich", "naïve résumé"),
    (2, "日本語テキスト", "東京", "キス"),
    (3, "emoji 🎉 party", "Kraków", None),
    (4, "Ünïcödé 𝄞", "Ōsaka", "x"),
]

pytestmark = pytest.mark.skipif(
    not any(os.path.exists(os.path.join(d, MANAGER))
            for d in ("/usr/lib/x86_64-linux-gnu", "/usr/lib", "/lib/x86_64-linux-gnu")),
    reason=MANAGER + " is not installed")


def wide(text):
    return ctypes.create_string_buffer(text.encode(CODEC) + b"\0" * UNIT)


def unwide(raw, units):
    return raw[:units * UNIT].decode(CODEC)


class Client:
    """One connection of an ODBC 3 application through the driver manager."""

    def __init__(self, connect_string, unicode=True):
        self.lib = ctypes.CDLL(MANAGER)
        self.env, self.dbc, self.stmt = ctypes.c_void_p(), ctypes.c_void_p(), ctypes.c_void_p()
        assert self.lib.SQLAllocHandle(SQL_HANDLE_ENV, None, ctypes.byref(self.env)) == 0
        assert self.lib.SQLSetEnvAttr(self.env, 200, ctypes.c_void_p(3), 0) == 0
        assert self.lib.SQLAllocHandle(SQL_HANDLE_DBC, self.env, ctypes.byref(self.dbc)) == 0
        length = ctypes.c_short()
        if unicode:
            out = ctypes.create_string_buffer(1024 * UNIT)
            rc = self.lib.SQLDriverConnectW(self.dbc, None, wide(connect_string), SQL_NTS, out,
                                            1024, ctypes.byref(length), 0)
            assert rc in (0, 1), self.error(None)
            self.connected = unwide(out.raw, length.value)
        else:
            out = ctypes.create_string_buffer(1024)
            rc = self.lib.SQLDriverConnect(self.dbc, None, connect_string.encode(), SQL_NTS, out,
                                           1024, ctypes.byref(length), 0)
            assert rc in (0, 1), self.error(None)
            self.connected = out.raw[:length.value].decode()
        assert self.lib.SQLAllocHandle(SQL_HANDLE_STMT, self.dbc, ctypes.byref(self.stmt)) == 0

    def error(self, stmt="current"):
        """SQLSTATE and message of the first diagnostic, through SQLGetDiagRecW."""
        handle = self.stmt if stmt == "current" else self.dbc
        kind = SQL_HANDLE_STMT if stmt == "current" else SQL_HANDLE_DBC
        state, message = ctypes.create_string_buffer(6 * UNIT), ctypes.create_string_buffer(
            512 * UNIT)
        native, length = ctypes.c_int(), ctypes.c_short()
        rc = self.lib.SQLGetDiagRecW(kind, handle, 1, state, ctypes.byref(native), message, 512,
                                     ctypes.byref(length))
        if rc not in (0, 1):
            return None
        return unwide(state.raw, 5), unwide(message.raw, length.value)

    def execute(self, sql, unicode=True):
        rc = (self.lib.SQLExecDirectW(self.stmt, wide(sql), SQL_NTS) if unicode else
              self.lib.SQLExecDirect(self.stmt, sql.encode(), SQL_NTS))
        return rc

    def run(self, sql, unicode=True):
        rc = self.execute(sql, unicode)
        assert rc in (0, 1), self.error()

    def close_cursor(self):
        self.lib.SQLFreeStmt(self.stmt, 0)
        self.lib.SQLFreeStmt(self.stmt, 3)

    def names(self, unicode=True):
        count = ctypes.c_short()
        assert self.lib.SQLNumResultCols(self.stmt, ctypes.byref(count)) == 0
        names = []
        for column in range(1, count.value + 1):
            name = ctypes.create_string_buffer(128 * UNIT)
            length, kind, scale, nullable = (ctypes.c_short() for _ in range(4))
            size = ctypes.c_size_t()
            describe = self.lib.SQLDescribeColW if unicode else self.lib.SQLDescribeCol
            assert describe(self.stmt, column, name, 128, ctypes.byref(length), ctypes.byref(kind),
                            ctypes.byref(size), ctypes.byref(scale), ctypes.byref(nullable)) == 0
            names.append(unwide(name.raw, length.value) if unicode else
                         name.raw[:length.value].decode())
        return names

    def value(self, column, c_type, units=64):
        """One column's whole value through SQLGetData, in pieces of `units`
        characters; None for NULL."""
        pieces = []
        size = units * (UNIT if c_type == SQL_C_WCHAR else 1)
        while True:
            buffer = ctypes.create_string_buffer(size)
            length = ctypes.c_ssize_t()
            rc = self.lib.SQLGetData(self.stmt, column, c_type, buffer, ctypes.c_ssize_t(size),
                                     ctypes.byref(length))
            if rc == SQL_NO_DATA:
                break
            assert rc in (0, 1), self.error()
            if length.value == SQL_NULL_DATA:
                return None
            if c_type == SQL_C_WCHAR:
                assert length.value % UNIT == 0
                got = min(length.value // UNIT, units - 1) if rc == 1 else length.value // UNIT
                pieces.append(unwide(buffer.raw, got))
            else:
                got = min(length.value, size - 1) if rc == 1 else length.value
                pieces.append(buffer.raw[:got])
            if rc == 0:
                break
        return "".join(pieces) if c_type == SQL_C_WCHAR else b"".join(pieces).decode()

    def rows(self, c_type, units=64):
        result = []
        count = ctypes.c_short()
        self.lib.SQLNumResultCols(self.stmt, ctypes.byref(count))
        while True:
            rc = self.lib.SQLFetch(self.stmt)
            if rc == SQL_NO_DATA:
                return result
            assert rc in (0, 1), self.error()
            result.append(tuple(self.value(c, c_type, units) for c in range(1, count.value + 1)))

    def close(self):
        self.lib.SQLFreeHandle(SQL_HANDLE_STMT, self.stmt)
        self.lib.SQLDisconnect(self.dbc)
        self.lib.SQLFreeHandle(SQL_HANDLE_DBC, self.dbc)
        self.lib.SQLFreeHandle(SQL_HANDLE_ENV, self.env)


def connect_string(folder=DATA):
    return "DRIVER=%s;Database=%s;FirstLineNames=1;ExtraExtensions=csv" % (DRIVER, folder)


def as_text(row):
    return tuple(None if v is None else str(v) for v in row)


def test_narrow_application_reads_utf8_bytes_and_narrow_errors():
    client = Client(connect_string(), unicode=False)
    assert client.connected.startswith("DRIVER=")
    client.run("SELECT * FROM intl.csv", unicode=False)
    # iODBC answers a narrow call of a Unicode driver through its W function
    # and cuts a converted name to its count of characters: only the ASCII
    # names are compared.
    names = client.names(unicode=False)
    assert len(names) == 4 and [names[0]] + names[2:] == ["id", "ville", "note"]
    assert client.rows(SQL_C_CHAR) == [as_text(row) for row in ROWS]
    client.close_cursor()
    client.run("SELECT id FROM intl.csv WHERE ville = 'Zürich'", unicode=False)
    assert client.rows(SQL_C_CHAR) == [("1",)]
    client.close_cursor()
    assert client.execute("SELECT nope FROM intl.csv", unicode=False) == -1
    state, message = ctypes.create_string_buffer(6), ctypes.create_string_buffer(512)
    native, length = ctypes.c_int(), ctypes.c_short()
    assert client.lib.SQLGetDiagRec(SQL_HANDLE_STMT, client.stmt, 1, state, ctypes.byref(native),
                                    message, 512, ctypes.byref(length)) == 0
    assert state.value == b"42S22"
    assert b"nope" in message.raw[:length.value]
    client.close()


def test_unicode_application_texts_names_and_values_are_exact():
    client = Client(connect_string())
    assert client.connected.startswith("DRIVER=")
    client.run("SELECT * FROM intl.csv WHERE prénom <> 'é'")
    assert client.names() == ["id", "prénom", "ville", "note"]
    assert client.rows(SQL_C_WCHAR) == [as_text(row) for row in ROWS]
    client.close_cursor()
    # Pieces of 3 characters (2 and a terminator): astral characters whole.
    client.run("SELECT prénom, note FROM intl.csv")
    assert client.rows(SQL_C_WCHAR, units=3) == [row[1::2] for row in ROWS]
    client.close_cursor()
    client.run("SELECT id FROM intl.csv WHERE note = 'キス' OR prénom = 'Ünïcödé 𝄞'")
    assert client.rows(SQL_C_WCHAR) == [("2",), ("4",)]
    client.close_cursor()
    assert client.execute("SELECT prénom_x FROM intl.csv") == -1
    state, message = client.error()
    assert state == "42S22" and "prénom_x" in message
    client.close()


def test_unicode_parameters_bound_columns_and_catalog_arguments():
    client = Client(connect_string())
    lib = client.lib
    assert lib.SQLPrepareW(client.stmt, wide("SELECT id, ville FROM intl.csv WHERE prénom = ?"),
                           SQL_NTS) == 0
    for text, expected in (("日本語テキスト", (2, "東京")), ("emoji 🎉 party", (3, "Kraków"))):
        for counted in (False, True):
            value = wide(text)
            indicator = ctypes.c_ssize_t(len(text.encode(CODEC)) if counted else SQL_NTS)
            assert lib.SQLBindParameter(client.stmt, 1, 1, SQL_C_WCHAR, SQL_WVARCHAR,
                                        ctypes.c_size_t(40), 0, value,
                                        ctypes.c_ssize_t(len(value.raw)),
                                        ctypes.byref(indicator)) == 0
            assert lib.SQLExecute(client.stmt) == 0, client.error()
            number = ctypes.c_int()
            city = ctypes.create_string_buffer(32 * UNIT)
            number_length, city_length = ctypes.c_ssize_t(), ctypes.c_ssize_t()
            assert lib.SQLBindCol(client.stmt, 1, SQL_C_LONG, ctypes.byref(number),
                                  ctypes.c_ssize_t(4), ctypes.byref(number_length)) == 0
            assert lib.SQLBindCol(client.stmt, 2, SQL_C_WCHAR, city, ctypes.c_ssize_t(32 * UNIT),
                                  ctypes.byref(city_length)) == 0
            assert lib.SQLFetch(client.stmt) == 0, client.error()
            assert (number.value, unwide(city.raw, city_length.value // UNIT)) == expected
            assert lib.SQLFetch(client.stmt) == SQL_NO_DATA
            lib.SQLFreeStmt(client.stmt, 0)
            lib.SQLFreeStmt(client.stmt, 2)
    lib.SQLFreeStmt(client.stmt, 3)
    # SQLColumnsW: a pattern with a non-ASCII character selects its column.
    assert lib.SQLColumnsW(client.stmt, None, 0, None, 0, wide("intl.csv"), SQL_NTS,
                           wide("pré%"), SQL_NTS) == 0
    assert [row[3] for row in client.rows(SQL_C_WCHAR)] == ["prénom"]
    client.close_cursor()
    # A string answer of SQLGetInfoW counts bytes of wide characters.
    info, length = ctypes.create_string_buffer(64 * UNIT), ctypes.c_short()
    assert lib.SQLGetInfoW(client.dbc, 6, info, 64 * UNIT, ctypes.byref(length)) == 0
    assert length.value % UNIT == 0
    assert unwide(info.raw, length.value // UNIT) == os.path.basename(DRIVER)
    client.close()


def test_unicode_values_written_come_back_whole(tmp_path):
    folder = str(tmp_path)
    client = Client(connect_string(folder))
    client.run("CREATE TABLE städte (name VARCHAR(60), land VARCHAR(20))")
    lib = client.lib
    assert lib.SQLPrepareW(client.stmt, wide("INSERT INTO städte VALUES (?, ?)"), SQL_NTS) == 0
    values = [("Zürich", "Schweiz"), ("東京", "日本"), ("🎉 Kraków", "Polska")]
    for name, land in values:
        buffers = [wide(name), wide(land)]
        indicators = [ctypes.c_ssize_t(SQL_NTS), ctypes.c_ssize_t(len(land.encode(CODEC)))]
        for n in (0, 1):
            assert lib.SQLBindParameter(client.stmt, n + 1, 1, SQL_C_WCHAR, SQL_WVARCHAR,
                                        ctypes.c_size_t(40), 0, buffers[n],
                                        ctypes.c_ssize_t(len(buffers[n].raw)),
                                        ctypes.byref(indicators[n])) == 0
        assert lib.SQLExecute(client.stmt) == 0, client.error()
    lib.SQLFreeStmt(client.stmt, 3)
    # A wide value sent in pieces at execution time, a piece ending in an
    # astral character.
    assert lib.SQLPrepareW(client.stmt, wide("INSERT INTO städte (name) VALUES (?)"),
                           SQL_NTS) == 0
    at_exec = ctypes.c_ssize_t(-2)
    assert lib.SQLBindParameter(client.stmt, 1, 1, SQL_C_WCHAR, SQL_WVARCHAR, ctypes.c_size_t(40),
                                0, ctypes.c_void_p(1), ctypes.c_ssize_t(0),
                                ctypes.byref(at_exec)) == 0
    token = ctypes.c_void_p()
    # Pieces counted and terminated (SQL_NTS); the value's 38 characters
    # are more than half the parameter's precision of 40 (the room was once
    # 40 bytes, and a terminated wide piece was measured as narrow text).
    pieces = [("Zü", True), ("rich 🎉", False), (" 東京 ", True), ("x" * 25, False)]
    for times in (1, 2):
        assert lib.SQLExecute(client.stmt) == 99
        assert lib.SQLParamData(client.stmt, ctypes.byref(token)) == 99
        for piece, counted in pieces:
            length = len(piece.encode(CODEC)) if counted else SQL_NTS
            assert lib.SQLPutData(client.stmt, wide(piece), ctypes.c_ssize_t(length)) == 0
        assert lib.SQLParamData(client.stmt, ctypes.byref(token)) == 0, client.error()
    lib.SQLFreeStmt(client.stmt, 3)
    values += [("Zürich 🎉 東京 " + "x" * 25, None)] * 2
    client.run("SELECT name, land FROM städte")
    assert client.rows(SQL_C_WCHAR) == values
    client.close_cursor()
    client.close()
    (written,) = [name for name in os.listdir(folder) if name.startswith("städte.")]
    with open(os.path.join(folder, written), encoding="utf-8") as f:
        assert "東京" in f.read()


@pytest.mark.skipif(not IODBC or not shutil.which("iodbctest"), reason="iODBC's iodbctest")
def test_iodbctest_queries_a_data_source_of_its_own_configuration(tmp_path):
    odbcini = tmp_path / "odbc.ini"
    odbcinst = tmp_path / "odbcinst.ini"
    odbcinst.write_text("[ODBC Drivers]\nText Test = Installed\n\n[Text Test]\nDriver = %s\n"
                        % DRIVER)
    odbcini.write_text("[ODBC Data Sources]\nintl = Text Test\n\n[intl]\nDriver = Text Test\n"
                       "Database = %s\nFirstLineNames = 1\nExtraExtensions = csv\n" % DATA)
    env = dict(os.environ, ODBCINI=str(odbcini), ODBCINSTINI=str(odbcinst), HOME=str(tmp_path),
               LANG="C.UTF-8", LC_ALL="C.UTF-8")
    result = subprocess.run(["iodbctest", "DSN=intl"], input="SELECT ville FROM intl.csv\nquit\n",
                            capture_output=True, text=True, env=env, timeout=60)
    assert "Kraków" in result.stdout and "東京" in result.stdout, result.stdout + result.stderr
    assert "4 rows fetched" in result.stdout or "result set 1 returned 4 rows" in result.stdout, \
        result.stdout


def test_values_cut_at_the_precision_keep_whole_characters(tmp_path):
    client = Client(connect_string(str(tmp_path)))
    client.run("CREATE TABLE cut (name VARCHAR(40))")
    lib = client.lib
    at_exec, token = ctypes.c_ssize_t(-2), ctypes.c_void_p()
    # (C type, SQL type, precision, pieces, what is kept)
    cases = [(SQL_C_CHAR, SQL_VARCHAR, 9, ["éé".encode(), "éééé".encode()], "éééé"),
             (SQL_C_CHAR, SQL_VARCHAR, 4, ["ab".encode(), "€".encode(), b"c"], "ab"),
             (SQL_C_WCHAR, SQL_WVARCHAR, 2, [("a🎉b" * 2).encode(CODEC)],
              "a" if UNIT == 2 else "a🎉")]
    for c_type, sql_type, precision, pieces, kept in cases:
        assert lib.SQLPrepareW(client.stmt, wide("INSERT INTO cut VALUES (?)"), SQL_NTS) == 0
        assert lib.SQLBindParameter(client.stmt, 1, 1, c_type, sql_type,
                                    ctypes.c_size_t(precision), 0, ctypes.c_void_p(1),
                                    ctypes.c_ssize_t(0), ctypes.byref(at_exec)) == 0
        assert lib.SQLExecute(client.stmt) == 99
        assert lib.SQLParamData(client.stmt, ctypes.byref(token)) == 99
        results = [lib.SQLPutData(client.stmt, ctypes.create_string_buffer(piece, len(piece)),
                                  ctypes.c_ssize_t(len(piece))) for piece in pieces]
        assert 1 in results and -1 not in results  # 01004 where the value was cut
        assert lib.SQLParamData(client.stmt, ctypes.byref(token)) in (0, 1), client.error()
        lib.SQLFreeStmt(client.stmt, 3)
        client.run("SELECT name FROM cut")
        assert client.rows(SQL_C_WCHAR) == [(kept,)]
        client.close_cursor()
        client.run("DROP TABLE cut")
        client.run("CREATE TABLE cut (name VARCHAR(40))")
    client.close()
