"""Column types of the test server and their encoding on the wire.

A column type is a `SqlType`: a Transact-SQL type name with its length,
precision and scale, and whether the column may hold NULL.  Values come from
SQLite (int, float, str, bytes, None) or from RPC parameters (also Decimal and
datetime) and are coerced to the column's type when they are encoded.
"""

import datetime
import decimal
import re
import struct

D = decimal.Decimal

# TDS type bytes (shared by TDS 5.0 and 7.x where the byte is the same).
SYBIMAGE = 0x22
SYBTEXT = 0x23
SYBUNIQUE = 0x24
SYBVARBINARY = 0x25
SYBINTN = 0x26
SYBVARCHAR = 0x27
SYBBINARY = 0x2D
SYBCHAR = 0x2F
SYBINT1 = 0x30
SYBBIT = 0x32
SYBINT2 = 0x34
SYBINT4 = 0x38
SYBDATETIME4 = 0x3A
SYBREAL = 0x3B
SYBMONEY = 0x3C
SYBDATETIME = 0x3D
SYBFLT8 = 0x3E
SYBNTEXT = 0x63
SYBBITN = 0x68
SYBDECIMAL = 0x6A
SYBNUMERIC = 0x6C
SYBFLTN = 0x6D
SYBMONEYN = 0x6E
SYBDATETIMN = 0x6F
SYBMONEY4 = 0x7A
SYBINT8 = 0x7F
XSYBVARBINARY = 0xA5
XSYBVARCHAR = 0xA7
XSYBBINARY = 0xAD
XSYBCHAR = 0xAF
XSYBNVARCHAR = 0xE7
XSYBNCHAR = 0xEF
SYBDATEN = 0x28
SYBTIMEN = 0x29
SYBDATETIME2N = 0x2A
SYBDATETIMEOFFSETN = 0x2B
SYBVOID = 0x1F
SYBLONGBINARY = 0xE1  # TDS 5.0
SYBVARIANT = 0x62
SYBXML = 0xF1
SYBUDT = 0xF0

TEXT_MAX = 2147483647
NTEXT_MAX = 1073741823 * 2
EPOCH = datetime.datetime(1900, 1, 1)

# Server user types reported with the column (DB-Library's dbcolutype).
USER_TYPES = {'char': 1, 'varchar': 2, 'binary': 3, 'varbinary': 4,
              'timestamp': 80, 'text': 19, 'image': 20, 'nchar': 24,
              'nvarchar': 25, 'ntext': 0, 'sysname': 18}


class ConnectionClosed(Exception):
    """The client went away, or the server ends the connection."""


class SqlType:
    __slots__ = ('name', 'length', 'precision', 'scale', 'nullable')

    def __init__(self, name, length=0, precision=0, scale=0, nullable=True):
        self.name = name
        self.length = length
        self.precision = precision
        self.scale = scale
        self.nullable = nullable

    def __repr__(self):
        if self.name in ('decimal', 'numeric'):
            return '%s(%d,%d)' % (self.name, self.precision, self.scale)
        if self.name in ('char', 'varchar', 'nchar', 'nvarchar', 'binary',
                         'varbinary'):
            return '%s(%d)' % (self.name, self.length)
        return self.name

    def is_text(self):
        return self.name in ('text', 'ntext', 'image')


FIXED_LENGTHS = {'int': 4, 'smallint': 2, 'tinyint': 1, 'bigint': 8,
                 'bit': 1, 'real': 4, 'float': 8, 'money': 8,
                 'smallmoney': 4, 'datetime': 8, 'smalldatetime': 4,
                 'timestamp': 8, 'uniqueidentifier': 16}

ALIASES = {'integer': 'int', 'int4': 'int', 'int2': 'smallint',
           'int1': 'tinyint', 'int8': 'bigint', 'double': 'float',
           'double precision': 'float', 'float8': 'float', 'float4': 'real',
           'character': 'char', 'character varying': 'varchar',
           'national char': 'nchar', 'national character': 'nchar',
           'national varchar': 'nvarchar', 'dec': 'decimal',
           'boolean': 'bit', 'blob': 'image', 'clob': 'text',
           'datetime2': 'datetime', 'date': 'datetime', 'time': 'datetime',
           'smallmoney': 'smallmoney', 'sysname': 'sysname',
           'unitext': 'ntext', 'univarchar': 'nvarchar', 'unichar': 'nchar',
           'varbinary': 'varbinary'}

