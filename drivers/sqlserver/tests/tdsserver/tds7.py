"""TDS 7.4 token encoding and request decoding."""

import datetime
import decimal
import struct
import uuid

import tdstypes as T
from tdstypes import SqlType

# the pointer of a text value that belongs to no table row
TEXTPTR_NONE = b'VXTP' + b'\xff' * 12

TDS74 = 0x74000004

# Collation bytes: LCID 0x0409 with case/kana/width-insensitive flags, sort id
# 52 (SQL_Latin1_General_CP1_CI_AS), which clients decode as CP1252.
COLLATION = bytes([0x09, 0x04, 0xD0, 0x00, 0x34])

DONE = 0xFD
DONEPROC = 0xFE
DONEINPROC = 0xFF
DONE_MORE = 0x01
DONE_ERROR = 0x02
DONE_INXACT = 0x04
DONE_COUNT = 0x10
DONE_ATTN = 0x20

ENV_DATABASE = 1
ENV_LANGUAGE = 2
ENV_PACKETSIZE = 4
ENV_COLLATION = 7
ENV_BEGINTRAN = 8
ENV_COMMITTRAN = 9
ENV_ROLLBACKTRAN = 10


def b_varchar(s):
    u = (s or '').encode('utf-16-le')
    return bytes([len(u) // 2]) + u


def us_varchar(s):
    u = (s or '').encode('utf-16-le')
    return struct.pack('<H', len(u) // 2) + u


def env_change(kind, new, old):
    if kind == ENV_COLLATION:
        body = bytes([kind, len(new)]) + new + bytes([len(old)]) + old
    elif kind in (ENV_BEGINTRAN, ENV_COMMITTRAN, ENV_ROLLBACKTRAN):
        body = bytes([kind, len(new)]) + new + bytes([len(old)]) + old
    else:
        body = bytes([kind]) + b_varchar(new) + b_varchar(old)
    return b'\xE3' + struct.pack('<H', len(body)) + body


def message(number, severity, state, text, server='VXTDS', proc='', line=1):
    body = struct.pack('<iBB', number, state, severity) + us_varchar(text) + \
        b_varchar(server) + b_varchar(proc) + struct.pack('<i', line)
    tok = 0xAA if severity > 10 else 0xAB
    return bytes([tok]) + struct.pack('<H', len(body)) + body


def login_ack(progname='Microsoft SQL Server', version=(16, 0, 1000)):
    body = b'\x01' + struct.pack('>I', TDS74) + b_varchar(progname) + \
        struct.pack('>BBH', version[0], version[1], version[2])
    return b'\xAD' + struct.pack('<H', len(body)) + body


def done(token, status, curcmd, count):
    return struct.pack('<BHHQ', token, status, curcmd, count or 0)


def return_status(n):
    return b'\x79' + struct.pack('<i', n)


# ---------------------------------------------------------------------------
# Column descriptions and rows

def _type_info(t):
    n = t.name
    if n in ('int', 'smallint', 'tinyint', 'bigint'):
        if not t.nullable:
            return bytes([{'int': T.SYBINT4, 'smallint': T.SYBINT2,
                           'tinyint': T.SYBINT1, 'bigint': T.SYBINT8}[n]])
        return bytes([T.SYBINTN, T.FIXED_LENGTHS[n]])
    if n == 'bit':
        return bytes([T.SYBBIT]) if not t.nullable else bytes([T.SYBBITN, 1])
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
                      T.decimal_bytes_len(t.precision), t.precision, t.scale])
    if n in ('char', 'varchar'):
        return bytes([T.XSYBCHAR if n == 'char' else T.XSYBVARCHAR]) + \
            struct.pack('<H', t.length) + COLLATION
    if n in ('nchar', 'nvarchar'):
        return bytes([T.XSYBNCHAR if n == 'nchar' else T.XSYBNVARCHAR]) + \
            struct.pack('<H', t.length * 2) + COLLATION
    if n in ('binary', 'varbinary', 'timestamp'):
        return bytes([T.XSYBVARBINARY if n == 'varbinary'
                      else T.XSYBBINARY]) + struct.pack('<H', t.length)
    if n == 'uniqueidentifier':
        return bytes([T.SYBUNIQUE, 16])
    if n == 'text':
        return bytes([T.SYBTEXT]) + struct.pack('<i', T.TEXT_MAX) + COLLATION
    if n == 'ntext':
        return bytes([T.SYBNTEXT]) + struct.pack('<i', T.NTEXT_MAX) + \
            COLLATION
    if n == 'image':
        return bytes([T.SYBIMAGE]) + struct.pack('<i', T.TEXT_MAX)
    raise ValueError('no TDS 7 type for ' + n)


def col_metadata(cols):
    """cols: list of Column (name, type, table)."""
    out = [b'\x81', struct.pack('<H', len(cols))]
    for c in cols:
        t = c.type
        flags = 0x0008 | (0x0001 if t.nullable else 0)
        out.append(struct.pack('<IH', T.USER_TYPES.get(t.name, 0), flags))
        out.append(_type_info(t))
        if t.is_text():
            parts = [p for p in (c.table or 'vxtext').split('.') if p]
            out.append(bytes([len(parts)]))
            for p in parts:
                out.append(us_varchar(p))
        out.append(b_varchar(c.name))
    return b''.join(out)


class RowEncoder:
    """Encodes the rows of one result description."""

    def __init__(self, cols, codec, textsize=0):
        self.cols = cols
        self.codec = codec
        self.textsize = textsize
        self.encoders = [self._encoder(c) for c in cols]

    def _encoder(self, c):
        t = c.type
        n = t.name
        coerce = self.codec.coerce
        if n in T.FIXED_LENGTHS and n not in ('timestamp', 'uniqueidentifier'):
            if not t.nullable:
                def enc(v, t=t):
                    v = coerce(t, v)
                    if v is None:
                        v = coerce(t, 0)
                    return T.fixed_value_bytes(t, v)
                return enc
            ln = bytes([T.FIXED_LENGTHS[n]])

            def enc(v, t=t, ln=ln):
                v = coerce(t, v)
                if v is None:
                    return b'\0'
                return ln + T.fixed_value_bytes(t, v)
            return enc
        if n in ('decimal', 'numeric'):
            size = T.decimal_bytes_len(t.precision)

            def enc(v, t=t, size=size):
                v = coerce(t, v)
                if v is None:
                    return b'\0'
                m = T.decimal_magnitude(v, t.scale)
                sign = 1 if m >= 0 else 0
                return bytes([size, sign]) + abs(m).to_bytes(size - 1,
                                                               'little')
            return enc
        if n == 'uniqueidentifier':
            def enc(v):
                if v is None:
                    return b'\0'
                if isinstance(v, bytes) and len(v) == 16:
                    return b'\x10' + v
                return b'\x10' + uuid.UUID(str(v)).bytes_le
            return enc
        if n in ('text', 'ntext', 'image'):
            def enc(v, t=t, c=c):
                if v is None:
                    return b'\0'
                ptr = TEXTPTR_NONE
                if hasattr(v, 'ptr'):
                    v, ptr = v.value, v.ptr
                b = coerce(t, v)
                if self.textsize and len(b) > self.textsize:
                    b = b[:self.textsize]
                return b'\x10' + ptr + b'\0' * 8 + struct.pack('<i', len(b)) \
                    + b
            return enc

        def enc(v, t=t):
            if v is None:
                return b'\xff\xff'
            b = coerce(t, v)
            return struct.pack('<H', len(b)) + b
        return enc

    def row(self, values):
        return b'\xD1' + b''.join(e(v) for e, v in zip(self.encoders,
                                                         values))


def return_value(ordinal, name, t, value, codec):
    out = [b'\xAC', struct.pack('<H', ordinal), b_varchar(name), b'\x01',
           struct.pack('<IH', 0, 0x0001 | 0x0008), _type_info(t)]

    class C:
        pass
    c = C()
    c.type = t
    out.append(RowEncoder([c], codec).encoders[0](value))
    return b''.join(out)


# ---------------------------------------------------------------------------
# Requests

def decode_password(b):
    out = bytearray()
    for x in b:
        x ^= 0xA5
        out.append(((x & 0x0F) << 4) | (x >> 4))
    return out.decode('utf-16-le', 'replace')


def parse_login7(p):
    (length, version, packet_size, prog_ver, pid, conn_id, f1, f2, tflags,
     f3, tz, lcid) = struct.unpack_from('<IIIIIIBBBBiI', p, 0)
    fields = ['host', 'user', 'password', 'app', 'server', 'extension',
              'library', 'language', 'database']
    info = {'tds_version': version, 'packet_size': packet_size,
            'option_flags3': f3}
    pos = 36
    for f in fields:
        off, ln = struct.unpack_from('<HH', p, pos)
        pos += 4
        raw = p[off:off + ln * 2]
        if f == 'password':
            info[f] = decode_password(raw)
        elif f == 'extension':
            info[f] = (off, ln)
        else:
            info[f] = raw.decode('utf-16-le', 'replace')
    return info


def parse_prelogin(p):
    opts = {}
    pos = 0
    while pos < len(p) and p[pos] != 0xFF:
        tok, off, ln = struct.unpack_from('>BHH', p, pos)
        opts[tok] = p[off:off + ln]
        pos += 5
    return opts


def prelogin_reply(version=(16, 0, 1000, 6)):
    options = [
        (0, struct.pack('>BBHH', version[0], version[1], version[2], 0)),
        (1, b'\x02'),  # encryption not supported
        (2, b'\x00'),
        (3, b''),
        (4, b'\x00'),
    ]
    head_len = 5 * len(options) + 1
    head = bytearray()
    data = bytearray()
    for tok, val in options:
        head += struct.pack('>BHH', tok, head_len + len(data), len(val))
        data += val
    return bytes(head) + b'\xFF' + bytes(data)


def skip_all_headers(p):
    if len(p) >= 4:
        total = struct.unpack_from('<I', p, 0)[0]
        if 4 <= total <= len(p):
            return p[total:]
    return p


class Reader:
    def __init__(self, data, pos=0):
        self.d = data
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

    def u32(self):
        return struct.unpack('<I', self.take(4))[0]

    def b_varchar(self):
        n = self.u8()
        return self.take(n * 2).decode('utf-16-le')

    def us_varchar(self):
        n = self.u16()
        return self.take(n * 2).decode('utf-16-le')

    def at_end(self):
        return self.pos >= len(self.d)


def _read_plp(r):
    total = struct.unpack('<Q', r.take(8))[0]
    if total == 0xFFFFFFFFFFFFFFFF:
        return None
    out = bytearray()
    while True:
        n = r.u32()
        if n == 0:
            break
        out += r.take(n)
    return bytes(out)


def read_type_value(r):
    """Reads a TYPE_INFO and a value (RPC parameters); returns (SqlType,
    python value)."""
    tb = r.u8()
    fixed = {T.SYBINT1: 'tinyint', T.SYBINT2: 'smallint', T.SYBINT4: 'int',
             T.SYBINT8: 'bigint', T.SYBBIT: 'bit', T.SYBREAL: 'real',
             T.SYBFLT8: 'float', T.SYBMONEY: 'money',
             T.SYBMONEY4: 'smallmoney', T.SYBDATETIME: 'datetime',
             T.SYBDATETIME4: 'smalldatetime'}
    if tb in fixed:
        t = SqlType(fixed[tb], T.FIXED_LENGTHS[fixed[tb]], nullable=False)
        return t, decode_fixed(t, r.take(t.length))
    if tb in (T.SYBINTN, T.SYBBITN, T.SYBFLTN, T.SYBMONEYN, T.SYBDATETIMN):
        maxlen = r.u8()
        ln = r.u8()
        name = {T.SYBINTN: {1: 'tinyint', 2: 'smallint', 4: 'int',
                            8: 'bigint'},
                T.SYBBITN: {1: 'bit'}, T.SYBFLTN: {4: 'real', 8: 'float'},
                T.SYBMONEYN: {4: 'smallmoney', 8: 'money'},
                T.SYBDATETIMN: {4: 'smalldatetime', 8: 'datetime'}}[tb]
        t = SqlType(name[maxlen], maxlen)
        if ln == 0:
            return t, None
        return t, decode_fixed(SqlType(name[ln], ln), r.take(ln))
    if tb in (T.SYBDECIMAL, T.SYBNUMERIC):
        r.u8()
        prec = r.u8()
        scale = r.u8()
        t = SqlType('decimal' if tb == T.SYBDECIMAL else 'numeric', 0, prec,
                    scale)
        ln = r.u8()
        if ln == 0:
            return t, None
        b = r.take(ln)
        m = int.from_bytes(b[1:], 'little')
        if b[0] == 0:
            m = -m
        return t, decimal.Decimal(m).scaleb(-scale)
    if tb == T.SYBUNIQUE:
        r.u8()
        ln = r.u8()
        t = SqlType('uniqueidentifier', 16)
        return t, (str(uuid.UUID(bytes_le=r.take(16))) if ln else None)
    if tb in (T.XSYBCHAR, T.XSYBVARCHAR, T.XSYBNCHAR, T.XSYBNVARCHAR,
              T.XSYBBINARY, T.XSYBVARBINARY):
        maxlen = r.u16()
        coll = None
        if tb in (T.XSYBCHAR, T.XSYBVARCHAR, T.XSYBNCHAR, T.XSYBNVARCHAR):
            coll = r.take(5)
        uni = tb in (T.XSYBNCHAR, T.XSYBNVARCHAR)
        name = {T.XSYBCHAR: 'char', T.XSYBVARCHAR: 'varchar',
                T.XSYBNCHAR: 'nchar', T.XSYBNVARCHAR: 'nvarchar',
                T.XSYBBINARY: 'binary', T.XSYBVARBINARY: 'varbinary'}[tb]
        if maxlen == 0xFFFF:
            raw = _read_plp(r)
            t = SqlType({'varchar': 'text', 'nvarchar': 'ntext',
                         'varbinary': 'image'}.get(name, name), T.TEXT_MAX)
        else:
            t = SqlType(name, maxlen // 2 if uni else maxlen)
            ln = r.u16()
            raw = None if ln == 0xFFFF else r.take(ln)
        return t, _decode_chars(raw, uni, coll, tb in (T.XSYBBINARY,
                                                       T.XSYBVARBINARY))
    if tb in (T.SYBTEXT, T.SYBNTEXT, T.SYBIMAGE):
        r.u32()
        coll = r.take(5) if tb != T.SYBIMAGE else None
        ln = r.i32()
        raw = None if ln < 0 else r.take(ln)
        name = {T.SYBTEXT: 'text', T.SYBNTEXT: 'ntext',
                T.SYBIMAGE: 'image'}[tb]
        return SqlType(name, T.TEXT_MAX), _decode_chars(
            raw, tb == T.SYBNTEXT, coll, tb == T.SYBIMAGE)
    if tb == T.SYBDATEN:
        ln = r.u8()
        t = SqlType('datetime', 8)
        if not ln:
            return t, None
        days = int.from_bytes(r.take(3), 'little')
        return t, datetime.datetime(1, 1, 1) + datetime.timedelta(days=days)
    if tb in (T.SYBTIMEN, T.SYBDATETIME2N, T.SYBDATETIMEOFFSETN):
        scale = r.u8()
        ln = r.u8()
        t = SqlType('datetime', 8)
        if not ln:
            return t, None
        tlen = 3 if scale <= 2 else (4 if scale <= 4 else 5)
        ticks = int.from_bytes(r.take(tlen), 'little')
        secs = ticks / (10 ** scale)
        base = datetime.datetime(1900, 1, 1)
        if tb != T.SYBTIMEN:
            days = int.from_bytes(r.take(3), 'little')
            base = datetime.datetime(1, 1, 1) + datetime.timedelta(days=days)
        if tb == T.SYBDATETIMEOFFSETN:
            r.take(2)
        return t, base + datetime.timedelta(seconds=secs)
    raise ValueError('unsupported parameter type 0x%02X' % tb)


def _decode_chars(raw, uni, coll, binary):
    if raw is None:
        return None
    if binary:
        return raw
    if uni:
        return raw.decode('utf-16-le', 'replace')
    return raw.decode('cp1252', 'replace')


def decode_fixed(t, b):
    n = t.name
    if n == 'tinyint':
        return b[0]
    if n == 'smallint':
        return struct.unpack('<h', b)[0]
    if n == 'int':
        return struct.unpack('<i', b)[0]
    if n == 'bigint':
        return struct.unpack('<q', b)[0]
    if n == 'bit':
        return 1 if b[0] else 0
    if n == 'real':
        return struct.unpack('<f', b)[0]
    if n == 'float':
        return struct.unpack('<d', b)[0]
    if n == 'money':
        hi, lo = struct.unpack('<iI', b)
        return decimal.Decimal((hi << 32) | lo).scaleb(-4)
    if n == 'smallmoney':
        return decimal.Decimal(struct.unpack('<i', b)[0]).scaleb(-4)
    if n == 'datetime':
        days, ticks = struct.unpack('<iI', b)
        return T.datetime_from_parts(days, ticks)
    if n == 'smalldatetime':
        days, mins = struct.unpack('<HH', b)
        return T.EPOCH + datetime.timedelta(days=days, minutes=mins)
    raise ValueError(n)


def parse_rpc(p):
    """Parses an RPC request (after ALL_HEADERS) into a list of calls:
    (name or id, [(name, SqlType, value, is_output)])."""
    r = Reader(p)
    calls = []
    while not r.at_end():
        n = r.u16()
        if n == 0xFFFF:
            proc = r.u16()
        else:
            proc = r.take(n * 2).decode('utf-16-le')
        r.u16()  # option flags
        params = []
        while not r.at_end():
            b = r.d[r.pos]
            if b in (0x80, 0xFF):
                r.pos += 1
                break
            name = r.b_varchar()
            status = r.u8()
            t, v = read_type_value(r)
            params.append((name, t, v, bool(status & 1)))
        calls.append((proc, params))
    return calls
