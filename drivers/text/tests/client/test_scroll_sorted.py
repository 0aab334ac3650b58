"""SQLExtendedFetch over sorted, grouped and united results, as an ODBC 2
application calls it through the driver manager: every direction moves
over the rows in their sorted order."""
import ctypes
import os

import pytest

DRIVER = os.environ["KWTXT08_PATH"]
DATA = os.path.join(os.environ["KWTXT08_DATA"], "order")
CONNECT = "DRIVER=%s;Database=%s;FirstLineNames=1" % (DRIVER, DATA)

NEXT, FIRST, LAST, PRIOR, ABSOLUTE, RELATIVE = 1, 2, 3, 4, 5, 6
SQL_NO_DATA = 100


class Odbc2Application:
    def __init__(self, connect=CONNECT):
        self.odbc = ctypes.CDLL("libodbc.so.2")
        self.env, self.dbc, self.stmt = ctypes.c_void_p(), ctypes.c_void_p(), ctypes.c_void_p()
        assert self.odbc.SQLAllocEnv(ctypes.byref(self.env)) == 0
        assert self.odbc.SQLAllocConnect(self.env, ctypes.byref(self.dbc)) == 0
        text = connect.encode()
        assert self.odbc.SQLDriverConnect(self.dbc, None, text, len(text), None, 0, None,
                                          0) in (0, 1)
        assert self.odbc.SQLAllocStmt(self.dbc, ctypes.byref(self.stmt)) == 0

    def message(self):
        state, text = ctypes.create_string_buffer(6), ctypes.create_string_buffer(512)
        native, length = ctypes.c_int(), ctypes.c_short()
        self.odbc.SQLError(self.env, self.dbc, self.stmt, state, ctypes.byref(native), text,
                           512, ctypes.byref(length))
        return state.value.decode() + " " + text.value.decode()

    def scroll(self, sql, moves, rowset=2, column=1, row_ids=None):
        """Executes `sql` on a static cursor with `rowset` rows and returns
        the rows of `column` of each move (None for no data); `row_ids`, a
        list, gets the ROWID the driver reports after each move."""
        assert self.odbc.SQLSetScrollOptions(self.stmt, 1, ctypes.c_long(-3), rowset) == 0
        assert self.odbc.SQLExecDirect(self.stmt, sql.encode(), len(sql)) == 0, self.message()
        width = 512
        values = (ctypes.c_char * (width * rowset))()
        lengths = (ctypes.c_long * rowset)()
        assert self.odbc.SQLBindCol(self.stmt, column, 1, values, width, lengths) == 0
        rows, status = ctypes.c_ulong(), (ctypes.c_ushort * rowset)()
        seen = []
        for direction, offset in moves:
            rc = self.odbc.SQLExtendedFetch(self.stmt, direction, ctypes.c_long(offset),
                                            ctypes.byref(rows), status)
            if rc == SQL_NO_DATA:
                seen.append(None)
                continue
            assert rc == 0, self.message()
            seen.append([values[i * width:(i + 1) * width].split(b"\0")[0].decode()
                         if lengths[i] >= 0 else None for i in range(rows.value)])
            if row_ids is not None:
                row_id = ctypes.c_ulong()
                assert self.odbc.SQLGetStmtOption(self.stmt, 1048, ctypes.byref(row_id)) == 0, \
                    self.message()
                row_ids.append(row_id.value)
        self.scroll_row_ids = row_ids
        self.odbc.SQLFreeStmt(self.stmt, 0)
        return seen

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


MOVES = [(NEXT, 0), (NEXT, 0), (PRIOR, 0), (LAST, 0), (FIRST, 0), (ABSOLUTE, 4),
         (RELATIVE, -2), (RELATIVE, 3), (ABSOLUTE, 9), (PRIOR, 0)]


def test_scrolls_over_an_ordered_result(odbc2):
    # Ids by amount descending (NULL last), ties by id.
    seen = odbc2.scroll("SELECT id FROM sales.csv ORDER BY amount DESC, id", MOVES)
    assert seen == [["2", "5"], ["7", "1"], ["2", "5"], ["6", "3"], ["2", "5"], ["1", "4"],
                    ["5", "7"], ["4", "6"], None, ["6", "3"]]


def test_scrolls_over_a_distinct_result(odbc2):
    seen = odbc2.scroll("SELECT DISTINCT name FROM sales.csv ORDER BY 1 DESC", MOVES[:6])
    assert seen == [["Ed", "Di"], ["Cy", "Bob"], ["Ed", "Di"], ["Bob", "Ann"], ["Ed", "Di"],
                    ["Bob", "Ann"]]


