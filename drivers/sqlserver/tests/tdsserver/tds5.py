"""TDS 5.0: the login record, language and RPC requests, and the tokens of
results (ROWFMT/ROW, PARAMFMT/PARAMS, EED messages, DONE)."""

import decimal
import math
import struct

import backend
import tdstypes as T
from tdstypes import SqlType

# the pointer of a text value that belongs to no table row
TEXTPTR_NONE = b'VXTP' + b'\xff' * 12

TDS50 = 0x05000000

TOK_LANGUAGE = 0x21
TOK_PARAMFMT2 = 0x20
TOK_ROWFMT2 = 0x61
TOK_LOGOUT = 0x71
TOK_RETURNSTATUS = 0x79
TOK_OPTIONCMD = 0xA6
TOK_ROWFMT = 0xEE
TOK_ROW = 0xD1
TOK_PARAMS = 0xD7
TOK_CAPABILITY = 0xE2
TOK_ENVCHANGE = 0xE3
TOK_EED = 0xE5
TOK_DBRPC = 0xE6
TOK_DYNAMIC = 0xE7
TOK_PARAMFMT = 0xEC
TOK_DBRPC2 = 0xE8

CHARSETS = {'iso_1': 'latin-1', 'utf8': 'utf-8', 'cp1252': 'cp1252',
            'cp850': 'cp850', 'cp437': 'cp437', 'roman8': 'latin-1',
            'ascii_8': 'latin-1', 'us-ascii': 'ascii'}


def _login_string(p, off, size):
    n = p[off + size]
    n = min(n, size)
    return p[off:off + n].decode('latin-1')


def parse_login(p):
    info = {
        'host': _login_string(p, 0, 30),
        'user': _login_string(p, 31, 30),
        'password': _login_string(p, 62, 30),
        'app': _login_string(p, 140, 30),
        'server': _login_string(p, 171, 30),
        'tds_version': p[458:462],
        'library': _login_string(p, 462, 10),
        'language': _login_string(p, 480, 30),
        'charset': _login_string(p, 525, 30),
    }
    ps = _login_string(p, 557, 6)
    try:
        info['packet_size'] = int(ps)
    except ValueError:
        info['packet_size'] = 512
    cap = b''
    if len(p) > 568 and p[568] == TOK_CAPABILITY:
        ln = struct.unpack_from('>H', p, 569)[0]
        cap = p[568:571 + ln]
    info['capability'] = cap
    return info


def env_change(kind, new, old=''):
    n = new.encode('latin-1')
    o = old.encode('latin-1')
    body = bytes([kind, len(n)]) + n + bytes([len(o)]) + o
    return bytes([TOK_ENVCHANGE]) + struct.pack('<H', len(body)) + body


def eed(number, severity, state, text, server='VXTDS', proc='', line=1,
        charset='latin-1'):
    t = text.encode(charset, 'replace')
    sv = server.encode('latin-1')
    pr = proc.encode('latin-1')
    sqlstate = b'ZZZZZ'
    body = struct.pack('<iBB', number, state, severity) + \
        bytes([len(sqlstate)]) + sqlstate + b'\x00' + \
        struct.pack('<H', 0) + struct.pack('<H', len(t)) + t + \
        bytes([len(sv)]) + sv + bytes([len(pr)]) + pr + \
        struct.pack('<H', line & 0xFFFF)
    return bytes([TOK_EED]) + struct.pack('<H', len(body)) + body


def login_ack(ok=True, progname='SQL Server', version=(16, 0, 3, 0)):
    name = progname.encode('latin-1')
    body = bytes([5 if ok else 6]) + struct.pack('>I', TDS50) + \
        bytes([len(name)]) + name + bytes(version)
    return b'\xAD' + struct.pack('<H', len(body)) + body


def done(token, status, curcmd, count):
    if count is None:
        count = 0
    return struct.pack('<BHHi', token, status, curcmd, count)


# ---------------------------------------------------------------------------
# column formats

def numeric_size(precision):
    return 1 + int(math.ceil(precision * math.log2(10) / 8 - 1e-9)) \
        if precision else 1


