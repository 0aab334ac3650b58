// BaseTypeInfo: one row of a driver's type table, the data types its data
// source offers, as SQLGetTypeInfo answers them.
//
// A driver keeps its type table as a static array and answers its
// getTypeInfo hook by handing the array to BaseGetTypesInfo::addTypes,
// which builds the rows (leaving out the types not asked for):
//
//     const BaseTypeInfo MY_TYPES[] = {
//         {"VARCHAR", SQL_VARCHAR, 254, "'", "'", BASE_CREATE_MAX_LENGTH, SQL_NULLABLE,
//          SQL_TRUE, SQL_SEARCHABLE, BASE_TYPE_NULL, SQL_FALSE, BASE_TYPE_NULL, nullptr,
//          BASE_TYPE_NULL, BASE_TYPE_NULL},
//     };
//     VxStatus MyStatement::getTypeInfo(short) {
//         return BaseGetTypesInfo::of(*this)->addTypes(MY_TYPES, 1);
//     }
//
// CREATE_PARAMS is named by the number of a driver string resource
// (20108 "length", 20109 "max length", 20110 "precision", 20111
// "precision,scale"), so that it reads in the driver's language; 0, or a
// resource the driver lacks, leaves it NULL. A null text and BASE_TYPE_NULL
// leave their cell NULL.
#pragma once

#include <cstdint>

// A number cell that is NULL (UNSIGNED_ATTRIBUTE of a type that is not
// numeric, the scales of a type without scale).
constexpr std::int32_t BASE_TYPE_NULL = INT32_MIN;

// The driver string resources that name creation parameters.
constexpr std::uint16_t BASE_CREATE_LENGTH = 20108;
constexpr std::uint16_t BASE_CREATE_MAX_LENGTH = 20109;
constexpr std::uint16_t BASE_CREATE_PRECISION = 20110;
constexpr std::uint16_t BASE_CREATE_PRECISION_SCALE = 20111;

struct BaseTypeInfo {
    const char* typeName;           // TYPE_NAME
    short dataType;                 // DATA_TYPE, an ODBC 2 SQL type
    std::int32_t precision;         // PRECISION: the largest column size
    const char* literalPrefix;      // LITERAL_PREFIX (null: NULL)
    const char* literalSuffix;      // LITERAL_SUFFIX (null: NULL)
    std::uint16_t createParams;     // CREATE_PARAMS resource (0: NULL)
    short nullable;                 // NULLABLE
    short caseSensitive;            // CASE_SENSITIVE
    short searchable;               // SEARCHABLE
    std::int32_t unsignedAttribute; // UNSIGNED_ATTRIBUTE
    short money;                    // MONEY
    std::int32_t autoIncrement;     // AUTO_INCREMENT
    const char* localTypeName;      // LOCAL_TYPE_NAME (null: NULL)
    std::int32_t minimumScale;      // MINIMUM_SCALE
    std::int32_t maximumScale;      // MAXIMUM_SCALE
};
