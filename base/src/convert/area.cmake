# The conversion library: internal value types, calendar helpers, the
# SQL-type/C-type rules and the output and input string descriptors.
list(APPEND BASE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/BaseCalendar.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BaseDecimal.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BaseConvertValue.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BaseConvertNum.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BaseConvertDateTime.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BaseTypeRules.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BaseOutString.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BaseConvertC.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BaseWideText.cpp)

list(APPEND BASE_UNIT_TEST_SOURCES
    ${BASE_SOURCE_DIR}/tests/convert/ConvertMatrixData.cpp
    ${BASE_SOURCE_DIR}/tests/convert/ConvertMatrixTest.cpp
    ${BASE_SOURCE_DIR}/tests/convert/BaseCalendarTest.cpp
    ${BASE_SOURCE_DIR}/tests/convert/BaseConvertTest.cpp
    ${BASE_SOURCE_DIR}/tests/convert/BaseOutStringTest.cpp
    ${BASE_SOURCE_DIR}/tests/convert/BaseWideTextTest.cpp)
