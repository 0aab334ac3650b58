"""The SQL Server driver through the driver manager's C interface (ctypes
over libodbc), where pyodbc cannot reach: statement options, output
parameters and return status, SQLGetData and SQLPutData in pieces, and
server attributes the driver rewrites."""
import ctypes
import os
import subprocess

import pytest

from conftest import Server

odbc = ctypes.CDLL("libodbc.so.2")

SQL_SUCCESS, SQL_SUCCESS_WITH_INFO, SQL_NO_DATA, SQL_NEED_DATA = 0, 1, 100, 99
SQL_HANDLE_ENV, SQL_HANDLE_DBC, SQL_HANDLE_STMT = 1, 2, 3
SQL_NTS, SQL_NULL_DATA = -3, -1
SQL_C_CHAR, SQL_C_SLONG, SQL_C_BINARY = 1, -16, -2
SQL_CHAR, SQL_INTEGER, SQL_VARCHAR, SQL_LONGVARCHAR = 1, 4, 12, -1
SQL_PARAM_INPUT, SQL_PARAM_OUTPUT = 1, 4
SQL_MAX_ROWS = 1
SQL_AUTOCOMMIT = 102
SQL_DBMS_VER = 18
SQL_CLOSE = 0
LEN = ctypes.c_long


def ok(rc, handle_type=None, handle=None):
    if rc in (SQL_SUCCESS, SQL_SUCCESS_WITH_INFO):
        return rc
    raise AssertionError("ODBC call failed (%d): %s" % (rc, diag(handle_type, handle)))


def diag(handle_type, handle):
    if handle is None:
        return ""
    state = ctypes.create_string_buffer(6)
    native = ctypes.c_int()
    text = ctypes.create_string_buffer(1024)
    length = ctypes.c_short()
    records = []
    i = 1
    while odbc.SQLGetDiagRec(handle_type, handle, i, state, ctypes.byref(native), text, 1024,
                             ctypes.byref(length)) == SQL_SUCCESS:
        records.append((state.value.decode(), native.value, text.value.decode()))
        i += 1
    return records


class Connection:
    def __init__(self, server, rest=""):
        server.use()
        self.env = ctypes.c_void_p()
        ok(odbc.SQLAllocHandle(SQL_HANDLE_ENV, None, ctypes.byref(self.env)))
        ok(odbc.SQLSetEnvAttr(self.env, 200, ctypes.c_void_p(3), 0))
        self.dbc = ctypes.c_void_p()
        ok(odbc.SQLAllocHandle(SQL_HANDLE_DBC, self.env, ctypes.byref(self.dbc)))
        text = server.connection_string(rest).encode()
        ok(odbc.SQLDriverConnect(self.dbc, None, text, SQL_NTS, None, 0, None, 0),
           SQL_HANDLE_DBC, self.dbc)

    def statement(self):
        stmt = ctypes.c_void_p()
        ok(odbc.SQLAllocHandle(SQL_HANDLE_STMT, self.dbc, ctypes.byref(stmt)))
        return stmt

    def run(self, sql, stmt=None):
        stmt = stmt or self.statement()
        ok(odbc.SQLExecDirect(stmt, sql.encode(), SQL_NTS), SQL_HANDLE_STMT, stmt)
        return stmt

    def do(self, sql):
        """Runs `sql` on a statement of its own, then drops the statement."""
        stmt = self.run(sql)
        ok(odbc.SQLFreeHandle(SQL_HANDLE_STMT, stmt))

    def rows(self, stmt, columns=1):
        out = []
        while True:
            rc = odbc.SQLFetch(stmt)
            if rc == SQL_NO_DATA:
                return out
            ok(rc, SQL_HANDLE_STMT, stmt)
            row = []
            for c in range(1, columns + 1):
                buf = ctypes.create_string_buffer(256)
                ind = LEN()
                ok(odbc.SQLGetData(stmt, c, SQL_C_CHAR, buf, 256, ctypes.byref(ind)),
                   SQL_HANDLE_STMT, stmt)
                row.append(None if ind.value == SQL_NULL_DATA else buf.value.decode())
            out.append(tuple(row))

    def close(self):
        odbc.SQLDisconnect(self.dbc)
        odbc.SQLFreeHandle(SQL_HANDLE_DBC, self.dbc)
        odbc.SQLFreeHandle(SQL_HANDLE_ENV, self.env)


