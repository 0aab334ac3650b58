"""The TDS test server against FreeTDS's own clients: tsql, the tdsodbc ODBC
driver under pyodbc, and DB-Library (through ctypes), over TDS 7.4 and 5.0,
each with no settings beyond host, port and protocol."""
import ctypes
import decimal
import datetime
import os
import subprocess
import sys
import tempfile

import pyodbc
import pytest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import tdsserver  # noqa: E402
import tsql  # noqa: E402

TDSODBC = '/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so'
PROTOCOLS = ['7.4', '5.0']
TMP = os.environ.get('KWSS08_TMP') or tempfile.gettempdir()


@pytest.fixture(scope='module')
def server():
    work = tempfile.mkdtemp(prefix='tdsserver-', dir=TMP)
    transcript = os.path.join(work, 'transcript.jsonl')
    proc, port = tdsserver.start_server(
        transcript=transcript, db=os.path.join(work, 'test.sqlite'),
        stderr=open(os.path.join(work, 'server.log'), 'w'))
    yield port, transcript
    tdsserver.stop_server(proc)


def odbc(port, version, autocommit=True):
    return pyodbc.connect('DRIVER=%s;Server=127.0.0.1;Port=%d;UID=sa;PWD=pw;'
                          'TDS_Version=%s' % (TDSODBC, port, version),
                          autocommit=autocommit)


def requests(transcript, **match):
    return [r for r in tdsserver.read_transcript(transcript)
            if all(r.get(k) == v for k, v in match.items())]


def table(name, version):
    return '%s_%s' % (name, version.replace('.', ''))


# ---------------------------------------------------------------------------
# DB-Library through ctypes

ERR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_int,
                               ctypes.c_int, ctypes.c_int, ctypes.c_char_p,
                               ctypes.c_char_p)
MSG_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_int,
                               ctypes.c_int, ctypes.c_int, ctypes.c_char_p,
                               ctypes.c_char_p, ctypes.c_char_p, ctypes.c_int)


