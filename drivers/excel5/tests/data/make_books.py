#!/usr/bin/python3
"""Writes the test workbooks of this folder with gnumeric's ssconvert.

Each workbook is described here as Gnumeric XML and converted to an Excel
5/95 file (BIFF7, BOF version 0x0500); biff8.xls is the same kinds table in
the Excel 97 format, and password.xls is kinds.xls with a FILEPASS record
in its globals. Run from this folder; the results are committed.
"""
import struct
import subprocess
import sys

HEAD = '<?xml version="1.0" encoding="UTF-8"?>\n<gnm:Workbook xmlns:gnm="http://www.gnumeric.org/v10.dtd">\n'


def cell(row, col, value, kind=None, fmt=None):
    attrs = f'Row="{row}" Col="{col}"'
    if kind is not None:
        attrs += f' ValueType="{kind}"'
    if fmt is not None:
        attrs += f' ValueFormat="{fmt}"'
    value = str(value).replace("&", "&amp;").replace("<", "&lt;")
    return f'<gnm:Cell {attrs}>{value}</gnm:Cell>'


def text(row, col, value):
    return cell(row, col, value, 60)


def num(row, col, value, fmt=None):
    return cell(row, col, value, 40, fmt)


def workbook(sheets, names, date1904=False):
    out = [HEAD]
    if date1904:
        out.append('<gnm:Calculation DateConvention="1904"/>'
                   '<gnm:DateConvention>1904</gnm:DateConvention>\n')
    out.append('<gnm:SheetNameIndex>')
    out += [f'<gnm:SheetName>{name}</gnm:SheetName>' for name, _ in sheets]
    out.append('</gnm:SheetNameIndex>\n<gnm:Names>')
    for name, value in names:
        out.append(f'<gnm:Name><gnm:name>{name}</gnm:name><gnm:value>{value}</gnm:value>'
                   '<gnm:position>A1</gnm:position></gnm:Name>')
    out.append('</gnm:Names>\n<gnm:Sheets>')
    for name, cells in sheets:
        out.append(f'<gnm:Sheet><gnm:Name>{name}</gnm:Name><gnm:Cells>')
        out += cells
        out.append('</gnm:Cells></gnm:Sheet>')
    out.append('</gnm:Sheets></gnm:Workbook>\n')
    return '\n'.join(out)


def convert(name, xml, biff='excel_biff7'):
    with open(f'{name}.gnumeric', 'w') as f:
        f.write(xml)
    subprocess.run(['ssconvert', '-T', f'Gnumeric_Excel:{biff}', f'{name}.gnumeric', f'{name}.xls'],
                   check=True, stderr=subprocess.DEVNULL)


DATE = '[$-f8f2]m/d/yy'          # becomes built-in format 14
STAMP = '[$-f8fa]m/d/yy h:mm'    # becomes built-in format 22

KINDS = workbook([('Data', [
    text(0, 0, 'Text'), text(0, 1, 'Num'), text(0, 2, 'Day'), text(0, 3, 'Stamp'),
    text(0, 4, 'Flag'), text(0, 5, 'Calc'), text(0, 6, 'Clock'),
    text(1, 0, 'alpha'), num(1, 1, 1.5), num(1, 2, 43832, DATE),
    num(1, 3, 43832.99999999, STAMP), cell(1, 4, 'TRUE', 20), cell(1, 5, '=A2&"-x"'),
    num(1, 6, 0.5, 'h:mm:ss'),
    text(2, 0, 'beta'), num(2, 1, 42), num(2, 2, 25569.75, DATE), num(2, 3, 25569.5, STAMP),
    cell(2, 4, '#DIV/0!', 50), cell(2, 5, '=B3*2'), num(2, 6, 0.999999999, 'h:mm:ss'),
    num(3, 1, -7), cell(3, 4, 'FALSE', 20), cell(3, 5, '=1/0'),
    text(5, 0, 'below'),
])], [('Kinds', 'Data!$A$1:$G$5')])

DATES_1904 = workbook([('Data', [
    text(0, 0, 'Day'), text(0, 1, 'Stamp'),
    num(1, 0, 0, DATE), num(1, 1, 1.25, STAMP),
    num(2, 0, 24107, DATE), num(2, 1, 24107.5, STAMP),
])], [('Dates', 'Data!$A$1:$B$3')], date1904=True)

# Scan: B holds numbers in its first 25 data rows and text in the 26th; the
# header of C is missing; D is empty. Big reaches row 16385, Two spans two
# sheets: neither is a table.
SCAN = [text(0, 0, 'Id'), text(0, 1, 'Val')]
for r in range(1, 28):
    SCAN.append(num(r, 0, r))
    SCAN.append(text(r, 1, 'late') if r == 26 else num(r, 1, r * 10))
    SCAN.append(text(r, 2, 'c%d' % r))
GUESS = workbook([('Scan', SCAN), ('Other', [text(0, 0, 'x')])],
                 [('Scan', 'Scan!$A$1:$D$28'), ('Big', 'Scan!$A$1:$B$16385'),
                  ('Two', 'Scan:Other!$A$1:$B$2')])


def add_filepass(source, target):
    """Turns the globals' first WINDOW1 record (0x003D) into FILEPASS."""
    data = bytearray(open(source, 'rb').read())
    at = data.find(b'\x3d\x00\x12\x00')
    if at < 0:
        sys.exit('no WINDOW1 record in ' + source)
    data[at:at + 2] = struct.pack('<H', 0x002F)
    open(target, 'wb').write(data)


if __name__ == '__main__':
    convert('kinds', KINDS)
    convert('biff8', KINDS, 'excel_biff8')
    convert('dates1904', DATES_1904)
    convert('guess', GUESS)
    add_filepass('kinds.xls', 'password.xls')
