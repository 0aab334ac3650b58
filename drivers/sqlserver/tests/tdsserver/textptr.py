"""Text and image values by text pointer: the pointers sent with text/image
column values, READTEXT, WRITETEXT and the bulk data that follows
"writetext bulk".

A text pointer is 16 bytes: "VXTP", the SQLite rowid of the row (8 bytes,
little-endian) and four zero bytes.  The table and column come from the
object name of READTEXT/WRITETEXT.
"""

import re
import struct

import tdstypes as T
import tsql
from backend import Column, SqlError

MAGIC = b'VXTP'
TIMESTAMP = b'\0' * 8


class TextRef:
    """A text/image value with the pointer of its row."""
    __slots__ = ('value', 'ptr')

    def __init__(self, value, ptr):
        self.value = value
        self.ptr = ptr


def pointer(rowid):
    return MAGIC + struct.pack('<q', rowid) + b'\0\0\0\0'


def rowid_of(ptr):
    if isinstance(ptr, str):
        s = ptr.strip()
        if s[:2].lower() == '0x':
            s = s[2:]
        if s[:2].lower() == '0x':
            s = s[2:]
        ptr = bytes.fromhex(s)
    if not isinstance(ptr, (bytes, bytearray)) or len(ptr) != 16 or \
            bytes(ptr[:4]) != MAGIC:
        raise SqlError(7123, 16, 'Invalid text, ntext, or image pointer '
                       'value %s.' % (bytes(ptr).hex() if isinstance(
                           ptr, (bytes, bytearray)) else ptr))
    return struct.unpack('<q', bytes(ptr[4:12]))[0]


_SIMPLE = re.compile(r'^\s*select\s+(?:distinct\s+)?(?P<list>.*?)\s+from\s+'
                     r'(?P<table>[\w\[\]"]+)(?:\s+(?:as\s+)?(?P<alias>(?!where'
                     r'\b|order\b|group\b)\w+))?\s*(?P<tail>(?:where|order)\b'
                     r'.*)?$', re.I | re.S)


def with_rowid(sql):
    """The statement with the rowid of its single table appended to the
    select list, or None when it reads more than one table."""
    m = _SIMPLE.match(sql)
    if not m or re.search(r'\b(join|union|group\s+by|having)\b|,\s*\w+\s*'
                          r'(where|$)', sql[m.start('table'):], re.I):
        return None
    if re.search(r'\bdistinct\b', sql[:m.start('list')], re.I):
        return None
    if re.search(r'\b(count|sum|min|max|avg)\s*\(', m.group('list'), re.I):
        return None
    qual = m.group('alias') or m.group('table')
    return sql[:m.end('list')] + ', %s._rowid_ AS vx_rowid__' % qual + \
        sql[m.end('list'):]


def split_objname(objname):
    parts = [p.strip('[]"') for p in objname.split('.')]
    if len(parts) < 2:
        raise SqlError(7104, 16, 'Invalid object name for READTEXT or '
                       'WRITETEXT: %s.' % objname)
    return parts[-2], parts[-1]


def _value(session, txt):
    txt = txt.strip()
    if txt.startswith('@'):
        return session.variables.get(txt.lower())
    return tsql.literal_value(txt)


def column_type(session, table, column):
    import catalog
    for name, t, pos, d, p in catalog.table_columns(session, table):
        if name.lower() == column.lower():
            return t
    raise SqlError(207, 16, "Invalid column name '%s'." % column)


