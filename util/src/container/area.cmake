list(APPEND UTIL_SOURCES
    src/container/VxList.cpp
    src/container/VxObject.cpp
    src/container/VxParamString.cpp
    src/container/VxString.cpp
    src/container/VxSubString.cpp)
list(APPEND UTIL_TEST_SOURCES)
