"""The catalog procedures (sp_tables, sp_columns...) answered from the SQLite
schema, with the column layouts of the server's own procedures."""

import re

import tdstypes as T
from procs import I, S, V, Param, Procedure, result
from tdstypes import SqlType

OWNER = 'dbo'
N = lambda n=128: SqlType('nvarchar', n)   # noqa: E731

# type name -> (ODBC type, precision, length, scale, radix, TDS type not
# null, TDS type nullable, literal prefix/suffix, create params, searchable,
# unsigned, money, minimum/maximum scale)
TYPE_INFO = {
    'bit': (-7, 1, 1, 0, None, 50, 104),
    'tinyint': (-6, 3, 1, 0, 10, 48, 38),
    'bigint': (-5, 19, 8, 0, 10, 127, 38),
    'image': (-4, 2147483647, 2147483647, None, None, 34, 34),
    'varbinary': (-3, None, None, None, None, 37, 37),
    'binary': (-2, None, None, None, None, 45, 45),
    'timestamp': (-2, 8, 8, None, None, 45, 45),
    'text': (-1, 2147483647, 2147483647, None, None, 35, 35),
    'ntext': (-10, 1073741823, 2147483646, None, None, 99, 99),
    'char': (1, None, None, None, None, 47, 47),
    'nchar': (-8, None, None, None, None, 47, 47),
    'numeric': (2, None, None, None, 10, 63, 108),
    'decimal': (3, None, None, None, 10, 55, 106),
    'money': (3, 19, 21, 4, 10, 60, 110),
    'smallmoney': (3, 10, 12, 4, 10, 122, 110),
    'int': (4, 10, 4, 0, 10, 56, 38),
    'smallint': (5, 5, 2, 0, 10, 52, 38),
    'float': (6, 15, 8, None, 10, 62, 109),
    'real': (7, 7, 4, None, 10, 59, 109),
    'datetime': (11, 23, 16, 3, None, 61, 111),
    'smalldatetime': (11, 16, 16, 0, None, 58, 111),
    'varchar': (12, None, None, None, None, 39, 39),
    'nvarchar': (-9, None, None, None, None, 39, 39),
    'uniqueidentifier': (-11, 36, 16, None, None, 36, 36),
}


def column_info(t):
    """(DATA_TYPE, TYPE_NAME, PRECISION, LENGTH, SCALE, RADIX, SS type)."""
    name = t.name
    dt, prec, length, scale, radix, ss_nn, ss_n = TYPE_INFO.get(
        name, TYPE_INFO['varchar'])
    if name in ('char', 'varchar', 'binary', 'varbinary'):
        prec = length = t.length
    elif name in ('nchar', 'nvarchar'):
        prec, length = t.length, t.length * 2
    elif name in ('decimal', 'numeric'):
        prec, length, scale = t.precision, t.precision + 2, t.scale
    return dt, name, prec, length, scale, radix, ss_n if t.nullable else ss_nn


def like(pattern):
    """A regular expression for a catalog LIKE pattern (None: anything)."""
    if pattern is None or pattern == '' or pattern == '%':
        return None
    out = ''
    i = 0
    while i < len(pattern):
        c = pattern[i]
        if c == '%':
            out += '.*'
        elif c == '_':
            out += '.'
        elif c == '[':
            j = pattern.find(']', i)
            if j < 0:
                out += re.escape(c)
            else:
                out += '[' + pattern[i + 1:j].replace('^', '\\^') + ']'
                i = j
        elif c == '\\' and i + 1 < len(pattern):
            i += 1
            out += re.escape(pattern[i])
        else:
            out += re.escape(c)
        i += 1
    return re.compile('^' + out + '$', re.I | re.S)


def matches(rx, value):
    return rx is None or bool(rx.match(value or ''))


def _qualifier_ok(session, q):
    return q is None or q == '' or matches(like(q), session.database)