def _fmt5(t):
    """(type byte, length-info bytes, value encoder kind)."""
    n = t.name
    if n in ('int', 'smallint', 'tinyint', 'bigint'):
        if not t.nullable and n != 'bigint':
            return bytes([{'int': T.SYBINT4, 'smallint': T.SYBINT2,
                           'tinyint': T.SYBINT1}[n]])
        return bytes([T.SYBINTN, T.FIXED_LENGTHS[n]])
    if n == 'bit':
        return bytes([T.SYBBIT])
    if n in ('real', 'float'):
        if not t.nullable:
            return bytes([T.SYBREAL if n == 'real' else T.SYBFLT8])
        return bytes([T.SYBFLTN, T.FIXED_LENGTHS[n]])
    if n in ('money', 'smallmoney'):
        if not t.nullable:
            return bytes([T.SYBMONEY if n == 'money' else T.SYBMONEY4])
        return bytes([T.SYBMONEYN, T.FIXED_LENGTHS[n]])
    if n in ('datetime', 'smalldatetime'):
        if not t.nullable:
            return bytes([T.SYBDATETIME if n == 'datetime'
                          else T.SYBDATETIME4])
        return bytes([T.SYBDATETIMN, T.FIXED_LENGTHS[n]])
    if n in ('decimal', 'numeric'):
        return bytes([T.SYBDECIMAL if n == 'decimal' else T.SYBNUMERIC,
                      numeric_size(t.precision), t.precision, t.scale])
    if n in ('char', 'varchar', 'nchar', 'nvarchar'):
        ln = t.length * (1 if n[0] != 'n' else 1)
        if ln > 255:
            return bytes([T.XSYBCHAR]) + struct.pack('<i', ln)
        return bytes([T.SYBCHAR if n in ('char', 'nchar') else T.SYBVARCHAR,
                      ln])
    if n in ('binary', 'varbinary', 'timestamp', 'uniqueidentifier'):
        if t.length > 255:
            return bytes([T.SYBLONGBINARY]) + struct.pack('<i', t.length)
        return bytes([T.SYBBINARY if n in ('binary', 'timestamp')
                      else T.SYBVARBINARY, t.length])
    if n in ('text', 'ntext', 'image'):
        return bytes([T.SYBIMAGE if n == 'image' else T.SYBTEXT]) + \
            struct.pack('<i', T.TEXT_MAX)
    raise ValueError('no TDS 5 type for ' + n)


def _table_name(c):
    name = (c.table or 'vxtext').encode('latin-1')
    return struct.pack('<H', len(name)) + name


def row_fmt(cols):
    out = bytearray()
    for c in cols:
        t = c.type
        name = c.name.encode('latin-1', 'replace')[:255]
        status = 0x20 if t.nullable else 0
        if t.name == 'timestamp':
            status |= 0x08
        out += bytes([len(name)]) + name + bytes([status])
        out += struct.pack('<i', T.USER_TYPES.get(t.name, 0)
                           if t.name not in ('nchar', 'nvarchar')
                           else (1 if t.name == 'nchar' else 2))
        out += _fmt5(t)
        if t.is_text():
            out += _table_name(c)
        out += b'\x00'   # locale
    return bytes([TOK_ROWFMT]) + struct.pack('<HH', len(out) + 2,
                                             len(cols)) + bytes(out)


def param_fmt(params):
    """params: list of (name, SqlType, output)."""
    out = bytearray()
    for name, t, output in params:
        nm = (name or '').encode('latin-1')
        out += bytes([len(nm)]) + nm + bytes([0x01 if output else 0])
        out += struct.pack('<i', T.USER_TYPES.get(t.name, 0))
        out += _fmt5(t)
        out += b'\x00'
    return bytes([TOK_PARAMFMT]) + struct.pack('<HH', len(out) + 2,
                                               len(params)) + bytes(out)


