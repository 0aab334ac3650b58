# Temporary stores, the file block cache and the B-trees kept in a store.
list(APPEND UTIL_SOURCES
    src/store/VxPTree.cpp
    src/store/bvm.cpp
    src/store/VxTmpFile.cpp
    src/store/VxTree.cpp
    src/store/VxTreeNode.cpp)
list(APPEND UTIL_TEST_SOURCES
    tests/store/TmpFileTest.cpp
    tests/store/TreeTest.cpp)