_DECL = re.compile(
    r'^\s*([a-z_][a-z0-9_ ]*?)\s*(?:\(\s*(\d+|max)\s*(?:,\s*(\d+)\s*)?\))?'
    r'(\s+identity.*)?\s*$', re.I)


def parse_decltype(decl, nullable=True):
    """Maps a declared column type to a SqlType; None when it says nothing."""
    if not decl:
        return None
    decl = re.sub(r'\s+vxtext\b', '', decl, flags=re.I)
    m = _DECL.match(decl)
    if not m:
        return None
    name = ' '.join(m.group(1).lower().split())
    name = ALIASES.get(name, name)
    n1 = m.group(2)
    n2 = m.group(3)
    if name == 'sysname':
        return SqlType('nvarchar', 128, nullable=nullable)
    if name in FIXED_LENGTHS:
        return SqlType(name, FIXED_LENGTHS[name], nullable=nullable)
    if name in ('decimal', 'numeric'):
        p = int(n1) if n1 and n1 != 'max' else 18
        s = int(n2) if n2 else 0
        p = max(1, min(p, 38))
        return SqlType(name, 0, p, min(s, p), nullable=nullable)
    if name in ('char', 'varchar', 'nchar', 'nvarchar', 'binary',
                'varbinary'):
        if n1 == 'max':
            return SqlType({'varchar': 'text', 'nvarchar': 'ntext',
                            'varbinary': 'image'}.get(name, name), TEXT_MAX,
                           nullable=nullable)
        n = int(n1) if n1 else (1 if name in ('char', 'nchar', 'binary')
                               else 255)
        n = max(1, min(n, 8000 if name[0] != 'n' else 4000))
        return SqlType(name, n, nullable=nullable)
    if name in ('text', 'ntext', 'image'):
        return SqlType(name, TEXT_MAX, nullable=nullable)
    if name == 'real' or name == 'float':
        return SqlType(name, FIXED_LENGTHS[name], nullable=nullable)
    return None


def type_of_value(v):
    """A type for a column whose type comes only from its values."""
    if isinstance(v, bool):
        return SqlType('bit', 1)
    if isinstance(v, int):
        if -2**31 <= v < 2**31:
            return SqlType('int', 4)
        return SqlType('bigint', 8)
    if isinstance(v, float):
        return SqlType('float', 8)
    if isinstance(v, D):
        return SqlType('decimal', 0, 38, max(0, -v.as_tuple().exponent))
    if isinstance(v, datetime.datetime):
        return SqlType('datetime', 8)
    if isinstance(v, (bytes, bytearray, memoryview)):
        return SqlType('varbinary', max(1, len(v)))
    if isinstance(v, str):
        return SqlType('varchar', max(1, len(v)))
    return SqlType('int', 4)


def widen_for_values(t, values):
    """Widens an inferred type so that every value fits (expression columns)."""
    for v in values:
        if v is None:
            continue
        if t.name in ('varchar', 'nvarchar', 'varbinary'):
            n = len(v) if not isinstance(v, (int, float)) else len(str(v))
            if n > t.length:
                t.length = n
        elif t.name == 'int' and isinstance(v, int) and not (
                -2**31 <= v < 2**31):
            t.name, t.length = 'bigint', 8
        elif t.name in ('int', 'bigint') and isinstance(v, float):
            t.name, t.length = 'float', 8
    if t.name in ('varchar', 'varbinary') and t.length > 8000:
        t.name, t.length = ('text' if t.name == 'varchar' else 'image',
                            TEXT_MAX)
    if t.name == 'nvarchar' and t.length > 4000:
        t.name, t.length = 'ntext', TEXT_MAX
    return t


# ---------------------------------------------------------------------------
# Value coercion

_MONTHS = ['jan', 'feb', 'mar', 'apr', 'may', 'jun', 'jul', 'aug', 'sep',
           'oct', 'nov', 'dec']
