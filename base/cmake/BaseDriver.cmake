# The framework and every driver reach the ODBC installer (data-source
# entries in ODBC.INI, ConfigDSN) through unixODBC's libodbcinst, never
# through the driver manager's libodbc.
find_library(BASE_ODBCINST_LIBRARY odbcinst REQUIRED)
target_link_libraries(KWBAS08 PRIVATE ${BASE_ODBCINST_LIBRARY})

# base_add_odbc_driver(<target> SOURCES ... [LINKS ...] [EXPORTS_ALSO ...])
# An ODBC driver library lib<target>.so: the driver's own sources, the
# framework's entry points compiled in, linked against the framework and
# the foundation by name (never against the driver manager). It exports the
# ODBC entry points every driver has, the Unicode (W) forms of those that
# take or return text, the ODBC 3 entry points that make unixODBC treat the
# driver as an ODBC 3 driver (and so hand it SQL_C_WCHAR requests unchanged,
# which it narrows itself for an ODBC 2 driver), ConfigDSN and the optional
# entry points named in EXPORTS_ALSO (SQLSetPos, SQLGetFunctions), and
# nothing else.
set(BASE_DRIVER_ENTRY_POINTS
    SQLAllocConnect SQLAllocEnv SQLAllocStmt SQLBindCol SQLBindParameter SQLBrowseConnect
    SQLCancel SQLColAttributes SQLColumnPrivileges SQLColumns SQLConnect SQLDescribeCol
    SQLDisconnect SQLDriverConnect SQLError SQLExecDirect SQLExecute SQLExtendedFetch
    SQLFetch SQLForeignKeys SQLFreeConnect SQLFreeEnv SQLFreeStmt SQLGetConnectOption
    SQLGetCursorName SQLGetData SQLGetInfo SQLGetStmtOption SQLGetTypeInfo SQLMoreResults
    SQLNativeSql SQLNumParams SQLNumResultCols SQLParamData SQLParamOptions SQLPrepare
    SQLPrimaryKeys SQLProcedureColumns SQLProcedures SQLPutData SQLRowCount
    SQLSetConnectOption SQLSetCursorName SQLSetScrollOptions SQLSetStmtOption
    SQLSpecialColumns SQLStatistics SQLTablePrivileges SQLTables SQLTransact ConfigDSN
    SQLBrowseConnectW SQLColAttributesW SQLColumnPrivilegesW SQLColumnsW SQLConnectW
    SQLDescribeColW SQLDriverConnectW SQLErrorW SQLExecDirectW SQLForeignKeysW
    SQLGetConnectOptionW SQLGetCursorNameW SQLGetInfoW SQLGetTypeInfoW SQLNativeSqlW
    SQLPrepareW SQLPrimaryKeysW SQLProcedureColumnsW SQLProceduresW SQLSetConnectOptionW
    SQLSetCursorNameW SQLSpecialColumnsW SQLStatisticsW SQLTablePrivilegesW SQLTablesW
    SQLAllocHandle SQLFreeHandle SQLSetEnvAttr SQLGetEnvAttr SQLSetConnectAttr
    SQLSetConnectAttrW SQLGetConnectAttr SQLGetConnectAttrW SQLSetStmtAttr SQLSetStmtAttrW
    SQLGetStmtAttr SQLGetStmtAttrW SQLFetchScroll SQLCloseCursor SQLEndTran SQLColAttribute
    SQLColAttributeW
    CACHE INTERNAL "Symbols every driver library exports")

function(base_add_odbc_driver target)
    cmake_parse_arguments(ARG "" "" "SOURCES;LINKS;EXPORTS_ALSO" ${ARGN})
    set(exports ${BASE_DRIVER_ENTRY_POINTS} ${ARG_EXPORTS_ALSO})
    list(SORT exports)
    set(script "{\n  global:\n")
    foreach(symbol IN LISTS exports)
        string(APPEND script "    ${symbol};\n")
    endforeach()
    string(APPEND script "  local:\n    *;\n};\n")
    set(map ${CMAKE_CURRENT_BINARY_DIR}/${target}.map)
    file(GENERATE OUTPUT ${map} CONTENT "${script}")

    vx_add_library(${target} SOURCES ${ARG_SOURCES} $<TARGET_OBJECTS:KWBAS08_entry>
        LINKS KWBAS08 kwutl08 ${BASE_ODBCINST_LIBRARY} ${ARG_LINKS})
    target_include_directories(${target} PRIVATE ${BASE_SOURCE_DIR}/include)
    target_link_options(${target} PRIVATE -Wl,--version-script=${map})
    set_target_properties(${target} PROPERTIES LINK_DEPENDS ${map}
        BASE_EXPORTED_SYMBOLS "${exports}")
    # Every driver is installed and registered with the driver manager
    # (cmake/VxInstall.cmake).
    set_property(GLOBAL APPEND PROPERTY BASE_ODBC_DRIVERS ${target})
endfunction()

# base_add_export_test(<test name> <driver target> [LABELS ...])
# A ctest that fails unless the driver's dynamic symbol table defines
# exactly the symbols the driver was built to export.
function(base_add_export_test name target)
    get_target_property(exports ${target} BASE_EXPORTED_SYMBOLS)
    add_test(NAME ${name}
        COMMAND ${CMAKE_COMMAND} -DLIBRARY=$<TARGET_FILE:${target}> "-DEXPECTED=${exports}"
            -P ${BASE_SOURCE_DIR}/cmake/CheckDriverExports.cmake)
    set_tests_properties(${name} PROPERTIES LABELS "${ARGN}")
endfunction()
