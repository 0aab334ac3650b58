"""The Oracle7 driver under pyodbc, connected without a data source, over
databases of the call-interface stand-in (a SQLite file per test)."""
import datetime
import decimal
import os
import sqlite3

import pyodbc
import pytest

DRIVER = os.environ["KWOR708_PATH"]


def make_database(path, users=()):
    con = sqlite3.connect(str(path))
    if users:
        con.execute('CREATE TABLE "ORA$USERS" (USERNAME, PASSWORD)')
        con.executemany('INSERT INTO "ORA$USERS" VALUES (?, ?)', users)
    con.commit()
    con.close()


@pytest.fixture
def db(tmp_path):
    path = tmp_path / "t.db"
    make_database(path)
    return path


def connect(db, extra="", user="scott", password="tiger", autocommit=True):
    text = f"DRIVER={DRIVER};UID={user};PWD={password};SRVR={db};{extra}"
    return pyodbc.connect(text, autocommit=autocommit)


def test_password_with_at_sign_and_slash_is_passed_on_its_own(tmp_path):
    path = tmp_path / "users.db"
    make_database(path, [("SCOTT", "p@ss/word")])
    con = connect(path, password="p@ss/word")
    assert con.cursor().execute("SELECT USER FROM DUAL").fetchone()[0] == "SCOTT"
    con.close()
    with pytest.raises(pyodbc.Error) as caught:
        connect(path, password="p@ss/wrong")
    assert caught.value.args[0] == "28000"
    assert "[BRELLMONT][ODBC Oracle driver][Oracle]ORA-01017" in caught.value.args[1]
    assert "(1017)" in caught.value.args[1]


def test_attribute_values_are_checked(db):
    with pytest.raises(pyodbc.Error) as caught:
        pyodbc.connect(f"DRIVER={DRIVER};SRVR={db}")
    assert "Insufficient information to connect to the data source." in caught.value.args[1]
    for attribute in ("ArraySize=many", "LockTimeOut=5"):
        with pytest.raises(pyodbc.Error) as caught:
            connect(db, attribute)
        assert f"Invalid attribute in connection string: {attribute}." in caught.value.args[1]


def test_native_error_texts_and_states(db):
    cur = connect(db).cursor()
    with pytest.raises(pyodbc.Error) as caught:
        cur.execute("SELECT * FROM NO_SUCH_TABLE")
    assert caught.value.args[0] == "42S02"
    assert "ORA-00942" in caught.value.args[1] and "(942)" in caught.value.args[1]
    cur.execute("CREATE TABLE K (A NUMBER(5) PRIMARY KEY)")
    cur.execute("INSERT INTO K VALUES (1)")
    with pytest.raises(pyodbc.IntegrityError) as caught:
        cur.execute("INSERT INTO K VALUES (1)")
    assert "ORA-00001" in caught.value.args[1]
    # Numbers Oracle cannot hold are refused by the driver.
    with pytest.raises(pyodbc.Error) as caught:
        cur.execute("INSERT INTO K VALUES (?)", 1e-200)
    assert caught.value.args[0] == "22003"
    assert "Numbers cannot have an exponent less than -130." in caught.value.args[1]
    with pytest.raises(pyodbc.Error) as caught:
        cur.execute("INSERT INTO K VALUES (?)", 1e130)
    assert "Numbers cannot have an exponent greater than 125." in caught.value.args[1]


def test_types_map_and_values_come_back(db):
    cur = connect(db).cursor()
    cur.execute(
        "CREATE TABLE T (N NUMBER(10,2), F NUMBER, I NUMBER(18), V VARCHAR2(20), C CHAR(5),"
        " D DATE, R RAW(8), L LONG)"
    )
    long_text = "".join(chr(65 + i % 26) for i in range(100000))
    stamp = datetime.datetime(2024, 1, 2, 3, 4, 5)
    cur.execute(
        "INSERT INTO T VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
        decimal.Decimal("-12345678.91"), 1.5, 999999999999999999, "abc", "xy", stamp,
        b"\x01\xff", long_text,
    )
    cur.execute("INSERT INTO T (N) VALUES (NULL)")
    row = cur.execute("SELECT N, F, I, V, C, D, R, L FROM T WHERE N IS NOT NULL").fetchone()
    types = [d[1] for d in cur.description]
    assert types == [decimal.Decimal, float, decimal.Decimal, str, str, datetime.datetime,
                     bytearray, str]
    assert row[0] == decimal.Decimal("-12345678.91")
    assert row[1] == 1.5
    assert row[2] == 999999999999999999
    assert row[3:6] == ("abc", "xy   ", stamp)
    assert bytes(row[6]) == b"\x01\xff"
    assert row[7] == long_text
    assert cur.execute("SELECT L FROM T WHERE N IS NULL").fetchone()[0] is None


