"""Stored procedures of the test server: the system procedures that clients
call and a few test procedures.  Each body is a generator of backend events
that may set output values and returns the procedure's return status."""

import decimal

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
        try:
            while True:
                ev = next(gen)
                if ev[0] == 'done':
                    # statements inside a procedure end in DONEINPROC
                    ev = ('done', 'inproc') + ev[2:]
                yield ev
        except StopIteration as stop:
            status = stop.value or 0
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



def register(table, proc):
    table[proc.name.lower()] = proc
