"""The SQL Server driver under pyodbc against the TDS test server, over TDS
7.4 and TDS 5.0, connected without a data source:
DRIVER=<library>;Server=127.0.0.1;Port=<port>. The exact text the driver
sends is read from the server's transcript."""
import datetime
import decimal
import os
import subprocess

import pyodbc
import pytest


@pytest.fixture
def conn(server):
    c = server.connect()
    yield c
    c.close()


def test_logon_reads_server_attributes_and_answers_probes(server):
    mark = server.mark()
    c = server.connect()
    batches = [b for b in server.since(mark) if "server_info" in b.lower()]
    assert batches == ["exec Sp_SeRvEr_InFo", "exec sp_server_info"]
    assert c.getinfo(pyodbc.SQL_DBMS_NAME) == "Microsoft SQL Server"
    assert c.getinfo(pyodbc.SQL_IDENTIFIER_CASE) == 4  # SQL_IC_MIXED
    assert c.getinfo(pyodbc.SQL_MAX_TABLE_NAME_LEN) == 128
    assert c.getinfo(pyodbc.SQL_SCHEMA_TERM) == "owner"
    assert c.getinfo(pyodbc.SQL_TXN_CAPABLE) == 2  # SQL_TC_ALL
    mark = server.mark()
    assert c.getinfo(pyodbc.SQL_USER_NAME) == "dbo"
    assert server.since(mark) == ["select USER_NAME (-1)"]
    assert c.getinfo(pyodbc.SQL_DATABASE_NAME) == "vxtest"
    c.close()


def test_two_phase_commit_is_refused(server):
    with pytest.raises(pyodbc.Error) as error:
        server.connect("TPC=1")
    assert "HYC00" in str(error.value) or "S1C00" in str(error.value)


def test_escapes_are_sent_as_transact_sql(server, conn):
    cur = conn.cursor()
    cases = [
        ("select {d '1995-01-02'}", "select  'Jan 02 1995'"),
        ("select {t '00:04:05'}, {t '13:00:00'}", "select  '12:04:05AM',  '01:00:00PM'"),
        ("select {ts '1995-01-02 13:04:05.123'}",
         "select  convert(datetime,'Jan 02 1995 01:04:05:124PM',109)"),
        ("select {ts '1995-01-02 09:04:05'}", "select  'Jan 02 1995 09:04:05AM'"),
        ("select {fn CONCAT('a', 'b')}, {fn LEFT('abc', 2)}, {fn MOD(7, 3)}",
         "select  ('a'+'b'),  SUBSTRING('abc',1,2),  (7%3)"),
        # An operand that is an expression keeps its meaning.
        ("select 2 * {fn MOD(7 + 1, 3)}", "select 2 *  ((7 + 1)%3)"),
        ("select {fn UCASE('a')}, {fn LCASE('B')}, {fn LENGTH('abc')}, {fn IFNULL(NULL, 1)}",
         "select  UPPER('a'),  LOWER('B'),  DATALENGTH('abc'),  ISNULL(NULL, 1)"),
        ("select {fn CONVERT(12, SQL_VARCHAR)}, {fn DAYOFMONTH({d '2001-02-03'})}",
         "select  CONVERT(varchar,12),  DATEPART(day, 'Feb 03 2001')"),
        ("select {fn NOW()}, {fn USER()}, {fn DATABASE()}",
         "select  GETDATE(),  SUSER_NAME(),  DB_NAME()"),
        ("select * from {oj sysobjects a LEFT OUTER JOIN sysobjects b ON a.id = b.id}",
         "select * from  sysobjects a LEFT OUTER JOIN sysobjects b ON a.id = b.id"),
    ]
    for odbc, native in cases:
        mark = server.mark()
        try:
            cur.execute(odbc).fetchall()
        except pyodbc.Error:
            pass  # the text is what counts; the test server lacks some functions
        assert server.since(mark)[-1] == native
    mark = server.mark()
    row = cur.execute("select {fn CONCAT('a', 'b')}, {fn MOD(7, 3)}, {fn DATABASE()}").fetchone()
    assert tuple(row) == ("ab", 1, "vxtest")
    mark = server.mark()
    # A timestamp escape in a parameter value is rewritten too.
    assert cur.execute("select ?", datetime.datetime(2001, 2, 3, 4, 5, 6)).fetchone()
    assert "'Feb 03 2001 04:05:06AM'" in server.since(mark)[-1]


def test_call_with_markers_is_a_remote_procedure_call(server, conn):
    cur = conn.cursor()
    mark = server.mark()
    rows = cur.execute("{call vx_rows(?)}", 2).fetchall()
    assert [tuple(r) for r in rows] == [(1, "row 1"), (2, "row 2")]
    rpcs = server.since(mark, "rpc")
    assert [r["proc"] for r in rpcs] == ["vx_rows"]
    assert [p["value"] for p in rpcs[0]["params"]] == [2]
    assert server.since(mark) == []
    # Literal arguments go as text.
    mark = server.mark()
    assert len(cur.execute("{call vx_rows(3)}").fetchall()) == 3
    assert server.since(mark) == [" EXEC vx_rows 3"]


