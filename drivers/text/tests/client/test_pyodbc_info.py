"""What generic clients ask the Text driver before any SQL: its types
(SQLGetTypeInfo), its information (SQLGetInfo for every ODBC 2 type) and
the functions it supports (SQLGetFunctions), through the driver manager."""
import ctypes
import os
import re

import pyodbc
import pytest

DRIVER = os.environ["KWTXT08_PATH"]
DATA = os.path.join(os.environ["KWTXT08_DATA"], "client")
CONNECT = "DRIVER=%s;Database=%s;FirstLineNames=1;ExtraExtensions=csv" % (DRIVER, DATA)


@pytest.fixture
def connection():
    connection = pyodbc.connect(CONNECT, autocommit=True)
    yield connection
    connection.close()


class Odbc2Application:
    """unixODBC's driver manager called directly, as an ODBC 2 application."""

    def __init__(self):
        self.odbc = ctypes.CDLL("libodbc.so.2")
        self.env, self.dbc, self.stmt = ctypes.c_void_p(), ctypes.c_void_p(), ctypes.c_void_p()
        assert self.odbc.SQLAllocEnv(ctypes.byref(self.env)) == 0
        assert self.odbc.SQLAllocConnect(self.env, ctypes.byref(self.dbc)) == 0
        text = CONNECT.encode()
        assert self.odbc.SQLDriverConnect(self.dbc, None, text, len(text), None, 0, None,
                                          0) in (0, 1)
        assert self.odbc.SQLAllocStmt(self.dbc, ctypes.byref(self.stmt)) == 0

    def state(self, statement=True):
        state, message = ctypes.create_string_buffer(6), ctypes.create_string_buffer(512)
        native, length = ctypes.c_int(), ctypes.c_short()
        self.odbc.SQLError(self.env, self.dbc, self.stmt if statement else None, state,
                           ctypes.byref(native), message, 512, ctypes.byref(length))
        return state.value.decode()

    def close(self):
        self.odbc.SQLFreeStmt(self.stmt, 1)
        self.odbc.SQLDisconnect(self.dbc)
        self.odbc.SQLFreeConnect(self.dbc)
        self.odbc.SQLFreeEnv(self.env)


@pytest.fixture
def odbc2():
    application = Odbc2Application()
    yield application
    application.close()


TYPES = [
    # name, SQL type, precision, prefix, suffix, create params, nullable,
    # case sensitive, searchable, unsigned, money, auto increment, local
    # name, minimum scale, maximum scale
    ("NUMERIC", 2, 254, None, None, "precision,scale", 1, 0, 2, 0, 0, 0, None, 0, 254),
    ("DATE", 9, 10, "{d '", "'}", None, 1, 0, 2, None, 0, None, None, None, None),
    ("VARCHAR", 12, 65535, "'", "'", "max length", 1, 1, 3, None, 0, None, None, None, None),
]


def test_type_info_answers_the_three_text_types(connection):
    cursor = connection.cursor()
    assert [tuple(row) for row in cursor.getTypeInfo()] == TYPES
    assert [d[0] for d in cursor.description][:3] == ["type_name", "data_type", "precision"]
    # One type at a time; the ODBC 3 date code stands for DATE; a type the
    # driver does not have gives no row.
    assert [tuple(row) for row in cursor.getTypeInfo(pyodbc.SQL_VARCHAR)] == TYPES[2:]
    assert [tuple(row) for row in cursor.getTypeInfo(pyodbc.SQL_TYPE_DATE)] == TYPES[1:2]
    assert [tuple(row) for row in cursor.getTypeInfo(pyodbc.SQL_NUMERIC)] == TYPES[:1]
    assert cursor.getTypeInfo(pyodbc.SQL_INTEGER).fetchall() == []


def test_type_info_literals_are_accepted_in_queries(connection):
    cursor = connection.cursor()
    # The prefixes and suffixes a client quotes values with.
    rows = cursor.execute("SELECT id FROM emp.csv WHERE hired = {d '2019-03-01'} "
                          "AND name = 'Ann'").fetchall()
    assert [row.id for row in rows] == [1]


def test_every_odbc2_information_type_has_an_answer(odbc2, connection):
    value, length = ctypes.create_string_buffer(1024), ctypes.c_short()
    failed = []
    # The driver's handles (3-5, 76) and SQL_ODBC_VER (10) are the driver
    # manager's own.
    for info_type in sorted(set(range(0, 115)) - {3, 4, 5, 10, 76}):
        if odbc2.odbc.SQLGetInfo(odbc2.dbc, info_type, value, 1024, ctypes.byref(length)) != 0:
            failed.append((info_type, odbc2.state(statement=False)))
        # pyodbc asks only the types it knows the kind of.
        try:
            connection.getinfo(info_type)
        except pyodbc.Error as error:
            if "Unsupported getinfo value" not in str(error):
                failed.append((info_type, error.args[0]))
    assert failed == []