def test_long_values_of_consecutive_rows_stay_apart(db):
    cur = connect(db, "AS=100000000").cursor()
    cur.execute("CREATE TABLE LT (K NUMBER(3), L LONG, R LONG RAW)")
    for k in range(5):
        cur.execute("INSERT INTO LT VALUES (?, ?, ?)", k, str(k) * (1000 * (k + 1)),
                    bytes([k]) * 70000)
    rows = cur.execute("SELECT K, L, R FROM LT ORDER BY K").fetchall()
    assert [r[0] for r in rows] == [0, 1, 2, 3, 4]
    for k, text, raw in rows:
        k = int(k)
        assert text == str(k) * (1000 * (k + 1))
        assert bytes(raw) == bytes([k]) * 70000


@pytest.mark.parametrize("count", [0, 1, 4, 5, 7, 10, 15])
def test_fetches_around_multiples_of_the_array(db, count):
    # Each row is 10 bytes of buffer (NUMBER(5) as 8 characters plus 2):
    # ArraySize 50 fetches 5 rows at a time.
    cur = connect(db, "ArraySize=50").cursor()
    cur.execute("CREATE TABLE M (A NUMBER(5))")
    for k in range(count):
        cur.execute("INSERT INTO M VALUES (?)", k)
    cur.execute("SELECT A FROM M ORDER BY A")
    assert [r[0] for r in cur.fetchall()] == list(range(count))
    assert cur.fetchone() is None
    cur.execute("SELECT A FROM M ORDER BY A")
    seen = []
    while True:
        row = cur.fetchone()
        if row is None:
            break
        seen.append(row[0])
    assert seen == list(range(count))


def test_long_literals_are_bound_as_long_and_converted_by_their_column(db):
    # A literal too long for the text goes to the server as a LONG value:
    # in a LONG column it stays the text written, hexadecimal digits or
    # not, and a LONG RAW column takes it as it takes the same literal
    # written short.
    cur = connect(db).cursor()
    cur.execute("CREATE TABLE LL (T LONG, B LONG RAW, V VARCHAR2(10))")
    cur.execute("INSERT INTO LL (T, B, V) VALUES ('0A1B', '0A1B', 'a')")
    hex_digits = "0A1B" * 1000
    cur.execute(f"INSERT INTO LL (T, B, V) VALUES ('{hex_digits}', '{hex_digits}', 'b')")
    quoted = "it''s " + "q" * 2500
    cur.execute(f"INSERT INTO LL (T, V) VALUES ('{quoted}', 'c')")
    rows = cur.execute("SELECT T, B FROM LL ORDER BY V").fetchall()
    assert rows[1][0] == hex_digits
    assert bytes(rows[0][1]) == b"\x0a\x1b"
    assert bytes(rows[1][1]) == bytes.fromhex(hex_digits)
    assert rows[2][0] == "it's " + "q" * 2500


def test_escapes_become_oracle_text(db):
    cur = connect(db).cursor()
    row = cur.execute(
        "SELECT {fn UCASE('abc')}, {fn LEFT('abcdef', 2)}, {fn RIGHT('abcdef', 1+1)},"
        " {fn LOCATE('c', 'abcabc')}, {fn LOCATE('c', 'abcabc', 4)}, {fn CONCAT('a', 'b')},"
        " {fn MOD(7, 3)}, {fn IFNULL(NULL, 'n')}, {d '2024-01-02'}, {fn SPACE(2)},"
        " {fn CONVERT(12, SQL_CHAR)} FROM DUAL"
    ).fetchone()
    assert list(row) == ["ABC", "ab", "ef", 3, 6, "ab", 7 % 3, "n",
                         datetime.datetime(2024, 1, 2), "  ", "12"]
    with pytest.raises(pyodbc.Error) as caught:
        cur.execute("SELECT {fn CONVERT(1, SQL_INTEGER)} FROM DUAL")
    assert caught.value.args[0] == "42000"
    assert "'SQL_INTEGER' is not a valid ODBC SQL type for CONVERT" in caught.value.args[1]
    with pytest.raises(pyodbc.Error) as caught:
        cur.execute("SELECT {fn PI()} FROM DUAL")
    assert caught.value.args[0] == "42000"
    assert "escape clause not supported by this database driver" in caught.value.args[1]


