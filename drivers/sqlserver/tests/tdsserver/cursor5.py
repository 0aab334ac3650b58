"""TDS 5.0 server cursors (what CT-Library's ct_cursor sends): declare,
set rows, open, fetch, close and deallocate.  A cursor runs its SELECT when
it is opened and hands out the rows in batches of its row count."""

import struct

import tsql

CURCLOSE = 0x80
CURDELETE = 0x81
CURFETCH = 0x82
CURINFO = 0x83
CUROPEN = 0x84
CURDECLARE = 0x86
CURDECLARE2 = 0x23
CURDECLARE3 = 0x10
CURUPDATE = 0xA7

CMD_SETCURROWS = 1
CMD_INQUIRE = 2
CMD_INFORM = 3

ST_DECLARED = 0x0001
ST_OPEN = 0x0002
ST_CLOSED = 0x0004
ST_RDONLY = 0x0008
ST_UPDATABLE = 0x0010
ST_ROWCNT = 0x0020
ST_DEALLOC = 0x0040

TOKENS = {CURCLOSE, CURDELETE, CURFETCH, CURINFO, CUROPEN, CURDECLARE,
          CURDECLARE2, CURDECLARE3, CURUPDATE}


class Cursor:
    def __init__(self, cid, name, sql, readonly):
        self.id = cid
        self.name = name
        self.sql = sql
        self.readonly = readonly
        self.rows = 1
        self.params = []
        self.result = None      # (columns, list of rows) once open
        self.pos = 0
        self.open = False

    def status(self):
        s = ST_DECLARED | (ST_RDONLY if self.readonly else ST_UPDATABLE)
        if self.open:
            s |= ST_OPEN
        return s


def cur_info(cursor, status, rowcount=None):
    body = struct.pack('<iBH', cursor.id, CMD_INFORM, status)
    if rowcount is not None:
        body = struct.pack('<iBH', cursor.id, CMD_INFORM,
                           status | ST_ROWCNT) + struct.pack('<i', rowcount)
    return bytes([CURINFO]) + struct.pack('<H', len(body)) + body


def _find(sess, r):
    """Reads a cursor id and, when it is 0, a name; returns the cursor."""
    cid = r.i32()
    name = None
    if cid == 0:
        n = r.u8()
        name = r.take(n).decode('latin-1')
    cursors = sess.cursors5
    if cid:
        return cursors.get(cid), cid, name
    for c in cursors.values():
        if c.name == name:
            return c, cid, name
    return None, cid, name


def _missing(cid, name):
    return [('msg', 16916, 16, 1, "A cursor with the name '%s' does not "
             "exist." % (name if name else cid), '', 1),
            ('done', 'done', 2, None, 0)]