class RowEncoder:
    def __init__(self, cols, codec, textsize=0):
        self.codec = codec
        self.textsize = textsize
        self.encoders = [self._encoder(c) for c in cols]

    def _encoder(self, c):
        t = c.type
        n = t.name
        coerce = self.codec.coerce
        fmt = _fmt5(t)
        tb = fmt[0]
        if tb in (T.SYBINT1, T.SYBINT2, T.SYBINT4, T.SYBBIT, T.SYBREAL,
                  T.SYBFLT8, T.SYBMONEY, T.SYBMONEY4, T.SYBDATETIME,
                  T.SYBDATETIME4):
            def enc(v, t=t):
                v = coerce(t, v)
                if v is None:
                    v = coerce(t, 0)
                return T.fixed_value_bytes(t, v)
            return enc
        if tb in (T.SYBINTN, T.SYBFLTN, T.SYBMONEYN, T.SYBDATETIMN):
            ln = bytes([T.FIXED_LENGTHS[n]])

            def enc(v, t=t, ln=ln):
                v = coerce(t, v)
                if v is None:
                    return b'\0'
                return ln + T.fixed_value_bytes(t, v)
            return enc
        if tb in (T.SYBDECIMAL, T.SYBNUMERIC):
            size = numeric_size(t.precision)

            def enc(v, t=t, size=size):
                v = coerce(t, v)
                if v is None:
                    return b'\0'
                m = T.decimal_magnitude(v, t.scale)
                return bytes([size, 0 if m >= 0 else 1]) + \
                    abs(m).to_bytes(size - 1, 'big')
            return enc
        if tb in (T.SYBTEXT, T.SYBIMAGE):
            tt = SqlType('image' if tb == T.SYBIMAGE else 'text')

            def enc(v, c=c, tt=tt):
                if v is None:
                    return b'\0'
                ptr = TEXTPTR_NONE
                if hasattr(v, 'ptr'):
                    v, ptr = v.value, v.ptr
                b = coerce(tt, v)
                if self.textsize and len(b) > self.textsize:
                    b = b[:self.textsize]
                return b'\x10' + ptr + b'\0' * 8 + struct.pack('<i', len(b)) \
                    + b
            return enc
        if n in ('nchar', 'nvarchar'):
            t = SqlType('char' if n == 'nchar' else 'varchar', t.length,
                        nullable=t.nullable)
        long_len = tb in (T.XSYBCHAR, T.SYBLONGBINARY)

        def enc(v, t=t, long_len=long_len):
            if v is None:
                return b'\0\0\0\0' if long_len else b'\0'
            b = coerce(t, v)
            if not b and not long_len:
                # an empty value would read as NULL
                b = b' ' if t.name in ('char', 'varchar') else b'\0'
            if long_len:
                return struct.pack('<i', len(b)) + b
            return bytes([len(b)]) + b
        return enc

    def row(self, values):
        return b'\xD1' + b''.join(e(v) for e, v in zip(self.encoders,
                                                         values))


# ---------------------------------------------------------------------------
# requests

class Reader:
    def __init__(self, d, pos=0):
        self.d = d
        self.pos = pos

    def take(self, n):
        if self.pos + n > len(self.d):
            raise ValueError('request ends inside a value')
        b = self.d[self.pos:self.pos + n]
        self.pos += n
        return b

    def u8(self):
        return self.take(1)[0]

    def u16(self):
        return struct.unpack('<H', self.take(2))[0]

    def i32(self):
        return struct.unpack('<i', self.take(4))[0]

    def at_end(self):
        return self.pos >= len(self.d)


