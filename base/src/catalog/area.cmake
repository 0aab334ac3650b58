# Catalog functions: SQLTables ... SQLGetTypeInfo as catalog objects whose
# rows the statement serves as its result set.
list(APPEND BASE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/BaseCatalogRow.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BaseCatalogName.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BaseCatalogInfo.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BaseTablesInfo.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BaseColumnsInfo.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BaseCatalogKinds.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BaseGetTypesInfo.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BaseCatalogCall.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BaseCatalogApi.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BaseColumnsSearch.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BaseBestRowSearch.cpp)
