// BaseConnection::getInfo: the answer for one information type, from the
// connection itself, the chain of information tables and the driver's
// hooks, with the rules that tie some answers to others:
//
//   1. SQL_DATA_SOURCE_NAME is the connection's data-source name.
//   2. Without qualifiers (SQL_MAX_QUALIFIER_NAME_LEN 0) the qualifier
//      separator and term are "" and the qualifier usage and location 0;
//      without procedures (SQL_MAX_PROCEDURE_NAME_LEN 0) the procedure term
//      is "" and SQL_PROCEDURES / SQL_ACCESSIBLE_PROCEDURES are "N";
//      without owners (SQL_MAX_OWNER_NAME_LEN 0) the owner term is "" and
//      the owner usage 0; with a blank identifier quote character
//      SQL_QUOTED_IDENTIFIER_CASE is 0.
//   3. SQL_MAX_QUALIFIER_NAME_LEN is 249 with UseLongQualifiers;
//      SQL_SCROLL_CONCURRENCY comes from the driver's tables only (1,
//      read-only, when they have none).
//   4. Otherwise the tables are searched, the driver's first; an ask entry
//      the driver declines leaves the question to the next table.
//   5. A resource entry is the driver's resource text, an ask entry the
//      driver's getAskedForInfo answer, a list entry its texts joined.
//   6. WorkArounds bit 1: SQL_MAX_QUALIFIER_NAME_LEN is 0; bit 8:
//      SQL_ACTIVE_CONNECTIONS 0 is answered as 1.
//   7. Nothing found: SQL_DATABASE_NAME is the connection's database name,
//      SQL_USER_NAME its user id, SQL_MAX_USER_NAME_LEN the owner-name
//      limit; any other type has no answer.
// The driver is asked (getAskedForInfo) only where its table says so: no
// connection flag makes it answer every type.
#include <sqlext.h>

#include <cstdint>
#include <cstring>

#include "base/BaseConnection.h"
#include "base/BaseErrors.h"
#include "base/BaseInfoTable.h"
#include "util/ram.h"

