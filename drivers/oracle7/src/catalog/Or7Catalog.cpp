// The catalog functions of Or7Statement: queries on the data dictionary
// (Or7Dictionary.h), their rows turned into the catalog results of the
// framework. Name patterns go to the dictionary as LIKE patterns with the
// backslash as escape character; a qualifier names a database link, whose
// views are queried through it.
#include <sqlext.h>

#include <cstdlib>
#include <map>
#include <string>
#include <utility>

#include "base/BaseCatalogInfo.h"
#include "base/BaseTypeInfo.h"
#include "catalog/Or7Dictionary.h"
#include "connect/Or7Connection.h"
#include "statement/Or7Field.h"
#include "statement/Or7Statement.h"

namespace {

const BaseTypeInfo OR7_TYPES[] = {
    {"CHAR", SQL_CHAR, 255, "'", "'", BASE_CREATE_LENGTH, SQL_NULLABLE, SQL_TRUE, SQL_SEARCHABLE,
     BASE_TYPE_NULL, SQL_FALSE, BASE_TYPE_NULL, nullptr, BASE_TYPE_NULL, BASE_TYPE_NULL},
    {"NUMBER", SQL_DECIMAL, 38, nullptr, nullptr, BASE_CREATE_PRECISION_SCALE, SQL_NULLABLE,
     SQL_FALSE, SQL_ALL_EXCEPT_LIKE, SQL_FALSE, SQL_FALSE, SQL_FALSE, nullptr, -84, 127},
    {"NUMBER", SQL_DOUBLE, 15, nullptr, nullptr, 0, SQL_NULLABLE, SQL_FALSE, SQL_ALL_EXCEPT_LIKE,
     SQL_FALSE, SQL_FALSE, SQL_FALSE, nullptr, BASE_TYPE_NULL, BASE_TYPE_NULL},
    {"VARCHAR2", SQL_VARCHAR, 2000, "'", "'", BASE_CREATE_MAX_LENGTH, SQL_NULLABLE, SQL_TRUE,
     SQL_SEARCHABLE, BASE_TYPE_NULL, SQL_FALSE, BASE_TYPE_NULL, nullptr, BASE_TYPE_NULL,
     BASE_TYPE_NULL},
    {"DATE", SQL_TIMESTAMP, 19, "'", "'", 0, SQL_NULLABLE, SQL_FALSE, SQL_ALL_EXCEPT_LIKE,
     BASE_TYPE_NULL, SQL_FALSE, BASE_TYPE_NULL, nullptr, 0, 0},
    {"RAW", SQL_VARBINARY, 255, "'", "'", BASE_CREATE_MAX_LENGTH, SQL_NULLABLE, SQL_FALSE,
     SQL_ALL_EXCEPT_LIKE, BASE_TYPE_NULL, SQL_FALSE, BASE_TYPE_NULL, nullptr, BASE_TYPE_NULL,
     BASE_TYPE_NULL},
    {"LONG RAW", SQL_LONGVARBINARY, 2147483647, "'", "'", 0, SQL_NULLABLE, SQL_FALSE,
     SQL_UNSEARCHABLE, BASE_TYPE_NULL, SQL_FALSE, BASE_TYPE_NULL, nullptr, BASE_TYPE_NULL,
     BASE_TYPE_NULL},
    {"LONG", SQL_LONGVARCHAR, 2147483647, "'", "'", 0, SQL_NULLABLE, SQL_TRUE, SQL_UNSEARCHABLE,
     BASE_TYPE_NULL, SQL_FALSE, BASE_TYPE_NULL, nullptr, BASE_TYPE_NULL, BASE_TYPE_NULL},
};

// " and <column> like '<pattern>' escape '\'" unless the name is any.
std::string likeFilter(const char* column, const BaseCatalogName& name) {
    if (name.isAny())
        return "";
    return std::string(" and ") + column + " like " + Or7Dictionary::quote(name.getPattern()) +
           " escape '\\'";
}

// " and <column>='<name>'" when the name is given.
std::string equalFilter(const char* column, const BaseCatalogName& name) {
    if (!name.isGiven())
        return "";
    return std::string(" and ") + column + "=" + Or7Dictionary::quote(name.getName());
}

// `name` as a quoted identifier (quotes inside doubled).
std::string quoteIdentifier(const char* name) {
    std::string out = "\"";
    for (const char* c = name; *c; ++c) {
        out.push_back(*c);
        if (*c == '"')
            out.push_back('"');
    }
    return out + "\"";
}

const char* textOf(const Or7DictionaryRow& row, std::size_t column) {
    return column < row.size() && row[column] ? row[column]->c_str() : nullptr;
}

bool numberOf(const Or7DictionaryRow& row, std::size_t column, std::int32_t* value) {
    const char* text = textOf(row, column);
    if (!text || !*text)
        return false;
    *value = static_cast<std::int32_t>(std::strtol(text, nullptr, 10));
    return true;
}

// The views of the dictionary to query, with the database link.
struct Or7Views {
    std::string prefix;
    std::string link;
    bool comments = true;

