list(APPEND UTIL_SOURCES
    src/text/but.cpp
    src/text/str.cpp
    src/text/strCompare.cpp
    src/text/strLike.cpp
    src/text/convert.cpp
    src/text/hexify.cpp
    src/text/dialogText.cpp
    src/text/utf8.cpp)
list(APPEND UTIL_TEST_SOURCES
    tests/text/ConvertTest.cpp
    tests/text/StrTest.cpp)
