# Sorting of fixed-length records, in memory and through merged runs.
list(APPEND UTIL_SOURCES
    src/sort/VxSort.cpp
    src/sort/VxSortMerge.cpp
    src/sort/VxSortQuick.cpp)
list(APPEND UTIL_TEST_SOURCES
    tests/sort/SortTest.cpp)