_ISO = re.compile(r'^\s*(\d{4})-(\d{1,2})-(\d{1,2})'
                  r'(?:[ T](\d{1,2}):(\d{2})(?::(\d{2})(?:[.:](\d{1,9}))?)?)?\s*$')
_MON = re.compile(r'^\s*([a-z]{3})[a-z]*\s+(\d{1,2}),?\s+(\d{4})'
                  r'(?:\s+(\d{1,2}):(\d{2})(?::(\d{2})(?:[.:](\d{1,3}))?)?'
                  r'\s*([ap]m)?)?\s*$', re.I)
_TIME = re.compile(r'^\s*(\d{1,2}):(\d{2})(?::(\d{2})(?:[.:](\d{1,3}))?)?'
                   r'\s*([ap]m)?\s*$', re.I)


def _hms(h, mi, s, frac, ampm, frac_is_ms):
    h = int(h or 0)
    if ampm:
        ampm = ampm.lower()
        if h == 12:
            h = 0
        if ampm == 'pm':
            h += 12
    us = 0
    if frac:
        if frac_is_ms:
            us = int(frac.ljust(3, '0')[:3]) * 1000
        else:
            us = int(frac.ljust(6, '0')[:6])
    return h, int(mi or 0), int(s or 0), us


def to_datetime(v):
    if v is None:
        return None
    if isinstance(v, datetime.datetime):
        return v
    if isinstance(v, datetime.date):
        return datetime.datetime(v.year, v.month, v.day)
    if isinstance(v, (int, float)):
        return EPOCH + datetime.timedelta(days=float(v))
    s = v.decode('latin-1') if isinstance(v, bytes) else str(v)
    m = _ISO.match(s)
    if m:
        y, mo, d = int(m.group(1)), int(m.group(2)), int(m.group(3))
        h, mi, se, us = _hms(m.group(4), m.group(5), m.group(6), m.group(7),
                             None, False)
        return datetime.datetime(y, mo, d, h, mi, se, us)
    m = _MON.match(s)
    if m and m.group(1).lower() in _MONTHS:
        mo = _MONTHS.index(m.group(1).lower()) + 1
        # "Mon dd yyyy hh:mm:ss:mmm" has a colon before milliseconds
        h, mi, se, us = _hms(m.group(4), m.group(5), m.group(6), m.group(7),
                             m.group(8), True)
        return datetime.datetime(int(m.group(3)), mo, int(m.group(2)), h, mi,
                                 se, us)
    m = _TIME.match(s)
    if m:
        h, mi, se, us = _hms(m.group(1), m.group(2), m.group(3), m.group(4),
                             m.group(5), True)
        return datetime.datetime(1900, 1, 1, h, mi, se, us)
    raise ValueError('Conversion failed when converting date and/or time '
                     'from character string.')


def to_int(v):
    if isinstance(v, bool):
        return int(v)
    if isinstance(v, int):
        return v
    if isinstance(v, float):
        return int(v)
    if isinstance(v, D):
        return int(v)
    if isinstance(v, bytes):
        return int.from_bytes(v, 'big') if v else 0
    if isinstance(v, datetime.datetime):
        return (v - EPOCH).days
    s = str(v).strip()
    try:
        return int(s)
    except ValueError:
        return int(D(s))


def to_decimal(v):
    if isinstance(v, D):
        return v
    if isinstance(v, float):
        return D(repr(v))
    if isinstance(v, bytes):
        v = v.decode('latin-1')
    return D(str(v).strip())


def to_float(v):
    if isinstance(v, bytes):
        v = v.decode('latin-1')
    return float(v)


def to_text(v):
    if isinstance(v, str):
        return v
    if isinstance(v, (bytes, bytearray, memoryview)):
        return bytes(v).decode('latin-1')
    if isinstance(v, float):
        r = repr(v)
        return r[:-2] if r.endswith('.0') else r
    if isinstance(v, datetime.datetime):
        return v.strftime('%b %d %Y %I:%M%p')
    return str(v)


