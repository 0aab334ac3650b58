list(APPEND UTIL_SOURCES
    src/os/mds.cpp
    src/os/VxSemaphore.cpp)
list(APPEND UTIL_TEST_SOURCES)