class DbLib:
    """Just enough DB-Library to drive RPCs, cancels and text pieces."""
    lib = None

    def __init__(self, port, version, packet=0):
        if DbLib.lib is None:
            lib = ctypes.CDLL('libsybdb.so.5')
            for name, res, args in [
                    ('dblogin', ctypes.c_void_p, []),
                    ('dbopen', ctypes.c_void_p, [ctypes.c_void_p,
                                                 ctypes.c_char_p]),
                    ('dbsetlname', ctypes.c_int, [ctypes.c_void_p,
                                                  ctypes.c_char_p,
                                                  ctypes.c_int]),
                    ('dbsetllong', ctypes.c_int, [ctypes.c_void_p,
                                                  ctypes.c_long,
                                                  ctypes.c_int]),
                    ('dbcmd', ctypes.c_int, [ctypes.c_void_p,
                                             ctypes.c_char_p]),
                    ('dbsqlexec', ctypes.c_int, [ctypes.c_void_p]),
                    ('dbsqlok', ctypes.c_int, [ctypes.c_void_p]),
                    ('dbresults', ctypes.c_int, [ctypes.c_void_p]),
                    ('dbnextrow', ctypes.c_int, [ctypes.c_void_p]),
                    ('dbnumcols', ctypes.c_int, [ctypes.c_void_p]),
                    ('dbcount', ctypes.c_int, [ctypes.c_void_p]),
                    ('dbdata', ctypes.c_void_p, [ctypes.c_void_p,
                                                 ctypes.c_int]),
                    ('dbdatlen', ctypes.c_int, [ctypes.c_void_p,
                                                ctypes.c_int]),
                    ('dbcancel', ctypes.c_int, [ctypes.c_void_p]),
                    ('dbclose', None, [ctypes.c_void_p]),
                    ('dbrpcinit', ctypes.c_int, [ctypes.c_void_p,
                                                 ctypes.c_char_p,
                                                 ctypes.c_int]),
                    ('dbrpcparam', ctypes.c_int, [
                        ctypes.c_void_p, ctypes.c_char_p, ctypes.c_ubyte,
                        ctypes.c_int, ctypes.c_int, ctypes.c_int,
                        ctypes.c_void_p]),
                    ('dbrpcsend', ctypes.c_int, [ctypes.c_void_p]),
                    ('dbhasretstat', ctypes.c_int, [ctypes.c_void_p]),
                    ('dbretstatus', ctypes.c_int, [ctypes.c_void_p]),
                    ('dbnumrets', ctypes.c_int, [ctypes.c_void_p]),
                    ('dbretname', ctypes.c_char_p, [ctypes.c_void_p,
                                                    ctypes.c_int]),
                    ('dbretdata', ctypes.c_void_p, [ctypes.c_void_p,
                                                    ctypes.c_int]),
                    ('dbretlen', ctypes.c_int, [ctypes.c_void_p,
                                                ctypes.c_int]),
                    ('dbtxptr', ctypes.c_void_p, [ctypes.c_void_p,
                                                  ctypes.c_int]),
                    ('dbtxtimestamp', ctypes.c_void_p, [ctypes.c_void_p,
                                                        ctypes.c_int]),
                    ('dbwritetext', ctypes.c_int, [
                        ctypes.c_void_p, ctypes.c_char_p, ctypes.c_void_p,
                        ctypes.c_ubyte, ctypes.c_void_p, ctypes.c_int,
                        ctypes.c_int, ctypes.c_void_p]),
                    ('dbmoretext', ctypes.c_int, [ctypes.c_void_p,
                                                  ctypes.c_int,
                                                  ctypes.c_char_p])]:
                f = getattr(lib, name)
                f.restype = res
                f.argtypes = args
            lib.dbinit()
            DbLib.messages = []
            DbLib.errh = ERR_HANDLER(lambda *a: 2)   # INT_CANCEL
            DbLib.msgh = MSG_HANDLER(
                lambda p, no, st, sev, text, srv, proc, line:
                DbLib.messages.append((no, sev, st, text.decode())) or 0)
            lib.dberrhandle(DbLib.errh)
            lib.dbmsghandle(DbLib.msgh)
            DbLib.lib = lib
        self.lib = DbLib.lib
        os.environ['TDSVER'] = version
        login = self.lib.dblogin()
        self.lib.dbsetlname(login, b'sa', 2)
        self.lib.dbsetlname(login, b'pw', 3)
        if packet:
            self.lib.dbsetllong(login, packet, 11)   # DBSETPACKET
        self.p = self.lib.dbopen(login, b'127.0.0.1:%d' % port)
        del os.environ['TDSVER']

    def opened(self):
        return bool(self.p)

    def rows(self):
        """Every result of the current command: [(count, rows)]."""
        lib = self.lib
        out = []
        while True:
            rc = lib.dbresults(self.p)
            if rc != 1:
                break
            rows = []
            n = lib.dbnumcols(self.p)
            while lib.dbnextrow(self.p) == -1:
                row = []
                for c in range(1, n + 1):
                    d = lib.dbdata(self.p, c)
                    row.append(None if not d else ctypes.string_at(
                        d, lib.dbdatlen(self.p, c)))
                rows.append(row)
            out.append((lib.dbcount(self.p), rows))
        return out

    def run(self, sql):
        self.lib.dbcmd(self.p, sql.encode())
        assert self.lib.dbsqlexec(self.p) == 1
        return self.rows()

    def close(self):
        self.lib.dbclose(self.p)


# ---------------------------------------------------------------------------

@pytest.mark.parametrize('version', PROTOCOLS)
def test_tsql_runs_batches_and_shows_messages(server, version):
    port, transcript = server
    t = table('tsql', version)
    script = ('create table %s (a int, b varchar(10))\ngo\n'
              "insert into %s values (1, 'one')\ngo\n"
              'select a, b from %s\ngo\n'
              "raiserror (2601, 14, 3, 'duplicate row')\ngo\n" % (t, t, t))
    env = dict(os.environ, TDSVER=version)
    out = subprocess.run(['tsql', '-H', '127.0.0.1', '-p', str(port), '-U',
                          'sa', '-P', 'pw'], input=script, env=env,
                         capture_output=True, text=True, timeout=30)
    assert '1\tone' in out.stdout
    assert 'Msg 2601 (severity 14, state 3)' in out.stdout + out.stderr
    batches = [r['sql'] for r in requests(transcript, type='batch',
                                          tds=version)]
    assert 'select a, b from %s\n' % t in batches
    assert requests(transcript, type='login', tds=version, app='TSQL')


