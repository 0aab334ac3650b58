# The flat connection and statement: attributes, options, escapes, the
# list of shared descriptions, preparation and forwarding, parameters.
list(APPEND FLAT_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/FlatConnection.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatConnectOptions.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatConnectionOptions.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatDescriptor.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatEscape.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatParam.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatSharedDescList.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatStatement.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatStatementCatalog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatStatementOptions.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatStatementParams.cpp)
list(APPEND FLAT_UNIT_TEST_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/../../tests/FlatConnTestSupport.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../../tests/FlatFakeTable.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../../tests/FlatConnectionTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../../tests/FlatStatementTest.cpp)
