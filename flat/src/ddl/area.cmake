# Data definition: CREATE TABLE with its type-name parser, and DROP TABLE.
# The engine reads and checks the statements; the drivers write the files.
list(APPEND FLAT_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/FlatCreateDesc.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatDataTypeParser.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatDropTableDesc.cpp)
list(APPEND FLAT_UNIT_TEST_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/../../tests/FlatDataTypeParserTest.cpp)
