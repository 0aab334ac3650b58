# Planning: cost estimates, execution profiles and selectivities.
list(APPEND FLAT_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/FlatInMemLookUp.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatOptPlan.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatPlanner.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatQueryCost.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlatResultSetCost.cpp)
list(APPEND FLAT_UNIT_TEST_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/../../tests/FlatQueryCostTest.cpp)
