"""The Text driver's catalog answers and read path under pyodbc (and, where
a driver manager would serialise the calls, straight through the driver):
columns of every table, qualifiers, table options on defined tables,
guessed widths, long numbers, statistics and concurrent catalog calls."""
import ctypes
import decimal
import os
import threading

import pyodbc
import pytest

DRIVER = os.environ["KWTXT08_PATH"]
DATA = os.path.join(os.environ["KWTXT08_DATA"], "client")


def connect(folder, rest=""):
    text = "DRIVER=%s;Database=%s;FirstLineNames=1;%s" % (DRIVER, folder, rest)
    return pyodbc.connect(text, autocommit=True)


def write(folder, name, text):
    (folder / name).write_text(text)


def test_columns_without_a_table_or_with_a_pattern_describe_every_matching_table(tmp_path):
    write(tmp_path, "alpha.txt", "id,name\n1,Ann\n")
    write(tmp_path, "beta.txt", "code\nx\n")
    write(tmp_path, "cities.csv", "city,zip\nOslo,0150\n")
    connection = connect(tmp_path, "ExtraExtensions=csv")
    cursor = connection.cursor()
    every = sorted((row.table_name, row.column_name) for row in cursor.columns())
    assert every == [("alpha.txt", "id"), ("alpha.txt", "name"), ("beta.txt", "code"),
                     ("cities.csv", "city"), ("cities.csv", "zip")]
    assert [(row.table_name, row.column_name) for row in cursor.columns(table="c%")] == [
        ("cities.csv", "city"), ("cities.csv", "zip")]
    assert [row.column_name for row in cursor.columns(table="%", column="n%")] == ["name"]
    # Every row names the data directory as qualifier.
    assert {row[0] for row in cursor.columns()} == {str(tmp_path)}
    connection.close()
    # A listed table that cannot be opened (its file is missing) is left
    # out; the others are still described.
    connection = pyodbc.connect("DRIVER=%s;Database=%s" % (
        DRIVER, os.path.join(os.environ["KWTXT08_DATA"], "badini")), autocommit=True)
    assert [(row[2], row[3]) for row in connection.cursor().columns()] == [
        ("data.txt", "FIELD_1"), ("data.txt", "FIELD_2")]
    connection.close()


def test_a_relative_qualifier_lists_tables_of_the_database_directory(tmp_path, monkeypatch):
    database = tmp_path / "db"
    (database / "sub").mkdir(parents=True)
    write(database / "sub", "inner.txt", "a\n1\n")
    write(database, "outer.txt", "a\n1\n")
    monkeypatch.chdir(tmp_path)
    connection = connect(database)
    cursor = connection.cursor()
    assert [row.table_name for row in cursor.tables(catalog="sub")] == ["inner.txt"]
    # The same qualifier opens the table, as the listing promised.
    assert cursor.execute("SELECT a FROM sub\\inner.txt").fetchall()[0][0] == decimal.Decimal(1)
    connection.close()


def test_table_options_adjust_a_defined_table_instead_of_replacing_its_columns():
    connection = connect(DATA)
    cursor = connection.cursor()
    cursor.execute("SELECT * FROM PEOPLE (HeaderLine=0)")
    assert [column[0] for column in cursor.description] == ["name", "age"]
    assert [tuple(row) for row in cursor.fetchall()][:2] == [("Ann", 31), ("Bob", 42)]
    # A header line skips the first record and keeps the defined columns.
    cursor.execute("SELECT * FROM PEOPLE (HeaderLine=1)")
    assert [column[0] for column in cursor.description] == ["name", "age"]
    assert cursor.fetchone()[0] == "Bob"
    connection.close()


def test_a_guessed_width_is_no_limit_for_string_functions(tmp_path):
    write(tmp_path, "names.csv", "name\n" + "Al\n" * 25 + "Alexander\n")
    connection = connect(tmp_path)
    cursor = connection.cursor()
    cursor.execute("SELECT LEFT(name,5), SUBSTR(name,3), RIGHT(name,3), UPPER(name) "
                   "FROM names.csv WHERE name = 'Alexander'")
    # No function result is described narrower than the values it returns.
    sizes = [column[3] for column in cursor.description]
    assert tuple(cursor.fetchone()) == ("Alexa", "exander", "der", "ALEXANDER")
    assert sizes[0] == 5 and sizes[2] == 3
    assert sizes[1] >= 7 and sizes[3] >= 9
    connection.close()
    # A declared width (VXTXT.INI) still limits constant arguments.
    connection = connect(DATA)
    with pytest.raises(pyodbc.Error) as error:
        connection.cursor().execute("SELECT LEFT(name,6) FROM PEOPLE")
    assert "String function offset out of range: LEFT" in error.value.args[1]
    connection.close()