def test_types_are_described_and_converted(server, conn):
    cur = conn.cursor()
    cur.execute("create table types_%s (i int, s smallint, t tinyint, b bit, f float, r real,"
                " m money, sm smallmoney, d datetime, c char(4), v varchar(10),"
                " vb varbinary(8), tx text, im image)" % server.version.replace(".", ""))
    table = "types_%s" % server.version.replace(".", "")
    cur.execute("insert into %s values (-7, 300, 200, 1, 2.5, 0.5, 12.3456, -1.25,"
                " {ts '2001-02-03 04:05:06'}, 'ab', 'xyz', 0x0102ff, 'long', 0x0a0b)" % table)
    row = cur.execute("select * from %s" % table).fetchone()
    assert tuple(row) == (-7, 300, 200, True, 2.5, 0.5, decimal.Decimal("12.3456"),
                          decimal.Decimal("-1.2500"), datetime.datetime(2001, 2, 3, 4, 5, 6),
                          "ab  ", "xyz", b"\x01\x02\xff", "long", b"\x0a\x0b")
    described = [(d[0], d[1]) for d in cur.description]
    assert described == [("i", int), ("s", int), ("t", int), ("b", bool), ("f", float),
                         ("r", float), ("m", decimal.Decimal), ("sm", decimal.Decimal),
                         ("d", datetime.datetime), ("c", str), ("v", str), ("vb", bytearray),
                         ("tx", str), ("im", bytearray)]
    # Character columns are described in characters, though DB-Library
    # keeps up to four bytes for each once converted to UTF-8.
    assert [d[4] for d in cur.description][9:11] == [4, 10]
    names = [c.type_name for c in cur.columns(table=table)]
    assert names[:4] == ["int", "smallint", "tinyint", "bit"]
    row = cur.execute("select null, cast(null as int) from %s" % table).fetchone()
    assert tuple(row) == (None, None)
    table += "b"
    cur.execute("create table %s (a decimal(10,2), b numeric(5,0), c smalldatetime, d bigint,"
                " e binary(4))" % table)
    cur.execute("insert into %s values (12.34, 99, {ts '2001-02-03 04:05:00'}, 9000000000,"
                " 0x01020304)" % table)
    row = cur.execute("select * from %s" % table).fetchone()
    assert tuple(row) == (decimal.Decimal("12.34"), decimal.Decimal("99"),
                          datetime.datetime(2001, 2, 3, 4, 5), 9000000000, b"\x01\x02\x03\x04")
    # name, type, precision, scale
    assert [(d[0], d[1], d[4], d[5]) for d in cur.description] == [
        ("a", decimal.Decimal, 10, 2), ("b", decimal.Decimal, 5, 0),
        ("c", datetime.datetime, 16, 0), ("d", int, 19, 0), ("e", bytearray, 4, 0)]


def test_long_text_and_image_in_pieces(server, conn):
    cur = conn.cursor()
    table = "longs_%s" % server.version.replace(".", "")
    cur.execute("create table %s (id int, tx text, im image)" % table)
    text = "".join(chr(65 + i % 26) for i in range(100000))
    image = bytes(range(256)) * 400
    cur.execute("insert into %s values (1, ?, ?)" % table, text, image)
    mark = server.mark()
    row = cur.execute("select tx, im from %s where id = 1" % table).fetchone()
    assert row[0] == text and bytes(row[1]) == image
    assert server.since(mark)[-1] == "select tx, im from %s where id = 1" % table
    # Written in pieces through SQLPutData (pyodbc sends long values at
    # execution), as one literal.
    inserts = [b for b in server.since(0) if b.startswith("insert into %s" % table)]
    assert inserts[-1].startswith("insert into %s values (1, 'ABC" % table)
    assert inserts[-1].endswith("fcfdfeff)")


def test_autocommit_off_commits_and_rolls_back(server):
    c = server.connect(autocommit=False)
    cur = c.cursor()
    table = "tx_%s" % server.version.replace(".", "")
    cur.execute("create table %s (a int)" % table)
    c.commit()
    mark = server.mark()
    cur.execute("insert into %s values (1)" % table)
    c.rollback()
    cur.execute("insert into %s values (2)" % table)
    c.commit()
    assert [r[0] for r in cur.execute("select a from %s" % table).fetchall()] == [2]
    c.commit()
    batches = server.since(mark)
    assert batches[:6] == ["BEGIN TRANSACTION", "insert into %s values (1)" % table,
                           "ROLLBACK TRANSACTION", "BEGIN TRANSACTION",
                           "insert into %s values (2)" % table, "COMMIT TRANSACTION "]
    c.close()


