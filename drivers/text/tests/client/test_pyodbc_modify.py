"""Writing text tables under pyodbc: the exact bytes CREATE TABLE and
INSERT write to the data file and to VXTXT.INI, dates written with masks,
appending to files that end oddly, executemany, the row count, DROP TABLE
of an open table, INSERT ... SELECT, and two processes appending to one
file at the same time."""
import datetime
import decimal
import os
import subprocess
import sys

import pyodbc
import pytest

DRIVER = os.environ["KWTXT08_PATH"]


def connect(folder, rest=""):
    text = "DRIVER=%s;Database=%s;%s" % (DRIVER, folder, rest)
    return pyodbc.connect(text, autocommit=True)


def read(folder, name):
    with open(os.path.join(folder, name), "rb") as f:
        return f.read()


def write(folder, name, data):
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def test_create_and_insert_write_exactly_these_bytes(tmp_path):
    folder = str(tmp_path)
    connection = connect(folder, "FirstLineNames=1")
    cursor = connection.cursor()
    cursor.execute("CREATE TABLE Orders (Id NUMERIC(5,0), Note VARCHAR(10), Day DATE, "
                   "Price NUMERIC(6,2))")
    cursor.execute("INSERT INTO Orders VALUES (?, ?, ?, ?)", 7, 'a "b", c  ',
                   datetime.date(2024, 2, 29), decimal.Decimal("-1.005"))
    assert cursor.rowcount == 1
    cursor.execute("INSERT INTO Orders (Id) VALUES (8)")
    connection.close()
    assert read(folder, "Orders.TXT") == (
        b'"Id","Note","Day","Price"\r\n'
        b'7,"a ""b"", c","2024-02-29",-1.01\r\n'
        b'8,"","",\r\n')
    assert read(folder, "VXTXT.INI").decode().splitlines() == [
        "[Defined Tables]",
        "Orders.TXT=Orders",
        "[Orders]",
        "FILE=Orders.TXT",
        "FLN=1",
        "TT=Comma",
        "Charset=ANSI",
        "FIELD1=Id,NUMERIC,5,0,7,0,",
        "FIELD2=Note,VARCHAR,10,0,10,7,",
        "FIELD3=Day,DATE,10,0,10,17,yyyy-mm-dd",
        "FIELD4=Price,NUMERIC,6,2,8,27,",
    ]


def test_character_tables_write_their_delimiter(tmp_path):
    folder = str(tmp_path)
    connection = connect(folder, "TableType=Character;Delimiter=|")
    connection.execute("CREATE TABLE Pipes (A VARCHAR(3), B NUMERIC(2,0))")
    connection.execute("INSERT INTO Pipes VALUES ('a|b', 12)")
    connection.close()
    assert read(folder, "Pipes.TXT") == b'"a|b"|12\r\n'
    assert "DC=|" in read(folder, "VXTXT.INI").decode().splitlines()


MASKED = b"""[Defined Tables]
masked.txt=MASKED
[MASKED]
FILE=masked.txt
FLN=0
TT=Comma
FIELD1=Long,DATE,10,0,20,0,Mmm dd, yyyy
FIELD2=Short,DATE,10,0,8,20,mm/dd/yy
FIELD3=Named,DATE,10,0,30,28,DDDD d MMMM yyyy
FIELD4=Julian,DATE,10,0,10,58,J
"""


def test_dates_are_written_with_their_masks(tmp_path):
    folder = str(tmp_path)
    write(folder, "VXTXT.INI", MASKED)
    write(folder, "masked.txt", b"")
    connection = connect(folder)
    day = datetime.date(1995, 7, 4)
    connection.execute("INSERT INTO MASKED VALUES (?, ?, ?, ?)", day, day, day, day)
    assert read(folder, "masked.txt") == (
        b'"Jul 04, 1995","07/04/95","TUESDAY 4 JULY 1995","2449903"\r\n')
    assert [tuple(row) for row in connection.execute("SELECT * FROM MASKED")] == [
        (day, day, day, day)]
    # A two-digit year reads back as 19yy: other years would change.
    with pytest.raises(pyodbc.Error) as failure:
        connection.execute("INSERT INTO MASKED (Short) VALUES (?)", datetime.date(2024, 1, 2))
    assert failure.value.args[0] == "22008"
    connection.close()
    assert read(folder, "masked.txt").count(b"\n") == 1