namespace {

constexpr std::uint32_t WA_NO_QUALIFIERS = 1u << 1;
constexpr std::uint32_t WA_ACTIVE_CONNECTIONS = 1u << 8;
constexpr std::uint16_t LONG_QUALIFIER_LENGTH = 249;

void* asValue(std::uintptr_t number) {
    return reinterpret_cast<void*>(number);
}

void* asValue(const char* text) {
    return const_cast<char*>(text ? text : "");
}

bool isNumberKind(BaseInfoValType type) {
    return type == INFO_VAL_U16 || type == INFO_VAL_MASK32 || type == INFO_VAL_U32;
}

// A text made for one answer (owned by the caller).
VxStatus ownedText(const char* text, void** value, bool* owned) {
    char* copy = ramAllocStr(text);
    if (!copy)
        return VX_ERROR;
    *value = copy;
    *owned = true;
    return VX_SUCCESS;
}

VxStatus joinTexts(const char* const* list, void** value, bool* owned) {
    std::size_t length = 0;
    for (const char* const* text = list; text && *text; ++text)
        length += std::strlen(*text);
    char* joined = static_cast<char*>(ramAlloc(length + 1));
    if (!joined)
        return VX_ERROR;
    char* end = joined;
    for (const char* const* text = list; text && *text; ++text) {
        std::size_t part = std::strlen(*text);
        std::memcpy(end, *text, part);
        end += part;
    }
    *end = 0;
    *value = joined;
    *owned = true;
    return VX_SUCCESS;
}

// The kind of rule 2 applies to an information type.
enum class Dependent { NONE, QUALIFIER, PROCEDURE, OWNER, QUOTED_CASE };

Dependent dependentKind(unsigned short infoType) {
    switch (infoType) {
    case SQL_QUALIFIER_NAME_SEPARATOR:
    case SQL_QUALIFIER_TERM:
    case SQL_QUALIFIER_USAGE:
    case SQL_QUALIFIER_LOCATION:
        return Dependent::QUALIFIER;
    case SQL_PROCEDURES:
    case SQL_ACCESSIBLE_PROCEDURES:
    case SQL_PROCEDURE_TERM:
        return Dependent::PROCEDURE;
    case SQL_OWNER_TERM:
    case SQL_OWNER_USAGE:
        return Dependent::OWNER;
    case SQL_QUOTED_IDENTIFIER_CASE:
        return Dependent::QUOTED_CASE;
    default:
        return Dependent::NONE;
    }
}

// The answer of rule 2 when the capability is missing.
void missingCapabilityAnswer(unsigned short infoType, void** value, BaseInfoValType* type) {
    switch (infoType) {
    case SQL_QUALIFIER_NAME_SEPARATOR:
    case SQL_QUALIFIER_TERM:
    case SQL_PROCEDURE_TERM:
    case SQL_OWNER_TERM:
        *type = INFO_VAL_STRING;
        *value = asValue("");
        break;
    case SQL_PROCEDURES:
    case SQL_ACCESSIBLE_PROCEDURES:
        *type = INFO_VAL_STRING;
        *value = asValue("N");
        break;
    case SQL_QUALIFIER_LOCATION:
    case SQL_QUOTED_IDENTIFIER_CASE:
        *type = INFO_VAL_U16;
        *value = asValue(std::uintptr_t{0});
        break;
    default: // the usage masks
        *type = INFO_VAL_MASK32;
        *value = asValue(std::uintptr_t{0});
        break;
    }
}

// An integer answer, or 0 when there is none.
std::uintptr_t numberAnswer(BaseConnection& connection, unsigned short infoType) {
    void* value = nullptr;
    BaseInfoValType type = INFO_VAL_NOT_FOUND;
    bool owned = false;
    if (connection.getInfo(infoType, &value, &type, &owned) != VX_SUCCESS)
        return 0;
    if (owned)
        ramFree(value);
    return isNumberKind(type) ? reinterpret_cast<std::uintptr_t>(value) : 0;
}

// Whether the capability rule 2 looks at is missing.
bool capabilityMissing(BaseConnection& connection, Dependent kind) {
    switch (kind) {
    case Dependent::QUALIFIER:
        return numberAnswer(connection, SQL_MAX_QUALIFIER_NAME_LEN) == 0;
    case Dependent::PROCEDURE:
        return numberAnswer(connection, SQL_MAX_PROCEDURE_NAME_LEN) == 0;
    case Dependent::OWNER:
        return numberAnswer(connection, SQL_MAX_OWNER_NAME_LEN) == 0;
    case Dependent::QUOTED_CASE: {
        void* value = nullptr;
        BaseInfoValType type = INFO_VAL_NOT_FOUND;
        bool owned = false;
        if (connection.getInfo(SQL_IDENTIFIER_QUOTE_CHAR, &value, &type, &owned) != VX_SUCCESS)
            return false;
        bool blank = type == INFO_VAL_STRING && std::strcmp(static_cast<char*>(value), " ") == 0;
        if (owned)
            ramFree(value);
        return blank;
    }
    default:
        return false;
    }
}

// Turns an entry (or a driver's answer of the same shape) into a value:
// resources and lists become owned texts, ask entries ask the driver (a
// driver that declines leaves *type INFO_VAL_NOT_FOUND). Fails only when
// memory runs out.
VxStatus resolveEntry(BaseConnection& connection, unsigned short infoType, BaseInfoValType kind,
                      std::uintptr_t number, const char* text, const char* const* list,
                      void** value, BaseInfoValType* type, bool* owned, bool mayAsk) {
    switch (kind) {
    case INFO_VAL_U16:
    case INFO_VAL_MASK32:
    case INFO_VAL_U32:
        *type = kind;
        *value = asValue(number);
        return VX_SUCCESS;
    case INFO_VAL_STRING:
        *type = INFO_VAL_STRING;
        *value = asValue(text);
        return VX_SUCCESS;
    case INFO_VAL_RESOURCE: {
        char buffer[BASE_RESOURCE_BUFFER];
        buffer[0] = 0;
        connection.getDriverResourceStr(static_cast<unsigned short>(number), buffer, sizeof buffer);
        buffer[sizeof buffer - 1] = 0;
        *type = INFO_VAL_STRING;
        return ownedText(buffer, value, owned);
    }
    case INFO_VAL_STRING_LIST:
        *type = INFO_VAL_STRING;
        return joinTexts(list, value, owned);
    case INFO_VAL_ASK: {
        void* answer = nullptr;
        BaseInfoValType answerKind = INFO_VAL_NOT_FOUND;
        if (!mayAsk || connection.getAskedForInfo(infoType, &answer, &answerKind) != VX_SUCCESS)
            return VX_SUCCESS;
        auto answerNumber = reinterpret_cast<std::uintptr_t>(answer);
        return resolveEntry(connection, infoType, answerKind, answerNumber,
                            static_cast<const char*>(answer),
                            static_cast<const char* const*>(answer), value, type, owned, false);
    }
    default:
        return VX_SUCCESS;
    }
}

// Rule 7: the answers for types no table has.
VxStatus fallbackAnswer(BaseConnection& connection, unsigned short infoType, void** value,
                        BaseInfoValType* type) {
    switch (infoType) {
    case SQL_DATABASE_NAME:
        *type = INFO_VAL_STRING;
        *value = asValue(connection.getDatabaseName());
        return VX_SUCCESS;
    case SQL_USER_NAME:
        *type = INFO_VAL_STRING;
        *value = asValue(connection.getUserId());
        return VX_SUCCESS;
    case SQL_MAX_USER_NAME_LEN:
        *type = INFO_VAL_U16;
        *value = asValue(numberAnswer(connection, SQL_MAX_OWNER_NAME_LEN));
        return VX_SUCCESS;
    default:
        return VX_SUCCESS; // no answer: the type stays INFO_VAL_NOT_FOUND
    }
}

} // namespace

