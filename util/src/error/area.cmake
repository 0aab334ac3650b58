list(APPEND UTIL_SOURCES
    src/error/utlMessages.cpp
    src/error/VxError.cpp
    src/error/VxErrorKeeper.cpp
    src/error/VxErrorList.cpp
    src/error/VxMessageTable.cpp)
list(APPEND UTIL_TEST_SOURCES
    tests/error/ErrorListTest.cpp
    tests/error/ParamStringTest.cpp)