def test_for_update_without_wait_and_transactions(db):
    con = connect(db, "LockTimeOut=0", autocommit=False)
    cur = con.cursor()
    cur.execute("CREATE TABLE W (A NUMBER(5))")
    cur.execute("INSERT INTO W VALUES (1)")
    con.commit()
    assert cur.execute("SELECT A FROM W FOR UPDATE").fetchall()[0][0] == 1
    cur.execute("INSERT INTO W VALUES (2)")
    con.rollback()
    assert cur.execute("SELECT COUNT(*) FROM W").fetchone()[0] == 1
    cur.execute("INSERT INTO W VALUES (5)")
    assert cur.execute("UPDATE W SET A = A + 1").rowcount == 2
    con.commit()


def test_cursors_of_one_connection_interleave(db):
    con = connect(db, "ArraySize=30")
    reader, writer = con.cursor(), con.cursor()
    writer.execute("CREATE TABLE S (A NUMBER(5))")
    writer.execute("CREATE TABLE D (A NUMBER(5))")
    for k in range(12):
        writer.execute("INSERT INTO S VALUES (?)", k)
    reader.execute("SELECT A FROM S ORDER BY A")
    for row in reader:
        writer.execute("INSERT INTO D VALUES (?)", int(row[0]) * 2)
    assert [int(r[0]) for r in writer.execute("SELECT A FROM D ORDER BY A")] == [
        2 * k for k in range(12)]


def test_catalog_functions_read_the_all_views(db):
    cur = connect(db).cursor()
    cur.execute("CREATE TABLE DEPT (DEPTNO NUMBER(2) NOT NULL PRIMARY KEY, DNAME VARCHAR2(14))")
    cur.execute("CREATE INDEX DEPT_NAME ON DEPT (DNAME)")
    cur.execute("COMMENT ON TABLE DEPT IS 'Departments'")
    cur.execute("COMMENT ON COLUMN DEPT.DNAME IS 'Name'")
    tables = cur.tables(table="DEP%").fetchall()
    assert [(t.table_owner, t.table_name, t.table_type, t.remarks) for t in tables] == [
        ("SCOTT", "DEPT", "TABLE", "Departments")]
    columns = cur.columns(table="DEPT").fetchall()
    assert [(c[3], c[4], c[5], c[6], c[10], c[11]) for c in columns] == [
        ("DEPTNO", 3, "NUMBER", 2, 0, None), ("DNAME", 12, "VARCHAR2", 14, 1, "Name")]
    keys = cur.primaryKeys("DEPT").fetchall()
    assert [(k.column_name, k.key_seq) for k in keys] == [("DEPTNO", 1)]
    special = cur.rowIdColumns("DEPT").fetchall()
    assert [(s.column_name, s.type_name) for s in special] == [("ROWID", "ROWID")]
    stats = cur.statistics("DEPT").fetchall()
    assert any(s.index_name == "DEPT_NAME" and s.column_name == "DNAME" for s in stats)
    owners = [t.table_owner for t in cur.tables(schema="%", catalog="", table="").fetchall()]
    assert "SCOTT" in owners
    assert cur.tables(catalog="%", schema="", table="").fetchall() == []
    types = [t.table_type for t in cur.tables(catalog="", schema="", table="", tableType="%")]
    assert types == ["SYNONYM", "SYSTEM TABLE", "TABLE", "VIEW"]
    # A database link the server cannot use answers nothing, not an error.
    assert cur.tables(catalog="FAR", table="%").fetchall() == []
    assert cur.columns(catalog="FAR", table="DEPT").fetchall() == []
    cur.close()
    plain = connect(db, "CatalogComments=0").cursor()
    assert plain.tables(table="DEPT").fetchone().remarks is None
    assert [c.remarks for c in plain.columns(table="DEPT")] == [None, None]