def _read_fmt(r, wide):
    """One parameter format entry; returns (name, status, SqlType, tb)."""
    nl = r.u8()
    name = r.take(nl).decode('latin-1')
    status = r.i32() if wide else r.u8()
    r.i32()  # user type
    tb = r.u8()
    t = None
    if tb in (T.SYBINT1, T.SYBINT2, T.SYBINT4, T.SYBBIT, T.SYBREAL,
              T.SYBFLT8, T.SYBMONEY, T.SYBMONEY4, T.SYBDATETIME,
              T.SYBDATETIME4, 0xBF):
        names = {T.SYBINT1: 'tinyint', T.SYBINT2: 'smallint',
                 T.SYBINT4: 'int', T.SYBBIT: 'bit', T.SYBREAL: 'real',
                 T.SYBFLT8: 'float', T.SYBMONEY: 'money',
                 T.SYBMONEY4: 'smallmoney', T.SYBDATETIME: 'datetime',
                 T.SYBDATETIME4: 'smalldatetime', 0xBF: 'bigint'}
        t = SqlType(names[tb], T.FIXED_LENGTHS[names[tb]], nullable=False)
    elif tb in (T.SYBINTN, T.SYBFLTN, T.SYBMONEYN, T.SYBDATETIMN,
                T.SYBBITN):
        ln = r.u8()
        names = {T.SYBINTN: {1: 'tinyint', 2: 'smallint', 4: 'int',
                             8: 'bigint'},
                 T.SYBFLTN: {4: 'real', 8: 'float'},
                 T.SYBMONEYN: {4: 'smallmoney', 8: 'money'},
                 T.SYBDATETIMN: {4: 'smalldatetime', 8: 'datetime'},
                 T.SYBBITN: {1: 'bit'}}[tb]
        t = SqlType(names.get(ln, 'int'), ln)
    elif tb in (T.SYBDECIMAL, T.SYBNUMERIC):
        r.u8()
        p = r.u8()
        s = r.u8()
        t = SqlType('decimal' if tb == T.SYBDECIMAL else 'numeric', 0, p, s)
    elif tb in (T.SYBCHAR, T.SYBVARCHAR, T.SYBBINARY, T.SYBVARBINARY):
        ln = r.u8()
        t = SqlType({T.SYBCHAR: 'char', T.SYBVARCHAR: 'varchar',
                     T.SYBBINARY: 'binary', T.SYBVARBINARY: 'varbinary'}[tb],
                    ln)
    elif tb in (T.XSYBCHAR, T.SYBLONGBINARY, T.SYBTEXT, T.SYBIMAGE):
        ln = r.i32()
        t = SqlType({T.XSYBCHAR: 'varchar', T.SYBLONGBINARY: 'varbinary',
                     T.SYBTEXT: 'text', T.SYBIMAGE: 'image'}[tb], ln)
        if tb in (T.SYBTEXT, T.SYBIMAGE):
            nl2 = r.u16()
            r.take(nl2)
    else:
        raise ValueError('unsupported parameter type 0x%02X' % tb)
    loc = r.u8()
    r.take(loc)
    return name, status, t, tb


def _read_value(r, t, tb, charset):
    if tb in (T.SYBINT1, T.SYBINT2, T.SYBINT4, T.SYBBIT, T.SYBREAL,
              T.SYBFLT8, T.SYBMONEY, T.SYBMONEY4, T.SYBDATETIME,
              T.SYBDATETIME4, 0xBF):
        import tds7
        return tds7.decode_fixed(t, r.take(t.length))
    if tb in (T.SYBINTN, T.SYBFLTN, T.SYBMONEYN, T.SYBDATETIMN, T.SYBBITN):
        import tds7
        ln = r.u8()
        if not ln:
            return None
        name = {T.SYBINTN: {1: 'tinyint', 2: 'smallint', 4: 'int',
                            8: 'bigint'},
                T.SYBFLTN: {4: 'real', 8: 'float'},
                T.SYBMONEYN: {4: 'smallmoney', 8: 'money'},
                T.SYBDATETIMN: {4: 'smalldatetime', 8: 'datetime'},
                T.SYBBITN: {1: 'bit'}}[tb][ln]
        return tds7.decode_fixed(SqlType(name, ln), r.take(ln))
    if tb in (T.SYBDECIMAL, T.SYBNUMERIC):
        ln = r.u8()
        if not ln:
            return None
        b = r.take(ln)
        m = int.from_bytes(b[1:], 'big')
        if b[0]:
            m = -m
        return decimal.Decimal(m).scaleb(-t.scale)
    if tb in (T.SYBCHAR, T.SYBVARCHAR, T.SYBBINARY, T.SYBVARBINARY):
        ln = r.u8()
        if not ln:
            return None
        b = r.take(ln)
    elif tb in (T.XSYBCHAR, T.SYBLONGBINARY, T.SYBTEXT, T.SYBIMAGE):
        ln = r.i32()
        if ln <= 0 and tb in (T.SYBTEXT, T.SYBIMAGE, T.XSYBCHAR,
                              T.SYBLONGBINARY) and ln == 0:
            b = b''
        else:
            b = r.take(ln)
    else:
        raise ValueError('unsupported parameter type 0x%02X' % tb)
    if tb in (T.SYBBINARY, T.SYBVARBINARY, T.SYBLONGBINARY, T.SYBIMAGE):
        return b
    return b.decode(charset, 'replace')