def test_appending_after_ctrl_z_and_after_a_last_line_without_line_feed(tmp_path):
    folder = str(tmp_path)
    write(folder, "VXTXT.INI", b"[Defined Tables]\nends.txt=ENDS\n[ENDS]\nFILE=ends.txt\n"
          b"FLN=0\nTT=Comma\nFIELD1=A,VARCHAR,5,0,5,0,\n")
    write(folder, "ends.txt", b'"one"\r\n\x1a')
    connection = connect(folder)
    connection.execute("INSERT INTO ENDS VALUES ('two')")
    assert read(folder, "ends.txt") == b'"one"\r\n"two"\r\n'
    write(folder, "ends.txt", b'"one"')
    connection.execute("INSERT INTO ENDS VALUES ('two')")
    assert read(folder, "ends.txt") == b'"one"\r\n"two"\r\n'
    assert [row.A for row in connection.execute("SELECT * FROM ENDS")] == ["one", "two"]
    connection.close()


def test_executemany_inserts_every_row(tmp_path):
    folder = str(tmp_path)
    connection = connect(folder)
    cursor = connection.cursor()
    cursor.execute("CREATE TABLE Many (N NUMERIC(6,0), Label VARCHAR(12), Day DATE)")
    rows = [(i, "row %d" % i, datetime.date(2000, 1, 1) + datetime.timedelta(days=i))
            for i in range(5000)]
    cursor.executemany("INSERT INTO Many (N, Label, Day) VALUES (?, ?, ?)", rows)
    back = cursor.execute("SELECT N, Label, Day FROM Many").fetchall()
    assert [(int(r.N), r.Label, r.Day) for r in back] == rows
    connection.close()


def test_drop_table_refuses_an_open_table_and_drops_undefined_files(tmp_path):
    folder = str(tmp_path)
    connection = connect(folder)
    connection.execute("CREATE TABLE Busy (A VARCHAR(3))")
    connection.execute("INSERT INTO Busy VALUES ('x')")
    connection.execute("INSERT INTO Busy VALUES ('y')")
    reader = connection.cursor()
    reader.execute("SELECT * FROM Busy")
    assert reader.fetchone().A == "x"
    with pytest.raises(pyodbc.Error) as failure:
        connection.execute("DROP TABLE Busy")
    assert "You cannot delete a file that is already open" in str(failure.value)
    assert os.path.exists(os.path.join(folder, "Busy.TXT"))
    reader.close()
    connection.execute("DROP TABLE Busy")
    assert not os.path.exists(os.path.join(folder, "Busy.TXT"))
    assert "Busy" not in read(folder, "VXTXT.INI").decode()
    write(folder, "loose.txt", b"1,2\r\n")
    connection.execute("DROP TABLE loose.txt")
    assert not os.path.exists(os.path.join(folder, "loose.txt"))
    # A definition whose file was deleted by hand is dropped, and the name
    # can be created again.
    connection.execute("CREATE TABLE Gone (A VARCHAR(3))")
    os.remove(os.path.join(folder, "Gone.TXT"))
    connection.execute("DROP TABLE Gone")
    assert "Gone" not in read(folder, "VXTXT.INI").decode()
    connection.execute("CREATE TABLE Gone (A VARCHAR(3))")
    with pytest.raises(pyodbc.Error) as failure:
        connection.execute("DROP TABLE Never")
    assert "42S02" in str(failure.value)
    connection.close()


def test_insert_select_counts_its_rows_and_takes_parameters(tmp_path):
    folder = str(tmp_path)
    connection = connect(folder)
    cursor = connection.cursor()
    cursor.execute("CREATE TABLE Src (N NUMERIC(4,0))")
    cursor.executemany("INSERT INTO Src VALUES (?)", [(i,) for i in range(10)])
    cursor.execute("INSERT INTO Src SELECT N + 100 FROM Src WHERE N < ?", 4)
    assert cursor.rowcount == 4
    assert sorted(int(r.N) for r in cursor.execute("SELECT N FROM Src")) == \
        list(range(10)) + [100, 101, 102, 103]
    connection.close()


APPENDER = """
import pyodbc, sys
connection = pyodbc.connect("DRIVER=%s;Database=%s" % (sys.argv[1], sys.argv[2]), autocommit=True)
tag = sys.argv[3]
connection.cursor().executemany("INSERT INTO Shared VALUES (?, ?)",
                                [(i, tag * 20) for i in range(10000)])
connection.close()
"""


def test_two_processes_appending_lose_no_row_and_tear_no_line(tmp_path):
    folder = str(tmp_path)
    connection = connect(folder)
    connection.execute("CREATE TABLE Shared (N NUMERIC(5,0), Tag VARCHAR(20))")
    connection.close()
    writers = [subprocess.Popen([sys.executable, "-c", APPENDER, DRIVER, folder, tag])
               for tag in "ab"]
    assert [writer.wait() for writer in writers] == [0, 0]
    lines = read(folder, "Shared.TXT").split(b"\r\n")
    assert lines[-1] == b""
    expected = sorted(b'%d,"%s"' % (i, tag * 20) for tag in (b"a", b"b") for i in range(10000))
    assert sorted(lines[:-1]) == expected