def read_request(conn, tok, r):
    """Reads one cursor token (and the parameters that follow it); returns
    the events of its answer."""
    import tds5
    sess = conn.session
    if not hasattr(sess, 'cursors5'):
        sess.cursors5 = {}
        sess.next_cursor = 1
    charset = conn.codec.charset
    if tok in (CURDECLARE, CURDECLARE2, CURDECLARE3):
        if tok == CURDECLARE:
            ln = r.u16()
        else:
            ln = r.i32()
        body = tds5.Reader(r.take(ln))
        n = body.u8()
        name = body.take(n).decode('latin-1')
        options = body.u8()
        status = body.u8()
        sl = body.u16() if tok == CURDECLARE else body.i32()
        sql = body.take(sl).decode(charset, 'replace')
        c = Cursor(sess.next_cursor, name, sql, bool(options & 1))
        sess.next_cursor += 1
        c.params = _params(r, charset) if status & 1 else []
        sess.cursors5[c.id] = c
        _record(conn, 'declare', c, sql=sql, params=c.params)
        return [('raw', cur_info(c, c.status())),
                ('done', 'done', 0, None, 0)]
    ln = r.u16()
    body = tds5.Reader(r.take(ln))
    c, cid, name = _find(sess, body)
    if tok == CURINFO:
        cmd = body.u8()
        body.take(2)   # status; clients write it in either byte order
        count = body.i32() if len(body.d) - body.pos >= 4 else None
        if c is None:
            return _missing(cid, name)
        if cmd == CMD_SETCURROWS and count is not None:
            c.rows = max(1, count)
        _record(conn, 'rows', c, rows=c.rows)
        return [('raw', cur_info(c, c.status(), c.rows)),
                ('done', 'done', 0, None, 0)]
    if tok == CUROPEN:
        status = body.u8() if not body.at_end() else 0
        params = _params(r, charset) if status & 1 else []
        if c is None:
            return _missing(cid, name)
        if params:
            c.params = params
        _record(conn, 'open', c, params=params)
        return list(_open(sess, c))
    if tok == CURFETCH:
        ftype = body.u8() if not body.at_end() else 1
        if c is None:
            return _missing(cid, name)
        _record(conn, 'fetch', c, fetch=ftype)
        return list(_fetch(sess, c))
    if tok == CURCLOSE:
        option = body.u8() if not body.at_end() else 0
        if c is None:
            return _missing(cid, name)
        _record(conn, 'close', c, dealloc=bool(option & 1))
        c.open = False
        c.result = None
        status = ST_CLOSED
        if option & 1:
            status |= ST_DEALLOC
            del sess.cursors5[c.id]
        return [('raw', cur_info(c, status)), ('done', 'done', 0, None, 0)]
    # positioned update and delete are not supported
    return [('msg', 16900, 16, 1, 'Positioned update and delete through a '
             'cursor are not supported by the test server.', '', 1),
            ('done', 'done', 2, None, 0)]


def _params(r, charset):
    import tds5
    if r.at_end() or r.d[r.pos] not in (tds5.TOK_PARAMFMT,
                                         tds5.TOK_PARAMFMT2):
        return []
    tok = r.u8()
    return tds5.parse_params(r, tok, charset)


def _record(conn, op, c, **extra):
    rec = {'conn': conn.id, 'type': 'cursor', 'tds': conn.tds, 'op': op,
           'id': c.id, 'name': c.name}
    for k, v in extra.items():
        if k == 'params':
            v = [{'name': n, 'type': repr(t), 'value': val, 'output': o}
                 for n, t, val, o in v]
        rec[k] = v
    conn.server.transcript.write(rec)


def _open(sess, c):
    """Runs the cursor's statement; answers with its description."""
    named = {n[1:].lower(): v for n, t, v, o in c.params if n}
    positional = [v for n, t, v, o in c.params if not n]
    text, count = tsql.number_markers(c.sql)
    binds = dict(named)
    binds.update({'vxp%d' % (i + 1): v for i, v in enumerate(positional)})
    cols = None
    rows = []
    events = []
    for s in tsql.split_statements(text):
        for ev in sess.run_statement(s, binds):
            if ev[0] == 'rows' and cols is None:
                cols = ev[1]
                rows = list(ev[2])
            elif ev[0] == 'msg':
                events.append(ev)
            elif ev[0] == 'done' and ev[2] & 2:
                yield from events
                yield ('done', 'done', 2, None, 0)
                return
    if cols is None:
        yield from events
        yield ('msg', 16937, 16, 1, 'A cursor must be declared on a SELECT '
               'statement.', '', 1)
        yield ('done', 'done', 2, None, 0)
        return
    c.result = (cols, rows)
    c.pos = 0
    c.open = True
    yield ('raw', cur_info(c, c.status()))
    yield ('rows', cols, iter(()))
    yield ('done', 'done', 0, None, 0)


def _fetch(sess, c):
    if not c.open or c.result is None:
        yield ('msg', 16917, 16, 1, "Cursor '%s' is not open." % c.name, '',
               1)
        yield ('done', 'done', 2, None, 0)
        return
    cols, rows = c.result
    batch = rows[c.pos:c.pos + c.rows]
    c.pos += len(batch)
    yield ('rowsonly', cols, iter(batch))
    yield ('done', 'done', 0, len(batch), 0xC1)