def parse_params(r, fmt_token, charset):
    wide = fmt_token == TOK_PARAMFMT2
    if wide:
        r.i32()
    else:
        r.u16()
    n = r.u16()
    fmts = [_read_fmt(r, wide) for _ in range(n)]
    tok = r.u8()
    if tok != TOK_PARAMS:
        raise ValueError('PARAMS expected after PARAMFMT')
    out = []
    for name, status, t, tb in fmts:
        v = _read_value(r, t, tb, charset)
        out.append((name, t, v, bool(status & 1)))
    return out


# ---------------------------------------------------------------------------
# connection handlers (called by tdsserver.Connection)

def login(conn, data):
    info = parse_login(data)
    conn.tds = '5.0'
    conn.proto = Tds5Encoder(conn)
    charset_name = info['charset'].lower() or 'iso_1'
    if charset_name not in CHARSETS:
        charset_name = 'iso_1'
    conn.codec = T.Codec(CHARSETS[charset_name])
    size = info['packet_size'] or 512
    size = max(512, min(size, 65535 - 8))
    server = conn.server
    server.transcript.write({'conn': conn.id, 'type': 'login', 'tds': '5.0',
                             'user': info['user'], 'database': '',
                             'app': info['app'], 'host': info['host'],
                             'language': info['language'],
                             'server': info['server'],
                             'charset': info['charset'],
                             'packet_size': size})
    opts = server.opts
    out = bytearray()
    if (opts.user and info['user'] != opts.user) or (
            opts.password is not None and info['password'] != opts.password):
        out += eed(4002, 14, 1, 'Login failed.', server.name)
        out += login_ack(False)
        out += done(0xFD, 0x02, 0, 0)
        conn.packet_size = 512
        conn.send_raw(0x04, bytes(out))
        raise T.ConnectionClosed()
    limit = opts.max_packet_size
    if limit and size > limit:
        # the server refuses the size; the client may try a smaller one
        out += eed(4024, 16, 1, 'The packet size (%d) specified by the '
                   'client is larger than the maximum packet size (%d) '
                   'allowed by the server.' % (size, limit), server.name)
        out += login_ack(False)
        out += done(0xFD, 0x02, 0, 0)
        conn.packet_size = 512
        conn.send_raw(0x04, bytes(out))
        raise T.ConnectionClosed()
    sess = backend.Session(server.db, info['user'], server.db.name,
                           server.name, '5.0', 50 + conn.id)
    sess.options = opts
    conn.session = sess
    out += env_change(1, sess.database, 'master')
    out += eed(5701, 10, 1, "Changed database context to '%s'." %
               sess.database, server.name)
    out += env_change(2, 'us_english', '')
    out += env_change(3, charset_name, '')
    out += login_ack(True)
    if info['capability']:
        out += info['capability']
    out += env_change(4, str(size), str(size))
    out += done(0xFD, 0, 0, 0)
    conn.send_raw(0x04, bytes(out))
    conn.packet_size = size


