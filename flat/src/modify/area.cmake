# Data modification: INSERT, UPDATE and DELETE rewritten as a query over its table and
# written through the table's cursor.
list(APPEND FLAT_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/FlatInsertDesc.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatRowChangeDesc.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatUpdateDesc.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatDeleteDesc.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatUseDesc.cpp)
