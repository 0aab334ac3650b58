list(APPEND UTIL_SOURCES
    src/container/VxArray.cpp
    src/container/VxAssociation.cpp
    src/container/VxDictionary.cpp
    src/container/VxSeqDictionary.cpp
    src/container/VxSet.cpp
    src/container/VxSortedArray.cpp
    src/container/VxSortedArrayU32.cpp
    src/container/VxList.cpp
    src/container/VxObject.cpp
    src/container/VxParamString.cpp
    src/container/VxReplaceString.cpp
    src/container/VxString.cpp
    src/container/VxSubString.cpp)
list(APPEND UTIL_TEST_SOURCES
    tests/container/ArrayTest.cpp
    tests/container/DictionaryTest.cpp
    tests/container/ListTest.cpp
    tests/container/StringTest.cpp)
