#!/usr/bin/python3
"""Times SELECT * over a 16,000-row, 4-column Excel 5 sheet through unixODBC
with the Excel 5 driver (bench/bench_scan: every column bound as text, and
pyodbc: connect, execute, fetch all), and python3-xlrd reading the same
workbook (a whole process: start, open, every value), in one run.

The workbook is written once by gnumeric's ssconvert (Excel 5/95) into the
build folder: Id (integers, RK cells), Name (labels), Amount (numbers with
two decimals), Sold (dates in format 14).

Usage: drivers/excel5/bench/xls_compare.py [build dir] [runs]
"""
import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "data"))
from make_books import DATE, num, text, workbook  # noqa: E402

ROWS = 16000


def make_workbook(path):
    cells = [text(0, c, h) for c, h in enumerate(["Id", "Name", "Amount", "Sold"])]
    for r in range(1, ROWS + 1):
        cells += [num(r, 0, r), text(r, 1, "name%04d" % (r % 1000)),
                  num(r, 2, (r * 37 % 100000) / 100.0), num(r, 3, 32874 + r % 10000, DATE)]
    source = path[:-4] + ".gnumeric"
    with open(source, "w") as f:
        f.write(workbook([("Sales", cells)], [("Sales", "Sales!$A$1:$D$%d" % (ROWS + 1))]))
    subprocess.run(["ssconvert", "-T", "Gnumeric_Excel:excel_biff7", source, path], check=True,
                   stderr=subprocess.DEVNULL)


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build")
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    folder = os.path.join(build, "bench-data")
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, "sales16k.xls")
    if not os.path.exists(path):
        make_workbook(path)
    driver = os.path.join(build, "lib", "libKWXLS508.so")
    os.environ.setdefault("ODBCSYSINI", os.path.join(build, "test-config"))

    import pyodbc
    best = None
    for _ in range(runs):
        start = time.perf_counter()
        connection = pyodbc.connect("DRIVER=%s;Database=%s" % (driver, path), autocommit=True)
        rows = connection.cursor().execute("SELECT * FROM Sales").fetchall()
        connection.close()
        elapsed = time.perf_counter() - start
        assert len(rows) == ROWS, len(rows)
        best = elapsed if best is None else min(best, elapsed)

    scan = os.path.join(build, "bin", "bench_scan")
    scan_best = None
    if os.path.exists(scan):
        for _ in range(runs):
            out = subprocess.run([scan, "DRIVER=%s;Database=%s" % (driver, path), "Sales",
                                  "excel5"], check=True, capture_output=True, text=True).stdout
            elapsed = float(out.split(" s,")[0].split()[-1])
            scan_best = elapsed if scan_best is None else min(scan_best, elapsed)

    script = ("import xlrd\nb = xlrd.open_workbook(%r)\ns = b.sheet_by_index(0)\n"
              "rows = [s.row_values(i) for i in range(1, s.nrows)]\nassert len(rows) == %d\n"
              % (path, ROWS))
    xlrd_best = None
    for _ in range(runs):
        start = time.perf_counter()
        subprocess.run(["/usr/bin/python3", "-c", script], check=True)
        elapsed = time.perf_counter() - start
        xlrd_best = elapsed if xlrd_best is None else min(xlrd_best, elapsed)

    print("%d rows x 4 columns, %d bytes, best of %d runs" % (ROWS, os.path.getsize(path), runs))
    if scan_best is not None:
        print("  Excel 5 driver, SELECT * bound as text (bench_scan):    %.3f s" % scan_best)
    print("  Excel 5 driver, connect + SELECT * + fetch all (pyodbc): %.3f s" % best)
    print("  python3-xlrd, whole process (open + every value):       %.3f s" % xlrd_best)


if __name__ == "__main__":
    main()
