"""Stored procedures of the test server: the system procedures that clients
call and a few test procedures.  Each body is a generator of backend events
that may set output values and returns the procedure's return status."""


import tdstypes as T
from backend import Column, DONE_COUNT, DONE_ERROR, SqlError
from tdstypes import SqlType

V = lambda n: SqlType('varchar', n)      # noqa: E731
I = lambda: SqlType('int', 4)            # noqa: E731
S = lambda: SqlType('smallint', 2)       # noqa: E731


class Param:
    def __init__(self, name, t, output=False, default=None):
        self.name = name
        self.type = t
        self.output = output
        self.default = default


class Procedure:
    """A procedure: parameters and a body `body(session, values, out)` that
    yields events and returns a status.  `out` receives output values."""

    def __init__(self, name, params, body, remarks=''):
        self.name = name
        self.params = params
        self.body = body
        self.remarks = remarks

    def call(self, session, args, text=False):
        values = {}
        outputs = {}
        for i, (name, t, v, out) in enumerate(args):
            p = None
            if name:
                for q in self.params:
                    if q.name.lower() == name.lower():
                        p = q
                if p is None:
                    yield ('msg', 8145, 16, 2, '%s is not a parameter for '
                           'procedure %s.' % (name, self.name), self.name, 1)
                    yield ('done', 'proc', DONE_ERROR, None, 0)
                    return
            elif i < len(self.params):
                p = self.params[i]
            else:
                yield ('msg', 8144, 16, 2, 'Procedure or function %s has too '
                       'many arguments specified.' % self.name, self.name, 1)
                yield ('done', 'proc', DONE_ERROR, None, 0)
                return
            values[p.name.lower()] = v
            if out:
                outputs[p.name.lower()] = (i + 1, name or p.name, t or
                                           p.type)
        for p in self.params:
            values.setdefault(p.name.lower(), p.default)
        out_values = dict(values)
        status = 0
        gen = self.body(session, values, out_values)
        if not hasattr(gen, '__next__'):
            status = gen
            gen = iter(())
        try:
            while True:
                ev = next(gen)
                if ev[0] == 'done':
                    # statements inside a procedure end in DONEINPROC
                    ev = ('done', 'inproc') + ev[2:]
                yield ev
        except StopIteration as stop:
            status = stop.value or status or 0
        except SqlError as e:
            yield ('msg', e.number, e.severity, e.state, e.text, self.name, 1)
            status = -6
        yield ('status', status)
        for key, (ordinal, name, t) in sorted(outputs.items(),
                                              key=lambda x: x[1][0]):
            p = next(q for q in self.params if q.name.lower() == key)
            yield ('retval', ordinal, name, p.type if p.type else t,
                   out_values.get(key))
        yield ('done', 'proc', 0, None, 0)


def rows_event(cols, rows):
    return [('rows', cols, iter(rows)),
            ('done', 'done', DONE_COUNT, len(rows), 0xC1)]


def result(cols, rows):
    """Events of one result set with its count."""
    for e in rows_event([Column(n, t) for n, t in cols], rows):
        yield e


# ---------------------------------------------------------------------------
# sp_server_info

SERVER_INFO = [
    (1, 'DBMS_NAME', 'Microsoft SQL Server'),
    (2, 'DBMS_VER', 'Microsoft SQL Server - 16.0.1000.6'),
    (10, 'OWNER_TERM', 'owner'),
    (11, 'TABLE_TERM', 'table'),
    (12, 'MAX_OWNER_NAME_LENGTH', '128'),
    (13, 'TABLE_LENGTH', '128'),
    (14, 'MAX_QUAL_LENGTH', '128'),
    (15, 'COLUMN_LENGTH', '128'),
    (16, 'IDENTIFIER_CASE', 'MIXED'),
    (17, 'TX_ISOLATION', '2'),
    (18, 'COLLATION_SEQ', 'charset=iso_1 sort_order=nocase_iso '
     'charset_num=1 sort_order_num=52'),
    (19, 'SAVEPOINT_SUPPORT', 'Y'),
    (20, 'MULTI_RESULT_SETS', 'Y'),
    (22, 'ACCESSIBLE_TABLES', 'Y'),
    (100, 'USERID_LENGTH', '128'),
    (101, 'QUALIFIER_TERM', 'database'),
    (102, 'NAMED_TRANSACTIONS', 'Y'),
    (103, 'SPROC_AS_LANGUAGE', 'Y'),
    (104, 'ACCESSIBLE_SPROC', 'Y'),
    (105, 'MAX_INDEX_COLS', '16'),
    (106, 'RENAME_TABLE', 'Y'),
    (107, 'RENAME_COLUMN', 'Y'),
    (108, 'DROP_COLUMN', 'Y'),
    (109, 'INCREASE_COLUMN_LENGTH', 'Y'),
    (110, 'DDL_IN_TRANSACTION', 'Y'),
    (111, 'DESCENDING_INDEXES', 'Y'),
    (112, 'SP_RENAME', 'Y'),
    (113, 'REMOTE_SPROC', 'Y'),
    (500, 'SYS_SPROC_VERSION', '16.00.1000'),
]


def sp_server_info(session, v, out):
    info = session.server_info()
    attr = v.get('@attribute_id')
    rows = [r for r in info if attr is None or r[0] == int(attr)]
    yield from result([('attribute_id', I()), ('attribute_name', V(60)),
                       ('attribute_value', V(255))], rows)
    return 0


