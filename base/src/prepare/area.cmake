# Statement text and ODBC escape clauses: BaseSqlString, the escape
# processor and the helpers drivers use to expand escapes.
list(APPEND BASE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/BaseDefaultEscapeHost.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BaseEscapeArgument.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BaseEscapeProcessor.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BaseEscapeTypes.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BaseOuterJoin.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BaseOuterJoinMark.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BaseSqlScan.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BaseSqlString.cpp)

set(BASE_PREPARE_TEST_DIR ${CMAKE_CURRENT_LIST_DIR}/../../tests/prepare)
list(APPEND BASE_UNIT_TEST_SOURCES
    ${BASE_PREPARE_TEST_DIR}/BaseEscapeTest.cpp
    ${BASE_PREPARE_TEST_DIR}/BaseSqlStringTest.cpp
    ${BASE_PREPARE_TEST_DIR}/EscapeFuzzTest.cpp)
