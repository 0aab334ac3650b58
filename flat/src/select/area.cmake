# Result-set operators and the SELECT descriptor.
list(APPEND FLAT_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/FlatGroupBy.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatJoin.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatKeyTable.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatOrderBy.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatOrdinalResultSet.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatProjection.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatRandomFetch.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatResultSet.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatResultSetColumn.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatRowFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatSelectDesc.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatSelectRowOps.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatSortKeys.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatTableAccess.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatUnionAll.cpp)
list(APPEND FLAT_UNIT_TEST_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/../../tests/FlatSortSpillTest.cpp)
