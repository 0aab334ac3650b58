"""The TDS test server for the SQL Server driver's client tests: one server
per protocol (TDS 7.4 and TDS 5.0), FreeTDS configured by a freetds.conf of
the test's own (FREETDSCONF) and TDSVER."""
import atexit
import os
import shutil
import sys
import tempfile

import pyodbc
import pytest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tdsserver"))
import tdsserver  # noqa: E402

DRIVER = os.environ["KWSS08_PATH"]
WORK = tempfile.mkdtemp(prefix="vxss", dir=os.environ.get("KWSS08_TMP"))
atexit.register(shutil.rmtree, WORK, True)


class Server:
    def __init__(self, version, args=()):
        self.version = version
        self.transcript = tempfile.mktemp(prefix="transcript-%s-" % version, suffix=".jsonl",
                                          dir=WORK)
        self.process, self.port = tdsserver.start_server(transcript=self.transcript,
                                                         args=list(args))

    def use(self):
        """Points FreeTDS at this server's protocol."""
        conf = os.path.join(WORK, "freetds.conf")
        with open(conf, "w") as f:
            f.write("[global]\n\ttds version = %s\n\tclient charset = UTF-8\n" % self.version)
        os.environ["FREETDSCONF"] = conf
        os.environ["TDSVER"] = self.version

    def connection_string(self, rest=""):
        return "DRIVER=%s;Server=127.0.0.1;Port=%d;UID=sa;PWD=secret;%s" % (DRIVER, self.port,
                                                                           rest)

    def connect(self, rest="", **options):
        self.use()
        options.setdefault("autocommit", True)
        return pyodbc.connect(self.connection_string(rest), **options)

    def records(self):
        return tdsserver.read_transcript(self.transcript)

    def mark(self):
        return len(self.records())

    def since(self, mark, kind="batch"):
        """The requests of `kind` after `mark`: batch texts, or rpc records."""
        records = self.records()[mark:]
        if kind == "batch":
            return [r["sql"] for r in records if r.get("type") == "batch"]
        return [r for r in records if r.get("type") == kind]

    def stop(self):
        tdsserver.stop_server(self.process)


@pytest.fixture(scope="module", params=["7.4", "5.0"])
def server(request):
    s = Server(request.param)
    yield s
    s.stop()