VALUES = [
    ('ti', 'tinyint', '255', 255),
    ('si', 'smallint', '-32768', -32768),
    ('i', 'int', '2147483647', 2147483647),
    ('bi', 'bigint', '-9000000000', -9000000000),
    ('b', 'bit', '1', True),
    ('r', 'real', '1.5', 1.5),
    ('f', 'float', '-2.25e10', -2.25e10),
    ('m', 'money', '-922337203685477.5808',
     decimal.Decimal('-922337203685477.5808')),
    ('sm', 'smallmoney', '214748.3647', decimal.Decimal('214748.3647')),
    ('d', 'decimal(12,3)', '-123456789.125',
     decimal.Decimal('-123456789.125')),
    ('n', 'numeric(30,4)', '12345678901234567890.5',
     decimal.Decimal('12345678901234567890.5000')),
    ('dt', 'datetime', "'1995-01-02 13:04:05.123'",
     datetime.datetime(1995, 1, 2, 13, 4, 5, 123000)),
    ('sdt', 'smalldatetime', "'Jan 3 1995 10:15AM'",
     datetime.datetime(1995, 1, 3, 10, 15)),
    ('c', 'char(5)', "'ab'", 'ab   '),
    ('vc', 'varchar(300)', "'%s'" % ('x' * 300), 'x' * 300),
    ('nc', 'nchar(3)', "N'\u00e9'", '\u00e9  '),
    ('nv', 'nvarchar(10)', "N'\u00fcn\u00ef'", '\u00fcn\u00ef'),
    ('bn', 'binary(3)', '0x01', b'\x01\x00\x00'),
    ('vb', 'varbinary(10)', '0xABCD', b'\xab\xcd'),
    ('tx', 'text', "'%s'" % ('t' * 5000), 't' * 5000),
    ('im', 'image', '0x' + 'ff' * 3000, b'\xff' * 3000),
]


@pytest.mark.parametrize('version', PROTOCOLS)
def test_isql_connects_without_a_data_source(server, version):
    port, _ = server
    out = subprocess.run(
        ['isql', '-b', '-k', 'DRIVER=%s;Server=127.0.0.1;Port=%d;UID=sa;'
         'PWD=pw;TDS_Version=%s' % (TDSODBC, port, version)],
        input="select 'isql' + ' works', 6 * 7\n", capture_output=True,
        text=True, timeout=30)
    assert '| isql works' in out.stdout and '| 42' in out.stdout, out.stdout


@pytest.mark.parametrize('version', PROTOCOLS)
def test_every_type_round_trips_through_tdsodbc(server, version):
    port, _ = server
    conn = odbc(port, version)
    cur = conn.cursor()
    t = table('types', version)
    cur.execute('create table %s (%s)' % (t, ', '.join(
        '%s %s null' % (c, ty) for c, ty, lit, v in VALUES)))
    cur.execute('insert into %s values (%s)' % (t, ', '.join(
        lit for c, ty, lit, v in VALUES)))
    cur.execute('insert into %s (i) values (NULL)' % t)
    rows = cur.execute('select * from %s order by i desc' % t).fetchall()
    for (c, ty, lit, expected), got in zip(VALUES, rows[0]):
        assert got == expected, c
    # TDS 5.0 has no NULL bit: the column reads 0
    assert [v for v in rows[1] if v is not None] == (
        [False] if version == '5.0' else [])
    # sizes as the server describes them
    described = {d[0]: d for d in cur.description}
    assert described['vc'][3] == 300
    assert described['d'][4:6] == (12, 3)
    assert described['dt'][1] is datetime.datetime
    conn.close()