def test_scrolls_over_a_grouped_result(odbc2):
    # Groups by region: East 1 row, North 3, South 2, West 1.
    sql = ("SELECT region, COUNT(*) FROM sales.csv GROUP BY region "
           "HAVING COUNT(*) > 0 ORDER BY 2 DESC, 1")
    seen = odbc2.scroll(sql, [(LAST, 0), (PRIOR, 0), (ABSOLUTE, 3), (RELATIVE, -2), (NEXT, 0),
                              (NEXT, 0), (FIRST, 0)])
    assert seen == [["East", "West"], ["North", "South"], ["East", "West"], ["North", "South"],
                    ["East", "West"], None, ["North", "South"]]
    # Without ORDER BY the group operator itself is scrolled.
    seen = odbc2.scroll("SELECT region, SUM(amount) FROM sales.csv GROUP BY region",
                        [(ABSOLUTE, 2), (FIRST, 0), (LAST, 0), (RELATIVE, -1)], rowset=1)
    assert seen == [["North"], ["East"], ["West"], ["South"]]


def test_scrolls_over_a_union(odbc2):
    # North: Ann, Cy, Bob; South: Bob, Ann; UNION ALL keeps all five.
    sql = ("SELECT name FROM sales.csv WHERE region = 'North' UNION ALL "
           "SELECT name FROM sales.csv WHERE region = 'South'")
    seen = odbc2.scroll(sql, [(LAST, 0), (ABSOLUTE, 3), (PRIOR, 0), (RELATIVE, 2)], rowset=1)
    assert seen == [["Ann"], ["Bob"], ["Cy"], ["Bob"]]
    seen = odbc2.scroll(sql + " ORDER BY 1 DESC", [(LAST, 0), (FIRST, 0), (NEXT, 0)], rowset=2)
    assert seen == [["Ann", "Ann"], ["Cy", "Bob"], ["Bob", "Ann"]]


def test_row_id_of_the_sorted_row(odbc2):
    # The rows come from the sort's records; the ROWID the driver reports
    # is the one of the row shown, not of the last row the sort read.
    unsorted = odbc2.scroll("SELECT id FROM sales.csv",
                            [(NEXT, 0)] * 7, rowset=1, row_ids=[])
    row_of = {}
    for rows, row_id in zip(unsorted, odbc2.scroll_row_ids):
        row_of[rows[0]] = row_id
    assert len(set(row_of.values())) == 7
    moves = [(LAST, 0), (PRIOR, 0), (ABSOLUTE, 2), (NEXT, 0), (FIRST, 0)]
    row_ids = []
    seen = odbc2.scroll("SELECT id FROM sales.csv ORDER BY amount DESC, id", moves, rowset=1,
                        row_ids=row_ids)
    assert seen == [["3"], ["6"], ["5"], ["7"], ["2"]]
    assert row_ids == [row_of[rows[0]] for rows in seen]


def test_rows_with_values_longer_than_their_columns(tmp_path):
    # Widths are guessed from the first lines: later values are longer
    # than their column's room and those rows are read again from the
    # file; the wide file's rows are too wide to be kept with the sort.
    lines = ["id,name"] + ["%d,n%d" % (i, i) for i in range(1, 300)] + ["300," + "x" * 40]
    (tmp_path / "long.csv").write_text("\n".join(lines) + "\n")
    wide = ["id,text"] + ["%d,%s" % (i, chr(ord("a") + i % 26) * 400) for i in range(1, 40)]
    (tmp_path / "wide.csv").write_text("\n".join(wide) + "\n")
    application = Odbc2Application("DRIVER=%s;Database=%s;FirstLineNames=1" % (DRIVER, tmp_path))
    try:
        moves = [(FIRST, 0), (NEXT, 0), (LAST, 0), (PRIOR, 0), (ABSOLUTE, 150)]
        seen = application.scroll("SELECT id, name FROM long.csv ORDER BY id DESC", moves,
                                  column=2)
        assert seen == [["x" * 40, "n299"], ["n298", "n297"], ["n2", "n1"], ["n4", "n3"],
                        ["n151", "n150"]]
        seen = application.scroll("SELECT id, text FROM wide.csv ORDER BY id DESC",
                                  [(LAST, 0), (PRIOR, 0), (FIRST, 0)], column=2)
        assert seen == [["c" * 400, "b" * 400], ["e" * 400, "d" * 400],
                        ["n" * 400, "m" * 400]]
    finally:
        application.close()