def normal(conn, data):
    """A TDS 5.0 request message: language, RPC, logout or options."""
    import cursor5
    r = Reader(data)
    sess = conn.session
    calls = []
    cursor_events = []
    while not r.at_end():
        tok = r.u8()
        if tok in cursor5.TOKENS:
            cursor_events.extend(cursor5.read_request(conn, tok, r))
            continue
        if tok == TOK_LANGUAGE:
            ln = r.i32()
            body = r.take(ln)
            text = body[1:].decode(conn.codec.charset, 'replace')
            params = []
            if body[0] & 1 and not r.at_end() and r.d[r.pos] in (
                    TOK_PARAMFMT, TOK_PARAMFMT2):
                params = parse_params(r, r.u8(), conn.codec.charset)
            rec = {'conn': conn.id, 'type': 'batch', 'tds': '5.0',
                   'sql': text}
            if params:
                rec['params'] = [{'name': n, 'type': repr(t), 'value': v,
                                  'output': o} for n, t, v, o in params]
            conn.server.transcript.write(rec)
            conn.run_language(text, {n.lower(): v for n, t, v, o in params
                                     if n})
            return
        if tok in (TOK_DBRPC, TOK_DBRPC2):
            ln = r.u16()
            body = Reader(r.take(ln))
            nl = body.u8()
            name = body.take(nl).decode('latin-1')
            params = []
            if not r.at_end() and r.d[r.pos] in (TOK_PARAMFMT,
                                                  TOK_PARAMFMT2):
                fmt_tok = r.u8()
                params = parse_params(r, fmt_tok, conn.codec.charset)
            calls.append((name, params))
            continue
        if tok == TOK_DYNAMIC:
            ln = r.u16()
            body = Reader(r.take(ln))
            dyn_type = body.u8()
            status = body.u8()
            idl = body.u8()
            dyn_id = body.take(idl).decode('latin-1')
            text = ''
            if not body.at_end():
                tl = body.u16()
                text = body.take(tl).decode(conn.codec.charset, 'replace')
            params = []
            if status & 1 and not r.at_end() and r.d[r.pos] in (
                    TOK_PARAMFMT, TOK_PARAMFMT2):
                fmt_tok = r.u8()
                params = parse_params(r, fmt_tok, conn.codec.charset)
            dynamic(conn, dyn_type, dyn_id, text, params)
            return
        if tok == TOK_LOGOUT:
            conn.server.transcript.write({'conn': conn.id, 'type': 'logout',
                                          'tds': '5.0'})
            conn.send_raw(0x04, done(0xFD, 0, 0, 0))
            raise T.ConnectionClosed()
        if tok == TOK_OPTIONCMD:
            ln = r.u16()
            r.take(ln)
            conn.respond(iter([('done', 'done', 0, None, 0)]))
            return
        if tok == TOK_CAPABILITY:
            ln = r.u16()
            r.take(ln)
            continue
        conn.respond(iter([('msg', 4002, 16, 1, 'Unsupported TDS token 0x%02X'
                            % tok, '', 1), ('done', 'done', 2, None, 0)]))
        return
    for name, params in calls:
        conn.server.transcript.write({
            'conn': conn.id, 'type': 'rpc', 'tds': '5.0', 'proc': name,
            'params': [{'name': n, 'type': repr(t), 'value': v, 'output': o}
                       for n, t, v, o in params]})
    if calls:
        conn.respond(conn.run_rpc_calls(calls))
    elif cursor_events:
        conn.respond(iter(cursor_events))


DYN_PREPARE = 0x01
DYN_EXEC = 0x02
DYN_DEALLOC = 0x04
DYN_EXEC_IMMED = 0x08
DYN_ACK = 0x20


def dyn_ack(dyn_id):
    i = dyn_id.encode('latin-1')
    body = bytes([DYN_ACK, 0, len(i)]) + i
    return bytes([TOK_DYNAMIC]) + struct.pack('<H', len(body)) + body