# Information types by number: pyodbc knows only the ODBC 3 names.
@pytest.mark.parametrize("info_type, expected", [
    (17, "Text"),  # SQL_DBMS_NAME
    (18, re.compile(r"\d\d\.\d\d\.\d{4}$")),  # SQL_DBMS_VER
    (7, re.compile(r"\d\d\.\d\d\.\d{4}$")),  # SQL_DRIVER_VER
    (77, "02.10"),  # SQL_DRIVER_ODBC_VER
    (42, "directory"),  # SQL_QUALIFIER_TERM
    (45, "table"),  # SQL_TABLE_TERM
    (39, ""),  # SQL_OWNER_TERM: no owners
    (40, ""),  # SQL_PROCEDURE_TERM: no procedures
    (21, False),  # SQL_PROCEDURES
    (30, 32),  # SQL_MAX_COLUMN_NAME_LEN
    (35, 128),  # SQL_MAX_TABLE_NAME_LEN
    (29, "`"),  # SQL_IDENTIFIER_QUOTE_CHAR
    (28, 4),  # SQL_IDENTIFIER_CASE: SQL_IC_MIXED
    (16, DATA),  # SQL_DATABASE_NAME
    (14, "~"),  # SQL_SEARCH_PATTERN_ESCAPE
    (44, 0x11),  # SQL_SCROLL_OPTIONS: forward-only, static
    (81, 0xB),  # SQL_GETDATA_EXTENSIONS: no block
    (87, True),  # SQL_COLUMN_ALIAS
    (92, 5),  # SQL_QUALIFIER_USAGE: statements and table definitions
])
def test_information_values(connection, info_type, expected):
    value = connection.getinfo(info_type)
    if isinstance(expected, re.Pattern):
        assert expected.match(value), value
    else:
        assert value == expected


def test_no_set_pos_operations_since_the_driver_has_no_set_pos(odbc2):
    number = ctypes.c_uint32()
    # SQL_LOCK_TYPES, SQL_POS_OPERATIONS, SQL_POSITIONED_STATEMENTS,
    # SQL_STATIC_SENSITIVITY
    for info_type in (78, 79, 80, 83):
        number.value = 0xFFFF
        assert odbc2.odbc.SQLGetInfo(odbc2.dbc, info_type, ctypes.byref(number), 4, None) == 0
        assert number.value == 0, info_type
    exists = ctypes.c_ushort(1)
    assert odbc2.odbc.SQLGetFunctions(odbc2.dbc, 68, ctypes.byref(exists)) == 0
    assert exists.value == 0


SUPPORTED = {
    1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 23,
    40, 41, 42, 43, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 59, 61, 62, 63, 64, 65, 69, 72}
# SQLColumnPrivileges, SQLForeignKeys, SQLProcedureColumns, SQLProcedures,
# SQLSetPos, SQLTablePrivileges
NOT_SUPPORTED = {56, 60, 66, 67, 68, 70}


def test_functions_reported_are_those_that_work(odbc2, connection):
    exists = (ctypes.c_ushort * 100)()
    assert odbc2.odbc.SQLGetFunctions(odbc2.dbc, 0, exists) == 0
    reported = {api for api in range(100) if exists[api]}
    assert SUPPORTED <= reported
    assert reported & NOT_SUPPORTED == set()
    # The reported catalog functions answer.
    cursor = connection.cursor()
    assert cursor.tables(table="emp.csv").fetchall()
    assert cursor.statistics("emp.csv").fetchall()
    assert cursor.primaryKeys("emp.csv").fetchall() == []
    assert cursor.rowIdColumns("emp.csv").fetchall() == []
    assert cursor.getTypeInfo().fetchall()
    # Those not reported are refused: by the driver manager (IM001), or by
    # the driver when the manager calls its wide entry point (HYC00).
    with pytest.raises(pyodbc.Error) as error:
        cursor.foreignKeys(table="emp.csv")
    assert error.value.args[0] in ("IM001", "HYC00")


def test_static_cursor_scrolls(odbc2):
    # SQLSetScrollOptions(read only, static, 2 rows), then the last rows
    # and the first ones.
    assert odbc2.odbc.SQLSetScrollOptions(odbc2.stmt, 1, ctypes.c_long(-3), 2) == 0
    sql = b"SELECT id FROM emp.csv"
    assert odbc2.odbc.SQLExecDirect(odbc2.stmt, sql, len(sql)) == 0
    ids = (ctypes.c_int * 2)()
    assert odbc2.odbc.SQLBindCol(odbc2.stmt, 1, 4, ids, 4, None) == 0
    rows, status = ctypes.c_ulong(), (ctypes.c_ushort * 2)()
    fetched = []
    # SQL_FETCH_LAST, SQL_FETCH_FIRST, SQL_FETCH_ABSOLUTE 3, SQL_FETCH_PRIOR
    for direction, offset in ((3, 0), (2, 0), (5, 3), (4, 0)):
        assert odbc2.odbc.SQLExtendedFetch(odbc2.stmt, direction, ctypes.c_long(offset),
                                           ctypes.byref(rows), status) == 0, odbc2.state()
        fetched.append(list(ids)[:rows.value])
    assert fetched == [[4, 5], [1, 2], [3, 4], [1, 2]]
