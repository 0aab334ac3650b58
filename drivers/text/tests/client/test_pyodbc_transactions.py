"""Manual-commit transactions on the Text driver under pyodbc, whose
default connection has autocommit off: inserts are seen by their own
connection only, reach the file at commit and vanish at rollback; open
results live through commit and rollback; a process killed before its
commit leaves the file as the last commit left it."""
import os
import signal
import subprocess
import sys

import pyodbc

DRIVER = os.environ["KWTXT08_PATH"]


def connect(folder, **options):
    return pyodbc.connect("DRIVER=%s;Database=%s;FirstLineNames=1" % (DRIVER, folder), **options)


def table(folder, lines=b"1,a\r\n"):
    with open(os.path.join(folder, "t.txt"), "wb") as f:
        f.write(b"Id,Name\r\n" + lines)


def content(folder):
    with open(os.path.join(folder, "t.txt"), "rb") as f:
        return f.read()


def rows(cursor, sql="SELECT Id, Name FROM t.txt"):
    return sorted((int(r[0]), r[1]) for r in cursor.execute(sql).fetchall())


def test_inserts_are_seen_by_their_connection_only_until_commit(tmp_path):
    folder = str(tmp_path)
    table(folder)
    mine = connect(folder)  # pyodbc's default: autocommit off
    other = connect(folder, autocommit=True)
    cursor = mine.cursor()
    cursor.execute("INSERT INTO t.txt VALUES (2, 'b')")
    cursor.execute("INSERT INTO t.txt VALUES (?, ?)", 3, "c")
    # Another statement of the same connection sees them, filters and all.
    assert rows(mine.cursor()) == [(1, "a"), (2, "b"), (3, "c")]
    assert rows(mine.cursor(), "SELECT Id, Name FROM t.txt WHERE Name > 'a'") == [(2, "b"),
                                                                                  (3, "c")]
    assert mine.cursor().execute("SELECT COUNT(*) FROM t.txt").fetchone()[0] == 3
    assert rows(other.cursor()) == [(1, "a")]
    assert content(folder) == b"Id,Name\r\n1,a\r\n"
    mine.commit()
    assert content(folder) == b'Id,Name\r\n1,a\r\n2,"b"\r\n3,"c"\r\n'
    assert rows(other.cursor()) == [(1, "a"), (2, "b"), (3, "c")]
    assert rows(mine.cursor()) == [(1, "a"), (2, "b"), (3, "c")]
    mine.close()
    other.close()


def test_rollback_discards_and_the_next_transaction_starts_clean(tmp_path):
    folder = str(tmp_path)
    table(folder)
    connection = connect(folder)
    cursor = connection.cursor()
    cursor.execute("INSERT INTO t.txt VALUES (2, 'b')")
    connection.rollback()
    assert rows(cursor) == [(1, "a")]
    cursor.execute("INSERT INTO t.txt VALUES (3, 'c')")
    connection.commit()
    assert content(folder) == b'Id,Name\r\n1,a\r\n3,"c"\r\n'
    # A commit with nothing logged changes nothing.
    connection.commit()
    assert content(folder) == b'Id,Name\r\n1,a\r\n3,"c"\r\n'
    connection.close()


def test_logged_text_reads_as_the_file_will_keep_it(tmp_path):
    folder = str(tmp_path)
    table(folder)  # Name is measured one character wide
    connection = connect(folder)
    cursor = connection.cursor()
    cursor.execute("INSERT INTO t.txt VALUES (2, 'xyz')")
    cursor.execute("INSERT INTO t.txt VALUES (3, '   ')")
    cursor.execute("INSERT INTO t.txt VALUES (4, 'q  ')")
    inside = rows(cursor)
    connection.commit()
    assert inside == rows(cursor) == [(1, "a"), (2, "x"), (3, None), (4, "q")]
    connection.close()


def test_insert_select_from_the_same_table_reads_only_what_was_there(tmp_path):
    folder = str(tmp_path)
    table(folder, b"1,a\r\n2,b\r\n")
    connection = connect(folder)
    cursor = connection.cursor()
    cursor.execute("INSERT INTO t.txt VALUES (3, 'c')")
    cursor.execute("INSERT INTO t.txt SELECT Id + 3, Name FROM t.txt")
    assert cursor.rowcount == 3
    connection.commit()
    assert rows(cursor) == [(1, "a"), (2, "b"), (3, "c"), (4, "a"), (5, "b"), (6, "c")]
    connection.close()


