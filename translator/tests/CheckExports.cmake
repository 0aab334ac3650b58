# Fails unless the dynamic symbols LIBRARY defines are exactly EXPECTED.
# Usage: cmake -DLIBRARY=<path> -DEXPECTED=<name;name;...> -P CheckExports.cmake
find_program(NM_PROGRAM nm REQUIRED)
execute_process(COMMAND ${NM_PROGRAM} -D --defined-only ${LIBRARY}
    OUTPUT_VARIABLE listing RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REPLACE "\n" ";" lines "${listing}")
set(exported)
foreach(line IN LISTS lines)
    # "<address> <type> <name>[@version]"
    if(line MATCHES "^[0-9a-fA-F]* *[A-Za-z] +([^@ ]+)")
        list(APPEND exported ${CMAKE_MATCH_1})
    endif()
endforeach()
list(SORT exported)
set(wanted ${EXPECTED})
list(SORT wanted)
if(NOT exported STREQUAL wanted)
    message(FATAL_ERROR "${LIBRARY} exports [${exported}], expected [${wanted}]")
endif()
message(STATUS "exports: ${exported}")
