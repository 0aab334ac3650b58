list(APPEND UTIL_SOURCES
    src/os/bosProfileSupport.cpp
    src/profile/VxIniDocument.cpp
    src/profile/VxProfileFile.cpp
    src/profile/VxProfile.cpp
    src/profile/VxIni.cpp
    src/profile/VxFileByLine.cpp
    src/profile/VxTrace.cpp
    src/profile/VxSharedFile.cpp
    src/profile/VxQueryFile.cpp
    src/profile/VxQueryFileIo.cpp)
list(APPEND UTIL_TEST_SOURCES
    tests/profile/IniTest.cpp
    tests/profile/ProfileMappingTest.cpp
    tests/profile/FileByLineTest.cpp
    tests/profile/TraceTest.cpp
    tests/profile/SharedFileTest.cpp
    tests/profile/QueryFileTest.cpp)
