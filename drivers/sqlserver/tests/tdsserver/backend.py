"""The SQL side of the test server: a SQLite database, a session per client
connection, and the statements and procedures it answers.

A batch or RPC is run by `Session.run_batch` / `Session.run_rpc`, which yield
events that the protocol layer encodes:

  ('rows', columns, iterator of tuples)
  ('done', kind, status, count or None, curcmd)   kind: done/proc/inproc
  ('msg', number, severity, state, text, proc, line)
  ('status', value)
  ('retval', ordinal, name, SqlType, value)
  ('env', what, new, old)                          what: database
"""

import datetime
import decimal
import math
import re
import sqlite3
import threading

import tdstypes as T
import tsql
from tdstypes import SqlType

DONE_ERROR = 0x02
DONE_COUNT = 0x10

CMD_SELECT = 0xC1
CMD_INSERT = 0xC3
CMD_DELETE = 0xC4
CMD_UPDATE = 0xC5


class Column:
    __slots__ = ('name', 'type', 'table', 'source')

    def __init__(self, name, t, table=None, source=None):
        self.name = name
        self.type = t
        self.table = table
        self.source = source

    def __repr__(self):
        return '%s %r' % (self.name, self.type)


class SqlError(Exception):
    def __init__(self, number, severity, text, state=1):
        Exception.__init__(self, text)
        self.number = number
        self.severity = severity
        self.text = text
        self.state = state


def _sqlite_error(e, sql=''):
    s = str(e)
    m = re.match(r'no such table: (?:\w+\.)?(.*)', s)
    if m:
        return SqlError(208, 16, "Invalid object name '%s'." % m.group(1))
    m = re.match(r'no such column: (.*)', s)
    if m:
        return SqlError(207, 16, "Invalid column name '%s'." %
                        m.group(1).split('.')[-1])
    m = re.match(r'(?:table|view|index) (\S+) already exists', s)
    if m:
        return SqlError(2714, 16, "There is already an object named '%s' in "
                        "the database." % m.group(1).strip('"'))
    m = re.match(r'near "(.*)": syntax error', s)
    if m:
        return SqlError(102, 15, "Incorrect syntax near '%s'." % m.group(1))
    if 'incomplete input' in s or 'syntax error' in s:
        return SqlError(102, 15, "Incorrect syntax near '%s'." %
                        (sql.strip().split()[-1] if sql.strip() else ''))
    m = re.match(r'(?:UNIQUE|PRIMARY KEY) constraint failed: (.*)', s)
    if m:
        return SqlError(2601, 14, "Cannot insert duplicate key row in object "
                        "'%s'." % m.group(1).split('.')[0])
    m = re.match(r'NOT NULL constraint failed: (\w+)\.(\w+)', s)
    if m:
        return SqlError(515, 16, "Cannot insert the value NULL into column "
                        "'%s', table '%s'; column does not allow nulls. "
                        "INSERT fails." % (m.group(2), m.group(1)))
    m = re.match(r'table (\S+) has (\d+) columns but (\d+) values', s)
    if m or 'values were supplied' in s or 'terms in the VALUES' in s:
        return SqlError(213, 16, "Column name or number of supplied values "
                        "does not match table definition.")
    if 'FOREIGN KEY constraint failed' in s:
        return SqlError(547, 16, 'The statement conflicted with a FOREIGN KEY '
                        'constraint.')
    if 'database is locked' in s or 'database table is locked' in s:
        return SqlError(1205, 13, 'Transaction was deadlocked on lock '
                        'resources with another process and has been chosen '
                        'as the deadlock victim. Rerun the transaction.')
    m = re.match(r'no such function: (.*)', s)
    if m:
        return SqlError(195, 15, "'%s' is not a recognized built-in function "
                        "name." % m.group(1))
    return SqlError(50000, 16, s)


# ---------------------------------------------------------------------------
# SQLite functions standing in for Transact-SQL built-ins

_DATEPARTS = {'year': 'year', 'yy': 'year', 'yyyy': 'year',
              'quarter': 'quarter', 'qq': 'quarter', 'q': 'quarter',
              'month': 'month', 'mm': 'month', 'm': 'month',
              'dayofyear': 'dy', 'dy': 'dy', 'y': 'dy', 'day': 'day',
              'dd': 'day', 'd': 'day', 'week': 'week', 'wk': 'week',
              'ww': 'week', 'weekday': 'weekday', 'dw': 'weekday',
              'hour': 'hour', 'hh': 'hour', 'minute': 'minute', 'mi': 'minute',
              'n': 'minute', 'second': 'second', 'ss': 'second',
              's': 'second', 'millisecond': 'ms', 'ms': 'ms'}


def _fmt_dt(dt):
    return dt.strftime('%Y-%m-%d %H:%M:%S.') + '%03d' % (dt.microsecond //
                                                         1000)


def _datepart(part, d):
    if d is None:
        return None
    dt = T.to_datetime(d)
    p = _DATEPARTS.get(part, part)
    if p == 'year':
        return dt.year
    if p == 'quarter':
        return (dt.month - 1) // 3 + 1
    if p == 'month':
        return dt.month
    if p == 'dy':
        return dt.timetuple().tm_yday
    if p == 'day':
        return dt.day
    if p == 'week':
        jan1 = datetime.datetime(dt.year, 1, 1)
        return (dt.timetuple().tm_yday + (jan1.isoweekday() % 7) - 1) // 7 + 1
    if p == 'weekday':
        return dt.isoweekday() % 7 + 1
    if p == 'hour':
        return dt.hour
    if p == 'minute':
        return dt.minute
    if p == 'second':
        return dt.second
    if p == 'ms':
        return dt.microsecond // 1000
    raise ValueError('invalid datepart ' + part)


def _datename(part, d):
    if d is None:
        return None
    dt = T.to_datetime(d)
    p = _DATEPARTS.get(part, part)
    if p == 'weekday':
        return dt.strftime('%A')
    if p == 'month':
        return dt.strftime('%B')
    return str(_datepart(part, d))


def _dateadd(part, n, d):
    if d is None or n is None:
        return None
    dt = T.to_datetime(d)
    p = _DATEPARTS.get(part, part)
    n = int(n)
    if p in ('year', 'quarter', 'month'):
        months = n * {'year': 12, 'quarter': 3, 'month': 1}[p]
        y, m = divmod(dt.month - 1 + months, 12)
        day = dt.day
        while True:
            try:
                dt = dt.replace(year=dt.year + y, month=m + 1, day=day)
                break
            except ValueError:
                day -= 1
        return _fmt_dt(dt)
    secs = {'dy': 86400, 'day': 86400, 'weekday': 86400, 'week': 604800,
            'hour': 3600, 'minute': 60, 'second': 1, 'ms': 0.001}[p]
    return _fmt_dt(dt + datetime.timedelta(seconds=n * secs))


