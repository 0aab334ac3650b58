#!/usr/bin/python3
"""A TDS test server (TDS 7.4 and TDS 5.0) over a SQLite database.

Run `tdsserver.py --help` for the options; tests import `start_server`.
"""

import argparse
import datetime
import decimal
import json
import os
import select
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time
import traceback

HERE = os.path.dirname(os.path.abspath(__file__))
if HERE not in sys.path:
    sys.path.insert(0, HERE)

import backend  # noqa: E402
import procs  # noqa: E402
import tds7  # noqa: E402
import tdstypes as T  # noqa: E402

PKT_BATCH = 0x01
PKT_LOGIN5 = 0x02
PKT_RPC = 0x03
PKT_REPLY = 0x04
PKT_ATTENTION = 0x06
PKT_BULK = 0x07
PKT_NORMAL5 = 0x0F
PKT_TM = 0x0E
PKT_LOGIN7 = 0x10
PKT_PRELOGIN = 0x12

STATUS_EOM = 0x01


Closed = T.ConnectionClosed


# ---------------------------------------------------------------------------
# transcript

def _jsonable(v):
    if isinstance(v, (bytes, bytearray, memoryview)):
        return '0x' + bytes(v).hex()
    if isinstance(v, decimal.Decimal):
        return str(v)
    if isinstance(v, datetime.datetime):
        return v.isoformat(sep=' ')
    return v


class Transcript:
    def __init__(self, path):
        self.path = path
        self.lock = threading.Lock()
        self.seq = 0
        self.f = open(path, 'a', encoding='utf-8') if path else None

    def write(self, rec):
        if self.f is None:
            return
        with self.lock:
            self.seq += 1
            rec = dict(rec)
            rec['seq'] = self.seq
            self.f.write(json.dumps(rec, default=_jsonable,
                                    ensure_ascii=False) + '\n')
            self.f.flush()


def read_transcript(path):
    """The records of a transcript file, as dictionaries."""
    out = []
    if not os.path.exists(path):
        return out
    with open(path, encoding='utf-8') as f:
        for line in f:
            line = line.strip()
            if line:
                out.append(json.loads(line))
    return out


# ---------------------------------------------------------------------------
# one client connection