@pytest.fixture
def conn(server):
    c = Connection(server)
    yield c
    c.close()


def table_name(server, stem):
    return "%s_%s" % (stem, server.version.replace(".", ""))


def test_row_limit_of_a_select_does_not_limit_a_later_update(server, conn):
    # The pooled DBPROCESS keeps "set rowcount": every statement states its own.
    t = table_name(server, "limits")
    conn.do("create table %s (a int)" % t)
    conn.do("insert into %s values (1) insert into %s values (2) insert into %s values (3)"
            % (t, t, t))
    stmt = conn.statement()
    ok(odbc.SQLSetStmtOption(stmt, SQL_MAX_ROWS, ctypes.c_ulong(1)))
    mark = server.mark()
    conn.run("select a from %s" % t, stmt)
    assert conn.rows(stmt) == [("1",)]
    ok(odbc.SQLFreeStmt(stmt, SQL_CLOSE))
    conn.run("update %s set a = a + 10" % t, stmt)
    count = LEN()
    ok(odbc.SQLRowCount(stmt, ctypes.byref(count)))
    assert count.value == 3
    assert server.since(mark) == ["set rowcount 1", "set textsize 2147483647",
                                  "select a from %s" % t, "set rowcount 0",
                                  "update %s set a = a + 10" % t]


def test_call_with_return_status_and_output_parameter(server, conn):
    stmt = conn.statement()
    status = ctypes.c_int(-99)
    status_ind = LEN(0)
    text = ctypes.create_string_buffer(b"hello")
    text_ind = LEN(SQL_NTS)
    out = ctypes.create_string_buffer(64)
    out_ind = LEN(0)
    ok(odbc.SQLBindParameter(stmt, 1, SQL_PARAM_OUTPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0,
                             ctypes.byref(status), 0, ctypes.byref(status_ind)))
    ok(odbc.SQLBindParameter(stmt, 2, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 255, 0, text, 6,
                             ctypes.byref(text_ind)))
    ok(odbc.SQLBindParameter(stmt, 3, SQL_PARAM_OUTPUT, SQL_C_CHAR, SQL_VARCHAR, 255, 0, out, 64,
                             ctypes.byref(out_ind)))
    mark = server.mark()
    conn.run("{?=call vx_echo(?, ?)}", stmt)
    while odbc.SQLMoreResults(stmt) == SQL_SUCCESS:
        pass
    assert status.value == 5
    assert out.value == b"hello" and out_ind.value == 5
    rpcs = server.since(mark, "rpc")
    assert [r["proc"] for r in rpcs] == ["vx_echo"]
    assert [(p["value"], p["output"]) for p in rpcs[0]["params"]] == [("hello", False),
                                                                      (None, True)]


def test_long_text_in_pieces_both_ways(server, conn):
    t = table_name(server, "pieces")
    conn.do("create table %s (id int, tx text)" % t)
    stmt = conn.statement()
    ind = LEN(-100)  # SQL_LEN_DATA_AT_EXEC(0)
    ok(odbc.SQLBindParameter(stmt, 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_LONGVARCHAR, 300000, 0,
                             ctypes.c_void_p(1), 0, ctypes.byref(ind)))
    mark = server.mark()
    assert odbc.SQLExecDirect(stmt, ("insert into %s values (1, ?)" % t).encode(),
                              SQL_NTS) == SQL_NEED_DATA
    token = ctypes.c_void_p()
    assert odbc.SQLParamData(stmt, ctypes.byref(token)) == SQL_NEED_DATA
    pieces = [b"it's " * 20000, b"x" * 70000, b"end"]
    for piece in pieces:
        ok(odbc.SQLPutData(stmt, piece, len(piece)), SQL_HANDLE_STMT, stmt)
    ok(odbc.SQLParamData(stmt, ctypes.byref(token)), SQL_HANDLE_STMT, stmt)
    whole = b"".join(pieces)
    sent = server.since(mark)[-1]
    assert sent == "insert into %s values (1, '%s')" % (t, whole.decode().replace("'", "''"))
    ok(odbc.SQLFreeStmt(stmt, SQL_CLOSE))
    conn.run("select tx from %s" % t, stmt)
    ok(odbc.SQLFetch(stmt))
    got = b""
    buf = ctypes.create_string_buffer(1000)
    length = LEN()
    truncated = 0
    while True:
        rc = odbc.SQLGetData(stmt, 1, SQL_C_CHAR, buf, 1000, ctypes.byref(length))
        if rc == SQL_NO_DATA:
            break
        ok(rc, SQL_HANDLE_STMT, stmt)
        got += buf.value
        if rc == SQL_SUCCESS:
            break
        truncated += 1
        assert diag(SQL_HANDLE_STMT, stmt)[0][0] == "01004"
    assert got == whole
    assert truncated == len(whole) // 999