def _owner_ok(o):
    return o is None or o == '' or matches(like(o), OWNER)


def tables(session, types=('table', 'view')):
    rows = session.conn.execute(
        "select name, type from sqlite_master where type in ('table', "
        "'view') and name not like 'sqlite%' order by name").fetchall()
    return [(n, 'TABLE' if t == 'table' else 'VIEW') for n, t in rows]


def table_columns(session, table):
    """(name, SqlType, ordinal, default) of a table's columns."""
    out = []
    for cid, name, decl, notnull, dflt, pk in session.conn.execute(
            'pragma table_info("%s")' % table.replace('"', '""')):
        t = T.parse_decltype(decl, not notnull) or SqlType(
            'varchar', 255, nullable=not notnull)
        out.append((name, t, cid + 1, dflt, pk))
    return out


def find_table(session, name):
    for n, kind in tables(session):
        if n.lower() == (name or '').lower():
            return n
    return None


# ---------------------------------------------------------------------------

def sp_tables(session, v, out):
    name, owner, qual, ttype = (v['@table_name'], v['@table_owner'],
                                v['@table_qualifier'], v['@table_type'])
    cols = [('TABLE_QUALIFIER', N()), ('TABLE_OWNER', N()),
            ('TABLE_NAME', N()), ('TABLE_TYPE', V(32)), ('REMARKS', V(254))]
    if name == '' and owner == '%' and (qual or '') == '':
        yield from result(cols, [(None, OWNER, None, None, None)])
        return 0
    if qual == '%' and (name or '') == '' and (owner or '') == '':
        yield from result(cols, [(d, None, None, None, None)
                                 for d in session.databases()])
        return 0
    if ttype == '%' and (name or '') == '' and (owner or '') == '' and (
            qual or '') == '':
        yield from result(cols, [(None, None, None, t, None)
                                 for t in ('SYSTEM TABLE', 'TABLE', 'VIEW')])
        return 0
    wanted = None
    if ttype:
        wanted = {w.upper() for w in re.findall(r"[A-Za-z][A-Za-z ]*",
                                                ttype)}
    rows = []
    if _qualifier_ok(session, qual) and _owner_ok(owner):
        rx = like(name)
        for n, kind in tables(session):
            if matches(rx, n) and (wanted is None or kind in wanted):
                rows.append((session.database, OWNER, n, kind, None))
    rows.sort(key=lambda r: (r[3], r[2]))
    yield from result(cols, rows)
    return 0


COLUMNS_LAYOUT = [
    ('TABLE_QUALIFIER', N()), ('TABLE_OWNER', N()), ('TABLE_NAME', N()),
    ('COLUMN_NAME', N()), ('DATA_TYPE', S()), ('TYPE_NAME', N()),
    ('PRECISION', I()), ('LENGTH', I()), ('SCALE', S()), ('RADIX', S()),
    ('NULLABLE', S()), ('REMARKS', V(254)), ('COLUMN_DEF', N(4000)),
    ('SQL_DATA_TYPE', S()), ('SQL_DATETIME_SUB', S()),
    ('CHAR_OCTET_LENGTH', I()), ('ORDINAL_POSITION', I()),
    ('IS_NULLABLE', V(254)), ('SS_DATA_TYPE', SqlType('tinyint', 1))]


def _sql_data_type(dt):
    return 9 if dt == 11 else dt


def _datetime_sub(dt):
    return 3 if dt == 11 else None


