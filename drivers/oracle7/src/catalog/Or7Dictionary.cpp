#include "catalog/Or7Dictionary.h"

#include <algorithm>

#include "client/Or7Oci.h"
#include "connect/Or7Connection.h"
#include "statement/Or7Field.h"

namespace {

constexpr unsigned CATALOG_ROWS_PER_FETCH = 128;
constexpr int NUMBER_TEXT_WIDTH = 64;
constexpr int LONG_TEXT_WIDTH = 4000;

struct Or7TextColumn {
    int width = 0;
    std::vector<char> buffer;
    std::vector<short> indicators;
    std::vector<std::uint16_t> lengths;
    std::vector<std::uint16_t> codes;
};

int textWidth(const Or7Describe& item) {
    switch (item.oracleType) {
    case OR7_TYPE_NUMBER:
        return NUMBER_TEXT_WIDTH;
    case OR7_TYPE_LONG:
    case OR7_TYPE_LONG_RAW:
        return LONG_TEXT_WIDTH;
    case OR7_TYPE_DATE:
        return 32;
    case OR7_TYPE_RAW:
        return std::max(item.size, 1) * 2;
    default:
        return item.size > 0 ? item.size : 128;
    }
}

bool isDatabaseLinkGone(int rc) {
    return rc == OR7_DBLINK_GONE || rc == OR7_DBLINK_NAME;
}

} // namespace

std::string Or7Dictionary::quote(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        out.push_back(c);
        if (c == '\'')
            out.push_back('\'');
    }
    out.push_back('\'');
    return out;
}

VxStatus Or7Dictionary::run(const std::string& sql) {
    rows_.clear();
    Or7Cursor cursor;
    if (connection_.openCursor(cursor) != VX_SUCCESS)
        return VX_ERROR;
    int rc = cursor.parse(sql.c_str(), true);
    std::vector<Or7TextColumn> columns;
    for (int position = 1; rc == OR7_OK; ++position) {
        Or7Describe item;
        rc = cursor.describe(position, &item);
        if (rc == OR7_END_OF_LIST || rc == OR7_BAD_POSITION) {
            rc = OR7_OK;
            break;
        }
        if (rc == OR7_OK) {
            Or7TextColumn column;
            column.width = textWidth(item);
            columns.push_back(std::move(column));
        }
    }
    for (std::size_t i = 0; rc == OR7_OK && i < columns.size(); ++i) {
        Or7TextColumn& column = columns[i];
        column.buffer.assign(static_cast<std::size_t>(column.width) * CATALOG_ROWS_PER_FETCH, 0);
        column.indicators.assign(CATALOG_ROWS_PER_FETCH, 0);
        column.lengths.assign(CATALOG_ROWS_PER_FETCH, 0);
        column.codes.assign(CATALOG_ROWS_PER_FETCH, 0);
        rc = cursor.define(static_cast<int>(i + 1), column.buffer.data(), column.width,
                           OR7_EXT_VARCHAR2, column.indicators.data(), column.lengths.data(),
                           column.codes.data());
    }
    std::uint32_t before = 0;
    bool first = true;
    while (rc == OR7_OK) {
        rc = first ? cursor.executeFetch(CATALOG_ROWS_PER_FETCH)
                   : cursor.fetch(CATALOG_ROWS_PER_FETCH);
        first = false;
        if (rc != OR7_OK && rc != OR7_NO_DATA && rc != OR7_TRUNCATED)
            break;
        std::uint32_t processed = cursor.rowsProcessed();
        std::uint32_t got = std::min<std::uint32_t>(processed - before, CATALOG_ROWS_PER_FETCH);
        before = processed;
        for (std::uint32_t row = 0; row < got; ++row) {
            Or7DictionaryRow values;
            for (const Or7TextColumn& column : columns) {
                if (column.indicators[row] == -1) {
                    values.emplace_back();
                    continue;
                }
                std::size_t length = std::min<std::size_t>(column.lengths[row],
                                                           static_cast<std::size_t>(column.width));
                values.emplace_back(std::string(
                    column.buffer.data() + static_cast<std::size_t>(row) * column.width, length));
            }
            rows_.push_back(std::move(values));
        }
        if (rc == OR7_NO_DATA || got < CATALOG_ROWS_PER_FETCH)
            return VX_SUCCESS;
        rc = OR7_OK;
    }
    if (isDatabaseLinkGone(rc)) {
        rows_.clear();
        return VX_SUCCESS;
    }
    return cursor.raise(rc);
}

VxStatus Or7Dictionary::viewPrefix(const std::string& link, std::string* prefix) {
    bool local = link.empty();
    if (local && connection_.hasOr7Flag(Or7Connection::OR7_VIEWS_CHECKED)) {
        *prefix = connection_.hasOr7Flag(Or7Connection::OR7_DBA_VIEWS) ? "sys.dba_" : "sys.all_";
        return VX_SUCCESS;
    }
    Or7Cursor cursor;
    if (connection_.openCursor(cursor) != VX_SUCCESS)
        return VX_ERROR;
    std::string probe = "select 1 from sys.dba_catalog";
    if (!local)
        probe += "@" + link;
    bool dba = cursor.parse(probe.c_str(), false) == OR7_OK;
    if (local) {
        connection_.setOr7Flag(Or7Connection::OR7_VIEWS_CHECKED, true);
        connection_.setOr7Flag(Or7Connection::OR7_DBA_VIEWS, dba);
    }
    *prefix = dba ? "sys.dba_" : "sys.all_";
    return VX_SUCCESS;
}