@pytest.mark.parametrize('version', PROTOCOLS)
def test_parameters_transactions_and_transcript(server, version):
    port, transcript = server
    conn = odbc(port, version, autocommit=False)
    cur = conn.cursor()
    t = table('params', version)
    cur.execute('create table %s (a int not null, b varchar(20), '
                'c money)' % t)
    conn.commit()
    cur.execute('insert into %s values (?, ?, ?)' % t, 1, 'first',
                decimal.Decimal('2.5'))
    conn.rollback()
    cur.execute('insert into %s values (?, ?, ?)' % t, 2, 'second',
                decimal.Decimal('3.25'))
    conn.commit()
    assert [tuple(r) for r in cur.execute(
        'select a, b, c from %s where a >= ?' % t, 0)] == [
        (2, 'second', decimal.Decimal('3.2500'))]
    conn.close()
    # the parameter values arrive as typed values, the text as sent
    kind = 'rpc' if version == '7.4' else 'dynamic'
    sent = [r for r in requests(transcript, type=kind, tds=version)
            if r.get('params') and any(p['value'] == 'second'
                                       for p in r['params'])]
    values = [p['value'] for p in sent[0]['params']]
    assert values[-3:] == [2, 'second', '3.25']


@pytest.mark.parametrize('version', PROTOCOLS)
def test_catalog_procedures_answer_tdsodbc(server, version):
    port, _ = server
    conn = odbc(port, version)
    cur = conn.cursor()
    pk, fk = table('cat_pk', version), table('cat_fk', version)
    cur.execute('create table %s (id int primary key, name varchar(10) not '
                'null)' % pk)
    cur.execute('create table %s (id int, pid int references %s(id))' %
                (fk, pk))
    cur.execute('create unique index ux_%s on %s(id)' % (fk, fk))
    assert [r.table_name for r in cur.tables(table=pk)] == [pk]
    cols = [(r.column_name, r.data_type, r.type_name, r.column_size,
             r.nullable) for r in cur.columns(table=pk)]
    assert cols == [('id', 4, 'int', 10, 1), ('name', 12, 'varchar', 10, 0)]
    assert [(r.column_name, r.key_seq) for r in cur.primaryKeys(pk)] == [
        ('id', 1)]
    assert [(r.fktable_name, r.fkcolumn_name) for r in
            cur.foreignKeys(table=pk)] == [(fk, 'pid')]
    stats = [(r.index_name, r.non_unique) for r in cur.statistics(fk)]
    assert ('ux_' + fk, 0) in stats
    params = [(r.column_name, r.column_type) for r in
              cur.procedureColumns(procedure='vx_add')]
    assert params == [('@RETURN_VALUE', 5), ('@a', 1), ('@b', 1),
                      ('@sum', 2)]
    assert [r.type_name for r in cur.getTypeInfo(pyodbc.SQL_INTEGER)] == [
        'int']
    conn.close()


@pytest.mark.parametrize('version', PROTOCOLS)
def test_timestamp_columns_change_with_every_write(server, version):
    port, _ = server
    conn = odbc(port, version)
    cur = conn.cursor()
    t = table('stamps', version)
    cur.execute('create table %s (a int primary key, b varchar(5), '
                'ts timestamp)' % t)
    cur.execute("insert into %s (a, b) values (1, 'x')" % t)
    assert cur.rowcount == 1
    cur.execute("insert into %s (a, b) values (2, 'y')" % t)
    first = dict(cur.execute('select a, ts from %s' % t).fetchall())
    cur.execute("update %s set b = 'z' where a = 1" % t)
    assert cur.rowcount == 1
    second = dict(cur.execute('select a, ts from %s' % t).fetchall())
    assert len(second[1]) == 8 and second[1] > first[1] and \
        second[2] == first[2]
    assert [r.column_name for r in cur.rowVerColumns(t)] == ['ts']
    conn.close()