def test_manual_commit_allows_one_open_result(server):
    c = Connection(server)
    t = table_name(server, "onestmt")
    c.do("create table %s (a int)" % t)
    c.do("insert into %s values (1) insert into %s values (2)" % (t, t))
    ok(odbc.SQLSetConnectAttr(c.dbc, SQL_AUTOCOMMIT, ctypes.c_void_p(0), 0))
    first = c.run("select a from %s" % t)
    second = c.statement()
    assert odbc.SQLExecDirect(second, ("select a from %s" % t).encode(), SQL_NTS) == -1
    records = diag(SQL_HANDLE_STMT, second)
    assert records[0][0] == "HY000"
    assert records[0][2].endswith(
        "You cannot have more than one statement active, when SQL_AUTOCOMMIT is false.")
    assert c.rows(first) == [("1",), ("2",)]
    ok(odbc.SQLEndTran(SQL_HANDLE_DBC, c.dbc, 0))
    c.close()


@pytest.mark.parametrize("version,answer", [
    ("SQL Server", "SQL Server"),
    ("SQL Server/04.20.0022 x", "004.2.00002 x"),
])
def test_dbms_version_rewrite_checks_the_length(version, answer):
    s = Server("7.4", ["--server-info", "DBMS_VER=" + version])
    try:
        c = Connection(s)
        buf = ctypes.create_string_buffer(256)
        length = ctypes.c_short()
        ok(odbc.SQLGetInfo(c.dbc, SQL_DBMS_VER, buf, 256, ctypes.byref(length)),
           SQL_HANDLE_DBC, c.dbc)
        assert buf.value.decode() == answer
        c.close()
    finally:
        s.stop()


def test_prepared_select_is_described_before_execution(server, conn):
    t = table_name(server, "described")
    conn.do("create table %s (a int, b varchar(10))" % t)
    conn.do("insert into %s values (1, 'one')" % t)
    stmt = conn.statement()
    ok(odbc.SQLPrepare(stmt, ("select a, b from %s where a = ?" % t).encode(), SQL_NTS))
    mark = server.mark()
    count = ctypes.c_short()
    ok(odbc.SQLNumResultCols(stmt, ctypes.byref(count)), SQL_HANDLE_STMT, stmt)
    assert count.value == 2
    name = ctypes.create_string_buffer(64)
    sql_type = ctypes.c_short()
    size = ctypes.c_ulong()
    ok(odbc.SQLDescribeCol(stmt, 2, name, 64, None, ctypes.byref(sql_type), ctypes.byref(size),
                           None, None))
    assert (name.value, sql_type.value, size.value) == (b"b", SQL_VARCHAR, 10)
    assert server.since(mark)[-1] == "select a, b from %s where a = NULL" % t
    value = ctypes.c_int(1)
    ok(odbc.SQLBindParameter(stmt, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0,
                             ctypes.byref(value), 0, None))
    ok(odbc.SQLExecute(stmt), SQL_HANDLE_STMT, stmt)
    assert conn.rows(stmt, 2) == [("1", "one")]
    assert server.since(mark)[-1] == "select a, b from %s where a = 1" % t