    std::string view(const char* name) const {
        return prefix + name + (link.empty() ? "" : "@" + link);
    }
};

VxStatus viewsFor(Or7Connection& connection, Or7Dictionary& dictionary,
                  const BaseCatalogName& qualifier, Or7Views* views) {
    views->link = qualifier.isGiven() ? qualifier.getName() : "";
    views->comments = !connection.hasOr7Flag(Or7Connection::OR7_NO_COMMENTS);
    return dictionary.viewPrefix(views->link, &views->prefix);
}

const char* qualifierOf(const Or7Views& views) {
    return views.link.empty() ? nullptr : views.link.c_str();
}

// The ODBC description of a dictionary column type.
struct Or7ColumnType {
    short sqlType;
    std::int32_t precision;
    std::int32_t length;
    bool hasScale;
    bool hasRadix;
};

Or7ColumnType columnType(const std::string& type, std::int32_t length, bool hasPrecision,
                         std::int32_t precision) {
    if (type == "VARCHAR2" || type == "VARCHAR")
        return {SQL_VARCHAR, length, length, false, false};
    if (type == "CHAR")
        return {SQL_CHAR, length, length, false, false};
    if (type == "NUMBER" && hasPrecision)
        return {SQL_DECIMAL, precision, precision + 2, true, true};
    if (type == "NUMBER" || type == "FLOAT")
        return {SQL_DOUBLE, 15, 8, false, true};
    if (type == "LONG")
        return {SQL_LONGVARCHAR, 2147483647, 2147483647, false, false};
    if (type == "DATE")
        return {SQL_TIMESTAMP, 19, 16, true, false};
    if (type == "RAW")
        return {SQL_VARBINARY, length, length, false, false};
    if (type == "LONG RAW")
        return {SQL_LONGVARBINARY, 2147483647, 2147483647, false, false};
    if (type == "ROWID")
        return {SQL_VARCHAR, 18, 18, false, false};
    return {SQL_VARCHAR, length, length, false, false};
}

// "SYSTEM TABLE" for the tables of SYS and SYSTEM.
const char* tableType(const char* owner, const char* type) {
    if (type && std::string(type) == "TABLE" && owner &&
        (std::string(owner) == "SYS" || std::string(owner) == "SYSTEM"))
        return "SYSTEM TABLE";
    return type;
}

VxStatus listTableTypes(BaseTablesInfo& info) {
    for (const char* type : {"TABLE", "VIEW", "SYNONYM", "SYSTEM TABLE"})
        if (info.addTable(nullptr, nullptr, nullptr, type, nullptr) != VX_SUCCESS)
            return VX_ERROR;
    return VX_SUCCESS;
}

VxStatus addSingleColumn(BaseTablesInfo& info, Or7Dictionary& dictionary, const std::string& sql,
                         bool owners) {
    if (dictionary.run(sql) != VX_SUCCESS)
        return VX_ERROR;
    for (const Or7DictionaryRow& row : dictionary.rows()) {
        const char* value = textOf(row, 0);
        if (info.addTable(owners ? nullptr : value, owners ? value : nullptr, nullptr, nullptr,
                          nullptr) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

} // namespace

VxStatus Or7Statement::executeTables(BaseInString*) {
    BaseTablesInfo* info = BaseTablesInfo::of(*this);
    Or7Connection& connection = getOr7Connection();
    Or7Dictionary dictionary(connection);
    switch (info->getRequest()) {
    case TABLES_LIST_TYPES:
        return listTableTypes(*info);
    case TABLES_LIST_QUALIFIERS:
        return addSingleColumn(
            *info, dictionary,
            "select distinct db_link from sys.all_db_links where owner in('PUBLIC',user)", false);
    case TABLES_LIST_OWNERS:
        return addSingleColumn(*info, dictionary,
                               "select username from sys.all_users where username<>'_NEXT_USER'",
                               true);
    default:
        break;
    }
    Or7Views views;
    if (viewsFor(connection, dictionary, info->getQualifier(), &views) != VX_SUCCESS)
        return VX_ERROR;
    std::string filters =
        likeFilter("owner", info->getOwner()) + likeFilter("table_name", info->getTableName());
    std::map<std::pair<std::string, std::string>, std::string> comments;
    if (views.comments) {
        if (dictionary.run("select owner,table_name,comments from " + views.view("tab_comments") +
                           " where comments is not null" + filters) != VX_SUCCESS)
            return VX_ERROR;
        for (const Or7DictionaryRow& row : dictionary.rows())
            if (textOf(row, 0) && textOf(row, 1) && textOf(row, 2))
                comments[{textOf(row, 0), textOf(row, 1)}] = textOf(row, 2);
    }
    if (dictionary.run("select owner,table_name,table_type from " + views.view("catalog") +
                       " where 1=1" + filters + " order by 3,1,2") != VX_SUCCESS)
        return VX_ERROR;
    for (const Or7DictionaryRow& row : dictionary.rows()) {
        const char* owner = textOf(row, 0);
        const char* name = textOf(row, 1);
        const char* remarks = nullptr;
        auto found = comments.find({owner ? owner : "", name ? name : ""});
        if (found != comments.end())
            remarks = found->second.c_str();
        if (info->addTable(qualifierOf(views), owner, name, tableType(owner, textOf(row, 2)),
                           remarks) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus Or7Statement::executeColumns() {
    BaseColumnsInfo* info = BaseColumnsInfo::of(*this);
    Or7Connection& connection = getOr7Connection();
    Or7Dictionary dictionary(connection);
    Or7Views views;
    if (viewsFor(connection, dictionary, info->getQualifier(), &views) != VX_SUCCESS)
        return VX_ERROR;
    std::string sql = "select a.owner,a.table_name,a.column_name,data_type,data_length,"
                      "data_precision,data_scale,nullable,";
    if (views.comments)
        sql += "comments from " + views.view("tab_columns") + " a," + views.view("col_comments") +
               " b where a.owner=b.owner and a.table_name=b.table_name and "
               "a.column_name=b.column_name";
    else
        sql += "NULL from " + views.view("tab_columns") + " a where 1=1";
    sql += likeFilter("a.owner", info->getOwner()) +
           likeFilter("a.table_name", info->getTableName()) +
           likeFilter("a.column_name", info->getColumnName()) + " order by 1,2,column_id";
    if (dictionary.run(sql) != VX_SUCCESS)
        return VX_ERROR;
    info->setDriverAnswersPatterns(true);
    for (const Or7DictionaryRow& row : dictionary.rows()) {
        std::int32_t length = 0;
        std::int32_t precision = 0;
        std::int32_t scale = 0;
        numberOf(row, 4, &length);
        bool hasPrecision = numberOf(row, 5, &precision);
        bool hasScale = numberOf(row, 6, &scale);
        std::string type = textOf(row, 3) ? textOf(row, 3) : "";
        Or7ColumnType described = columnType(type, length, hasPrecision, precision);
        BaseCatalogRow* out = info->newRow();
        if (!out || out->setText(1, qualifierOf(views)) != VX_SUCCESS ||
            out->setText(2, textOf(row, 0)) != VX_SUCCESS ||
            out->setText(3, textOf(row, 1)) != VX_SUCCESS ||
            out->setText(4, textOf(row, 2)) != VX_SUCCESS ||
            out->setText(6, type.c_str()) != VX_SUCCESS ||
            out->setText(12, textOf(row, 8)) != VX_SUCCESS) {
            delete out;
            return VX_ERROR;
        }
        out->setNumber(5, described.sqlType);
        out->setNumber(7, described.precision);
        out->setNumber(8, described.length);
        if (described.hasScale)
            out->setNumber(9, hasScale ? scale : 0);
        if (described.hasRadix)
            out->setNumber(10, 10);
        const char* nullable = textOf(row, 7);
        out->setNumber(11, nullable && *nullable == 'N' ? SQL_NO_NULLS : SQL_NULLABLE);
        if (info->addRow(out) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus Or7Statement::executePrimary() {
    BasePrimaryKeysInfo* info = BasePrimaryKeysInfo::of(*this);
    Or7Connection& connection = getOr7Connection();
    Or7Dictionary dictionary(connection);
    Or7Views views;
    if (viewsFor(connection, dictionary, info->getQualifier(), &views) != VX_SUCCESS)
        return VX_ERROR;
    std::string sql = "select c.owner,c.table_name,k.column_name,k.position,c.constraint_name "
                      "from " +
                      views.view("constraints") + " c," + views.view("cons_columns") +
                      " k where c.constraint_type='P' and c.owner=k.owner and "
                      "c.constraint_name=k.constraint_name" +
                      equalFilter("c.owner", info->getOwner()) +
                      equalFilter("c.table_name", info->getTableName()) + " order by 1,2,4";
    if (dictionary.run(sql) != VX_SUCCESS)
        return VX_ERROR;
    for (const Or7DictionaryRow& row : dictionary.rows()) {
        std::int32_t position = 0;
        numberOf(row, 3, &position);
        BaseCatalogRow* out = info->newRow();
        if (!out || out->setText(1, qualifierOf(views)) != VX_SUCCESS ||
            out->setText(2, textOf(row, 0)) != VX_SUCCESS ||
            out->setText(3, textOf(row, 1)) != VX_SUCCESS ||
            out->setText(4, textOf(row, 2)) != VX_SUCCESS ||
            out->setText(6, textOf(row, 4)) != VX_SUCCESS) {
            delete out;
            return VX_ERROR;
        }
        out->setNumber(5, position);
        if (info->addRow(out) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus Or7Statement::executeStatistics(unsigned short) {
    BaseStatisticsInfo* info = BaseStatisticsInfo::of(*this);
    Or7Connection& connection = getOr7Connection();
    Or7Dictionary dictionary(connection);
    Or7Views views;
    if (viewsFor(connection, dictionary, info->getQualifier(), &views) != VX_SUCCESS)
        return VX_ERROR;
    std::string tables = "select owner,table_name,num_rows,blocks from " + views.view("tables") +
                         " where 1=1" + equalFilter("owner", info->getOwner()) +
                         equalFilter("table_name", info->getTableName());
    if (dictionary.run(tables) != VX_SUCCESS)
        return VX_ERROR;
    for (const Or7DictionaryRow& row : dictionary.rows()) {
        BaseCatalogRow* out = info->newRow();
        if (!out || out->setText(1, qualifierOf(views)) != VX_SUCCESS ||
            out->setText(2, textOf(row, 0)) != VX_SUCCESS ||
            out->setText(3, textOf(row, 1)) != VX_SUCCESS) {
            delete out;
            return VX_ERROR;
        }
        out->setNumber(7, SQL_TABLE_STAT);
        std::int32_t count = 0;
        if (numberOf(row, 2, &count))
            out->setNumber(11, count);
        if (numberOf(row, 3, &count))
            out->setNumber(12, count);
        if (info->addRow(out) != VX_SUCCESS)
            return VX_ERROR;
    }
    std::string sql = "select i.table_owner,i.table_name,i.uniqueness,i.owner,i.index_name,"
                      "c.column_position,c.column_name from " +
                      views.view("indexes") + " i," + views.view("ind_columns") +
                      " c where i.owner=c.index_owner and i.index_name=c.index_name" +
                      equalFilter("i.table_owner", info->getOwner()) +
                      equalFilter("i.table_name", info->getTableName());
    if (info->getUnique() == SQL_INDEX_UNIQUE)
        sql += " and i.uniqueness='UNIQUE'";
    if (dictionary.run(sql + " order by 3,4,5,6") != VX_SUCCESS)
        return VX_ERROR;
    for (const Or7DictionaryRow& row : dictionary.rows()) {
        std::int32_t position = 0;
        numberOf(row, 5, &position);
        const char* uniqueness = textOf(row, 2);
        BaseCatalogRow* out = info->newRow();
        if (!out || out->setText(1, qualifierOf(views)) != VX_SUCCESS ||
            out->setText(2, textOf(row, 0)) != VX_SUCCESS ||
            out->setText(3, textOf(row, 1)) != VX_SUCCESS ||
            out->setText(5, textOf(row, 3)) != VX_SUCCESS ||
            out->setText(6, textOf(row, 4)) != VX_SUCCESS ||
            out->setText(9, textOf(row, 6)) != VX_SUCCESS || out->setText(10, "A") != VX_SUCCESS) {
            delete out;
            return VX_ERROR;
        }
        out->setNumber(4, uniqueness && std::string(uniqueness) == "UNIQUE" ? SQL_FALSE : SQL_TRUE);
        out->setNumber(7, SQL_INDEX_OTHER);
        out->setNumber(8, position);
        if (info->addRow(out) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

// The best row identifier is the pseudo column ROWID of any table that
// can be selected from.
VxStatus Or7Statement::executeSpecial(unsigned short* noRows) {
    BaseSpecialColumnsInfo* info = BaseSpecialColumnsInfo::of(*this);
    *noRows = 1;
    if (info->getColType() != SQL_BEST_ROWID)
        return VX_SUCCESS;
    Or7Connection& connection = getOr7Connection();
    std::string table;
    if (info->getOwner().isGiven() && !info->getOwner().isEmpty())
        table = quoteIdentifier(info->getOwner().getName()) + ".";
    table += quoteIdentifier(info->getTableName().getName());
    if (info->getQualifier().isGiven() && !info->getQualifier().isEmpty())
        table += std::string("@") + info->getQualifier().getName();
    Or7Cursor probe;
    if (connection.openCursor(probe) != VX_SUCCESS)
        return VX_ERROR;
    if (probe.parse(("SELECT ROWID FROM " + table).c_str(), false) != OR7_OK)
        return VX_SUCCESS;
    BaseCatalogRow* out = info->newRow();
    if (!out || out->setText(2, "ROWID") != VX_SUCCESS || out->setText(4, "ROWID") != VX_SUCCESS) {
        delete out;
        return VX_ERROR;
    }
    out->setNumber(1, SQL_SCOPE_SESSION);
    out->setNumber(3, SQL_VARCHAR);
    out->setNumber(5, 18);
    out->setNumber(6, 18);
    out->setNumber(8, SQL_PC_PSEUDO);
    *noRows = 0;
    return info->addRow(out);
}

VxStatus Or7Statement::executeForeign() {
    BaseForeignKeysInfo* info = BaseForeignKeysInfo::of(*this);
    Or7Connection& connection = getOr7Connection();
    Or7Dictionary dictionary(connection);
    Or7Views views;
    if (viewsFor(connection, dictionary, info->getPkQualifier(), &views) != VX_SUCCESS)
        return VX_ERROR;
    std::string sql =
        "select p.owner,p.table_name,pc.column_name,f.owner,f.table_name,fc.column_name,"
        "fc.position,f.constraint_name,p.constraint_name from " +
        views.view("constraints") + " f," + views.view("cons_columns") + " fc," +
        views.view("constraints") + " p," + views.view("cons_columns") +
        " pc where f.constraint_type='R' and f.r_owner=p.owner and "
        "f.r_constraint_name=p.constraint_name and fc.owner=f.owner and "
        "fc.constraint_name=f.constraint_name and pc.owner=p.owner and "
        "pc.constraint_name=p.constraint_name and pc.position=fc.position" +
        equalFilter("p.owner", info->getPkOwner()) +
        equalFilter("p.table_name", info->getPkTableName()) +
        equalFilter("f.owner", info->getFkOwner()) +
        equalFilter("f.table_name", info->getFkTableName());
    if (dictionary.run(sql) != VX_SUCCESS)
        return VX_ERROR;
    for (const Or7DictionaryRow& row : dictionary.rows()) {
        std::int32_t position = 0;
        numberOf(row, 6, &position);
        BaseCatalogRow* out = info->newRow();
        if (!out || out->setText(1, qualifierOf(views)) != VX_SUCCESS ||
            out->setText(2, textOf(row, 0)) != VX_SUCCESS ||
            out->setText(3, textOf(row, 1)) != VX_SUCCESS ||
            out->setText(4, textOf(row, 2)) != VX_SUCCESS ||
            out->setText(5, qualifierOf(views)) != VX_SUCCESS ||
            out->setText(6, textOf(row, 3)) != VX_SUCCESS ||
            out->setText(7, textOf(row, 4)) != VX_SUCCESS ||
            out->setText(8, textOf(row, 5)) != VX_SUCCESS ||
            out->setText(12, textOf(row, 7)) != VX_SUCCESS ||
            out->setText(13, textOf(row, 8)) != VX_SUCCESS) {
            delete out;
            return VX_ERROR;
        }
        out->setNumber(9, position);
        out->setNumber(10, SQL_RESTRICT);
        out->setNumber(11, SQL_RESTRICT);
        if (info->addRow(out) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus Or7Statement::executeProcedures() {
    BaseProceduresInfo* info = BaseProceduresInfo::of(*this);
    Or7Connection& connection = getOr7Connection();
    Or7Dictionary dictionary(connection);
    Or7Views views;
    if (viewsFor(connection, dictionary, info->getQualifier(), &views) != VX_SUCCESS)
        return VX_ERROR;
    std::string sql = "select owner,object_name,object_type from " + views.view("objects") +
                      " where object_type in('FUNCTION','PROCEDURE')" +
                      likeFilter("owner", info->getOwner()) +
                      likeFilter("object_name", info->getProcedureName()) + " order by 1,2";
    if (dictionary.run(sql) != VX_SUCCESS)
        return VX_ERROR;
    for (const Or7DictionaryRow& row : dictionary.rows()) {
        const char* type = textOf(row, 2);
        BaseCatalogRow* out = info->newRow();
        if (!out || out->setText(1, qualifierOf(views)) != VX_SUCCESS ||
            out->setText(2, textOf(row, 0)) != VX_SUCCESS ||
            out->setText(3, textOf(row, 1)) != VX_SUCCESS) {
            delete out;
            return VX_ERROR;
        }
        out->setNumber(4, -1);
        out->setNumber(5, -1);
        out->setNumber(6, -1);
        out->setNumber(8, type && std::string(type) == "FUNCTION" ? SQL_PT_FUNCTION
                                                                  : SQL_PT_PROCEDURE);
        if (info->addRow(out) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

namespace {

short argumentColumnType(const char* name, const char* inOut) {
    if (!name)
        return SQL_RETURN_VALUE;
    std::string mode = inOut ? inOut : "IN";
    if (mode == "OUT")
        return SQL_PARAM_OUTPUT;
    if (mode == "IN/OUT" || mode == "IN OUT")
        return SQL_PARAM_INPUT_OUTPUT;
    return SQL_PARAM_INPUT;
}

} // namespace

VxStatus Or7Statement::executeProcCols() {
    BaseProcedureColumnsInfo* info = BaseProcedureColumnsInfo::of(*this);
    Or7Connection& connection = getOr7Connection();
    Or7Dictionary dictionary(connection);
    Or7Views views;
    if (viewsFor(connection, dictionary, info->getQualifier(), &views) != VX_SUCCESS)
        return VX_ERROR;
    std::string sql = "select owner,object_name,argument_name,in_out,data_type,data_length,"
                      "data_precision,data_scale from " +
                      views.view("arguments") + " where data_level=0" +
                      likeFilter("owner", info->getOwner()) +
                      likeFilter("object_name", info->getProcedureName()) +
                      likeFilter("argument_name", info->getColumnName()) + " order by 1,2,sequence";
    if (dictionary.run(sql) != VX_SUCCESS)
        return VX_ERROR;
    for (const Or7DictionaryRow& row : dictionary.rows()) {
        std::int32_t length = 0;
        std::int32_t precision = 0;
        std::int32_t scale = 0;
        numberOf(row, 5, &length);
        bool hasPrecision = numberOf(row, 6, &precision);
        bool hasScale = numberOf(row, 7, &scale);
        std::string type = textOf(row, 4) ? textOf(row, 4) : "";
        if (length == 0 && (type == "VARCHAR2" || type == "CHAR" || type == "RAW"))
            length = type == "CHAR" ? 255 : 2000;
        Or7ColumnType described = columnType(type, length, hasPrecision, precision);
        const char* name = textOf(row, 2);
        BaseCatalogRow* out = info->newRow();
        if (!out || out->setText(1, qualifierOf(views)) != VX_SUCCESS ||
            out->setText(2, textOf(row, 0)) != VX_SUCCESS ||
            out->setText(3, textOf(row, 1)) != VX_SUCCESS ||
            out->setText(4, name ? name : "RETURN_VALUE") != VX_SUCCESS ||
            out->setText(7, type.c_str()) != VX_SUCCESS) {
            delete out;
            return VX_ERROR;
        }
        out->setNumber(5, argumentColumnType(name, textOf(row, 3)));
        out->setNumber(6, described.sqlType);
        out->setNumber(8, described.precision);
        out->setNumber(9, described.length);
        if (described.hasScale)
            out->setNumber(10, hasScale ? scale : 0);
        if (described.hasRadix)
            out->setNumber(11, 10);
        out->setNumber(12, SQL_NULLABLE_UNKNOWN);
        if (info->addRow(out) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

namespace {

// Rows whose cells are the qualifier and then the query's columns, all
// text.
VxStatus addTextRows(BaseCatalogInfo& info, Or7Dictionary& dictionary, const Or7Views& views,
                     const std::string& sql) {
    if (dictionary.run(sql) != VX_SUCCESS)
        return VX_ERROR;
    for (const Or7DictionaryRow& row : dictionary.rows()) {
        BaseCatalogRow* out = info.newRow();
        if (!out || out->setText(1, qualifierOf(views)) != VX_SUCCESS) {
            delete out;
            return VX_ERROR;
        }
        for (std::size_t column = 0; column < row.size(); ++column) {
            if (out->setText(static_cast<std::uint16_t>(column + 2), textOf(row, column)) !=
                VX_SUCCESS) {
                delete out;
                return VX_ERROR;
            }
        }
        if (info.addRow(out) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

} // namespace

VxStatus Or7Statement::executeTablePriv() {
    BaseTablePrivilegesInfo* info = BaseTablePrivilegesInfo::of(*this);
    Or7Connection& connection = getOr7Connection();
    Or7Dictionary dictionary(connection);
    Or7Views views;
    if (viewsFor(connection, dictionary, info->getQualifier(), &views) != VX_SUCCESS)
        return VX_ERROR;
    return addTextRows(*info, dictionary, views,
                       "select table_schema,table_name,grantor,grantee,privilege,grantable from " +
                           views.view("tab_privs") + " where 1=1" +
                           likeFilter("table_schema", info->getOwner()) +
                           likeFilter("table_name", info->getTableName()) + " order by 1,2,5");
}

VxStatus Or7Statement::executeColPriv() {
    BaseColumnPrivilegesInfo* info = BaseColumnPrivilegesInfo::of(*this);
    Or7Connection& connection = getOr7Connection();
    Or7Dictionary dictionary(connection);
    Or7Views views;
    if (viewsFor(connection, dictionary, info->getQualifier(), &views) != VX_SUCCESS)
        return VX_ERROR;
    return addTextRows(*info, dictionary, views,
                       "select table_schema,table_name,column_name,grantor,grantee,privilege,"
                       "grantable from " +
                           views.view("col_privs") + " where 1=1" +
                           equalFilter("table_schema", info->getOwner()) +
                           equalFilter("table_name", info->getTableName()) +
                           likeFilter("column_name", info->getColumnName()) + " order by 3,6");
}

VxStatus Or7Statement::getTypeInfo(short) {
    return BaseGetTypesInfo::of(*this)->addTypes(OR7_TYPES, sizeof OR7_TYPES / sizeof OR7_TYPES[0]);
}
