# Driver information: the chained SQLGetInfo tables with the framework's
# defaults, the connection's answers, SQLGetInfo and SQLGetFunctions.
list(APPEND BASE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/BaseInfoTable.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BaseConnectionInfo.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BaseGetInfo.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BaseGetFunctions.cpp)