class Connection:
    def __init__(self, server, sock, conn_id):
        self.server = server
        self.sock = sock
        self.id = conn_id
        self.packet_size = 4096
        self.tds = None           # '7.4' or '5.0'
        self.session = None
        self.codec = T.Codec('cp1252')
        self.pending = []         # packets read while sending
        self.attn_pending = False
        self.proto = None

    # packets -------------------------------------------------------------
    def _recv_exact(self, n):
        buf = bytearray()
        while len(buf) < n:
            chunk = self.sock.recv(n - len(buf))
            if not chunk:
                raise Closed()
            buf += chunk
        return bytes(buf)

    def read_packet(self):
        if self.pending:
            return self.pending.pop(0)
        head = self._recv_exact(8)
        ptype, status, length = struct.unpack('>BBH', head[:4])
        if length < 8:
            raise Closed()
        body = self._recv_exact(length - 8)
        return ptype, status, body

    def read_message(self):
        ptype, status, body = self.read_packet()
        data = bytearray(body)
        while not status & STATUS_EOM and ptype != PKT_ATTENTION:
            t2, status, body = self.read_packet()
            if t2 == PKT_ATTENTION:
                # the client gave up sending this request
                return PKT_ATTENTION, b''
            data += body
        return ptype, bytes(data)

    def poll_attention(self):
        """True when an attention arrived while results are being sent."""
        if self.attn_pending:
            return True
        while True:
            r, _, _ = select.select([self.sock], [], [], 0)
            if not r:
                return False
            try:
                pkt = self.read_packet_direct()
            except Closed:
                return True
            if pkt[0] == PKT_ATTENTION:
                self.attn_pending = True
                self.server.transcript.write({'conn': self.id,
                                              'type': 'attention'})
                return True
            self.pending.append(pkt)

    def read_packet_direct(self):
        head = self._recv_exact(8)
        ptype, status, length = struct.unpack('>BBH', head[:4])
        return ptype, status, self._recv_exact(length - 8)

    def send_raw(self, ptype, payload):
        """Sends one message in packets of the negotiated size."""
        size = self.packet_size - 8
        pos = 0
        n = len(payload)
        while True:
            chunk = payload[pos:pos + size]
            pos += len(chunk)
            last = pos >= n
            head = struct.pack('>BBHHBB', ptype, STATUS_EOM if last else 0,
                               len(chunk) + 8, 0, 0, 0)
            self.sock.sendall(head + chunk)
            if last:
                break

    # main loop -------------------------------------------------------------
    def serve(self):
        try:
            while True:
                ptype, data = self.read_message()
                try:
                    self.dispatch(ptype, data)
                except (Closed, OSError):
                    raise
                except Exception as e:   # a request the server cannot read
                    traceback.print_exc()
                    if self.proto is None:
                        raise Closed()
                    self.attn_pending = False
                    self.respond(iter([
                        ('msg', 4002, 16, 1, 'Test server fault: %s: %s' %
                         (type(e).__name__, e), '', 1),
                        ('done', 'done', 2, None, 0)]))
        except (Closed, ConnectionError, OSError):
            pass
        finally:
            if self.session:
                self.session.close()
            try:
                self.sock.close()
            except OSError:
                pass

    def dispatch(self, ptype, data):
        if ptype == PKT_PRELOGIN:
            self.send_raw(PKT_REPLY, tds7.prelogin_reply())
        elif ptype == PKT_LOGIN7:
            self.login7(data)
        elif ptype == PKT_LOGIN5:
            import tds5
            tds5.login(self, data)
        elif ptype == PKT_ATTENTION:
            self.server.transcript.write({'conn': self.id,
                                          'type': 'attention'})
            self.attn_pending = True
            self.respond(iter(()))
        elif self.session is None:
            raise Closed()
        elif ptype == PKT_BATCH:
            if self.tds == '7.4':
                text = tds7.skip_all_headers(data).decode('utf-16-le',
                                                          'replace')
            else:
                text = data.decode(self.codec.charset, 'replace')
            self.server.transcript.write({'conn': self.id, 'type': 'batch',
                                          'tds': self.tds, 'sql': text})
            self.run_language(text)
        elif ptype == PKT_RPC and self.tds == '7.4':
            self.rpc7(tds7.skip_all_headers(data))
        elif ptype == PKT_TM and self.tds == '7.4':
            self.tm_request(tds7.skip_all_headers(data))
        elif ptype == PKT_NORMAL5:
            import tds5
            tds5.normal(self, data)
        elif ptype == PKT_BULK:
            import tds5
            tds5.bulk(self, data)
        else:
            self.respond(iter([('msg', 4002, 16, 1,
                                'The incoming tabular data stream (TDS) '
                                'protocol stream is incorrect.', '', 1),
                               ('done', 'done', 2, None, 0)]))

    # login -------------------------------------------------------------------
    def login7(self, data):
        info = tds7.parse_login7(data)
        self.tds = '7.4'
        self.proto = Tds7Encoder(self)
        size = info['packet_size'] or 4096
        size = max(512, min(size, 32767))
        if self.server.opts.max_packet_size:
            # TDS 7 negotiates: the client takes the server's size
            size = min(size, max(512, self.server.opts.max_packet_size))
        rec = {'conn': self.id, 'type': 'login', 'tds': '7.4',
               'user': info['user'], 'database': info['database'],
               'app': info['app'], 'host': info['host'],
               'language': info['language'], 'server': info['server'],
               'packet_size': size}
        self.server.transcript.write(rec)
        out = bytearray()
        opts = self.server.opts
        if (opts.user and info['user'] != opts.user) or (
                opts.password is not None and
                info['password'] != opts.password):
            out += tds7.message(18456, 14, 1, "Login failed for user '%s'."
                                % info['user'], self.server.name, '', 1)
            out += tds7.done(tds7.DONE, tds7.DONE_ERROR, 0, 0)
            self.send_raw(PKT_REPLY, bytes(out))
            raise Closed()
        db = self.server.db
        database = info['database'] or db.name
        sess = backend.Session(db, info['user'], database,
                               self.server.name, '7.4', 50 + self.id)
        sess.options = opts
        if database.lower() not in [d.lower() for d in sess.databases()]:
            out += tds7.message(4060, 11, 1, 'Cannot open database "%s" '
                                'requested by the login. The login failed.'
                                % database, self.server.name, '', 1)
            out += tds7.message(18456, 14, 1, "Login failed for user '%s'."
                                % info['user'], self.server.name, '', 1)
            out += tds7.done(tds7.DONE, tds7.DONE_ERROR, 0, 0)
            self.send_raw(PKT_REPLY, bytes(out))
            sess.close()
            raise Closed()
        self.session = sess
        out += tds7.env_change(tds7.ENV_DATABASE, sess.database, 'master')
        out += tds7.message(5701, 0, 2, "Changed database context to '%s'."
                            % sess.database, self.server.name, '', 1)
        out += tds7.env_change(tds7.ENV_COLLATION, tds7.COLLATION, b'')
        out += tds7.env_change(tds7.ENV_LANGUAGE, 'us_english', '')
        out += tds7.message(5703, 0, 1, "Changed language setting to "
                            "us_english.", self.server.name, '', 1)
        out += tds7.login_ack()
        out += tds7.env_change(tds7.ENV_PACKETSIZE, str(size), str(size))
        if info['option_flags3'] & 0x10:
            out += b'\xAE\xFF'   # FEATUREEXTACK: nothing acknowledged
        out += tds7.done(tds7.DONE, 0, 0, 0)
        self.send_raw(PKT_REPLY, bytes(out))
        self.packet_size = size

    # RPC ---------------------------------------------------------------------
    def rpc7(self, data):
        try:
            calls = tds7.parse_rpc(data)
        except (ValueError, struct.error, IndexError) as e:
            self.respond(iter([('msg', 8009, 16, 1, 'The incoming tabular '
                                'data stream (TDS) remote procedure call '
                                '(RPC) protocol stream is incorrect. %s' % e,
                                '', 1), ('done', 'done', 2, None, 0)]))
            return
        for proc, params in calls:
            self.server.transcript.write({
                'conn': self.id, 'type': 'rpc', 'tds': self.tds,
                'proc': proc if isinstance(proc, str) else
                SPECIAL_PROCS.get(proc, proc),
                'params': [{'name': n, 'type': repr(t), 'value': v,
                            'output': o} for n, t, v, o in params]})
        self.respond(self.run_rpc_calls(calls))

    def run_rpc_calls(self, calls):
        for proc, params in calls:
            yield from self.session.run_rpc(proc, params)

    def tm_request(self, data):
        kind = struct.unpack_from('<H', data, 0)[0] if len(data) >= 2 else 0
        names = {5: 'begin', 7: 'commit', 8: 'rollback', 9: 'save'}
        self.server.transcript.write({'conn': self.id, 'type': 'tm',
                                      'tds': self.tds,
                                      'request': names.get(kind, kind)})
        events = []
        sess = self.session
        if kind == 5:
            sess.begin_transaction()
            events.append(('env', 'begintran', None, None))
        elif kind in (7, 8):
            had = sess.end_transaction(kind == 7)
            if had:
                events.append(('env', 'committran' if kind == 7 else
                               'rollbacktran', None, None))
            # "begin a new transaction" flag follows the name
            r = tds7.Reader(data, 2)
            try:
                if kind == 7:
                    r.b_varchar()
                else:
                    r.b_varchar()
                flag = r.u8() if not r.at_end() else 0
                if flag & 1:
                    r.u8()
                    r.b_varchar()
                    sess.begin_transaction()
                    events.append(('env', 'begintran', None, None))
            except ValueError:
                pass
        events.append(('done', 'done', 0, None, 0))
        self.respond(iter(events))

    # results -------------------------------------------------------------
    def run_language(self, text, variables=None):
        sess = self.session
        m = backend._REPLAY.match(text)
        if m and not sess.rowcount and not sess.fmtonly:
            self.send_replay(int(m.group(1)) if m.group(1) else
                             self.server.opts.replay_rows)
        else:
            self.respond(sess.run_batch(text, variables))

    def send_replay(self, n):
        """The replay rows as one reply packetised once and kept, so that
        sending it costs the server next to nothing."""
        sess = self.session
        key = (self.tds, self.packet_size, self.codec.charset, n,
               bool(sess.trancount))
        cache = self.server.replay_cache
        reply = cache.get(key)
        if reply is None:
            enc = self.proto
            cols = backend.replay_columns()
            samples = [enc.row_encoder(cols, sess)(r)
                       for r in backend.replay_rows()]
            body = bytearray(enc.columns(cols))
            block = b''.join(samples)
            full, rest = divmod(n, len(samples))
            body += block * full
            body += b''.join(samples[:rest])
            body += enc.done(('done', 'done', backend.DONE_COUNT, n,
                              backend.CMD_SELECT), more=False)
            size = self.packet_size - 8
            parts = []
            for pos in range(0, len(body), size):
                chunk = body[pos:pos + size]
                last = pos + size >= len(body)
                parts.append(struct.pack('>BBHHBB', PKT_REPLY,
                                         STATUS_EOM if last else 0,
                                         len(chunk) + 8, 0, 0, 0))
                parts.append(bytes(chunk))
            reply = b''.join(parts)
            cache.clear()
            cache[key] = reply
        view = memoryview(reply)
        step = 65536
        for pos in range(0, len(reply), step):
            self.sock.sendall(view[pos:pos + step])
            self.poll_attention()
        view.release()
        if self.attn_pending:
            # the reply went out whole; the cancel is acknowledged after it
            self.respond(iter(()))

    def respond(self, events):
        """Encodes the events of one request and sends them; stops early and
        acknowledges when an attention arrives."""
        enc = self.proto
        out = bytearray()
        held = None           # the last DONE, sent once we know what follows
        limit = self.packet_size - 8
        sess = self.session
        cancelled = self.attn_pending

        head = struct.pack('>BBHHBB', PKT_REPLY, 0, limit + 8, 0, 0, 0)

        def flush_full():
            # sends every whole packet but the last, so that the final
            # packet of the reply carries data; writes up to 16 packets at
            # a time and stops at an attention
            full = len(out) // limit - 1
            if full <= 0:
                return False
            sent = 0
            stop = False
            try:
                while sent < full and not stop:
                    group = min(16, full - sent)
                    parts = []
                    for k in range(sent, sent + group):
                        parts.append(head)
                        parts.append(out[k * limit:(k + 1) * limit])
                    self.sock.sendall(b''.join(parts))
                    sent += group
                    stop = self.poll_attention()
            finally:
                del out[:sent * limit]
            return stop

        try:
            if not cancelled:
                for ev in events:
                    kind = ev[0]
                    if held is not None:
                        out += enc.done(held, more=True)
                        held = None
                    if kind == 'done':
                        held = ev
                    elif kind == 'rows':
                        cols, rows = ev[1], ev[2]
                        out += enc.columns(cols)
                        row = enc.row_encoder(cols, sess)
                        n = 0
                        for r in rows:
                            out += row(r)
                            n += 1
                            if len(out) >= limit * 17 and flush_full():
                                cancelled = True
                                break
                        if cancelled:
                            break
                    elif kind == 'rowsonly':
                        row = enc.row_encoder(ev[1], sess)
                        for r in ev[2]:
                            out += row(r)
                    elif kind == 'msg':
                        out += enc.message(*ev[1:])
                    elif kind == 'status':
                        out += enc.return_status(ev[1])
                    elif kind == 'retval':
                        out += enc.return_value(*ev[1:])
                    elif kind == 'env':
                        out += enc.env(ev[1], ev[2], ev[3])
                    elif kind == 'raw':
                        out += ev[1]
                    elif kind == 'replay':
                        # rows encoded once, sent again and again
                        cols, samples, count = ev[1], ev[2], ev[3]
                        out += enc.columns(cols)
                        row = enc.row_encoder(cols, sess)
                        encoded = [row(r) for r in samples]
                        block = b''.join(encoded)
                        per = len(encoded)
                        left = count
                        while left > 0:
                            if left >= per:
                                out += block
                                left -= per
                            else:
                                out += b''.join(encoded[:left])
                                left = 0
                            if len(out) >= limit * 17 and flush_full():
                                cancelled = True
                                break
                        if cancelled:
                            break
                    if len(out) >= limit * 17 and flush_full():
                        cancelled = True
                        break
        except backend.SqlError as e:
            if held is not None:
                out += enc.done(held, more=True)
            out += enc.message(e.number, e.severity, e.state, e.text, '', 1)
            held = ('done', 'done', backend.DONE_ERROR, None, 0)
        except (OSError, Closed):
            raise
        except Exception as e:   # a fault of the server: report, go on
            traceback.print_exc()
            if held is not None:
                out += enc.done(held, more=True)
            out += enc.message(50000, 16, 1, 'Test server fault: %s: %s' %
                               (type(e).__name__, e), '', 1)
            held = ('done', 'done', backend.DONE_ERROR, None, 0)
        finally:
            if hasattr(events, 'close'):
                events.close()
        if not cancelled and self.poll_attention():
            cancelled = True
        if cancelled:
            # whatever was encoded is whole tokens: send it, then the
            # acknowledgement
            if held is not None:
                out += enc.done(held, more=True)
            out += enc.done(('done', 'done', 0x20, None, 0), more=False)
            self.attn_pending = False
            if sess is not None:
                sess.cancelled.clear()
        elif held is not None:
            out += enc.done(held, more=False)
        else:
            out += enc.done(('done', 'done', 0, None, 0), more=False)
        self.send_raw(PKT_REPLY, bytes(out))


