# Helpers shared by every library folder.

# vx_add_library(<target> SOURCES ... [LINKS ...])
# A shared library named lib<target>.so in build/lib, with its public headers
# under <folder>/include and its private ones under <folder>/src.
function(vx_add_library target)
    cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
    add_library(${target} SHARED ${ARG_SOURCES})
    target_include_directories(${target}
        PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include
        PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src)
    target_link_libraries(${target} PUBLIC ${ARG_LINKS})
    target_link_options(${target} PRIVATE -Wl,-Bsymbolic -Wl,--no-undefined)
endfunction()

# vx_add_unit_test(<target> LABEL <library> SOURCES ... LINKS ...)
# A GoogleTest program run by ctest as one test, labelled with the library
# and "unit". Tests keep settings and temporary files inside the build tree.
function(vx_add_unit_test target)
    cmake_parse_arguments(ARG "" "LABEL" "SOURCES;LINKS" ${ARGN})
    add_executable(${target} ${ARG_SOURCES})
    target_link_libraries(${target} PRIVATE ${ARG_LINKS} GTest::gtest GTest::gtest_main)
    add_test(NAME ${target} COMMAND ${target} --gtest_brief=1)
    set_tests_properties(${target} PROPERTIES
        LABELS "${ARG_LABEL};unit"
        ENVIRONMENT "VX_CONFIG_DIR=${CMAKE_BINARY_DIR}/test-config;TMPDIR=${CMAKE_BINARY_DIR}/test-tmp")
endfunction()
