list(APPEND UTIL_SOURCES
    src/mem/ram.cpp)
list(APPEND UTIL_TEST_SOURCES
    tests/mem/RamTest.cpp)
