// OdbcDriverNumber: the identity of the driver an environment belongs to.
#pragma once

enum OdbcDriverNumber : int {
    ODBC_DRIVER_EXCEL = 6,
    ODBC_DRIVER_INFORMIX = 7,
    ODBC_DRIVER_INGRES = 8,
    ODBC_DRIVER_ORACLE7 = 14,
    ODBC_DRIVER_SQLBASE = 15,
    ODBC_DRIVER_SQLSERVER = 16,
    ODBC_DRIVER_SYBASE = 17,
    ODBC_DRIVER_TEXT = 18,
};