def test_sorted_results_open_across_commit_and_rollback(tmp_path):
    folder = str(tmp_path)
    table(folder)
    connection = connect(folder)
    writer = connection.cursor()
    writer.executemany("INSERT INTO t.txt VALUES (?, ?)", [(2, "b"), (3, "c")])
    reader = connection.cursor()
    reader.execute("SELECT Id, Name FROM t.txt ORDER BY Id DESC")
    assert tuple(reader.fetchone()) == (3, "c")
    # The cursor stays open (SQL_CB_PRESERVE) and reads the logged rows
    # through their handles after the commit wrote them to the file.
    connection.commit()
    assert [tuple(r) for r in reader.fetchall()] == [(2, "b"), (1, "a")]
    writer.execute("INSERT INTO t.txt VALUES (4, 'd')")
    reader.execute("SELECT Id, Name FROM t.txt ORDER BY Id DESC")
    assert tuple(reader.fetchone()) == (4, "d")
    connection.rollback()
    # A row whose insert was rolled back is never fetched again, whatever
    # row of the file its handle might look like.
    rest = [tuple(r) for r in reader.fetchall()]
    assert (4, "d") not in rest
    assert content(folder) == b'Id,Name\r\n1,a\r\n2,"b"\r\n3,"c"\r\n'
    connection.close()


def test_a_scan_open_across_commit_returns_each_row_once(tmp_path):
    folder = str(tmp_path)
    table(folder)
    connection = connect(folder)
    writer = connection.cursor()
    writer.executemany("INSERT INTO t.txt VALUES (?, ?)", [(2, "b"), (3, "c")])
    reader = connection.cursor()
    reader.execute("SELECT Id, Name FROM t.txt")
    first = tuple(reader.fetchone())
    assert first == (2, "b")  # the transaction's own rows come first
    connection.commit()
    rest = [tuple(r) for r in reader.fetchall()]
    assert sorted([first] + rest) == [(1, "a"), (2, "b"), (3, "c")]
    connection.close()


CHILD = r"""
import sys, pyodbc
connection = pyodbc.connect(sys.argv[1])
cursor = connection.cursor()
cursor.execute("INSERT INTO t.txt VALUES (2, 'k')")
connection.commit()
for n in range(500):
    cursor.execute("INSERT INTO t.txt VALUES (?, 'p')", n % 7 + 3)
print("ready", flush=True)
sys.stdin.read()
"""


def test_a_process_killed_before_commit_leaves_the_committed_rows_only(tmp_path):
    folder = str(tmp_path)
    table(folder)
    child = subprocess.Popen(
        [sys.executable, "-c", CHILD, "DRIVER=%s;Database=%s;FirstLineNames=1" % (DRIVER, folder)],
        stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    assert child.stdout.readline().strip() == b"ready"
    child.send_signal(signal.SIGKILL)
    child.wait()
    assert content(folder) == b'Id,Name\r\n1,a\r\n2,"k"\r\n'
    # Nothing in the data folder but the table; a new connection reads
    # exactly the committed rows and can go on writing.
    assert sorted(os.listdir(folder)) == ["t.txt"]
    connection = connect(folder)
    assert rows(connection.cursor()) == [(1, "a"), (2, "k")]
    connection.cursor().execute("INSERT INTO t.txt VALUES (3, 'l')")
    connection.commit()
    assert rows(connection.cursor()) == [(1, "a"), (2, "k"), (3, "l")]
    connection.close()


# A number or date is converted once per record and kept until the cursor
# moves: each row must give its own values however often a statement reads
# them, through a self-join's two cursors on one file, a sort that reads
# its records again through their handles, and logged rows merged over the
# file's.
def test_values_read_several_times_in_a_row_belong_to_that_row(tmp_path):
    folder = str(tmp_path)
    with open(os.path.join(folder, "n.txt"), "wb") as f:
        f.write(b"Id,Amount,Day\r\n1,1.50,2020-01-02\r\n2,20.25,2021-03-04\r\n"
                b"3,300.75,2022-05-06\r\n4,,\r\n")
    mine = connect(folder)
    cursor = mine.cursor()
    cursor.execute("INSERT INTO n.txt VALUES (5, 4000.5, {d '2023-07-08'})")
    got = [(int(r[0]), str(r[1]), str(r[2]), str(r[3]))
           for r in cursor.execute("SELECT Id, Amount, Amount * 2, Day FROM n.txt "
                                   "WHERE Amount > 10 AND Day > {d '2020-12-31'} "
                                   "AND Amount < 5000 ORDER BY Id DESC").fetchall()]
    assert got == [(5, "4000.50", "8001.0", "2023-07-08"), (3, "300.75", "601.5", "2022-05-06"),
                   (2, "20.25", "40.5", "2021-03-04")]
    got = sorted((int(r[0]), str(r[1]), str(r[2])) for r in cursor.execute(
        "SELECT a.Id, a.Amount, b.Amount FROM n.txt a, n.txt b "
        "WHERE a.Id = b.Id + 1 AND a.Amount > b.Amount").fetchall())
    assert got == [(2, "20.25", "1.50"), (3, "300.75", "20.25")]
    got = [(str(r[0]), int(r[1]), str(r[2])) for r in cursor.execute(
        "SELECT Day, COUNT(*), SUM(Amount) FROM n.txt WHERE Amount > 1 GROUP BY Day").fetchall()]
    assert got == [("2020-01-02", 1, "1.5"), ("2021-03-04", 1, "20.25"),
                   ("2022-05-06", 1, "300.75"), ("2023-07-08", 1, "4000.5")]
    mine.rollback()
    mine.close()