def dynamic(conn, dyn_type, dyn_id, text, params):
    """Dynamic SQL: "create proc <id> as <statement>" prepares, execute runs
    it with the parameters in the order of its markers."""
    import re
    sess = conn.session
    prepared = sess.prepared
    rec = {'conn': conn.id, 'type': 'dynamic', 'tds': '5.0', 'id': dyn_id,
           'op': {DYN_PREPARE: 'prepare', DYN_EXEC: 'execute',
                  DYN_DEALLOC: 'dealloc',
                  DYN_EXEC_IMMED: 'immediate'}.get(dyn_type, dyn_type)}
    if dyn_type == DYN_PREPARE:
        m = re.match(r'\s*create\s+proc(?:edure)?\s+\S+\s+as\s+(.*)$', text,
                     re.I | re.S)
        sql = m.group(1) if m else text
        rec['sql'] = sql
        conn.server.transcript.write(rec)
        prepared[dyn_id] = (sql, None)
        events = [('raw', dyn_ack(dyn_id))]
        cols = sess.describe_statement(sql)
        if cols:
            # the description of the output, which CT-Library keeps for
            # ct_dynamic(CS_DESCRIBE_OUTPUT)
            events.append(('raw', row_fmt(cols)))
        events.append(('done', 'done', 0, None, 0))
        conn.respond(iter(events))
    elif dyn_type == DYN_EXEC:
        rec['params'] = [{'name': n, 'type': repr(t), 'value': v,
                          'output': o} for n, t, v, o in params]
        conn.server.transcript.write(rec)
        if dyn_id not in prepared:
            conn.respond(iter([('msg', 3812, 16, 1, 'No prepared statement '
                                '%s.' % dyn_id, '', 1),
                               ('done', 'done', 2, None, 0)]))
            return
        sql = prepared[dyn_id][0]
        conn.respond(sess.run_with_markers(sql, [v for n, t, v, o in params]))
    elif dyn_type == DYN_DEALLOC:
        conn.server.transcript.write(rec)
        prepared.pop(dyn_id, None)
        conn.respond(iter([('raw', dyn_ack(dyn_id)),
                           ('done', 'done', 0, None, 0)]))
    else:
        rec['sql'] = text
        conn.server.transcript.write(rec)
        conn.respond(sess.run_batch(text))


class Tds5Encoder:
    def __init__(self, conn):
        self.conn = conn
        self.pending_params = []

    def columns(self, cols):
        return row_fmt(cols)

    def row_encoder(self, cols, sess):
        return RowEncoder(cols, self.conn.codec,
                          sess.textsize if sess else 0).row

    def done(self, ev, more):
        out = b''
        if self.pending_params:
            out += self._params()
        _, kind, status, count, cmd = ev
        tok = {'done': 0xFD, 'proc': 0xFE, 'inproc': 0xFF}[kind]
        if more:
            status |= 0x01
        if count is not None and not status & 0x20:
            status |= 0x10
        sess = self.conn.session
        if sess is not None and sess.trancount:
            status |= 0x04
        return out + done(tok, status, sess.trancount if sess else 0, count)

    def _params(self):
        ps = self.pending_params
        self.pending_params = []

        class C:
            pass
        cols = []
        for _, name, t, v in ps:
            c = C()
            c.type = t
            c.name = name
            c.table = None
            cols.append(c)
        enc = RowEncoder(cols, self.conn.codec)
        return param_fmt([(name, t, True) for _, name, t, v in ps]) + \
            bytes([TOK_PARAMS]) + b''.join(
                e(v) for e, (_, _, _, v) in zip(enc.encoders, ps))

    def message(self, number, severity, state, text, proc, line):
        return eed(number, severity, state, text, self.conn.server.name,
                   proc, line, self.conn.codec.charset)

    def return_status(self, n):
        return bytes([TOK_RETURNSTATUS]) + struct.pack('<i', n)

    def return_value(self, ordinal, name, t, value):
        # output parameters travel together as PARAMFMT/PARAMS before the
        # procedure's DONE
        if t.name in ('nchar', 'nvarchar', 'ntext'):
            t = SqlType({'nchar': 'char', 'nvarchar': 'varchar',
                         'ntext': 'text'}[t.name], t.length)
        self.pending_params.append((ordinal, name, t, value))
        return b''

    def env(self, what, new, old):
        if what == 'database':
            return env_change(1, new, old)
        return b''


def bulk(conn, data):
    """writetext data (TDS 5.0 and 7.x send it as a bulk packet)."""
    import textptr
    textptr.bulk(conn, data)