SPECIAL_PROCS = {1: 'sp_cursor', 2: 'sp_cursoropen', 3: 'sp_cursorprepare',
                 4: 'sp_cursorexecute', 5: 'sp_cursorprepexec',
                 6: 'sp_cursorunprepare', 7: 'sp_cursorfetch',
                 8: 'sp_cursoroption', 9: 'sp_cursorclose',
                 10: 'sp_executesql', 11: 'sp_prepare', 12: 'sp_execute',
                 13: 'sp_prepexec', 14: 'sp_prepexecrpc',
                 15: 'sp_unprepare'}


class Tds7Encoder:
    def __init__(self, conn):
        self.conn = conn

    def columns(self, cols):
        return tds7.col_metadata(cols)

    def row_encoder(self, cols, sess):
        enc = tds7.RowEncoder(cols, self.conn.codec,
                              sess.textsize if sess else 0)
        return enc.row

    def done(self, ev, more):
        _, kind, status, count, cmd = ev
        tok = {'done': tds7.DONE, 'proc': tds7.DONEPROC,
               'inproc': tds7.DONEINPROC}[kind]
        if more:
            status |= tds7.DONE_MORE
        if count is not None and not status & 0x20:
            status |= tds7.DONE_COUNT
        sess = self.conn.session
        if sess is not None and sess.trancount:
            status |= tds7.DONE_INXACT
        return tds7.done(tok, status, cmd, count)

    def message(self, number, severity, state, text, proc, line):
        return tds7.message(number, severity, state, text,
                            self.conn.server.name, proc, line)

    def return_status(self, n):
        return tds7.return_status(n)

    def return_value(self, ordinal, name, t, value):
        return tds7.return_value(ordinal, name, t, value, self.conn.codec)

    def env(self, what, new, old):
        if what == 'database':
            return tds7.env_change(tds7.ENV_DATABASE, new, old)
        desc = struct.pack('<Q', self.conn.id)
        if what == 'begintran':
            return tds7.env_change(tds7.ENV_BEGINTRAN, desc, b'')
        if what == 'committran':
            return tds7.env_change(tds7.ENV_COMMITTRAN, b'', desc)
        if what == 'rollbacktran':
            return tds7.env_change(tds7.ENV_ROLLBACKTRAN, b'', desc)
        return b''