def readtext(session, s, kind):
    # readtext table.column ptr offset size [holdlock]
    toks = [t for t in tsql.tokens(s)]
    words = []
    i = 1
    obj = ''
    while i < len(toks) and (toks[i].kind in ('id', 'qid') or
                             toks[i].text == '.'):
        obj += toks[i].text
        i += 1
    for t in toks[i:]:
        if t.kind == 'id' and t.up == 'HOLDLOCK':
            continue
        words.append(t.text)
    # a negative number comes as two tokens
    args = []
    j = 0
    while j < len(words):
        if words[j] == '-' and j + 1 < len(words):
            args.append('-' + words[j + 1])
            j += 2
        else:
            args.append(words[j])
            j += 1
    if len(args) < 3:
        raise SqlError(102, 15, "Incorrect syntax near 'readtext'.")
    table, column = split_objname(obj)
    ptr = _value(session, args[0])
    if ptr is None:
        raise SqlError(7133, 16, 'NULL textptr (text, ntext, or image '
                       'pointer) passed to READTEXT function.')
    rowid = rowid_of(ptr)
    offset = int(_value(session, args[1]) or 0)
    size = int(_value(session, args[2]) or 0)
    t = column_type(session, table, column)
    row = session.conn.execute('select "%s" from "%s" where _rowid_ = ?' %
                               (column, table), (rowid,)).fetchone()
    if row is None:
        raise SqlError(7105, 22, 'The Database ID, Page ID, or Slot ID of '
                       'the text, ntext, or image data is invalid.')
    v = row[0]
    if t.name == 'image':
        data = T.to_bytes(v) if v is not None else b''
    elif t.name == 'ntext':
        data = (v or '').encode('utf-16-le')
    else:
        data = T.to_text(v) if v is not None else ''
        data = data.encode('cp1252', 'replace')
    if offset < 0 or offset > len(data):
        raise SqlError(7124, 16, 'The offset and length specified in the '
                       'READTEXT statement is greater than the actual data '
                       'length of %d.' % len(data))
    piece = data[offset:offset + size] if size > 0 else data[offset:]
    if t.name == 'ntext':
        value = piece.decode('utf-16-le', 'replace')
    elif t.name == 'text':
        value = piece.decode('cp1252', 'replace')
    else:
        value = piece
    col = Column(column, T.SqlType(t.name, T.TEXT_MAX), table)
    yield ('rows', [col], iter([(TextRef(value, pointer(rowid)),)]))
    yield ('done', kind, 0x10, 1, 0xC1)


_WRITETEXT = re.compile(r'^\s*writetext\s+(bulk\s+)?([\w.\[\]"]+)\s+(\S+)'
                        r'(?:\s+timestamp\s*=\s*(\S+))?(?:\s+with\s+log)?'
                        r'\s*(.*)$', re.I | re.S)


def writetext(session, s, kind):
    m = _WRITETEXT.match(s)
    if not m:
        raise SqlError(102, 15, "Incorrect syntax near 'writetext'.")
    table, column = split_objname(m.group(2))
    rowid = rowid_of(_value(session, m.group(3)))
    column_type(session, table, column)
    if m.group(1):
        # the data follows in a bulk message
        session.bulk_target = (table, column, rowid)
        yield ('done', kind, 0, None, 0)
        return
    data = tsql.literal_value(m.group(5))
    _store(session, table, column, rowid, data)
    yield ('done', kind, 0, None, 0)


def _store(session, table, column, rowid, data):
    session._implicit_begin()
    cur = session.conn.execute('update "%s" set "%s" = ? where _rowid_ = ?'
                               % (table, column), (data, rowid))
    if cur.rowcount != 1:
        raise SqlError(7105, 22, 'The Database ID, Page ID, or Slot ID of '
                       'the text, ntext, or image data is invalid.')


def bulk(conn, data):
    """The data of "writetext bulk": a 4-byte length and the bytes."""
    sess = conn.session
    target = getattr(sess, 'bulk_target', None)
    sess.bulk_target = None
    length = struct.unpack_from('<i', data, 0)[0] if len(data) >= 4 else 0
    payload = data[4:4 + max(0, length)]
    conn.server.transcript.write({
        'conn': conn.id, 'type': 'bulk', 'tds': conn.tds,
        'table': target[0] if target else None,
        'column': target[1] if target else None, 'length': length,
        'received': len(payload)})
    if target is None:
        conn.respond(iter([('msg', 4801, 16, 1, 'Bulk data arrived without '
                            'a WRITETEXT BULK statement.', '', 1),
                           ('done', 'done', 2, None, 0)]))
        return
    table, column, rowid = target

    def events():
        t = column_type(sess, table, column)
        if t.name == 'image':
            value = bytes(payload)
        elif t.name == 'ntext':
            value = bytes(payload).decode('utf-16-le', 'replace')
        else:
            value = bytes(payload).decode(conn.codec.charset, 'replace')
        _store(sess, table, column, rowid, value)
        yield ('done', 'done', 0, None, 0)
    conn.respond(sess.guard(events()))