def test_connections_of_several_threads(tmp_path):
    import threading

    errors = []

    def work(index):
        try:
            path = tmp_path / f"thread{index}.db"
            make_database(path)
            cur = connect(path, "ArraySize=40").cursor()
            cur.execute("CREATE TABLE TT (A NUMBER(6), B VARCHAR2(10))")
            for k in range(40):
                cur.execute("INSERT INTO TT VALUES (?, ?)", k, f"row{k}")
            for _ in range(10):
                rows = cur.execute("SELECT A, B FROM TT ORDER BY A").fetchall()
                assert [(int(a), b) for a, b in rows] == [(k, f"row{k}") for k in range(40)]
        except Exception as error:  # reported by the main thread
            errors.append(error)

    threads = [threading.Thread(target=work, args=(i,)) for i in range(4)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert errors == []


def completed_connect_string(text):
    """SQLDriverConnect's completed connect string (pyodbc does not show it)."""
    import ctypes

    odbc = ctypes.CDLL("libodbc.so.2")
    env, dbc = ctypes.c_void_p(), ctypes.c_void_p()
    odbc.SQLAllocHandle(1, None, ctypes.byref(env))
    odbc.SQLSetEnvAttr(env, 200, ctypes.c_void_p(3), 0)
    odbc.SQLAllocHandle(2, env, ctypes.byref(dbc))
    out = ctypes.create_string_buffer(1024)
    length = ctypes.c_short()
    rc = odbc.SQLDriverConnect(dbc, None, text.encode(), -3, out, 1024, ctypes.byref(length), 0)
    assert rc == 0
    odbc.SQLDisconnect(dbc)
    odbc.SQLFreeHandle(2, dbc)
    odbc.SQLFreeHandle(1, env)
    return out.value.decode()


def test_data_source_entry_names_the_server(tmp_path, db):
    # A data source in a private ODBC.INI names the server.
    config = tmp_path / "config"
    config.mkdir()
    (config / "odbcinst.ini").write_text("")
    (config / "odbc.ini").write_text(
        f"[ora]\nDriver = {DRIVER}\nServerName = {db}\nOCON = 0\n")
    os.environ["ODBCINI"] = str(config / "odbc.ini")
    try:
        con = pyodbc.connect("DSN=ora;UID=scott;PWD=tiger", autocommit=True)
        cur = con.cursor()
        assert cur.execute("SELECT 1 FROM DUAL").fetchone()[0] == 1
        con.close()
        assert completed_connect_string("DSN=ora;UID=scott;PWD=tiger").endswith(f";SRVR={db}")
    finally:
        del os.environ["ODBCINI"]


def test_keys_views_procedures_and_types_from_the_dictionary(db):
    cur = connect(db).cursor()
    cur.execute("CREATE TABLE DEPT (DEPTNO NUMBER(2) PRIMARY KEY, DNAME VARCHAR2(14))")
    cur.execute(
        "CREATE TABLE EMP (EMPNO NUMBER(4) PRIMARY KEY, DEPTNO NUMBER(2) REFERENCES DEPT (DEPTNO),"
        " HIRED DATE, PHOTO LONG RAW)"
    )
    cur.execute("CREATE VIEW EMPS AS SELECT EMPNO FROM EMP")
    assert [t.table_name for t in cur.tables(schema="SCOTT", tableType="VIEW")] == ["EMPS"]
    assert [t.table_name for t in cur.tables(schema="SCOTT", tableType="'TABLE'")] == [
        "DEPT", "EMP"]
    assert [(t.table_owner, t.table_type) for t in cur.tables(table="DUAL")] == [
        ("SYS", "SYSTEM TABLE")]
    keys = cur.foreignKeys(table="DEPT").fetchall()
    assert [(k[2], k[3], k[6], k[7], k[8]) for k in keys] == [
        ("DEPT", "DEPTNO", "EMP", "DEPTNO", 1)]
    columns = cur.columns(table="EMP").fetchall()
    assert [(c[3], c[4], c[5], c[6], c[8]) for c in columns] == [
        ("EMPNO", 3, "NUMBER", 4, 0), ("DEPTNO", 3, "NUMBER", 2, 0),
        ("HIRED", 11, "DATE", 19, 0), ("PHOTO", -4, "LONG RAW", 2147483647, None)]
    procedures = {p[2]: p[7] for p in cur.procedures(procedure="TEST_%")}
    assert procedures["TEST_ADD"] == 1 and procedures["TEST_TWICE"] == 2
    arguments = cur.procedureColumns(procedure="TEST_ADD").fetchall()
    assert [(a[3], a[4], a[6]) for a in arguments] == [
        ("A", 1, "NUMBER"), ("B", 1, "NUMBER"), ("C", 4, "NUMBER")]
    returned = cur.procedureColumns(procedure="TEST_GREETING").fetchall()
    assert [(a[4], a[6]) for a in returned] == [(5, "VARCHAR2"), (1, "VARCHAR2")]
    types = [(t[0], t[1]) for t in cur.getTypeInfo()]
    assert ("LONG RAW", -4) in types and ("VARCHAR2", 12) in types and ("DATE", 11) in types