# ---------------------------------------------------------------------------
# the listener

class Server:
    def __init__(self, opts):
        self.opts = opts
        self.name = opts.server_name
        if opts.db:
            path = opts.db
            self.tmpdir = None
        else:
            self.tmpdir = tempfile.mkdtemp(prefix='vxtds')
            path = os.path.join(self.tmpdir, 'vxtest.sqlite')
        self.db = backend.Database(path, opts.database)
        self.transcript = Transcript(opts.transcript)
        self.next_id = 0
        self.lock = threading.Lock()
        self.replay_cache = {}
        if opts.init_sql:
            self.run_script(opts.init_sql)
        if opts.procs:
            self.load_procs(opts.procs)
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.sock.bind((opts.host, opts.port))
        self.sock.listen(16)
        self.port = self.sock.getsockname()[1]

    def run_script(self, path):
        with open(path, encoding='utf-8') as f:
            text = f.read()
        sess = backend.Session(self.db, 'sa', self.db.name)
        try:
            for batch in _split_go(text):
                for ev in sess.run_batch(batch):
                    if ev[0] == 'msg' and ev[2] > 10:
                        raise SystemExit('init script: %s' % ev[4])
                    if ev[0] == 'rows':
                        list(ev[2])
        finally:
            sess.close()

    def load_procs(self, path):
        scope = {'__file__': path}
        with open(path, encoding='utf-8') as f:
            code = compile(f.read(), path, 'exec')
        exec(code, scope)
        for v in scope.get('PROCEDURES', []):
            procs.register(self.db.procedures, v)

    def serve_forever(self):
        while True:
            try:
                s, _ = self.sock.accept()
            except OSError:
                break
            s.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            with self.lock:
                self.next_id += 1
                cid = self.next_id
            c = Connection(self, s, cid)
            t = threading.Thread(target=c.serve, daemon=True)
            t.start()


