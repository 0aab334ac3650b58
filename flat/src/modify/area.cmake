# Data modification: INSERT rewritten as a query over its table and
# written through the table's cursor.
list(APPEND FLAT_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/FlatInsertDesc.cpp)