def fetch_text(folder, sql):
    """Each row's first column as text, straight through the driver:
    pyodbc keeps decimal text in 100 bytes of its own."""
    lib = ctypes.CDLL(DRIVER)
    lib.SQLGetData.argtypes = [ctypes.c_void_p, ctypes.c_ushort, ctypes.c_short, ctypes.c_void_p,
                               ctypes.c_int64, ctypes.c_void_p]
    env, dbc, stmt = ctypes.c_void_p(), ctypes.c_void_p(), ctypes.c_void_p()
    assert lib.SQLAllocEnv(ctypes.byref(env)) == 0
    assert lib.SQLAllocConnect(env, ctypes.byref(dbc)) == 0
    text = ("Database=%s;FirstLineNames=1" % folder).encode()
    out = ctypes.create_string_buffer(512)
    length = ctypes.c_short()
    assert lib.SQLDriverConnect(dbc, None, text, len(text), out, 512, ctypes.byref(length),
                                0) in (0, 1)
    assert lib.SQLAllocStmt(dbc, ctypes.byref(stmt)) == 0
    assert lib.SQLExecDirect(stmt, sql.encode(), len(sql)) == 0
    values = []
    while lib.SQLFetch(stmt) == 0:
        value = ctypes.create_string_buffer(400)
        size = ctypes.c_int64()
        assert lib.SQLGetData(stmt, 1, 1, value, 400, ctypes.byref(size)) == 0
        values.append(value.value.decode())
    lib.SQLFreeStmt(stmt, 1)
    lib.SQLDisconnect(dbc)
    lib.SQLFreeConnect(dbc)
    lib.SQLFreeEnv(env)
    return values


def test_numbers_longer_than_96_digits_read_whole(tmp_path):
    # Every digit counts: a column of the widest precision keeps them all.
    declared = "1234567890" * 15
    guessed = "9" * 80 + "1234567890" * 4
    write(tmp_path, "VXTXT.INI", "[Defined Tables]\nbig.txt=BIG\n\n[BIG]\nFILE=big.txt\nFLN=0\n"
          "TT=Fixed\nFIELD1=n,NUMERIC,150,0,150,0,\n")
    write(tmp_path, "big.txt", declared + "\n")
    write(tmp_path, "long.csv", "n\n1\n%s\n" % guessed)
    assert fetch_text(tmp_path, "SELECT n FROM BIG") == [declared]
    assert fetch_text(tmp_path, "SELECT n FROM long.csv") == ["1", guessed]


def test_statistics_report_the_record_count_once_a_read_has_counted_them(tmp_path):
    write(tmp_path, "t.csv", "a\n1\n2\n3\n")
    connection = connect(tmp_path)
    cursor = connection.cursor()

    def cardinality():
        return [row.cardinality for row in cursor.statistics("t.csv")]

    assert cardinality() == [None]
    assert len(cursor.execute("SELECT * FROM t.csv").fetchall()) == 3
    assert cardinality() == [3]
    # A changed file is not counted until it is read again.
    with open(tmp_path / "t.csv", "a") as out:
        out.write("4\n")
    assert cardinality() == [None]
    connection.close()


def test_catalog_calls_of_two_threads_on_one_connection(tmp_path):
    # Straight through the driver: a driver manager may serialise the calls.
    for n in range(40):
        write(tmp_path, "t%02d.txt" % n, "a\n1\n")
    lib = ctypes.CDLL(DRIVER)
    lib.SQLTables.argtypes = [ctypes.c_void_p] + [ctypes.c_char_p, ctypes.c_short] * 4
    lib.SQLFetch.argtypes = [ctypes.c_void_p]
    lib.SQLFreeStmt.argtypes = [ctypes.c_void_p, ctypes.c_ushort]
    env, dbc = ctypes.c_void_p(), ctypes.c_void_p()
    assert lib.SQLAllocEnv(ctypes.byref(env)) == 0
    assert lib.SQLAllocConnect(env, ctypes.byref(dbc)) == 0
    text = ("Database=%s" % tmp_path).encode()
    out = ctypes.create_string_buffer(512)
    length = ctypes.c_short()
    assert lib.SQLDriverConnect(dbc, None, text, len(text), out, 512, ctypes.byref(length),
                                0) in (0, 1)
    counts = {0: [], 1: []}

    def list_tables(number):
        stmt = ctypes.c_void_p()
        assert lib.SQLAllocStmt(dbc, ctypes.byref(stmt)) == 0
        for _ in range(150):
            rc = lib.SQLTables(stmt, None, 0, None, 0, None, 0, None, 0)
            rows = 0
            while rc == 0 and lib.SQLFetch(stmt) == 0:
                rows += 1
            counts[number].append(rows if rc == 0 else -1)
            lib.SQLFreeStmt(stmt, 0)
        lib.SQLFreeStmt(stmt, 1)

    threads = [threading.Thread(target=list_tables, args=(n,)) for n in (0, 1)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert lib.SQLDisconnect(dbc) == 0
    lib.SQLFreeConnect(dbc)
    lib.SQLFreeEnv(env)
    assert counts[0] == [40] * 150 and counts[1] == [40] * 150