def to_bytes(v):
    if isinstance(v, (bytes, bytearray, memoryview)):
        return bytes(v)
    if isinstance(v, str):
        return v.encode('latin-1', 'replace')
    if isinstance(v, int):
        n = max(1, (v.bit_length() + 8) // 8)
        return v.to_bytes(n, 'big', signed=True)
    return str(v).encode('latin-1')


def datetime_parts(dt):
    """(days since 1900-01-01, 1/300 second ticks since midnight)."""
    days = (dt.date() - EPOCH.date()).days
    ms = ((dt.hour * 60 + dt.minute) * 60 + dt.second) * 1000 + \
        dt.microsecond // 1000
    ticks = (ms * 300 + 500) // 1000
    if ticks >= 25920000:
        days += 1
        ticks = 0
    return days, ticks


def datetime_from_parts(days, ticks):
    ms = (ticks * 1000 + 150) // 300
    return EPOCH + datetime.timedelta(days=days, milliseconds=ms)


def decimal_bytes_len(precision):
    if precision <= 9:
        return 5
    if precision <= 19:
        return 9
    if precision <= 28:
        return 13
    return 17


def decimal_magnitude(v, scale):
    q = to_decimal(v).scaleb(scale).to_integral_value(decimal.ROUND_HALF_UP)
    return int(q)


class Codec:
    """Encodes values for one connection: the character set of char data."""

    def __init__(self, charset='cp1252'):
        self.charset = charset

    def chars(self, v):
        return to_text(v).encode(self.charset, 'replace')

    def coerce(self, t, v):
        """The value as the Python form its type encodes, or None."""
        if v is None:
            return None
        n = t.name
        if n in ('int', 'smallint', 'tinyint', 'bigint'):
            return to_int(v)
        if n == 'bit':
            return 1 if to_int(v) else 0
        if n in ('real', 'float'):
            return to_float(v)
        if n in ('money', 'smallmoney', 'decimal', 'numeric'):
            return to_decimal(v)
        if n in ('datetime', 'smalldatetime'):
            return to_datetime(v)
        if n in ('char', 'varchar', 'text'):
            b = self.chars(v)
            if n != 'text' and len(b) > t.length:
                # cut at a character boundary (multi-byte character sets)
                b = b[:t.length].decode(self.charset, 'ignore').encode(
                    self.charset)
            if n == 'char':
                b = b.ljust(t.length, b' ')
            return b
        if n in ('nchar', 'nvarchar', 'ntext'):
            s = to_text(v)
            if n == 'nchar':
                s = s[:t.length].ljust(t.length)
            elif n == 'nvarchar':
                s = s[:t.length]
            return s.encode('utf-16-le')
        if n in ('binary', 'varbinary', 'image', 'timestamp',
                 'uniqueidentifier'):
            b = to_bytes(v)
            if n == 'binary' or n == 'timestamp':
                b = b[:t.length].ljust(t.length, b'\0')
            elif n == 'varbinary':
                b = b[:t.length]
            return b
        return self.chars(v)


def fixed_value_bytes(t, v):
    """Bytes of a non-NULL value of a fixed-length type (coerced)."""
    n = t.name
    if n == 'int':
        return struct.pack('<i', v)
    if n == 'smallint':
        return struct.pack('<h', v)
    if n == 'tinyint':
        return struct.pack('<B', v & 0xFF)
    if n == 'bigint':
        return struct.pack('<q', v)
    if n == 'bit':
        return b'\1' if v else b'\0'
    if n == 'real':
        return struct.pack('<f', v)
    if n == 'float':
        return struct.pack('<d', v)
    if n == 'money':
        m = int((v * 10000).to_integral_value(decimal.ROUND_HALF_UP))
        return struct.pack('<iI', m >> 32, m & 0xFFFFFFFF)
    if n == 'smallmoney':
        m = int((v * 10000).to_integral_value(decimal.ROUND_HALF_UP))
        return struct.pack('<i', m)
    if n == 'datetime':
        days, ticks = datetime_parts(v)
        return struct.pack('<iI', days, ticks)
    if n == 'smalldatetime':
        days = (v.date() - EPOCH.date()).days
        mins = v.hour * 60 + v.minute + (1 if v.second >= 30 else 0)
        return struct.pack('<HH', days, mins)
    raise ValueError(n)