def test_asynchronous_execution_polls_until_done(server, conn):
    stmt = conn.statement()
    ok(odbc.SQLSetStmtAttr(stmt, 4, ctypes.c_void_p(1), 0))  # SQL_ATTR_ASYNC_ENABLE on
    sql = b"{call vx_rows(5)}"
    rc = odbc.SQLExecDirect(stmt, sql, SQL_NTS)
    while rc == 2:  # SQL_STILL_EXECUTING
        rc = odbc.SQLExecDirect(stmt, sql, SQL_NTS)
    ok(rc, SQL_HANDLE_STMT, stmt)
    ok(odbc.SQLSetStmtAttr(stmt, 4, ctypes.c_void_p(0), 0))
    assert [r[0] for r in conn.rows(stmt)] == ["1", "2", "3", "4", "5"]


def test_unreachable_server_is_08001(server):
    import socket
    probe = socket.socket()
    probe.bind(("127.0.0.1", 0))
    port = probe.getsockname()[1]
    probe.close()
    server.use()
    env = ctypes.c_void_p()
    ok(odbc.SQLAllocHandle(SQL_HANDLE_ENV, None, ctypes.byref(env)))
    ok(odbc.SQLSetEnvAttr(env, 200, ctypes.c_void_p(3), 0))
    dbc = ctypes.c_void_p()
    ok(odbc.SQLAllocHandle(SQL_HANDLE_DBC, env, ctypes.byref(dbc)))
    text = server.connection_string().replace("Port=%d" % server.port, "Port=%d" % port)
    assert odbc.SQLDriverConnect(dbc, None, text.encode(), SQL_NTS, None, 0, None, 0) == -1
    assert diag(SQL_HANDLE_DBC, dbc)[0][0] == "08001"
    odbc.SQLFreeHandle(SQL_HANDLE_DBC, dbc)
    odbc.SQLFreeHandle(SQL_HANDLE_ENV, env)


def test_current_qualifier_switches_the_database(server, conn):
    mark = server.mark()
    ok(odbc.SQLSetConnectAttr(conn.dbc, 109, b"master", SQL_NTS), SQL_HANDLE_DBC, conn.dbc)
    assert [b for b in server.since(mark) if b.lower().startswith("use ")] == ["use [master]"]
    name = ctypes.create_string_buffer(64)
    ok(odbc.SQLGetInfo(conn.dbc, 16, name, 64, None))  # SQL_DATABASE_NAME
    assert name.value == b"master"
    assert conn.rows(conn.run("select DB_NAME()")) == [("master",)]


def test_float_and_money_as_text(server, conn):
    # Floats reach text as the shortest digits that read back as the value,
    # in plain notation; money keeps its four decimals.
    t = table_name(server, "floats")
    conn.do("create table %s (f float, r real, m money)" % t)
    values = [(0.1, "0.1", "0.1", "12.5000", 12.5), (1e20, "100000000000000000000", "1E+20",
                                                     "-0.0001", -0.0001),
              (1.5e-7, "0.00000015", "0.00000015", "0.0000", 0),
              (-1 / 3, "-0.3333333333333333", "-0.33333334", "922337203685477.5807",
               "922337203685477.5807")]
    for f, _, _, _, m in values:
        conn.do("insert into %s values (%r, %r, %s)" % (t, f, f, m))
    rows = conn.rows(conn.run("select f, r, m from %s" % t), 3)
    assert [r[0] for r in rows] == [v[1] for v in values]
    assert [r[2] for r in rows] == [v[3] for v in values]
    # real keeps the digits of its single precision
    assert rows[0][1] == "0.1" and rows[2][1] == "0.00000015"
    assert rows[3][1] == "-0.33333334"


def test_integer_as_text_too_long_for_the_buffer_is_22003(server, conn):
    stmt = conn.run("select 12345, -7")
    ok(odbc.SQLFetch(stmt))
    buf = ctypes.create_string_buffer(8)
    ind = LEN()
    ok(odbc.SQLGetData(stmt, 2, SQL_C_CHAR, buf, 8, ctypes.byref(ind)))
    assert (buf.value, ind.value) == (b"-7", 2)
    assert odbc.SQLGetData(stmt, 1, SQL_C_CHAR, buf, 3, ctypes.byref(ind)) == -1
    assert diag(SQL_HANDLE_STMT, stmt)[0][0] == "22003"


