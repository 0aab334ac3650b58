# The result side of statements: describing, binding, fetching, piecewise
# retrieval, cursor names and statement options, and serving catalog
# results.
list(APPEND BASE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/BaseResultSide.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BaseDescribe.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BaseBind.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BaseFetch.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BaseSetPos.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BaseGetData.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BaseCursor.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BaseStmtOptionsApi.cpp)