@pytest.mark.parametrize("sql,state,native", [
    ("select * from nosuch", "42S02", 208),
    ("select nosuch from errors_table", "42S22", 207),
    ("selec 1", "42000", 102),
    ("raiserror ('own message', 16, 1)", "HY000", 50000),
    ("raiserror (2601, 14, 1, 'duplicate')", "23000", 2601),
    ("raiserror (3607, 16, 1, 'divide')", "22012", 3607),
    ("raiserror (911, 16, 1, 'no db')", "08004", 911),
])
def test_server_messages_map_to_sqlstates(server, conn, sql, state, native):
    try:
        conn.cursor().execute("create table errors_table (a int)")
    except pyodbc.Error:
        pass
    with pytest.raises(pyodbc.Error) as error:
        conn.cursor().execute(sql)
    assert error.value.args[0] == state
    assert "(%d)" % native in error.value.args[1]
    assert "[BRELLMONT][ODBC SQL Server driver]" in error.value.args[1]


def test_informational_messages_are_warnings(server, conn):
    cur = conn.cursor()
    cur.execute("print 'hello'")
    assert any("hello" in m[1] for m in cur.messages)
    # 3902 comes with severity 16 and a failed statement, yet it is a
    # warning: the call succeeds.
    cur.execute("commit transaction")
    assert [m[0] for m in cur.messages] == ["[01000] (3902)"]


def test_catalog_functions_run_the_system_procedures(server, conn):
    cur = conn.cursor()
    table = "cat_%s" % server.version.replace(".", "")
    cur.execute("create table %s (id int primary key, name varchar(20))" % table)
    mark = server.mark()
    assert [r.table_name for r in cur.tables(table=table)] == [table]
    assert [(r.column_name, r.type_name) for r in cur.columns(table=table)] == [
        ("id", "int"), ("name", "varchar")]
    assert [r.column_name for r in cur.primaryKeys(table)] == ["id"]
    assert "vx_add" in [r.procedure_name.split(";")[0] for r in cur.procedures()]
    assert server.since(mark) == [
        "exec sp_tables @table_name='%s'" % table,
        "exec sp_columns @table_name='%s'" % table,
        "exec sp_pkeys @table_name='%s'" % table,
        "exec sp_stored_procedures ",
    ]
    types = [r.type_name for r in cur.getTypeInfo(pyodbc.SQL_INTEGER)]
    assert "int" in types


def test_isql_connects_without_a_data_source(server):
    server.use()
    result = subprocess.run(["isql", "-b", "-k", server.connection_string()],
                            input="select 6 * 7\n", capture_output=True, text=True,
                            timeout=60, env=os.environ)
    assert result.returncode == 0, result.stdout + result.stderr
    assert "42" in result.stdout


def test_gateway_states_null_clauses_and_writes_db2_escapes(server):
    c = server.connect("GW=1")
    cur = c.cursor()
    table = "gw_%s" % server.version.replace(".", "")
    mark = server.mark()
    cur.execute("CREATE TABLE %s (a int, b bit, c varchar(10) NOT NULL, PRIMARY KEY (a))" % table)
    assert any("NOT NULL attribute" in m[1] for m in cur.messages)
    assert server.since(mark)[:2] == [
        "CREATE TABLE %s (a int NULL, b bit NOT NULL, c varchar(10) NOT NULL, PRIMARY KEY (a))"
        % table, "COMMIT"]
    mark = server.mark()
    try:
        cur.execute("select {fn SUBSTRING(c, 1, 2)}, {d '2001-02-03'}, {fn NOW()} from %s"
                    % table)
    except pyodbc.Error:
        pass  # the test server speaks no DB2
    assert server.since(mark)[-1] == (
        "select  SUBSTR(c, 1, 2),  DATE('2001-02-03'),  CURRENT TIMESTAMP from %s" % table)
    c.close()


def test_type_info_for_all_types_leaves_out_national_types(server, conn):
    mark = server.mark()
    names = [r.type_name for r in conn.cursor().getTypeInfo()]
    assert server.since(mark)[-1] == "exec sp_datatype_info 0"
    assert "int" in names and "varchar" in names
    assert "nchar" not in names and "nvarchar" not in names


@pytest.mark.parametrize("cancel", ["0", "1"])
def test_closing_a_large_result_keeps_the_connection_usable(server, cancel):
    c = server.connect("CAN=" + cancel)
    cur = c.cursor()
    mark = server.mark()
    cur.execute("select * from vx_replay")
    assert cur.fetchone()[0] == 1
    cur.close()
    cur = c.cursor()
    assert cur.execute("select 42").fetchone()[0] == 42
    attentions = server.since(mark, "attention")
    assert len(attentions) == (1 if cancel == "1" else 0)
    c.close()


def test_charconv_is_sent_on_each_new_process(server):
    mark = server.mark()
    c = server.connect("CC=cp850")
    assert "SET CHARCONV (cp850) " in server.since(mark)
    assert c.cursor().execute("select 1").fetchone()[0] == 1
    c.close()