def sp_databases(session, v, out):
    rows = [(d, 2048, None) for d in session.databases()]
    yield from result([('DATABASE_NAME', SqlType('nvarchar', 128, nullable=
                                                 False)),
                       ('DATABASE_SIZE', I()), ('REMARKS', V(254))], rows)
    return 0


SYSTEM = {
    'sp_server_info': Procedure('sp_server_info',
                                [Param('@attribute_id', I())],
                                sp_server_info),
    'sp_databases': Procedure('sp_databases', [], sp_databases),
}


# ---------------------------------------------------------------------------
# test procedures, always present

def vx_add(session, v, out):
    a = v['@a'] or 0
    b = v['@b'] or 0
    out['@sum'] = a + b
    return 0


def vx_rows(session, v, out):
    n = int(v['@n'] if v['@n'] is not None else 3)
    yield from result([('id', I()), ('name', V(20))],
                      [(i + 1, 'row %d' % (i + 1)) for i in range(n)])
    return n


def vx_echo(session, v, out):
    out['@out'] = v['@in']
    return 0 if v['@in'] is None else len(str(v['@in']))


def vx_error(session, v, out):
    number = int(v['@number'] if v['@number'] is not None else 50000)
    sev = int(v['@severity'] if v['@severity'] is not None else 16)
    state = int(v['@state'] if v['@state'] is not None else 1)
    text = v['@text'] if v['@text'] is not None else 'Error %d.' % number
    yield ('msg', number, sev, state, text, 'vx_error', 1)
    yield ('done', 'inproc', DONE_ERROR if sev > 10 else 0, None, 0)
    return -4 if sev > 10 else 0


def vx_multi(session, v, out):
    yield from result([('a', I())], [(1,), (2,)])
    yield ('msg', 0, 0, 1, 'between', 'vx_multi', 2)
    yield from result([('b', V(10)), ('c', SqlType('float', 8))],
                      [('x', 1.5)])
    return 0


def vx_replay(session, v, out):
    n = int(v['@rows'] if v['@rows'] is not None else getattr(
        getattr(session, 'options', None), 'replay_rows', 100000))
    yield from session.replay(n)
    return 0


TEST = {p.name: p for p in [
    Procedure('vx_replay', [Param('@rows', I())], vx_replay,
              'the pre-encoded replay rows'),
    Procedure('vx_add', [Param('@a', I()), Param('@b', I(), default=0),
                         Param('@sum', I(), output=True)], vx_add,
              'adds @a and @b into @sum'),
    Procedure('vx_rows', [Param('@n', I(), default=3)], vx_rows,
              'a result set of @n rows; returns @n'),
    Procedure('vx_echo', [Param('@in', V(255)),
                          Param('@out', V(255), output=True)], vx_echo,
              'copies @in to @out; returns its length'),
    Procedure('vx_error', [Param('@number', I()), Param('@severity', I()),
                           Param('@state', I()), Param('@text', V(255))],
              vx_error, 'raises the given message'),
    Procedure('vx_multi', [], vx_multi, 'two result sets and a message'),
]}


# ---------------------------------------------------------------------------
# procedures created with CREATE PROCEDURE

class SqlProcedure(Procedure):
    def __init__(self, name, params, text, source):
        Procedure.__init__(self, name, params, self._run)
        self.text = text
        self.source = source

    def _run(self, session, values, out):
        import tsql
        saved = session.variables
        session.variables = {k.lower(): v for k, v in values.items()}
        try:
            status = yield from session.run_statements(
                tsql.split_statements(self.text))
            for p in self.params:
                out[p.name.lower()] = session.variables.get(p.name.lower())
        finally:
            session.variables = saved
        return status or 0


def parse_create_procedure(sql):
    """CREATE PROC[EDURE] name [;n] [(] @p type [= default] [OUTPUT], ...
    [)] [WITH ...] AS body  ->  SqlProcedure."""
    import re
    import tsql
    m = re.match(r'\s*create\s+proc(?:edure)?\s+([\w.\[\]"]+)(?:\s*;\s*\d+)?'
                 r'(.*?)\bas\b(.*)$', sql, re.I | re.S)
    if not m:
        raise SqlError(102, 15, "Incorrect syntax near 'procedure'.")
    name = m.group(1).split('.')[-1].strip('[]"')
    head = m.group(2).strip()
    head = re.sub(r'\bwith\s+\w+\s*$', '', head, flags=re.I).strip()
    if head.startswith('(') and head.endswith(')'):
        head = head[1:-1]
    params = []
    for pname, txt, output in tsql.split_args(head) if head else []:
        pm = re.match(r'\s*(@\w+)\s+(.*?)(?:\s*=\s*(.*))?$', txt, re.S)
        if not pm:
            raise SqlError(102, 15, "Incorrect syntax near '%s'." % txt)
        t = T.parse_decltype(pm.group(2))
        if t is None:
            raise SqlError(2715, 16, "Column, parameter, or variable #%d: "
                           "Cannot find data type %s." % (len(params) + 1,
                                                          pm.group(2)))
        default = tsql.literal_value(pm.group(3)) if pm.group(3) else None
        params.append(Param(pm.group(1), t, output, default))
    return SqlProcedure(name, params, m.group(3), sql)


def register(table, proc):
    table[proc.name.lower()] = proc


def _load_catalog():
    import catalog
    for p in catalog.PROCEDURES:
        register(SYSTEM, p)


_load_catalog()