@pytest.mark.parametrize('version', PROTOCOLS)
def test_scripted_messages_keep_number_and_severity(server, version):
    port, _ = server
    conn = odbc(port, version)
    cur = conn.cursor()
    with pytest.raises(pyodbc.Error) as err:
        cur.execute("raiserror (208, 16, 1, 'no such table here')")
    assert '(208)' in str(err.value) and 'no such table here' in str(
        err.value)
    with pytest.raises(pyodbc.Error) as err:
        cur.execute('select * from missing_table')
    assert "Invalid object name 'missing_table'. (208)" in str(err.value)
    # an informational message does not fail the statement
    cur.execute("print 'just saying'")
    conn.close()


@pytest.mark.parametrize('version', PROTOCOLS)
def test_cancel_mid_result_leaves_the_connection_usable(server, version):
    port, transcript = server
    conn = odbc(port, version)
    cur = conn.cursor()
    before = len(requests(transcript, type='attention'))
    cur.execute('select * from vx_replay')
    assert cur.fetchone()[0] == 1
    cur.cancel()
    assert cur.execute('select 42').fetchall()[0][0] == 42
    assert len(requests(transcript, type='attention')) > before
    conn.close()


@pytest.mark.parametrize('version', PROTOCOLS)
def test_dblib_rpc_named_output_parameters_and_status(server, version):
    port, transcript = server
    db = DbLib(port, version)
    assert db.opened()
    lib = db.lib
    proc = table('triple', version)
    db.run('create procedure %s @a int, @b int output as\n'
           'if @a > 0\n'
           'begin\n'
           '  select @b = @a * 3\n'
           '  select @a as a\n'
           'end\n'
           'else\n'
           '  return 1\n'
           'return 7' % proc)

    def call(value):
        a = ctypes.c_int(value)
        b = ctypes.c_int(0)
        lib.dbrpcinit(db.p, proc.encode(), 0)
        lib.dbrpcparam(db.p, b'@a', 0, 56, -1, -1, ctypes.byref(a))
        lib.dbrpcparam(db.p, b'@b', 1, 56, -1, -1, ctypes.byref(b))
        assert lib.dbrpcsend(db.p) == 1 and lib.dbsqlok(db.p) == 1
        rows = [r for c, r in db.rows() if r]
        assert lib.dbhasretstat(db.p) and lib.dbnumrets(db.p) == 1
        assert lib.dbretname(db.p, 1) == b'@b'
        out = ctypes.cast(lib.dbretdata(db.p, 1),
                          ctypes.POINTER(ctypes.c_int))[0]
        return rows, lib.dbretstatus(db.p), out

    assert call(5) == ([[[b'\x05\x00\x00\x00']]], 7, 15)
    assert call(-1) == ([], 1, 0)
    rpc = requests(transcript, type='rpc', tds=version, proc=proc)[-1]
    assert [(p['name'], p['output']) for p in rpc['params']] == [
        ('@a', False), ('@b', True)]
    db.close()


class DbDateTime(ctypes.Structure):
    _fields_ = [('days', ctypes.c_int), ('time', ctypes.c_int)]


class DbMoney(ctypes.Structure):
    _fields_ = [('high', ctypes.c_int), ('low', ctypes.c_uint)]


