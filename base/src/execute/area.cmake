# Preparation, execution and parameters: SQLPrepare, SQLExecute,
# SQLExecDirect, SQLNativeSql, parameter binding, data at execution,
# substitution of values into the text and positioned statements.
list(APPEND BASE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/BaseCurrentOf.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BaseDataAtExec.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BaseExecute.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BaseNativeSql.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BaseParamBind.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BasePrepare.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BaseSubstitute.cpp)
