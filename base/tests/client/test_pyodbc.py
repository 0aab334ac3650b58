"""The test driver under pyodbc, an ODBC 3 application: the driver manager
maps the driver's ODBC 2 SQLSTATEs to ODBC 3 ones on the way."""
import os

import pyodbc
import pytest

DRIVER = os.environ["KWTST08_PATH"]
PREFIX = "[BRELLMONT][ODBC Test driver]"


def connect(rest, **options):
    return pyodbc.connect("DRIVER=%s;%s" % (DRIVER, rest), **options)


def sqlstate(error):
    return error.value.args[0]


def test_connect_by_data_source_name_and_by_driver():
    for text in ("DSN=tstdsn", "DRIVER=%s;DB=main" % DRIVER):
        connection = pyodbc.connect(text, autocommit=True)
        connection.cursor().close()
        connection.close()


def test_manual_commit_connection_commits_and_rolls_back():
    connection = connect("DB=main")
    cursor = connection.cursor()
    with pytest.raises(pyodbc.Error):
        cursor.execute("error 61")
    connection.commit()
    connection.rollback()
    connection.close()


@pytest.mark.parametrize("command, state, text", [
    ("error 61", "HY000", "General error."),
    ("error 68", "HY010", "Function sequence error."),
    ("error 13 6012; param 2", "07001", "Value has not been specified for parameter 2."),
    ("error 94", "HYC00", "Driver not capable."),
])
def test_errors_arrive_with_odbc3_sqlstates(command, state, text):
    connection = connect("DB=main", autocommit=True)
    cursor = connection.cursor()
    with pytest.raises(pyodbc.Error) as error:
        cursor.execute(command)
    assert sqlstate(error) == state
    assert PREFIX + text in str(error.value)
    connection.close()


def test_failed_logon_reports_the_data_source_message():
    with pytest.raises(pyodbc.Error) as error:
        connect("DB=fail", autocommit=True)
    assert sqlstate(error) == "08001"
    assert PREFIX + "[Test]Cannot open database fail" in str(error.value)


def test_missing_translation_library():
    with pytest.raises(pyodbc.Error) as error:
        pyodbc.connect("DSN=badtrn", autocommit=True)
    assert sqlstate(error) == "IM009"
