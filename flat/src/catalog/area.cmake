# Catalog descriptors: SQLTables, SQLColumns, SQLStatistics,
# SQLSpecialColumns and SQLPrimaryKeys over the table files.
list(APPEND FLAT_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/FlatCatalogDesc.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatColumnDesc.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatPrimaryDesc.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatBestRowDesc.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatStatisticsDesc.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatTableDesc.cpp)
list(APPEND FLAT_UNIT_TEST_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/../../tests/FlatCatalogTest.cpp)
