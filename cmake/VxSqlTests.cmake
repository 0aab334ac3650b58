# SQL test scripts run by vxsqltest through the ODBC driver manager.
#
# vx_add_sql_tests(LABEL <library> CONNECT <connection string>
#                  SCRIPTS <script>...
#                  [SET <NAME=VALUE>...] [ENVIRONMENT <NAME=VALUE>...]
#                  [ODBC_VERSION 2|3] [VARIANT <name>])
#
# Registers one ctest per script, named "<library>.sql.<script name without
# extension>" and labelled "<library>;sql". Before each run the script gets a
# fresh, empty directory in the build tree, passed to the runner as the
# variable TEST_DIR; a setup test "<name>.fresh" empties it. The connection
# string and the scripts may use ${TEST_DIR}, ${SCRIPT_DIR}, the SET variables
# and environment variables; in CMake write them as \${NAME} so that CMake
# leaves them to the runner. ENVIRONMENT entries (ODBCSYSINI, ODBCINI, ...)
# are set for the run, after VX_CONFIG_DIR and TMPDIR, which point into the
# build tree as for unit tests. VARIANT runs the same scripts once more
# under other settings: the tests are then named "<library>.sql.<variant>.<script>".
#
#   vx_add_sql_tests(LABEL text
#       CONNECT "DRIVER=\${DRIVER_LIB};DBQ=\${TEST_DIR}"
#       SET DRIVER_LIB=$<TARGET_FILE:KWTXT08>
#       SCRIPTS tests/sql/select.test tests/sql/create.test
#       ENVIRONMENT ODBCSYSINI=${CMAKE_BINARY_DIR}/test-config)
include_guard(GLOBAL)

# Run as "cmake -DVX_SQLTEST_FRESH_DIR=<dir> -P VxSqlTests.cmake": empties dir.
if(CMAKE_SCRIPT_MODE_FILE)
    if(DEFINED VX_SQLTEST_FRESH_DIR)
        file(REMOVE_RECURSE "${VX_SQLTEST_FRESH_DIR}")
        file(MAKE_DIRECTORY "${VX_SQLTEST_FRESH_DIR}")
    endif()
    return()
endif()

function(vx_add_sql_tests)
    cmake_parse_arguments(PARSE_ARGV 0 ARG "" "LABEL;CONNECT;ODBC_VERSION;VARIANT"
                          "SCRIPTS;SET;ENVIRONMENT")
    if(NOT ARG_LABEL OR NOT DEFINED ARG_CONNECT OR NOT ARG_SCRIPTS)
        message(FATAL_ERROR "vx_add_sql_tests needs LABEL, CONNECT and SCRIPTS")
    endif()
    if(NOT ARG_ODBC_VERSION)
        set(ARG_ODBC_VERSION 2)
    endif()
    set(options --odbc-version ${ARG_ODBC_VERSION})
    foreach(assignment IN LISTS ARG_SET)
        list(APPEND options --set "${assignment}")
    endforeach()
    set(environment "VX_CONFIG_DIR=${CMAKE_BINARY_DIR}/test-config"
                    "TMPDIR=${CMAKE_BINARY_DIR}/test-tmp" ${ARG_ENVIRONMENT})
    foreach(script IN LISTS ARG_SCRIPTS)
        get_filename_component(path "${script}" ABSOLUTE)
        get_filename_component(stem "${script}" NAME_WE)
        if(ARG_VARIANT)
            set(stem "${ARG_VARIANT}.${stem}")
        endif()
        set(name "${ARG_LABEL}.sql.${stem}")
        set(dir "${CMAKE_CURRENT_BINARY_DIR}/sqltest/${stem}")
        add_test(NAME ${name}.fresh
                 COMMAND ${CMAKE_COMMAND} -DVX_SQLTEST_FRESH_DIR=${dir}
                         -P ${CMAKE_CURRENT_FUNCTION_LIST_FILE})
        set_tests_properties(${name}.fresh PROPERTIES
            FIXTURES_SETUP ${name}.dir LABELS "${ARG_LABEL};sql")
        add_test(NAME ${name}
                 COMMAND vxsqltest --connect "${ARG_CONNECT}" --set TEST_DIR=${dir}
                         ${options} ${path})
        set_tests_properties(${name} PROPERTIES
            FIXTURES_REQUIRED ${name}.dir
            LABELS "${ARG_LABEL};sql"
            ENVIRONMENT "${environment}")
    endforeach()
endfunction()