@pytest.mark.parametrize('version', PROTOCOLS)
def test_dblib_rpc_parameters_of_every_type_arrive_decoded(server, version):
    port, transcript = server
    db = DbLib(port, version)
    assert db.opened()
    lib = db.lib
    proc = table('echo_all', version)
    db.run('create procedure %s @i1 tinyint, @i2 smallint, @i4 int, '
           '@f8 float, @r4 real, @m money, @m4 smallmoney, @dt datetime, '
           '@bt bit, @ch varchar(10), @bn varbinary(10), @nl varchar(10) '
           'as select @i4, @ch, @nl' % proc)
    params = [
        (b'@i1', 48, ctypes.c_ubyte(200), -1),
        (b'@i2', 52, ctypes.c_short(-300), -1),
        (b'@i4', 56, ctypes.c_int(70000), -1),
        (b'@f8', 62, ctypes.c_double(2.5), -1),
        (b'@r4', 59, ctypes.c_float(0.5), -1),
        (b'@m', 60, DbMoney(0, 123456), -1),
        (b'@m4', 122, ctypes.c_int(-12500), -1),
        (b'@dt', 61, DbDateTime(35000, 300 * 3600), -1),
        (b'@bt', 50, ctypes.c_ubyte(1), -1),
        (b'@ch', 39, ctypes.create_string_buffer(b'abc'), 3),
        (b'@bn', 37, ctypes.create_string_buffer(b'\x01\x02', 2), 2),
        (b'@nl', 39, None, 0)]
    lib.dbrpcinit(db.p, proc.encode(), 0)
    for name, ty, value, length in params:
        assert lib.dbrpcparam(db.p, name, 0, ty, -1, length, None if
                              value is None else ctypes.byref(value)) == 1
    assert lib.dbrpcsend(db.p) == 1 and lib.dbsqlok(db.p) == 1
    rows = [r for c, r in db.rows() if r]
    assert rows == [[[b'\x70\x11\x01\x00', b'abc', None]]]
    sent = requests(transcript, type='rpc', tds=version, proc=proc)[-1]
    assert {p['name']: p['value'] for p in sent['params']} == {
        '@i1': 200, '@i2': -300, '@i4': 70000, '@f8': 2.5, '@r4': 0.5,
        '@m': '12.3456', '@m4': '-1.2500', '@dt': '1995-10-30 01:00:00',
        '@bt': 1, '@ch': 'abc', '@bn': '0x0102', '@nl': None}
    db.close()


@pytest.mark.parametrize('version', PROTOCOLS)
def test_dblib_text_written_and_read_in_pieces(server, version):
    port, transcript = server
    db = DbLib(port, version)
    assert db.opened()
    lib = db.lib
    t = table('longs', version)
    db.run('create table %s (id int primary key, t text null, '
           'i image null)' % t)
    db.run("insert into %s values (1, ' ', 0x00)" % t)
    lib.dbcmd(db.p, ('select t, i from %s where id = 1' % t).encode())
    lib.dbsqlexec(db.p)
    lib.dbresults(db.p)
    assert lib.dbnextrow(db.p) == -1
    ptr = ctypes.string_at(lib.dbtxptr(db.p, 2), 16)
    stamp = ctypes.string_at(lib.dbtxtimestamp(db.p, 2), 8)
    lib.dbcancel(db.p)
    pieces = [bytes([65 + k]) * 70000 for k in range(3)]
    assert lib.dbwritetext(db.p, ('%s.i' % t).encode(), ptr, 16, stamp, 1,
                           sum(map(len, pieces)), None) == 1
    assert lib.dbsqlok(db.p) == 1
    lib.dbresults(db.p)
    for piece in pieces:
        assert lib.dbmoretext(db.p, len(piece), piece) == 1
    assert lib.dbsqlok(db.p) == 1
    db.rows()
    got = db.run('declare @val varbinary(16), @val2 int\n'
                 ' select @val = textptr(i), @val2 = datalength(i) - 69990 '
                 'FROM %s WHERE id = 1\n'
                 ' if (@val2 > 20) select @val2 = 20\n'
                 ' readtext %s.i @val 69990 @val2 holdlock' % (t, t))
    assert [r for c, r in got if r] == [[[b'A' * 10 + b'B' * 10]]]
    assert requests(transcript, type='bulk', tds=version)[-1][
        'received'] == 210000
    db.close()


@pytest.mark.parametrize('version', PROTOCOLS)
def test_replay_sends_the_asked_number_of_rows(server, version):
    port, _ = server
    db = DbLib(port, version)
    assert db.opened()
    (count, rows), = db.run('select top 2500 * from vx_replay')
    assert count == 2500 and len(rows) == 2500
    db.close()


@pytest.mark.skipif(not os.environ.get('TDS_CTLIB_CLIENT'),
                    reason='the CT-Library client is built by CMake')
