# Table cursors and shared table descriptions.
list(APPEND FLAT_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/FlatCursor.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatFileCursor.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatSharedDesc.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatSharedDescLocks.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatSharedField.cpp)
list(APPEND FLAT_UNIT_TEST_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/../../tests/FlatSharedDescTest.cpp)