def _datediff(part, a, b):
    if a is None or b is None:
        return None
    x = T.to_datetime(a)
    y = T.to_datetime(b)
    p = _DATEPARTS.get(part, part)
    if p == 'year':
        return y.year - x.year
    if p == 'quarter':
        return (y.year - x.year) * 4 + (y.month - 1) // 3 - (x.month - 1) // 3
    if p == 'month':
        return (y.year - x.year) * 12 + y.month - x.month
    if p in ('day', 'dy', 'weekday'):
        return (y.date() - x.date()).days
    if p == 'week':
        return ((y.date() - x.date()).days + (x.isoweekday() % 7)) // 7
    delta = y.replace(microsecond=0) - x.replace(microsecond=0)
    secs = delta.days * 86400 + delta.seconds
    if p == 'hour':
        return (y.replace(minute=0, second=0, microsecond=0) -
                x.replace(minute=0, second=0, microsecond=0)
                ).total_seconds() // 3600
    if p == 'minute':
        return int((y.replace(second=0, microsecond=0) -
                    x.replace(second=0, microsecond=0)).total_seconds() // 60)
    if p == 'second':
        return secs
    return int((y - x).total_seconds() * 1000)


def _convert(typ, v, style=None):
    if v is None:
        return None
    t = T.parse_decltype(typ)
    if t is None:
        raise ValueError("Type %s is not a defined system type." % typ)
    n = t.name
    if n in ('int', 'smallint', 'tinyint', 'bigint', 'bit'):
        if isinstance(v, str):
            v = v.strip()
            try:
                return int(v)
            except ValueError:
                raise ValueError("Conversion failed when converting the "
                                 "varchar value '%s' to data type %s." %
                                 (v, n))
        return int(v)
    if n in ('real', 'float'):
        return float(v)
    if n in ('money', 'smallmoney', 'decimal', 'numeric'):
        d = T.to_decimal(v)
        scale = 4 if n in ('money', 'smallmoney') else t.scale
        return str(d.quantize(decimal.Decimal(1).scaleb(-scale),
                              decimal.ROUND_HALF_UP))
    if n in ('datetime', 'smalldatetime'):
        return _fmt_dt(T.to_datetime(v))
    if n in ('char', 'varchar', 'nchar', 'nvarchar', 'text', 'ntext'):
        if isinstance(v, str) and T._ISO.match(v) and style is not None:
            v = T.to_datetime(v)
        if isinstance(v, str) and n in ('char', 'nchar'):
            return v[:t.length].ljust(t.length)
        if isinstance(v, bytes):
            return v.decode('latin-1')
        if isinstance(v, float):
            return T.to_text(v)
        s = T.to_text(v) if not isinstance(v, str) else v
        return s[:t.length] if n in ('char', 'varchar', 'nchar',
                                     'nvarchar') else s
    if n in ('binary', 'varbinary', 'image'):
        return T.to_bytes(v)
    return v


def _soundex(s):
    if s is None:
        return None
    s = ''.join(c for c in s.upper() if c.isalpha())
    if not s:
        return '0000'
    codes = {}
    for letters, d in (('BFPV', '1'), ('CGJKQSXZ', '2'), ('DT', '3'),
                       ('L', '4'), ('MN', '5'), ('R', '6')):
        for c in letters:
            codes[c] = d
    out = s[0]
    last = codes.get(s[0], '')
    for c in s[1:]:
        d = codes.get(c, '')
        if d and d != last:
            out += d
        if c not in 'HW':
            last = d
    return (out + '000')[:4]


def _charindex(a, b, start=1):
    if a is None or b is None:
        return None
    return b.find(a, max(0, int(start) - 1)) + 1


def _len(v):
    if v is None:
        return None
    if isinstance(v, bytes):
        return len(v)
    return len(str(v).rstrip(' '))


def _datalength(v):
    if v is None:
        return None
    if isinstance(v, bytes):
        return len(v)
    if isinstance(v, str):
        return len(v.encode('cp1252', 'replace'))
    if isinstance(v, float):
        return 8
    return 4


def _round(v, n=0, trunc=0):
    if v is None:
        return None
    n = int(n)
    d = T.to_decimal(v)
    q = decimal.Decimal(1).scaleb(-n)
    r = d.quantize(q, decimal.ROUND_DOWN if trunc else decimal.ROUND_HALF_UP)
    if isinstance(v, int):
        return int(r)
    return float(r)


def _wrap_math(f):
    def g(*a):
        if any(x is None for x in a):
            return None
        return f(*a)
    return g


class Database:
    """The SQLite file behind the server, shared by the sessions."""

    def __init__(self, path, name='vxtest'):
        self.path = path
        self.name = name
        self.lock = threading.Lock()
        self.text_tables = {}
        self.procedures = {}
        self.desc_cache = {}
        self.timestamp = 0

    def new_timestamp(self):
        with self.lock:
            self.timestamp += 1
            return self.timestamp.to_bytes(8, 'big')

    def connect(self):
        c = sqlite3.connect(self.path, isolation_level=None,
                            check_same_thread=False, timeout=2.0)
        try:
            c.execute('pragma journal_mode=wal')
        except sqlite3.OperationalError:
            pass
        return c


class Session:
    def __init__(self, db, user='sa', database=None, server_name='VXTDS',
                 tds_version='7.4', spid=51):
        self.db = db
        self.user = user or 'sa'
        self.database = database or db.name
        self.server_name = server_name
        self.tds_version = tds_version
        self.spid = spid
        self.conn = db.connect()
        self.trancount = 0
        self.implicit = False
        self.rowcount = 0
        self.textsize = 0
        self.nocount = False
        self.fmtonly = False
        self.last_rowcount = 0
        self.variables = {}
        self.prepared = {}
        self.next_handle = 1
        self.cancelled = threading.Event()
        self._register_functions()

    def close(self):
        try:
            if self.conn.in_transaction:
                self.conn.execute('rollback')
        except sqlite3.Error:
            pass
        self.conn.close()

    # ------------------------------------------------------------------
    def _register_functions(self):
        c = self.conn
        sess = self
        c.create_collation('vxdate', _compare_dates)
        c.create_collation('vxnum', _compare_numbers)
        c.create_function('db_name', -1, lambda *a: sess.database)
        c.create_function('user_name', -1, lambda *a: 'dbo')
        c.create_function('suser_name', -1, lambda *a: sess.user)
        c.create_function('suser_sname', -1, lambda *a: sess.user)
        c.create_function('user_id', -1, lambda *a: 1)
        c.create_function('host_name', 0, lambda: 'vxhost')
        c.create_function('getdate', 0,
                          lambda: _fmt_dt(datetime.datetime.now()))
        c.create_function('current_timestamp', 0,
                          lambda: _fmt_dt(datetime.datetime.now()))
        c.create_function('isnull', 2, lambda a, b: b if a is None else a)
        c.create_function('datalength', 1, _datalength)
        c.create_function('len', 1, _len)
        c.create_function('charindex', -1, _charindex)
        c.create_function('replicate', 2, lambda s, n: None if s is None or n
                          is None else s * max(0, int(n)))
        c.create_function('space', 1, lambda n: None if n is None else
                          ' ' * max(0, int(n)))
        c.create_function('char', 1, lambda n: None if n is None else
                          chr(int(n)))
        c.create_function('ascii', 1, lambda s: None if not s else ord(s[0]))
        c.create_function('soundex', 1, _soundex)
        c.create_function('difference', 2, lambda a, b: None if a is None or
                          b is None else sum(x == y for x, y in
                                             zip(_soundex(a), _soundex(b))))
        c.create_function('right', 2, lambda s, n: None if s is None or n is
                          None else (s[-int(n):] if int(n) > 0 else ''))
        c.create_function('left', 2, lambda s, n: None if s is None or n is
                          None else s[:max(0, int(n))])
        c.create_function('str', -1, lambda v, *a: None if v is None else
                          str(v).rjust(int(a[0]) if a else 10))
        c.create_function('reverse', 1, lambda s: None if s is None else
                          s[::-1])
        c.create_function('stuff', 4, lambda s, st, ln, r: None if s is None
                          else s[:int(st) - 1] + (r or '') +
                          s[int(st) - 1 + int(ln):])
        c.create_function('vx_convert', -1, _convert)
        c.create_function('vx_newts', 0, self.db.new_timestamp)
        c.create_function('vx_datepart', 2, _datepart)
        c.create_function('vx_datename', 2, _datename)
        c.create_function('vx_dateadd', 3, _dateadd)
        c.create_function('vx_datediff', 3, _datediff)
        c.create_function('vx_global', 1, self._global)
        c.create_function('round', -1, _round)
        c.create_function('newid', 0, lambda: str(__import__('uuid').uuid4()))
        c.create_function('object_id', -1, self._object_id)
        c.create_function('vx_textptr', 1, lambda r: None if r is None else
                          b'VXTP' + int(r).to_bytes(8, 'little', signed=True)
                          + b'\0\0\0\0')
        for name, f, n in (('atn2', math.atan2, 2), ('log10', math.log10, 1),
                           ('pi', math.pi, 0), ('cot', lambda x: 1 /
                                                math.tan(x), 1),
                           ('degrees', math.degrees, 1),
                           ('radians', math.radians, 1),
                           ('square', lambda x: x * x, 1),
                           ('rand', lambda *a: __import__('random').random(),
                            -1)):
            if n == 0:
                c.create_function(name, 0, lambda v=f: v)
            else:
                c.create_function(name, n, _wrap_math(f))
        for name, f in (('acos', math.acos), ('asin', math.asin),
                        ('atan', math.atan), ('cos', math.cos),
                        ('sin', math.sin), ('tan', math.tan),
                        ('exp', math.exp), ('sqrt', math.sqrt),
                        ('log', math.log), ('ceiling', math.ceil),
                        ('floor', math.floor), ('sign', lambda x: (x > 0) -
                                                (x < 0))):
            c.create_function(name, 1, _wrap_math(f))
        c.create_function('power', 2, _wrap_math(lambda a, b: a ** b))

    def _global(self, name):
        if name == 'trancount':
            return self.trancount
        if name == 'rowcount':
            return self.last_rowcount
        if name == 'spid':
            return self.spid
        if name == 'servername':
            return self.server_name
        if name == 'version':
            return 'Microsoft SQL Server 2022 (VX TDS test server)'
        if name == 'error':
            return 0
        if name == 'identity':
            return self.conn.execute('select last_insert_rowid()'
                                     ).fetchone()[0]
        if name == 'textsize':
            return self.textsize or 2147483647
        return None

    def _object_id(self, name, *a):
        if name is None:
            return None
        r = self.conn.execute(
            "select rowid from sqlite_master where name = ? collate nocase",
            (name.split('.')[-1].strip('[]"'),)).fetchone()
        return r[0] if r else None

    # ------------------------------------------------------------------
    # batches

    def run_batch(self, sql, variables=None):
        self.variables = dict(variables or {})
        stmts = tsql.split_statements(sql)
        if not stmts:
            yield ('done', 'done', 0, None, 0)
            return
        yield from self.run_statements(stmts)

    def run_statements(self, stmts, kind='done'):
        """Runs statements with their control flow: IF [ELSE], BEGIN ... END
        blocks and RETURN.  Returns the RETURN value (None without one)."""
        ctx = {}
        yield from self._run_range(stmts, 0, len(stmts), kind, ctx)
        return ctx.get('return')

    def _run_range(self, stmts, a, b, kind, ctx):
        i = a
        while i < b and 'return' not in ctx:
            if self.cancelled.is_set():
                ctx['return'] = None
                return
            i = yield from self._run_one(stmts, i, b, kind, ctx)

    @staticmethod
    def _control(s):
        words = tsql.first_words(s, 2)
        w0 = words[0] if words else ''
        if w0 == 'BEGIN' and (len(words) < 2 or words[1] not in (
                'TRAN', 'TRANSACTION', 'DISTRIBUTED')):
            return 'BLOCK'
        return w0

    def _end_of(self, stmts, i, b):
        """The index after the statement at i, with the block or branches
        it governs."""
        if i >= b:
            return b
        c = self._control(stmts[i])
        if c == 'BLOCK':
            depth = 0
            for j in range(i, b):
                cj = self._control(stmts[j])
                if cj == 'BLOCK':
                    depth += 1
                elif cj == 'END':
                    depth -= 1
                    if depth == 0:
                        return j + 1
            return b
        if c == 'IF':
            j = self._end_of(stmts, i + 1, b)
            if j < b and self._control(stmts[j]) == 'ELSE':
                j = self._end_of(stmts, j + 1, b)
            return j
        return i + 1

    def _run_one(self, stmts, i, b, kind, ctx):
        s = stmts[i]
        c = self._control(s)
        if c == 'IF':
            then_start = i + 1
            then_end = self._end_of(stmts, then_start, b)
            else_start = else_end = then_end
            if then_end < b and self._control(stmts[then_end]) == 'ELSE':
                else_start = then_end + 1
                else_end = self._end_of(stmts, else_start, b)
            m = re.match(r'\s*if\s+(.*)$', s, re.I | re.S)
            try:
                r = self.conn.execute(
                    'select case when %s then 1 else 0 end' %
                    tsql.to_sqlite(m.group(1), self.variables)[0],
                    self._var_params()).fetchone()
            except sqlite3.Error as e:
                err = _sqlite_error(e, s)
                yield ('msg', err.number, err.severity, err.state, err.text,
                       '', 1)
                yield ('done', kind, DONE_ERROR, None, 0)
                return else_end
            if r[0]:
                yield from self._run_range(stmts, then_start, then_end, kind,
                                           ctx)
            else:
                yield from self._run_range(stmts, else_start, else_end, kind,
                                           ctx)
            return else_end
        if c == 'BLOCK':
            end = self._end_of(stmts, i, b)
            yield from self._run_range(stmts, i + 1, end - 1, kind, ctx)
            return end
        if c in ('END', 'ELSE', 'WHILE'):
            yield ('msg', 156, 15, 1, "Incorrect syntax near the keyword "
                   "'%s'." % c, '', 1)
            yield ('done', kind, DONE_ERROR, None, 0)
            return i + 1
        if c == 'RETURN':
            expr = s.strip()[6:].strip()
            try:
                ctx['return'] = int(self._scalar(expr)) if expr else 0
            except (sqlite3.Error, TypeError, ValueError):
                ctx['return'] = 0
            return b
        yield from self.run_statement(s, None, kind)
        return i + 1

    def run_statement(self, s, params=None, kind='done'):
        try:
            yield from self._statement(s, params, kind)
        except SqlError as e:
            yield ('msg', e.number, e.severity, e.state, e.text, '', 1)
            yield ('done', kind, DONE_ERROR, None, 0)
        except sqlite3.Error as e:
            err = _sqlite_error(e, s)
            yield ('msg', err.number, err.severity, err.state, err.text, '',
                   1)
            yield ('done', kind, DONE_ERROR, None, 0)
        except (ValueError, TypeError, OverflowError, ZeroDivisionError,
                decimal.InvalidOperation) as e:
            yield ('msg', 245, 16, 1, str(e), '', 1)
            yield ('done', kind, DONE_ERROR, None, 0)

    def guard(self, events, kind='done'):
        """Runs events, turning errors into a message and an error DONE."""
        try:
            yield from events
        except SqlError as e:
            yield ('msg', e.number, e.severity, e.state, e.text, '', 1)
            yield ('done', kind, DONE_ERROR, None, 0)
        except sqlite3.Error as e:
            err = _sqlite_error(e)
            yield ('msg', err.number, err.severity, err.state, err.text, '',
                   1)
            yield ('done', kind, DONE_ERROR, None, 0)

    def _var_params(self):
        return {'v_' + k[1:]: v for k, v in self.variables.items()}

    # ------------------------------------------------------------------
    def _statement(self, s, params, kind):
        words = tsql.first_words(s, 3)
        w0 = words[0] if words else ''
        w1 = words[1] if len(words) > 1 else ''
        if w0 == 'SET':
            yield from self._set(s)
        elif w0 in ('BEGIN', 'COMMIT', 'ROLLBACK', 'SAVE') and (
                w0 != 'BEGIN' or w1 in ('TRAN', 'TRANSACTION', 'DISTRIBUTED')):
            yield from self._transaction(w0, w1, s)
        elif w0 == 'USE':
            name = s.split(None, 1)[1].strip().strip('[]"') if len(
                s.split()) > 1 else ''
            yield from self._use(name)
        elif w0 == 'PRINT':
            text = s.strip()[5:].strip()
            v = self._scalar(text)
            yield ('msg', 0, 0, 1, '' if v is None else str(v), '', 1)
            yield ('done', kind, 0, None, 0)
        elif w0 == 'RAISERROR':
            yield from self._raiserror(s, kind)
        elif w0 in ('EXEC', 'EXECUTE') or (w0 and params is None and
                                          self._is_proc_name(s)):
            yield from self._exec_text(s, kind)
        elif w0 == 'DECLARE':
            for name, typ in re.findall(r'(@\w+)\s+([\w]+(?:\s*\([^)]*\))?)',
                                        s):
                self.variables[name.lower()] = None
            yield ('done', kind, 0, None, 0)
        elif w0 == 'SELECT' and re.match(r'\s*select\s+@\w+\s*=', s, re.I):
            yield from self._select_assign(s, kind)
        elif w0 in ('CHECKPOINT', 'DBCC', 'GRANT', 'REVOKE', 'WAITFOR',
                    'DUMP', 'LOAD'):
            yield ('done', kind, 0, None, 0)
        elif w0 == 'CREATE' and w1 in ('PROC', 'PROCEDURE'):
            import procs
            p = procs.parse_create_procedure(s)
            if p.name.lower() in self.db.procedures:
                raise SqlError(2714, 16, "There is already an object named "
                               "'%s' in the database." % p.name)
            self.db.procedures[p.name.lower()] = p
            yield ('done', kind, 0, None, 0)
        elif w0 == 'DROP' and w1 in ('PROC', 'PROCEDURE'):
            name = s.split()[2].split('.')[-1].strip('[]"').lower()
            if self.db.procedures.pop(name, None) is None:
                raise SqlError(3701, 11, "Cannot drop the procedure '%s', "
                               "because it does not exist or you do not "
                               "have permission." % name)
            yield ('done', kind, 0, None, 0)
        elif w0 == 'SELECT' and _REPLAY.match(s):
            m = _REPLAY.match(s)
            n = int(m.group(1)) if m.group(1) else getattr(
                getattr(self, 'options', None), 'replay_rows', 100000)
            yield from self.replay(n, kind)
        elif w0 == 'READTEXT':
            import textptr
            yield from textptr.readtext(self, s, kind)
        elif w0 == 'WRITETEXT':
            import textptr
            yield from textptr.writetext(self, s, kind)
        elif w0 == 'TRUNCATE':
            m = re.match(r'\s*truncate\s+table\s+(.*)$', s, re.I | re.S)
            yield from self._sql('delete from ' + m.group(1), params, kind)
        elif w0 == 'RETURN':
            yield ('done', kind, 0, None, 0)
        else:
            yield from self._sql(s, params, kind)

    def _is_proc_name(self, s):
        # a batch that is just a procedure name with arguments
        m = re.match(r'\s*([\w.]+)', s)
        return bool(m) and self.find_procedure(m.group(1)) is not None and \
            not re.match(r'\s*(select|insert|update|delete|create|drop|'
                         r'alter)\b', s, re.I)

    def _scalar(self, text):
        sql, _ = tsql.to_sqlite(text, self.variables)
        return self.conn.execute('select ' + sql,
                                 self._var_params()).fetchone()[0]

    def _set(self, s):
        toks = [t for t in tsql.tokens(s)]
        opt = toks[1].up if len(toks) > 1 else ''
        val = toks[2].text if len(toks) > 2 else ''
        if opt == 'ROWCOUNT':
            self.rowcount = int(self._scalar(val) or 0) if val else 0
        elif opt == 'TEXTSIZE':
            self.textsize = max(0, int(val)) if val.lstrip('-').isdigit() \
                else 0
        elif opt == 'NOCOUNT':
            self.nocount = val.upper() == 'ON'
        elif opt == 'FMTONLY':
            self.fmtonly = val.upper() == 'ON'
        elif opt == 'IMPLICIT_TRANSACTIONS':
            self.implicit = val.upper() == 'ON'
        elif opt == 'CHAINED':
            self.implicit = val.upper() == 'ON'
        elif len(toks) > 1 and toks[1].kind == 'var':
            # set @v = expression
            m = re.match(r'\s*set\s+(@\w+)\s*=\s*(.*)$', s, re.I | re.S)
            if m:
                self.variables[m.group(1).lower()] = self._scalar(m.group(2))
        yield ('done', 'done', 0, None, 0)

    def _use(self, name):
        known = self.databases()
        if name.lower() not in [d.lower() for d in known]:
            raise SqlError(911, 16, "Database '%s' does not exist. Make sure "
                           "that the name is entered correctly." % name)
        old = self.database
        self.database = [d for d in known if d.lower() == name.lower()][0]
        yield ('env', 'database', self.database, old)
        yield ('msg', 5701, 0, 2, "Changed database context to '%s'." %
               self.database, '', 1)
        yield ('done', 'done', 0, None, 0)

    def databases(self):
        return [self.db.name, 'master', 'tempdb']

    def _transaction(self, w0, w1, s):
        if w0 == 'BEGIN':
            if self.trancount == 0:
                self.conn.execute('begin')
                yield ('env', 'begintran', None, None)
            self.trancount += 1
        elif w0 == 'SAVE':
            pass
        elif w0 == 'COMMIT':
            if self.trancount == 0:
                raise SqlError(3902, 16, 'The COMMIT TRANSACTION request has '
                               'no corresponding BEGIN TRANSACTION.')
            self.trancount -= 1
            if self.trancount == 0:
                self.conn.execute('commit')
                yield ('env', 'committran', None, None)
        else:
            if self.trancount == 0:
                raise SqlError(3903, 16, 'The ROLLBACK TRANSACTION request '
                               'has no corresponding BEGIN TRANSACTION.')
            self.trancount = 0
            self.conn.execute('rollback')
            yield ('env', 'rollbacktran', None, None)
        yield ('done', 'done', 0, None, 0)

    def end_transaction(self, commit):
        """Transaction-manager requests (TDS 7.2+ commit/rollback)."""
        if self.trancount:
            self.conn.execute('commit' if commit else 'rollback')
            self.trancount = 0
            return True
        return False

    def begin_transaction(self):
        if self.trancount == 0:
            self.conn.execute('begin')
        self.trancount += 1

    def _raiserror(self, s, kind):
        # raiserror ('text', severity, state)
        # raiserror (number, severity, state[, 'text'])    (message by number)
        # raiserror number 'text'                           (old form)
        m = re.match(r'\s*raiserror\s*\((.*)\)\s*(with\s+.*)?$', s,
                     re.I | re.S)
        number, sev, state, text = 50000, 16, 1, ''
        if m:
            args = [tsql.literal_value(a[1]) for a in
                    tsql.split_args(m.group(1))]
            if args and isinstance(args[0], int):
                number = args[0]
                text = str(args[3]) if len(args) > 3 else \
                    'Error %d raised.' % number
            elif args:
                text = '' if args[0] is None else str(args[0])
            if len(args) > 1 and args[1] is not None:
                sev = int(args[1])
            if len(args) > 2 and args[2] is not None:
                state = int(args[2])
        else:
            m = re.match(r'\s*raiserror\s+(\d+)\s*(.*)$', s, re.I | re.S)
            if m:
                number = int(m.group(1))
                text = str(tsql.literal_value(m.group(2).lstrip(',')) or '')
                sev = 16
        yield ('msg', number, sev, state, text, '', 1)
        yield ('done', kind, DONE_ERROR if sev > 10 else 0, None, 0)

    def _select_assign(self, s, kind):
        # select @a = expr, @b = expr [from ...]
        m = re.match(r'\s*select\s+(.*?)(\s+from\s+.*)?$', s, re.I | re.S)
        items = tsql.split_args(m.group(1))
        names = []
        exprs = []
        for name, txt, _ in items:
            if name is None:
                raise SqlError(141, 15, 'A SELECT statement that assigns a '
                               'value to a variable must not be combined '
                               'with data-retrieval operations.')
            names.append(name.lower())
            exprs.append(tsql.to_sqlite(txt, self.variables)[0])
        tail = tsql.to_sqlite(m.group(2) or '', self.variables)[0]
        rows = self.conn.execute('select ' + ', '.join(exprs) + tail,
                                 self._var_params()).fetchall()
        if rows:
            for n, v in zip(names, rows[-1]):
                self.variables[n] = v
        self.last_rowcount = len(rows)
        yield ('done', kind, DONE_COUNT, len(rows), CMD_SELECT)

    # ------------------------------------------------------------------
    # plain SQL through SQLite

    def _implicit_begin(self):
        if self.implicit and self.trancount == 0:
            self.conn.execute('begin')
            self.trancount = 1

    def _sql(self, s, params, kind):
        sql, top = tsql.to_sqlite(s, self.variables, self.char_columns())
        words = tsql.first_words(s, 1)
        w0 = words[0] if words else ''
        binds = dict(self._var_params())
        if params:
            binds.update(params)
        if w0 == 'SELECT' or (w0 == 'WITH'):
            yield from self._select(sql, binds, kind)
            return
        if self.fmtonly:
            yield ('done', kind, 0, None, 0)
            return
        self._implicit_begin()
        if w0 in ('CREATE', 'ALTER'):
            sql = _date_collation(sql)
        if w0 in ('UPDATE', 'DELETE') and self.rowcount > 0:
            sql = _limit_dml(sql, self.rowcount)
        before = self.conn.total_changes
        cur = self.conn.execute(sql, _binds_for(sql, binds))
        if cur.description:
            yield from self._rows_from_cursor(cur, sql, binds, kind)
            return
        # changes made by triggers do not count
        n = cur.rowcount if cur.rowcount >= 0 else \
            self.conn.total_changes - before
        if w0 in ('CREATE', 'ALTER'):
            self._timestamp_triggers(sql)
        cmd = {'INSERT': CMD_INSERT, 'UPDATE': CMD_UPDATE,
               'DELETE': CMD_DELETE}.get(w0, 0)
        if cmd:
            self.last_rowcount = n
            yield ('done', kind, 0 if self.nocount else DONE_COUNT, n, cmd)
        else:
            yield ('done', kind, 0, None, 0)

    def char_columns(self):
        """Lower-case names of the character columns of every table."""
        ver = self.conn.execute('pragma schema_version').fetchone()[0]
        cached = getattr(self.db, 'char_cache', None)
        if cached and cached[0] == ver:
            return cached[1]
        names = set()
        for (table,) in self.conn.execute(
                "select name from sqlite_master where type in ('table', "
                "'view')"):
            for r in self.conn.execute('pragma table_info("%s")' %
                                       table.replace('"', '""')):
                t = T.parse_decltype(r[2])
                if t is not None and t.name in ('char', 'varchar', 'nchar',
                                                'nvarchar', 'text', 'ntext'):
                    names.add(r[1].lower())
        self.db.char_cache = (ver, names)
        return names

    def _timestamp_triggers(self, sql):
        """A timestamp column gets a new value on every insert and update,
        as the server's row versions do."""
        m = re.match(r'\s*(?:create|alter)\s+table\s+([\w.\[\]"]+)', sql,
                     re.I)
        if not m:
            return
        table = m.group(1).split('.')[-1].strip('[]"')
        cols = [r[1] for r in self.conn.execute(
            'pragma table_info("%s")' % table) if (r[2] or '').lower() ==
            'timestamp']
        for col in cols[:1]:
            for when, cond in (('insert', ''), ('update', ' when new."%s" is '
                                                 'old."%s"' % (col, col))):
                self.conn.execute(
                    'create trigger if not exists "vx_ts_%s_%s" after %s on '
                    '"%s"%s begin update "%s" set "%s" = vx_newts() where '
                    'rowid = new.rowid; end' % (when, table, when, table,
                                                 cond, table, col))

    def describe(self, sql, binds):
        """Column types of a SELECT, from a temporary view over it."""
        key = sql
        ver = self.conn.execute('pragma schema_version').fetchone()[0]
        hit = self.db.desc_cache.get(key)
        if hit and hit[0] == ver:
            return hit[1]
        view_sql = _null_params(sql)
        name = 'vx_desc_%d' % threading.get_ident()
        decls = None
        try:
            self.conn.execute('create temp view %s as %s' % (name, view_sql))
            try:
                decls = [(r[1], r[2]) for r in self.conn.execute(
                    'pragma temp.table_info(%s)' % name)]
            finally:
                self.conn.execute('drop view temp.%s' % name)
        except sqlite3.Error:
            decls = None
        ver2 = self.conn.execute('pragma schema_version').fetchone()[0]
        self.db.desc_cache[key] = (ver2, decls)
        return decls

    def _select(self, sql, binds, kind):
        self._implicit_begin()
        limit = self.rowcount
        decls = self.describe(sql, binds)
        with_ptr = None
        if decls and any((T.parse_decltype(d) or T.SqlType('int')).is_text()
                         for n, d in decls):
            import textptr
            with_ptr = textptr.with_rowid(sql)
        if with_ptr:
            try:
                cur = self.conn.execute(with_ptr, _binds_for(with_ptr, binds))
            except sqlite3.Error:
                with_ptr = None
        if not with_ptr:
            cur = self.conn.execute(sql, _binds_for(sql, binds))
        yield from self._rows_from_cursor(cur, sql, binds, kind, limit,
                                          bool(with_ptr))

    def _rows_from_cursor(self, cur, sql, binds, kind, limit=0,
                          with_rowid=False):
        names = [d[0] for d in cur.description]
        decls = self.describe(sql, binds)
        if self.fmtonly:
            rows = []
        elif limit:
            rows = cur.fetchmany(limit)
        else:
            rows = cur.fetchall()
        if with_rowid:
            names = names[:-1]
            rows = self._attach_pointers(rows, decls)
        notnull = self._not_null_columns(sql)
        exprs = tsql.select_list(sql) or []
        if len(exprs) != len(names):
            exprs = [''] * len(names)
        cols = []
        for i, n in enumerate(names):
            decl = decls[i][1] if decls and i < len(decls) else ''
            t = T.parse_decltype(decl) if decl else None
            if t is None:
                t = _expression_type(exprs[i])
            if t is None:
                first = next((r[i] for r in rows if r[i] is not None), None)
                t = T.type_of_value(first)
                t = T.widen_for_values(t, (r[i] for r in rows))
                if first is None and decl:
                    t = _affinity_type(decl)
            if not re.match(r'^[A-Za-z_#@][\w$#@]*$', n):
                n = ''
            elif n.lower() in notnull and decl and \
                    T.parse_decltype(decl) is not None:
                t.nullable = False
            cols.append(Column(n, t, _table_of(sql)))
        self.last_rowcount = len(rows)
        yield ('rows', cols, iter(rows))
        yield ('done', kind, 0 if self.nocount else DONE_COUNT, len(rows),
               CMD_SELECT)

    def _attach_pointers(self, rows, decls):
        import textptr
        texts = [i for i, (n, d) in enumerate(decls)
                 if (T.parse_decltype(d) or T.SqlType('int')).is_text()]
        out = []
        for r in rows:
            r = list(r)
            ptr = textptr.pointer(r[-1])
            for i in texts:
                if r[i] is not None:
                    r[i] = textptr.TextRef(r[i], ptr)
            out.append(tuple(r[:-1]))
        return out

    def _not_null_columns(self, sql):
        """Names of the NOT NULL columns of the statement's single table."""
        table = _table_of(sql)
        if not table or re.search(r'\bjoin\b', sql, re.I):
            return set()
        try:
            return {r[1].lower() for r in self.conn.execute(
                'pragma table_info("%s")' % table.replace('"', '""'))
                if r[3]}
        except sqlite3.Error:
            return set()

    # ------------------------------------------------------------------
    # procedures

    def find_procedure(self, name):
        import procs
        base = name.split('.')[-1].strip('[]"').lower()
        if ';' in base:
            base = base.split(';')[0]
        p = self.db.procedures.get(base)
        if p is None:
            p = procs.SYSTEM.get(base)
        if p is None:
            p = procs.TEST.get(base)
        opts = getattr(self, 'options', None)
        if p is not None and getattr(opts, 'case_sensitive', False) and \
                name.split('.')[-1].strip('[]"').split(';')[0] != p.name:
            return None
        return p

    def _exec_text(self, s, kind):
        m = re.match(r'\s*(?:exec(?:ute)?\s+)?(?:(@\w+)\s*=\s*)?'
                     r'([\w.\[\]"#;]+)\s*(.*)$', s, re.I | re.S)
        if not m:
            raise SqlError(102, 15, "Incorrect syntax near 'exec'.")
        status_var = m.group(1)
        name = m.group(2)
        args = []
        for pname, txt, output in tsql.split_args(m.group(3)):
            if txt.startswith('@') and txt.lower() in self.variables:
                v = self.variables[txt.lower()]
            else:
                v = tsql.literal_value(txt)
            args.append((pname, None, v, output))
        status = None
        targets = {}
        for i, (pname, txt, output) in enumerate(tsql.split_args(m.group(3))):
            if output and txt.startswith('@'):
                targets[i + 1] = txt.lower()
        for ev in self.call_procedure(name, args, text=True):
            if ev[0] == 'status':
                status = ev[1]
            if ev[0] == 'retval':
                # output parameters of a language EXEC go to variables
                if ev[1] in targets:
                    self.variables[targets[ev[1]]] = ev[4]
                continue
            yield ev
        if status_var:
            self.variables[status_var.lower()] = status

    def call_procedure(self, name, args, text=False):
        """Runs a procedure; args: [(name or None, SqlType, value, output)].
        Yields its events, then RETURNSTATUS, RETURNVALUEs and DONEPROC."""
        p = self.find_procedure(name)
        if p is None:
            yield ('msg', 2812, 16, 62, "Could not find stored procedure "
                   "'%s'." % name, '', 1)
            yield ('done', 'proc' if not text else 'done', DONE_ERROR, None,
                   0)
            return
        yield from p.call(self, args, text)


_REPLAY = re.compile(r'^\s*select\s+(?:top\s+(\d+)\s+)?\*\s+from\s+vx_replay'
                     r'\s*$', re.I)


def replay_columns():
    return [Column('id', SqlType('int', 4, nullable=False)),
            Column('name', SqlType('varchar', 30)),
            Column('qty', SqlType('smallint', 2)),
            Column('price', SqlType('float', 8)),
            Column('amount', SqlType('money', 8)),
            Column('created', SqlType('datetime', 8)),
            Column('note', SqlType('varchar', 60))]


def replay_rows(k=64):
    base = datetime.datetime(2024, 1, 1, 8, 30)
    return [(i + 1, 'customer %05d' % (i * 7919 % 100000), i % 50,
             i * 1.25, decimal.Decimal(i * 1234) / 100,
             base + datetime.timedelta(minutes=i * 37),
             None if i % 4 == 0 else 'note for row %d' % (i + 1))
            for i in range(k)]


def _session_replay(self, n, kind='done'):
    """`n` rows of pre-encoded data, for measuring clients."""
    if self.rowcount:
        n = min(n, self.rowcount)
    yield ('replay', replay_columns(), replay_rows(), n)
    yield ('done', kind, DONE_COUNT, n, CMD_SELECT)


_EXPR_TYPES = [
    (re.compile(r"(getdate|current_timestamp|vx_dateadd)\b", re.I),
     lambda m, e: SqlType('datetime', 8)),
    (re.compile(r"vx_convert\s*\(\s*'([^']*)'", re.I),
     lambda m, e: T.parse_decltype(m.group(1))),
    (re.compile(r"(vx_datepart|vx_datediff|datalength|len|charindex|ascii|"
                r"object_id|user_id)\s*\(", re.I),
     lambda m, e: SqlType('int', 4)),
    (re.compile(r"vx_datename\s*\(", re.I),
     lambda m, e: SqlType('nvarchar', 30)),
    (re.compile(r"(db_name|user_name|suser_name|suser_sname|host_name)\s*\(",
                re.I), lambda m, e: SqlType('nvarchar', 128)),
]


def _expression_type(expr):
    """The type of a select-list expression that SQLite cannot tell, when
    its outermost function decides it."""
    e = re.sub(r'\s+(as\s+)?[\w\[\]"]+\s*$', '', expr.strip(), flags=re.I) \
        if re.search(r'\)\s+(as\s+)?[\w\[\]"]+\s*$', expr.strip(), re.I) \
        else expr.strip()
    for rx, make in _EXPR_TYPES:
        m = rx.match(e)
        if m and _outermost(e, m.end()):
            return make(m, e)
    return None


def _outermost(e, pos):
    """True when the call begun before pos spans the whole expression."""
    depth = 0
    started = False
    for k, ch in enumerate(e):
        if ch == '(':
            depth += 1
            started = True
        elif ch == ')':
            depth -= 1
            if depth == 0 and started:
                return e[k + 1:].strip() == ''
    return started is False and pos >= len(e)


def _date_key(v):
    try:
        return T.to_datetime(v)
    except (ValueError, OverflowError):
        return None


def _compare_dates(a, b):
    """Dates written in different forms compare by the time they mean."""
    x = _date_key(a)
    y = _date_key(b)
    if x is None or y is None:
        return (a > b) - (a < b)
    return (x > y) - (x < y)


_EXACT = {'MONEY', 'SMALLMONEY', 'DECIMAL', 'NUMERIC', 'DEC'}
_DATES = {'DATETIME', 'SMALLDATETIME'}
_NOT_COLUMNS = {'CONSTRAINT', 'PRIMARY', 'UNIQUE', 'CHECK', 'FOREIGN',
                'INDEX'}


def _date_collation(sql):
    """Column types of CREATE/ALTER TABLE as stored in SQLite: datetime
    columns compare as dates, and money and decimal values are kept as exact
    text ("vxtext" gives them text affinity) that compares as numbers."""
    if not re.match(r'\s*(create(\s+temp)?|alter)\s+table\b', sql, re.I):
        return sql
    toks = tsql.tokens(sql)
    create = toks[0].up == 'CREATE'
    edits = []
    depth = 0
    expect_name = False
    for k, t in enumerate(toks):
        if t.text == '(':
            depth += 1
            expect_name = create and depth == 1
            continue
        if t.text == ')':
            depth -= 1
            continue
        if t.text == ',' and depth == (1 if create else 0):
            expect_name = True
            continue
        if not create and t.up == 'ADD' and depth == 0:
            expect_name = True
            continue
        if expect_name:
            expect_name = False
            if t.up in _NOT_COLUMNS or k + 1 >= len(toks):
                continue
            ty = toks[k + 1]
            if ty.kind != 'id':
                continue
            end = ty.end
            if k + 2 < len(toks) and toks[k + 2].text == '(':
                j = k + 2
                while j < len(toks) and toks[j].text != ')':
                    j += 1
                if j < len(toks):
                    end = toks[j].end
            if ty.up in _DATES:
                edits.append((end, end, ' COLLATE vxdate'))
            elif ty.up in _EXACT:
                edits.append((ty.end, ty.end, ' vxtext'))
                edits.append((end, end, ' COLLATE vxnum'))
    order = sorted(range(len(edits)), key=lambda i: (edits[i][0], i),
                   reverse=True)
    for i in order:
        start, stop, text = edits[i]
        sql = sql[:start] + text + sql[stop:]
    return sql


def _compare_numbers(a, b):
    try:
        x = decimal.Decimal(a.strip())
        y = decimal.Decimal(b.strip())
    except (decimal.InvalidOperation, ValueError):
        return (a > b) - (a < b)
    return (x > y) - (x < y)


def _limit_dml(sql, n):
    m = re.match(r'\s*(update\s+([\w.\[\]"]+)\s+set\s+.*?|delete\s+(?:from\s+)?'
                 r'([\w.\[\]"]+))(?:\s+where\s+(.*))?$', sql, re.I | re.S)
    if not m:
        return sql
    table = m.group(2) or m.group(3)
    where = m.group(4)
    inner = 'select rowid from %s%s limit %d' % (
        table, (' where ' + where) if where else '', n)
    return '%s where rowid in (%s)' % (m.group(1), inner)


def _null_params(sql):
    out = []
    for t in tsql.tokens(sql, keep_ws=True):
        if (t.kind == 'var' and not t.text.startswith('@@')) or (
                t.kind == 'op' and t.text == '?') or (
                t.kind == 'op' and t.text == ':'):
            out.append('NULL')
        else:
            out.append(t.text)
    return re.sub(r'NULLv_\w+', 'NULL', ''.join(out))


def _binds_for(sql, binds):
    binds = binds or {}
    names = set()
    for t in tsql.tokens(sql):
        if t.kind == 'var':
            names.add(t.text[1:])
    for m in re.finditer(r':(v_\w+)', sql):
        names.add(m.group(1))
    if not names:
        return ()
    out = {}
    for k in names:
        if k in binds:
            out[k] = binds[k]
        else:
            for bk in binds:
                if bk.lower() == k.lower():
                    out[k] = binds[bk]
                    break
            else:
                out[k] = None
    return out


def _affinity_type(decl):
    d = decl.upper()
    if 'INT' in d:
        return SqlType('int', 4)
    if 'CHAR' in d or 'CLOB' in d or 'TEXT' in d:
        return SqlType('varchar', 255)
    if 'REAL' in d or 'FLOA' in d or 'DOUB' in d:
        return SqlType('float', 8)
    return SqlType('int', 4)


def _table_of(sql):
    m = re.search(r'\bfrom\s+([\w.\[\]"]+)', sql, re.I)
    return m.group(1).strip('[]"') if m else None


def _adapt():
    sqlite3.register_adapter(decimal.Decimal, lambda d: str(d))
    sqlite3.register_adapter(datetime.datetime, _fmt_dt)
    sqlite3.register_adapter(bool, int)


_adapt()


# ---------------------------------------------------------------------------
# RPC: the statement-execution procedures clients use for parameters, and
# stored procedures by name

def _param_key(name):
    return name[1:] if name and name.startswith('@') else name


def _bind_values(decl, values):
    """Binds RPC parameter values to the names declared in "@P1 int, ..."
    (values without a name take the declared names in order)."""
    names = re.findall(r'(@[\w#$]+)', decl or '')
    binds = {}
    for i, (name, t, v, out) in enumerate(values):
        key = name or (names[i] if i < len(names) else '@P%d' % (i + 1))
        binds[_param_key(key)] = v
    return binds


def _session_server_info(self):
    import procs
    info = list(procs.SERVER_INFO)
    opts = getattr(self, 'options', None)
    for item in (getattr(opts, 'server_info', None) or []):
        name, _, value = item.partition('=')
        for i, row in enumerate(info):
            if row[1] == name:
                info[i] = (row[0], name, value)
                break
        else:
            info.append((900 + len(info), name, value))
    return info


def _session_run_rpc(self, proc, params):
    """Runs one RPC call: proc is a name or a special procedure id."""
    if proc in (10, 'sp_executesql'):
        yield from self._executesql(params)
    elif proc in (11, 'sp_prepare'):
        yield from self._prepare(params, execute=False)
    elif proc in (13, 'sp_prepexec'):
        yield from self._prepare(params, execute=True)
    elif proc in (12, 'sp_execute'):
        yield from self._execute(params)
    elif proc in (15, 'sp_unprepare'):
        if params:
            self.prepared.pop(params[0][2], None)
        yield ('status', 0)
        yield ('done', 'proc', 0, None, 0)
    elif isinstance(proc, int):
        yield ('msg', 2812, 16, 62, "Could not find stored procedure "
               "'%d'." % proc, '', 1)
        yield ('done', 'proc', DONE_ERROR, None, 0)
    else:
        yield from self.call_procedure(proc, params)


def _proc_stmt_events(self, sql, binds, values=()):
    """The events of a parameterised statement run inside an RPC: its
    statements end in DONEINPROC.  The parameters are the batch's variables,
    so that statements may assign them; `values` are the RPC parameters
    whose output values follow (RETURNVALUE)."""
    self.variables = {'@' + k.lower(): v for k, v in binds.items()}
    for s in tsql.split_statements(sql):
        for ev in self.run_statement(s, None, 'inproc'):
            yield ev
    for ordinal, (name, t, v, out, key) in enumerate(values):
        if out:
            yield ('retval', ordinal + 1, name, t,
                   self.variables.get('@' + key.lower()))


def _out_values(decl, values, first):
    """(name, type, value, output, bound name) of RPC values."""
    names = re.findall(r'(@[\w#$]+)', decl or '')
    out = []
    for i, (name, t, v, o) in enumerate(values):
        key = _param_key(name or (names[i] if i < len(names) else
                                  '@P%d' % (i + 1)))
        out.append((name, t, v, o, key))
    return [(None, None, None, False, '')] * first + out


def _session_executesql(self, params):
    if not params:
        raise SqlError(201, 16, "Procedure or function 'sp_executesql' "
                       "expects parameter '@statement', which was not "
                       "supplied.")
    sql = params[0][2] or ''
    decl = params[1][2] if len(params) > 1 else ''
    binds = _bind_values(decl, params[2:])
    events = list(_proc_stmt_events(self, sql, binds,
                                    _out_values(decl, params[2:], 2)))
    yield from (e for e in events if e[0] != 'retval')
    yield ('status', 0)
    yield from (e for e in events if e[0] == 'retval')
    yield ('done', 'proc', 0, None, 0)


def _session_prepare(self, params, execute):
    # sp_prepare @handle output, @params, @stmt [, @options]
    # sp_prepexec @handle output, @params, @stmt, values...
    handle = self.next_handle
    self.next_handle += 1
    sql = params[2][2] if len(params) > 2 else ''
    decl = params[1][2] if len(params) > 1 else ''
    self.prepared[handle] = (sql or '', decl)
    if execute:
        binds = _bind_values(decl, params[3:])
        yield from _proc_stmt_events(self, sql, binds)
    elif sql and tsql.first_words(sql, 1) == ['SELECT']:
        was = self.fmtonly
        self.fmtonly = True
        try:
            for ev in _proc_stmt_events(self, sql, {}):
                if ev[0] != 'done':
                    yield ev
        finally:
            self.fmtonly = was
    yield ('status', 0)
    yield ('retval', 1, params[0][0] if params else '@handle',
           SqlType('int', 4), handle)
    yield ('done', 'proc', 0, None, 0)


def _session_execute(self, params):
    handle = params[0][2] if params else None
    prep = self.prepared.get(handle)
    if prep is None:
        raise SqlError(8179, 16, 'Could not find prepared statement with '
                       'handle %s.' % handle)
    sql, decl = prep
    binds = _bind_values(decl, params[1:])
    yield from _proc_stmt_events(self, sql, binds)
    yield ('status', 0)
    yield ('done', 'proc', 0, None, 0)


def _session_run_with_markers(self, sql, values):
    """A statement with ? markers run with the values in order."""
    text, n = tsql.number_markers(sql)
    binds = {'vxp%d' % (i + 1): v for i, v in enumerate(values)}
    for s in tsql.split_statements(text):
        yield from self.run_statement(s, binds)


def _session_describe_statement(self, sql):
    """The result columns of a statement with ? markers, without running
    it; None when it has no result or fails."""
    if tsql.first_words(sql, 1) != ['SELECT']:
        return None
    was = self.fmtonly
    self.fmtonly = True
    try:
        for ev in self.run_with_markers(sql, []):
            if ev[0] == 'rows':
                list(ev[2])
                return ev[1]
    finally:
        self.fmtonly = was
    return None


Session.server_info = _session_server_info
Session.describe_statement = _session_describe_statement
Session.run_with_markers = _session_run_with_markers
Session.replay = _session_replay
Session.run_rpc = _session_run_rpc
Session._executesql = _session_executesql
Session._prepare = _session_prepare
Session._execute = _session_execute
