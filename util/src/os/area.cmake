list(APPEND UTIL_SOURCES
    src/os/mds.cpp
    src/os/VxSemaphore.cpp
    src/os/BosName.cpp
    src/os/BosFile.cpp
    src/os/BosSystemCalls.cpp
    src/os/BosPath.cpp
    src/os/BosDirectory.cpp
    src/os/BosSystem.cpp
    src/os/VxSemaphoreInfo.cpp
    src/os/VxCharset.cpp)
list(APPEND UTIL_TEST_SOURCES
    tests/os/BosFileTest.cpp
    tests/os/BosPathTest.cpp
    tests/os/SemaphoreTest.cpp
    tests/os/CharsetTest.cpp)