def sp_columns(session, v, out):
    rows = []
    if _qualifier_ok(session, v['@table_qualifier']) and _owner_ok(
            v['@table_owner']):
        trx = like(v['@table_name'])
        crx = like(v['@column_name'])
        for tname, kind in tables(session):
            if not matches(trx, tname):
                continue
            for name, t, pos, dflt, pk in table_columns(session, tname):
                if not matches(crx, name):
                    continue
                dt, tn, prec, length, scale, radix, ss = column_info(t)
                octet = length if tn in ('char', 'varchar', 'nchar',
                                         'nvarchar', 'binary', 'varbinary',
                                         'text', 'ntext', 'image') else None
                rows.append((session.database, OWNER, tname, name, dt, tn,
                             prec, length, scale, radix,
                             1 if t.nullable else 0, None, dflt,
                             _sql_data_type(dt), _datetime_sub(dt), octet,
                             pos, 'YES' if t.nullable else 'NO', ss))
    yield from result(COLUMNS_LAYOUT, rows)
    return 0


def _indexes(session, table):
    """[(name, unique, [columns])] with the primary key first."""
    out = []
    pk = [(p, n) for n, t, pos, d, p in table_columns(session, table) if p]
    if pk:
        out.append(('PK_' + table, True, [n for p, n in sorted(pk)]))
    for seq, name, unique, origin, partial in session.conn.execute(
            'pragma index_list("%s")' % table):
        if origin == 'pk':
            continue
        cols = [r[2] for r in session.conn.execute(
            'pragma index_info("%s")' % name)]
        if name.startswith('sqlite_autoindex'):
            name = 'UQ_%s_%d' % (table, seq)
        out.append((name, bool(unique), cols))
    return out