def _split_go(text):
    batch = []
    for line in text.splitlines():
        if line.strip().upper() == 'GO':
            if ''.join(batch).strip():
                yield '\n'.join(batch)
            batch = []
        else:
            batch.append(line)
    if ''.join(batch).strip():
        yield '\n'.join(batch)


def parse_args(argv=None):
    p = argparse.ArgumentParser(description='TDS 7.4 / 5.0 test server over '
                                'SQLite')
    p.add_argument('--host', default='127.0.0.1')
    p.add_argument('--port', type=int, default=0,
                   help='port to listen on (0: any free port)')
    p.add_argument('--port-file', help='file that receives the port number')
    p.add_argument('--transcript', help='file receiving one JSON record per '
                   'request')
    p.add_argument('--db', help='SQLite database file (default: a new '
                   'temporary one)')
    p.add_argument('--database', default='vxtest',
                   help='name of the database (default vxtest)')
    p.add_argument('--server-name', default='VXTDS')
    p.add_argument('--user', help='only this login name is accepted')
    p.add_argument('--password', help='only this password is accepted')
    p.add_argument('--init-sql', help='Transact-SQL script run at start '
                   '(batches separated by GO lines)')
    p.add_argument('--procs', help='Python file whose PROCEDURES list adds '
                   'stored procedures')
    p.add_argument('--case-sensitive', action='store_true',
                   help='procedure names must match in case')
    p.add_argument('--server-info', action='append', default=[],
                   metavar='NAME=VALUE',
                   help='override an sp_server_info attribute')
    p.add_argument('--max-packet-size', type=int, default=0,
                   help='largest packet size: a TDS 5.0 login asking more is '
                   'refused with message 4024, TDS 7.4 gets this size')
    p.add_argument('--replay-rows', type=int, default=100000,
                   help='default row count of the replay table')
    p.add_argument('--parent-pid', type=int, default=0,
                   help='exit when this process is gone')
    return p.parse_args(argv)


