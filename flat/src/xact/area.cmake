# Manual-commit transactions: the changes log and the cursor that reads
# through it.
list(APPEND FLAT_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/FlatChangesFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatChangesIndex.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatXactCursor.cpp)
