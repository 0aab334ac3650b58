list(APPEND UTIL_SOURCES
    src/token/VxScanner.cpp
    src/token/VxValueParser.cpp
    src/token/buttoken.cpp)
list(APPEND UTIL_TEST_SOURCES
    tests/token/ButtokenTest.cpp
    tests/token/ScannerTest.cpp
    tests/token/ValueParserTest.cpp)
