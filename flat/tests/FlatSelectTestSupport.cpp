// SELECT fixtures over in-memory tables.
#include "FlatSelectTestSupport.h"

#include <sql.h>
#include <sqlext.h>

#include <cstdio>
#include <cstring>

#include "base/BaseErrors.h"
#include "base/BaseOdbcId.h"

namespace {

std::string valueText(const FlatDataValue& value) {
    if (value.isNull())
        return "NULL";
    char text[64];
    const unsigned char* bytes = value.getBytes();
    switch (value.getStorageType()) {
    case INTERNAL_DOUBLE: {
        double d;
        std::memcpy(&d, bytes, sizeof d);
        std::snprintf(text, sizeof text, "%.15g", d);
        return text;
    }
    case INTERNAL_SLONG: {
        std::int32_t i;
        std::memcpy(&i, bytes, sizeof i);
        return std::to_string(i);
    }
    case INTERNAL_BIT:
        return bytes[0] ? "1" : "0";
    case INTERNAL_DATE: {
        DATE_STRUCT d;
        std::memcpy(&d, bytes, sizeof d);
        std::snprintf(text, sizeof text, "%04d-%02u-%02u", d.year, d.month, d.day);
        return text;
    }
    default:
        return std::string(reinterpret_cast<const char*>(bytes), value.getLength());
    }
}

} // namespace

SelectFixture::SelectFixture() {
    VxErrorKeeper::setErrorList(&errors);
    emp = &tables.add("EMP", {{"ID", SQL_INTEGER, 10, 0, SQL_NO_NULLS},
                              {"NAME", SQL_VARCHAR, 20, 0, SQL_NULLABLE},
                              {"DEPT", SQL_INTEGER, 10, 0, SQL_NULLABLE},
                              {"SALARY", SQL_DOUBLE, 15, 0, SQL_NULLABLE},
                              {"HIRED", SQL_DATE, 10, 0, SQL_NULLABLE},
                              {"BOSS", SQL_INTEGER, 10, 0, SQL_NULLABLE}});
    emp->addRow({FakeValue::integer(1), FakeValue::text("Ann"), FakeValue::integer(10),
                 FakeValue::number(5000), FakeValue::date(1990, 5, 1), FakeValue::nullOf(4)});
    emp->addRow({FakeValue::integer(2), FakeValue::text("Bob"), FakeValue::integer(20),
                 FakeValue::number(3000), FakeValue::date(1995, 7, 15), FakeValue::integer(1)});
    emp->addRow({FakeValue::integer(3), FakeValue::text("Cid"), FakeValue::integer(10),
                 FakeValue::number(3500), FakeValue::date(2001, 1, 2), FakeValue::integer(1)});
    emp->addRow({FakeValue::integer(4), FakeValue::text("Dee"), FakeValue::nullOf(4),
                 FakeValue::nullOf(8), FakeValue::nullOf(9), FakeValue::integer(2)});
    dept = &tables.add("DEPT", {{"ID", SQL_INTEGER, 10, 0, SQL_NO_NULLS},
                                {"NAME", SQL_VARCHAR, 30, 0, SQL_NULLABLE}});
    dept->addRow({FakeValue::integer(10), FakeValue::text("Sales")});
    dept->addRow({FakeValue::integer(20), FakeValue::text("Works")});
    dept->addRow({FakeValue::integer(30), FakeValue::text("Empty")});
    desc.setTableOpener(&tables);
    desc.setParamSource(&params);
}

SelectFixture::~SelectFixture() {
    VxErrorKeeper::giveUpErrorList();
}

std::string SelectFixture::firstError() {
    VxError* first = errors.getErrorAtPos(0);
    if (!first)
        return "E:?";
    const char* state = baseGetSqlState(first->getSqlStateId());
    return "E:" + std::to_string(first->getNumber()) + "/" + (state ? state : "");
}

std::string SelectFixture::parse(const std::string& sql, unsigned mode) {
    errors.deleteNodes();
    if (desc.parseSelect(sql.c_str(), mode) != VX_SUCCESS)
        return firstError();
    return "ok";
}

std::string SelectFixture::currentRow() {
    std::string row;
    for (std::uint16_t c = 1; c <= desc.getNumResultCols(); ++c) {
        FlatDataValue value;
        short sqlType = 0;
        if (desc.getColumnValue(c, &value, &sqlType) != VX_SUCCESS)
            return firstError();
        row += (c > 1 ? "|" : "") + valueText(value);
    }
    return row;
}

std::vector<std::string> SelectFixture::rows() {
    std::vector<std::string> out;
    errors.deleteNodes();
    if (desc.execute() != VX_SUCCESS)
        return {firstError()};
    for (;;) {
        unsigned short atEnd = 0;
        if (desc.getNextRecord(&atEnd) != VX_SUCCESS)
            return {firstError()};
        if (atEnd)
            return out;
        out.push_back(currentRow());
    }
}

FlatMemoryTable& addNumberedTable(FlatMemoryTables& tables, const std::string& name, int count) {
    FlatMemoryTable& table = tables.add(name, {{"ID", SQL_INTEGER, 10, 0, SQL_NO_NULLS},
                                               {"NAME", SQL_VARCHAR, 10, 0, SQL_NULLABLE}});
    for (int i = 1; i <= count; ++i)
        table.addRow({FakeValue::integer(i), FakeValue::text("n" + std::to_string(i))});
    return table;
}