def test_return_marker_with_literal_arguments_goes_as_text_with_1213(server, conn):
    stmt = conn.statement()
    status = ctypes.c_int(-99)
    status_ind = LEN(0)
    ok(odbc.SQLBindParameter(stmt, 1, SQL_PARAM_OUTPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0,
                             ctypes.byref(status), 0, ctypes.byref(status_ind)))
    mark = server.mark()
    assert odbc.SQLExecDirect(stmt, b"{?=call vx_rows(2)}", SQL_NTS) == SQL_SUCCESS_WITH_INFO
    assert diag(SQL_HANDLE_STMT, stmt)[0][2].endswith(
        "No return status will be returned from this stored procedure unless you use only "
        "parameter markers to pass parameter values.")
    assert server.since(mark, "rpc") == []
    assert server.since(mark)[-1] == " EXEC vx_rows 2"
    assert len(conn.rows(stmt)) == 2
    # No return status came back.
    assert status_ind.value == SQL_NULL_DATA


BROWSE = r"""
import ctypes, sys
odbc = ctypes.CDLL("libodbc.so.2")
env, dbc = ctypes.c_void_p(), ctypes.c_void_p()
odbc.SQLAllocHandle(1, None, ctypes.byref(env))
odbc.SQLSetEnvAttr(env, 200, ctypes.c_void_p(3), 0)
odbc.SQLAllocHandle(2, env, ctypes.byref(dbc))
out, length = ctypes.create_string_buffer(1024), ctypes.c_short()
for step in sys.argv[1:]:
    rc = odbc.SQLBrowseConnect(dbc, step.encode(), -3, out, 1024, ctypes.byref(length))
    print(rc, out.value.decode())
name = ctypes.create_string_buffer(64)
odbc.SQLGetInfo(dbc, 16, name, 64, None)
print(name.value.decode())
odbc.SQLDisconnect(dbc)
"""


def test_browse_connect_logs_on_then_switches_database(server, tmp_path):
    # The driver manager browses only drivers it knows by name.
    (tmp_path / "odbcinst.ini").write_text("[KWSS08]\nDriver = %s\n" % os.environ["KWSS08_PATH"])
    server.use()
    env = dict(os.environ, ODBCSYSINI=str(tmp_path), ODBCINSTINI="odbcinst.ini")
    mark = server.mark()
    steps = ["DRIVER={KWSS08}",
             "SRVR=127.0.0.1:%d;UID=sa;PWD=secret;DB=master" % server.port]
    result = subprocess.run(["/usr/bin/python3", "-c", BROWSE] + steps, env=env,
                            capture_output=True, text=True, timeout=60)
    lines = result.stdout.splitlines()
    assert lines[0].startswith("99 SRVR:ServerName=?"), result.stdout + result.stderr
    assert lines[1].startswith("0 ") and "Database=master" in lines[1]
    assert lines[2] == "master"
    logins = [r for r in server.records()[mark:] if r.get("type") == "login"]
    assert len(logins) == 1
    assert [b for b in server.since(mark) if b.lower().startswith("use ")] == ["use [master]"]


def test_datetime_and_integers_as_text(server, conn):
    t = table_name(server, "stamps")
    conn.do("create table %s (d datetime, s smalldatetime, i int, b bigint, t tinyint)" % t)
    conn.do("insert into %s values ({ts '2001-02-03 04:05:06.123'}, {ts '2001-02-03 04:05:00'},"
            " -2147483648, 9000000000, 255)" % t)
    conn.do("insert into %s values ({ts '1999-12-31 23:59:59.5'}, {ts '1900-01-01 00:00:00'},"
            " 0, -1, 0)" % t)
    rows = conn.rows(conn.run("select d, s, i, b, t from %s" % t), 5)
    assert rows == [("2001-02-03 04:05:06.123", "2001-02-03 04:05:00", "-2147483648",
                     "9000000000", "255"),
                    ("1999-12-31 23:59:59.5", "1900-01-01 00:00:00", "0", "-1", "0")]