def sp_statistics(session, v, out):
    cols = [('TABLE_QUALIFIER', N()), ('TABLE_OWNER', N()),
            ('TABLE_NAME', N()), ('NON_UNIQUE', S()),
            ('INDEX_QUALIFIER', N()), ('INDEX_NAME', N()), ('TYPE', S()),
            ('SEQ_IN_INDEX', S()), ('COLUMN_NAME', N()),
            ('COLLATION', SqlType('char', 1)), ('CARDINALITY', I()),
            ('PAGES', I()), ('FILTER_CONDITION', V(128))]
    rows = []
    table = find_table(session, v['@table_name'])
    if table and _qualifier_ok(session, v['@table_qualifier']) and \
            _owner_ok(v['@table_owner']):
        count = session.conn.execute('select count(*) from "%s"' %
                                     table).fetchone()[0]
        rows.append((session.database, OWNER, table, None, None, None, 0,
                     None, None, None, count, max(1, count // 50), None))
        only_unique = str(v['@is_unique'] or 'N').upper().startswith('Y')
        irx = like(v['@index_name'])
        for name, unique, icols in _indexes(session, table):
            if (only_unique and not unique) or not matches(irx, name):
                continue
            for i, c in enumerate(icols):
                rows.append((session.database, OWNER, table,
                             0 if unique else 1, table, name, 3, i + 1, c,
                             'A', count, max(1, count // 50), None))
    yield from result(cols, rows)
    return 0


def sp_special_columns(session, v, out):
    cols = [('SCOPE', S()), ('COLUMN_NAME', N()), ('DATA_TYPE', S()),
            ('TYPE_NAME', N()), ('PRECISION', I()), ('LENGTH', I()),
            ('SCALE', S()), ('PSEUDO_COLUMN', S())]
    rows = []
    table = find_table(session, v['@table_name'])
    if table and _qualifier_ok(session, v['@table_qualifier']) and \
            _owner_ok(v['@table_owner']):
        tcols = {n: t for n, t, pos, d, p in table_columns(session, table)}
        if str(v['@col_type'] or 'R').upper() == 'V':
            chosen = [n for n, t in tcols.items() if t.name == 'timestamp']
        else:
            chosen = []
            for name, unique, icols in _indexes(session, table):
                if unique:
                    chosen = icols
                    break
        for n in chosen:
            dt, tn, prec, length, scale, radix, ss = column_info(tcols[n])
            rows.append((2, n, dt, tn, prec, length, scale, 1))
    yield from result(cols, rows)
    return 0


def sp_pkeys(session, v, out):
    cols = [('TABLE_QUALIFIER', N()), ('TABLE_OWNER', N()),
            ('TABLE_NAME', N()), ('COLUMN_NAME', N()), ('KEY_SEQ', S()),
            ('PK_NAME', N())]
    rows = []
    table = find_table(session, v['@table_name'])
    if table and _qualifier_ok(session, v['@table_qualifier']) and \
            _owner_ok(v['@table_owner']):
        for name, unique, icols in _indexes(session, table)[:1]:
            if name.startswith('PK_'):
                for i, c in enumerate(icols):
                    rows.append((session.database, OWNER, table, c, i + 1,
                                 name))
    yield from result(cols, rows)
    return 0


def sp_fkeys(session, v, out):
    cols = [('PKTABLE_QUALIFIER', N()), ('PKTABLE_OWNER', N()),
            ('PKTABLE_NAME', N()), ('PKCOLUMN_NAME', N()),
            ('FKTABLE_QUALIFIER', N()), ('FKTABLE_OWNER', N()),
            ('FKTABLE_NAME', N()), ('FKCOLUMN_NAME', N()), ('KEY_SEQ', S()),
            ('UPDATE_RULE', S()), ('DELETE_RULE', S()), ('FK_NAME', N()),
            ('PK_NAME', N())]
    pkt = v['@pktable_name']
    fkt = v['@fktable_name']
    rules = {'CASCADE': 0, 'RESTRICT': 1, 'SET NULL': 2, 'NO ACTION': 1,
             'SET DEFAULT': 4}
    rows = []
    for tname, kind in tables(session):
        if fkt and tname.lower() != fkt.lower():
            continue
        for (fid, seq, ref, frm, to, upd, dele, match) in session.conn.execute(
                'pragma foreign_key_list("%s")' % tname):
            if pkt and ref.lower() != pkt.lower():
                continue
            if to is None:
                pk = _indexes(session, ref)
                to = pk[0][2][seq] if pk and seq < len(pk[0][2]) else frm
            rows.append((session.database, OWNER, ref, to, session.database,
                         OWNER, tname, frm, seq + 1, rules.get(upd, 1),
                         rules.get(dele, 1), 'FK_%s_%s' % (tname, ref),
                         'PK_' + ref))
    rows.sort(key=lambda r: (r[2], r[6], r[8]) if fkt and not pkt else
              (r[6], r[2], r[8]))
    yield from result(cols, rows)
    return 0


def _all_procs(session):
    import procs
    out = {}
    out.update(procs.SYSTEM)
    out.update(procs.TEST)
    out.update(session.db.procedures)
    return out


def sp_stored_procedures(session, v, out):
    cols = [('PROCEDURE_QUALIFIER', N()), ('PROCEDURE_OWNER', N()),
            ('PROCEDURE_NAME', N(134)), ('NUM_INPUT_PARAMS', I()),
            ('NUM_OUTPUT_PARAMS', I()), ('NUM_RESULT_SETS', I()),
            ('REMARKS', V(254)), ('PROCEDURE_TYPE', S())]
    rows = []
    if _qualifier_ok(session, v['@sp_qualifier']) and _owner_ok(
            v['@sp_owner']):
        rx = like(v['@sp_name'])
        for key, p in sorted(_all_procs(session).items()):
            if matches(rx, p.name):
                rows.append((session.database, OWNER, p.name + ';1', -1, -1,
                             -1, p.remarks or None, 2))
    yield from result(cols, rows)
    return 0


def sp_sproc_columns(session, v, out):
    cols = [('PROCEDURE_QUALIFIER', N()), ('PROCEDURE_OWNER', N()),
            ('PROCEDURE_NAME', N(134)), ('COLUMN_NAME', N()),
            ('COLUMN_TYPE', S()), ('DATA_TYPE', S()), ('TYPE_NAME', N()),
            ('PRECISION', I()), ('LENGTH', I()), ('SCALE', S()),
            ('RADIX', S()), ('NULLABLE', S()), ('REMARKS', V(254)),
            ('COLUMN_DEF', N(4000)), ('SQL_DATA_TYPE', S()),
            ('SQL_DATETIME_SUB', S()), ('CHAR_OCTET_LENGTH', I()),
            ('ORDINAL_POSITION', I()), ('IS_NULLABLE', V(254)),
            ('SS_DATA_TYPE', SqlType('tinyint', 1))]
    rows = []
    if _qualifier_ok(session, v['@procedure_qualifier']) and _owner_ok(
            v['@procedure_owner']):
        prx = like(v['@procedure_name'])
        crx = like(v['@column_name'])
        for key, p in sorted(_all_procs(session).items()):
            if not matches(prx, p.name):
                continue
            entries = [('@RETURN_VALUE', SqlType('int', 4, nullable=False),
                        5)] + [(q.name, q.type, 2 if q.output else 1)
                               for q in p.params]
            for pos, (name, t, kind) in enumerate(entries):
                if not matches(crx, name):
                    continue
                dt, tn, prec, length, scale, radix, ss = column_info(t)
                rows.append((session.database, OWNER, p.name + ';1', name,
                             kind, dt, tn, prec, length, scale, radix,
                             1 if kind != 5 else 0, None, None,
                             _sql_data_type(dt), _datetime_sub(dt),
                             length if dt in (1, 12, -1, -2, -3, -4, -8, -9,
                                              -10) else None,
                             pos, 'YES' if kind != 5 else 'NO', ss))
    yield from result(cols, rows)
    return 0


# TYPE_NAME, DATA_TYPE, PRECISION, LITERAL_PREFIX, LITERAL_SUFFIX,
# CREATE_PARAMS, NULLABLE, CASE_SENSITIVE, SEARCHABLE, UNSIGNED_ATTRIBUTE,
# MONEY, AUTO_INCREMENT, LOCAL_TYPE_NAME, MINIMUM_SCALE, MAXIMUM_SCALE,
# SQL_DATA_TYPE, SQL_DATETIME_SUB, NUM_PREC_RADIX, INTERVAL_PRECISION,
# USERTYPE
DATATYPES = [
    ('bit', -7, 1, None, None, None, 1, 0, 2, None, 0, None, 'bit', 0, 0,
     -7, None, None, None, 16),
    ('tinyint', -6, 3, None, None, None, 1, 0, 2, 1, 0, 0, 'tinyint', 0, 0,
     -6, None, 10, None, 5),
    ('bigint', -5, 19, None, None, None, 1, 0, 2, 0, 0, 0, 'bigint', 0, 0,
     -5, None, 10, None, 0),
    ('image', -4, 2147483647, '0x', None, None, 1, 0, 0, None, 0, None,
     'image', None, None, -4, None, None, None, 20),
    ('varbinary', -3, 8000, '0x', None, 'max length', 1, 0, 2, None, 0,
     None, 'varbinary', None, None, -3, None, None, None, 4),
    ('binary', -2, 8000, '0x', None, 'length', 1, 0, 2, None, 0, None,
     'binary', None, None, -2, None, None, None, 3),
    ('timestamp', -2, 8, '0x', None, None, 0, 0, 2, None, 0, None,
     'timestamp', None, None, -2, None, None, None, 80),
    ('text', -1, 2147483647, "'", "'", None, 1, 0, 1, None, 0, None, 'text',
     None, None, -1, None, None, None, 19),
    ('char', 1, 8000, "'", "'", 'length', 1, 0, 3, None, 0, None, 'char',
     None, None, 1, None, None, None, 1),
    ('numeric', 2, 38, None, None, 'precision,scale', 1, 0, 2, 0, 0, 0,
     'numeric', 0, 38, 2, None, 10, None, 10),
    ('decimal', 3, 38, None, None, 'precision,scale', 1, 0, 2, 0, 0, 0,
     'decimal', 0, 38, 3, None, 10, None, 24),
    ('money', 3, 19, '$', None, None, 1, 0, 2, 0, 1, 0, 'money', 4, 4, 3,
     None, 10, None, 11),
    ('smallmoney', 3, 10, '$', None, None, 1, 0, 2, 0, 1, 0, 'smallmoney',
     4, 4, 3, None, 10, None, 21),
    ('int', 4, 10, None, None, None, 1, 0, 2, 0, 0, 0, 'int', 0, 0, 4,
     None, 10, None, 7),
    ('smallint', 5, 5, None, None, None, 1, 0, 2, 0, 0, 0, 'smallint', 0, 0,
     5, None, 10, None, 6),
    ('float', 6, 53, None, None, None, 1, 0, 2, 0, 0, 0, 'float', None,
     None, 6, None, 2, None, 8),
    ('real', 7, 24, None, None, None, 1, 0, 2, 0, 0, 0, 'real', None, None,
     7, None, 2, None, 23),
    ('datetime', 11, 23, "'", "'", None, 1, 0, 3, None, 0, None, 'datetime',
     3, 3, 9, 3, None, None, 12),
    ('smalldatetime', 11, 16, "'", "'", None, 1, 0, 3, None, 0, None,
     'smalldatetime', 0, 0, 9, 3, None, None, 22),
    ('varchar', 12, 8000, "'", "'", 'max length', 1, 0, 3, None, 0, None,
     'varchar', None, None, 12, None, None, None, 2),
    ('nchar', -8, 4000, "N'", "'", 'length', 1, 0, 3, None, 0, None,
     'nchar', None, None, -8, None, None, None, 0),
    ('nvarchar', -9, 4000, "N'", "'", 'max length', 1, 0, 3, None, 0, None,
     'nvarchar', None, None, -9, None, None, None, 0),
    ('ntext', -10, 1073741823, "N'", "'", None, 1, 0, 1, None, 0, None,
     'ntext', None, None, -10, None, None, None, 0),
]


def sp_datatype_info(session, v, out):
    cols = [('TYPE_NAME', N()), ('DATA_TYPE', S()), ('PRECISION', I()),
            ('LITERAL_PREFIX', V(32)), ('LITERAL_SUFFIX', V(32)),
            ('CREATE_PARAMS', V(32)), ('NULLABLE', S()),
            ('CASE_SENSITIVE', S()), ('SEARCHABLE', S()),
            ('UNSIGNED_ATTRIBUTE', S()), ('MONEY', S()),
            ('AUTO_INCREMENT', S()), ('LOCAL_TYPE_NAME', N()),
            ('MINIMUM_SCALE', S()), ('MAXIMUM_SCALE', S()),
            ('SQL_DATA_TYPE', S()), ('SQL_DATETIME_SUB', S()),
            ('NUM_PREC_RADIX', I()), ('INTERVAL_PRECISION', S()),
            ('USERTYPE', S())]
    want = v['@data_type']
    want = int(want) if want not in (None, '') else 0
    if want in (91, 92, 93):
        want = 11
    rows = [r for r in DATATYPES if want == 0 or r[1] == want]
    rows.sort(key=lambda r: r[1])
    yield from result(cols, rows)
    return 0


def sp_table_privileges(session, v, out):
    cols = [('TABLE_QUALIFIER', N()), ('TABLE_OWNER', N()),
            ('TABLE_NAME', N()), ('GRANTOR', N()), ('GRANTEE', N()),
            ('PRIVILEGE', V(32)), ('IS_GRANTABLE', V(3))]
    rows = []
    if _qualifier_ok(session, v['@table_qualifier']) and _owner_ok(
            v['@table_owner']):
        rx = like(v['@table_name'])
        for n, kind in tables(session):
            if matches(rx, n):
                for priv in ('DELETE', 'INSERT', 'REFERENCES', 'SELECT',
                             'UPDATE'):
                    rows.append((session.database, OWNER, n, OWNER, OWNER,
                                 priv, 'YES'))
    yield from result(cols, rows)
    return 0


def sp_column_privileges(session, v, out):
    cols = [('TABLE_QUALIFIER', N()), ('TABLE_OWNER', N()),
            ('TABLE_NAME', N()), ('COLUMN_NAME', N()), ('GRANTOR', N()),
            ('GRANTEE', N()), ('PRIVILEGE', V(32)), ('IS_GRANTABLE', V(3))]
    rows = []
    table = find_table(session, v['@table_name'])
    if table:
        rx = like(v['@column_name'])
        for name, t, pos, d, p in table_columns(session, table):
            if matches(rx, name):
                for priv in ('INSERT', 'REFERENCES', 'SELECT', 'UPDATE'):
                    rows.append((session.database, OWNER, table, name, OWNER,
                                 OWNER, priv, 'YES'))
    yield from result(cols, rows)
    return 0


def _p(*names):
    return [Param(n, V(384)) for n in names]


PROCEDURES = [
    Procedure('sp_tables', _p('@table_name', '@table_owner',
                              '@table_qualifier', '@table_type') +
              [Param('@fUsePattern', SqlType('bit', 1), default=1)],
              sp_tables),
    Procedure('sp_columns', _p('@table_name', '@table_owner',
                               '@table_qualifier', '@column_name') +
              [Param('@ODBCVer', I(), default=2)], sp_columns),
    Procedure('sp_statistics', _p('@table_name', '@table_owner',
                                  '@table_qualifier', '@index_name') +
              [Param('@is_unique', SqlType('char', 1), default='N'),
               Param('@accuracy', SqlType('char', 1), default='Q')],
              sp_statistics),
    Procedure('sp_special_columns', _p('@table_name', '@table_owner',
                                       '@table_qualifier') +
              [Param('@col_type', SqlType('char', 1), default='R'),
               Param('@scope', SqlType('char', 1), default='T'),
               Param('@nullable', SqlType('char', 1), default='U'),
               Param('@ODBCVer', I(), default=2)], sp_special_columns),
    Procedure('sp_pkeys', _p('@table_name', '@table_owner',
                             '@table_qualifier'), sp_pkeys),
    Procedure('sp_fkeys', _p('@pktable_name', '@pktable_owner',
                             '@pktable_qualifier', '@fktable_name',
                             '@fktable_owner', '@fktable_qualifier'),
              sp_fkeys),
    Procedure('sp_stored_procedures', _p('@sp_name', '@sp_owner',
                                         '@sp_qualifier') +
              [Param('@fUsePattern', SqlType('bit', 1), default=1)],
              sp_stored_procedures),
    Procedure('sp_sproc_columns', _p('@procedure_name', '@procedure_owner',
                                     '@procedure_qualifier',
                                     '@column_name') +
              [Param('@ODBCVer', I(), default=2),
               Param('@fUsePattern', SqlType('bit', 1), default=1)],
              sp_sproc_columns),
    Procedure('sp_datatype_info', [Param('@data_type', I(), default=0),
                                   Param('@ODBCVer', I(), default=2)],
              sp_datatype_info),
    Procedure('sp_datatype_info_90', [Param('@data_type', I(), default=0),
                                      Param('@ODBCVer', I(), default=2)],
              sp_datatype_info),
    Procedure('sp_datatype_info_100', [Param('@data_type', I(), default=0),
                                       Param('@ODBCVer', I(), default=2)],
              sp_datatype_info),
    Procedure('sp_table_privileges', _p('@table_name', '@table_owner',
                                        '@table_qualifier') +
              [Param('@fUsePattern', SqlType('bit', 1), default=1)],
              sp_table_privileges),
    Procedure('sp_column_privileges', _p('@table_name', '@table_owner',
                                         '@table_qualifier',
                                         '@column_name'),
              sp_column_privileges),
]
