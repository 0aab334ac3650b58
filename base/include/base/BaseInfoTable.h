// BaseInfoTable: a table of SQLGetInfo answers, searched by information
// type, with a link to the next table of the chain.
//
// A connection answers an information type from a chain of tables: the
// driver's own table(s) first, then the framework's default table
// (baseDefaultInfoTable), whose link ends the chain. A driver installs its
// table with BaseConnection::setInfoTable; the table is not copied and must
// outlive the connection (a static table is the usual choice).
//
//     const BaseInfoEntry MY_INFO[] = {
//         BaseInfoEntry::ofText(SQL_DBMS_NAME, "Text"),
//         BaseInfoEntry::ofNumber(SQL_MAX_TABLE_NAME_LEN, INFO_VAL_U16, 64),
//         BaseInfoEntry::ask(SQL_TXN_CAPABLE),
//     };
//     static BaseInfoTable myTable(MY_INFO, 3);
//     connection.setInfoTable(&myTable);
//
// An entry's value by kind:
//   INFO_VAL_U16, INFO_VAL_MASK32, INFO_VAL_U32   `number`
//   INFO_VAL_STRING                              `text` (NUL-terminated)
//   INFO_VAL_RESOURCE                            `number`: the id of a
//                                                driver string resource
//   INFO_VAL_ASK                                 nothing: the driver's
//                                                getAskedForInfo answers
//   INFO_VAL_STRING_LIST                         `list`: texts ending with
//                                                a null pointer, answered
//                                                concatenated
// Entries are kept in ascending order of information type; a table given
// out of order is still searched correctly (linearly).
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/BaseInfoValType.h"
#include "util/VxExport.h"
#include "util/VxStatus.h"

struct BaseInfoEntry {
    std::uint16_t infoType;
    BaseInfoValType valueType;
    std::uint32_t number;
    const char* text;
    const char* const* list;

    static constexpr BaseInfoEntry ofNumber(std::uint16_t type, BaseInfoValType kind,
                                            std::uint32_t value) {
        return {type, kind, value, nullptr, nullptr};
    }
    static constexpr BaseInfoEntry ofText(std::uint16_t type, const char* value) {
        return {type, INFO_VAL_STRING, 0, value, nullptr};
    }
    static constexpr BaseInfoEntry resource(std::uint16_t type, std::uint16_t id) {
        return {type, INFO_VAL_RESOURCE, id, nullptr, nullptr};
    }
    static constexpr BaseInfoEntry ask(std::uint16_t type) {
        return {type, INFO_VAL_ASK, 0, nullptr, nullptr};
    }
    static constexpr BaseInfoEntry texts(std::uint16_t type, const char* const* values) {
        return {type, INFO_VAL_STRING_LIST, 0, nullptr, values};
    }
};

class VX_EXPORT BaseInfoTable {
public:
    // `entries` (not copied) holds `count` entries; `next` is the table
    // searched after this one, the framework's defaults unless given.
    BaseInfoTable(const BaseInfoEntry* entries, std::size_t count);
    BaseInfoTable(const BaseInfoEntry* entries, std::size_t count, const BaseInfoTable* next);

    // This table's entry for `infoType`, or null (the chain is not searched).
    const BaseInfoEntry* findHere(std::uint16_t infoType) const;
    // The first entry for `infoType` along the chain from this table, or
    // null. With `stopAt`, the search ends before that table.
    const BaseInfoEntry* find(std::uint16_t infoType, const BaseInfoTable* stopAt = nullptr) const;

    const BaseInfoTable* getNext() const { return next_; }
    std::size_t getCount() const { return count_; }
    const BaseInfoEntry* getEntries() const { return entries_; }
    bool isSorted() const { return sorted_; }

private:
    const BaseInfoEntry* entries_;
    std::size_t count_;
    const BaseInfoTable* next_;
    bool sorted_;
};

// The framework's default answers, the last table of every chain.
VX_EXPORT const BaseInfoTable& baseDefaultInfoTable();

// The kind of value `infoType` has: the kind its default entry has, or,
// for the types every driver answers itself (16, 18, 47 text; 26, 49-52,
// 72 32-bit; 30, 35, 107 16-bit), the kind it must have. Fails, leaving
// INFO_VAL_NOT_FOUND, for a type the framework does not know.
VX_EXPORT VxStatus findInfoType(std::uint16_t infoType, BaseInfoValType* valueType);

// The ODBC 2 information type an ODBC 3 application's request is answered
// as: the type itself for the types ODBC 2 knows, the older type for the
// renamed ones (SQL_OJ_CAPABILITIES 115 is 65003), 0xFFFF for a type with
// no ODBC 2 equivalent. `derived` is set for the ODBC 3 types that the
// connection computes from other answers (10002, 10003).
VX_EXPORT std::uint16_t baseOdbc2InfoType(std::uint16_t infoType, bool* derived);

// True for the information types of ODBC 2 (0-114, 1011-1027, 65002,
// 65003), which SQLGetInfo answers or refuses with S1C00.
VX_EXPORT bool baseIsOdbc2InfoType(std::uint16_t infoType);
