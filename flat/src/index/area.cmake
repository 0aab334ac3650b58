# Indexes: key parts, file indexes of table descriptions, in-memory
# indexes over result rows, and index ranges.
list(APPEND FLAT_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/FlatIndex.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatIndexExpr.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatFileIndex.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatInMemIndex.cpp)
list(APPEND FLAT_UNIT_TEST_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/../../tests/FlatIndexTest.cpp)
