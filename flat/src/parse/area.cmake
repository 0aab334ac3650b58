# The SQL parser: tokens, the operator table, the expression compiler and
# the SELECT statement's structure and tree.
list(APPEND FLAT_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/FlatConjuncts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatExprCompiler.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatExprFunctions.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatExprOperands.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatParamList.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatParseTable.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatSelectBuild.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatSelectParser.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatSelectScope.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatSelectSort.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatSqlLexer.cpp)
list(APPEND FLAT_UNIT_TEST_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/../../tests/FlatExprCompileTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../../tests/FlatMemoryTable.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../../tests/FlatParseFuzzTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../../tests/FlatSelectTestSupport.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../../tests/FlatSelectParseTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../../tests/FlatSelectExecTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../../tests/FlatSelectStatementTest.cpp)