VxStatus BaseConnection::getInfo(unsigned short infoType, void** value, BaseInfoValType* valueType,
                                 bool* owned) {
    *value = nullptr;
    *valueType = INFO_VAL_NOT_FOUND;
    *owned = false;
    if (infoType == SQL_DATA_SOURCE_NAME) {
        *valueType = INFO_VAL_STRING;
        *value = asValue(dataSourceName_);
        return VX_SUCCESS;
    }
    Dependent dependent = dependentKind(infoType);
    if (dependent != Dependent::NONE && capabilityMissing(*this, dependent)) {
        missingCapabilityAnswer(infoType, value, valueType);
        return VX_SUCCESS;
    }
    const BaseInfoTable* stopAt = nullptr;
    if (infoType == SQL_MAX_QUALIFIER_NAME_LEN && hasFlag(CONN_LONG_QUALIFIERS)) {
        *valueType = INFO_VAL_U16;
        *value = asValue(std::uintptr_t{LONG_QUALIFIER_LENGTH});
        stopAt = &getInfoTable();
    } else if (infoType == SQL_SCROLL_CONCURRENCY) {
        stopAt = &baseDefaultInfoTable();
    }
    // The tables in order; an ask entry the driver declines passes the
    // question on to the next table.
    for (const BaseInfoTable* table = &getInfoTable();
         table && table != stopAt && *valueType == INFO_VAL_NOT_FOUND; table = table->getNext()) {
        const BaseInfoEntry* entry = table->findHere(infoType);
        if (entry && resolveEntry(*this, infoType, entry->valueType, entry->number, entry->text,
                                  entry->list, value, valueType, owned, true) != VX_SUCCESS)
            return VX_ERROR;
    }
    if (infoType == SQL_SCROLL_CONCURRENCY && *valueType == INFO_VAL_NOT_FOUND) {
        *valueType = INFO_VAL_MASK32;
        *value = asValue(std::uintptr_t{SQL_SCCO_READ_ONLY});
    }
    if (*valueType == INFO_VAL_NOT_FOUND)
        return fallbackAnswer(*this, infoType, value, valueType);
    std::uint32_t workArounds = getWorkArounds();
    if (infoType == SQL_MAX_QUALIFIER_NAME_LEN && (workArounds & WA_NO_QUALIFIERS))
        *value = asValue(std::uintptr_t{0});
    if (infoType == SQL_ACTIVE_CONNECTIONS && (workArounds & WA_ACTIVE_CONNECTIONS) &&
        reinterpret_cast<std::uintptr_t>(*value) == 0)
        *value = asValue(std::uintptr_t{1});
    return VX_SUCCESS;
}

VxStatus BaseConnection::getInfo(unsigned short infoType, void* value, SQLSMALLINT valueMax) {
    void* answer = nullptr;
    BaseInfoValType type = INFO_VAL_NOT_FOUND;
    bool owned = false;
    if (getInfo(infoType, &answer, &type, &owned) != VX_SUCCESS || type == INFO_VAL_NOT_FOUND)
        return VX_ERROR;
    auto number = reinterpret_cast<std::uintptr_t>(answer);
    switch (type) {
    case INFO_VAL_U16:
    case INFO_VAL_MASK32:
    case INFO_VAL_U32:
        // The buffer's size decides the width, whatever kind the table
        // gave: never past the buffer, never half a value.
        if (valueMax >= static_cast<SQLSMALLINT>(sizeof(SQLUINTEGER)))
            *static_cast<SQLUINTEGER*>(value) = static_cast<SQLUINTEGER>(number);
        else if (valueMax >= static_cast<SQLSMALLINT>(sizeof(SQLUSMALLINT)))
            *static_cast<SQLUSMALLINT*>(value) = static_cast<SQLUSMALLINT>(number);
        break;
    default:
        if (valueMax > 0) {
            const char* text = static_cast<const char*>(answer);
            std::size_t length = std::strlen(text);
            std::size_t room = static_cast<std::size_t>(valueMax) - 1;
            length = length > room ? room : length;
            std::memcpy(value, text, length);
            static_cast<char*>(value)[length] = 0;
        }
        break;
    }
    if (owned)
        ramFree(answer);
    return VX_SUCCESS;
}

VxStatus BaseConnection::setDatabaseName(const char* name) {
    if (!name) {
        databaseName_.unInitialize();
        return VX_SUCCESS;
    }
    return databaseName_.initialize(name);
}

const char* BaseConnection::getDatabaseName() {
    return databaseName_.getText();
}