def test_ctlib_cursor_dynamic_sql_and_rpc_over_tds50(server):
    port, transcript = server
    out = subprocess.run([os.environ['TDS_CTLIB_CLIENT'],
                          '127.0.0.1:%d' % port],
                         env=dict(os.environ, TDSVER='5.0'),
                         capture_output=True, text=True, timeout=30).stdout
    assert out.splitlines() == [
        'cursor cursor row 2 two', 'cursor cursor row 3 NULL',
        'prepared describe 1', 'execute row two', 'rpc status 0',
        'rpc output 9'], out
    ops = [(r['op'], r.get('rows')) for r in requests(
        transcript, type='cursor', tds='5.0')]
    assert ops == [('declare', None), ('rows', 1), ('open', None),
                   ('fetch', None), ('fetch', None), ('fetch', None),
                   ('close', None)]


def test_login_rules_case_sensitivity_and_server_attributes():
    proc, port = tdsserver.start_server(args=[
        '--user', 'sa', '--password', 'pw', '--case-sensitive',
        '--server-info', 'DBMS_VER=SQL Server 4.2',
        '--server-info', 'NEW_ATTRIBUTE=yes', '--max-packet-size', '1024'])
    try:
        with pytest.raises(pyodbc.Error) as err:
            pyodbc.connect('DRIVER=%s;Server=127.0.0.1;Port=%d;UID=sa;'
                           'PWD=wrong;TDS_Version=7.4' % (TDSODBC, port))
        assert '18456' in str(err.value)
        cur = odbc(port, '7.4').cursor()
        with pytest.raises(pyodbc.Error) as err:
            cur.execute('exec Sp_SeRvEr_InFo')
        assert '(2812)' in str(err.value)
        info = {r[1]: r[2] for r in cur.execute('exec sp_server_info')}
        assert info['DBMS_VER'] == 'SQL Server 4.2'
        assert info['NEW_ATTRIBUTE'] == 'yes'
        assert info['IDENTIFIER_CASE'] == 'MIXED'
        # a TDS 5.0 packet size above the limit is refused with 4024
        assert not DbLib(port, '5.0', packet=2560).opened()
        assert DbLib.messages[-1][0] == 4024
        db = DbLib(port, '5.0', packet=1024)
        assert db.opened()
        assert db.run('select 1') == [(1, [[b'\x01\x00\x00\x00']])]
        db.close()
    finally:
        tdsserver.stop_server(proc)


def test_batches_split_into_the_statements_clients_send():
    assert tsql.split_statements(
        'declare @val varbinary(16), @val2 int\n select @val = textptr(t) '
        'FROM tt WHERE id = 1\n if (@val2 > 10) select @val2 = 10\n '
        'readtext tt.t @val 0 @val2 holdlock') == [
        'declare @val varbinary(16), @val2 int',
        'select @val = textptr(t) FROM tt WHERE id = 1',
        'if (@val2 > 10)', 'select @val2 = 10',
        'readtext tt.t @val 0 @val2 holdlock']
    assert tsql.split_statements(
        'set rowcount 5 update t set a = 1 where b in (select b from u) '
        'insert into t select * from u union select * from v') == [
        'set rowcount 5', 'update t set a = 1 where b in (select b from u)',
        'insert into t select * from u union select * from v']
    assert len(tsql.split_statements(
        'create procedure p @a int as select 1 select 2')) == 1
    assert tsql.split_statements(
        "insert into t values (1) select case when a = 1 then 'x' else 'y' "
        "end from t") == ['insert into t values (1)', "select case when "
                          "a = 1 then 'x' else 'y' end from t"]
    text, top = tsql.to_sqlite(
        "select top 3 convert(datetime,'Jan 02 1995 01:04:05:124PM',109), "
        "N'a' + 'b', 0x0aff, isnull(x, 1), @@trancount from t")
    assert ' '.join(text.split()) == ("select vx_convert('datetime','Jan 02 1995 "
                    "01:04:05:124PM',109), 'a' || 'b', X'0aff', "
                    "ifnull(x, 1), vx_global('trancount') from t LIMIT 3")
    assert tsql.to_sqlite('create table #t (a int) insert #t values (1)')[
        0] == 'create TEMP table "#t" (a int) insert "#t" values (1)'
    # CONCAT of two character columns joins them; numbers still add
    assert tsql.to_sqlite('select (a+b), n + 1, a + 2 from t', None,
                          {'a', 'b'})[0] == 'select (a||b), n + 1, a + 2 from t'