def main(argv=None):
    opts = parse_args(argv)
    server = Server(opts)
    if opts.port_file:
        tmp = opts.port_file + '.tmp'
        with open(tmp, 'w') as f:
            f.write('%d\n' % server.port)
        os.replace(tmp, opts.port_file)
    sys.stdout.write('PORT %d\n' % server.port)
    sys.stdout.flush()
    if opts.parent_pid:
        def watch():
            while True:
                time.sleep(1)
                try:
                    os.kill(opts.parent_pid, 0)
                except OSError:
                    os._exit(0)
        threading.Thread(target=watch, daemon=True).start()
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


# ---------------------------------------------------------------------------
# for tests

def start_server(transcript=None, db=None, args=(), python='/usr/bin/python3',
                 stderr=None, timeout=20):
    """Starts the server as a child process; returns (process, port).
    Stop it with stop_server(process)."""
    cmd = [python, os.path.join(HERE, 'tdsserver.py'), '--parent-pid',
           str(os.getpid())]
    if transcript:
        cmd += ['--transcript', transcript]
    if db:
        cmd += ['--db', db]
    cmd += list(args)
    proc = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=stderr,
                            text=True)
    deadline = time.time() + timeout
    line = ''
    while time.time() < deadline:
        line = proc.stdout.readline()
        if line.startswith('PORT '):
            return proc, int(line.split()[1])
        if not line and proc.poll() is not None:
            break
    proc.kill()
    raise RuntimeError('TDS test server did not start: %r' % line)


def stop_server(proc):
    if proc.poll() is None:
        proc.terminate()
        try:
            proc.wait(5)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
    if proc.stdout:
        proc.stdout.close()


if __name__ == '__main__':
    main()
