// FlatSelectParser: building the operator tree from the parsed pieces.
#include <cstring>
#include <vector>

#include "base/BaseErrors.h"
#include "error/FlatErrors.h"
#include "flat/FlatCursor.h"
#include "flat/FlatGroupBy.h"
#include "flat/FlatOpCode.h"
#include "flat/FlatDistinct.h"
#include "flat/FlatOrderBy.h"
#include "flat/FlatUnionAll.h"
#include "flat/FlatJoin.h"
#include "flat/FlatOpStream.h"
#include "flat/FlatProjection.h"
#include "flat/FlatRandomFetch.h"
#include "flat/FlatResultSetGlobalInfo.h"
#include "flat/FlatTableAccess.h"
#include "parse/FlatConjuncts.h"
#include "parse/FlatExprInternal.h"
#include "parse/FlatSelectParser.h"
#include "parse/FlatSelectScope.h"
#include "plan/FlatPlanner.h"
#include "util/VxArray.h"
#include "util/ram.h"
#include "util/str.h"

namespace {

// Result type of an expression column whose type is not that of a column.
constexpr std::uint32_t NUMBER_PRECISION = 15;

VxStatus syntaxError(unsigned short id) {
    addFlatSyntaxError(id);
    return VX_ERROR;
}

VxStatus notCapable() {
    addOdbcError(ODBC_S1C00);
    return VX_ERROR;
}

bool isBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ' && c != 0;
}

// SQL type, precision and scale of an expression result.
void describeExpression(const FlatExprResult& result, FlatResultSetColumn* column) {
    short type = result.type;
    if (type == FLAT_TYPE_BIT)
        column->setType(SQL_BIT, 1, 0);
    else if (flatIsNumberType(type))
        column->setType(SQL_DOUBLE, NUMBER_PRECISION, 0);
    else if (type == FLAT_TYPE_DATE)
        column->setType(SQL_DATE, 10, 0);
    else if (type == FLAT_TYPE_TIME)
        column->setType(SQL_TIME, 8, 0);
    else if (type == FLAT_TYPE_TIMESTAMP)
        column->setType(SQL_TIMESTAMP, 19, 0);
    else if (type == FLAT_TYPE_LONGVARCHAR)
        column->setType(SQL_LONGVARCHAR, result.length, 0);
    else if (flatIsBinaryType(type))
        column->setType(SQL_VARBINARY, result.length ? result.length : 1, 0);
    else
        column->setType(SQL_VARCHAR, result.length ? result.length : 1, 0);
    column->setNullable(SQL_NULLABLE);
}

// Describes a plain column from its table's cursor.
VxStatus describeField(FlatTableAccess* table, std::uint16_t field, FlatResultSetColumn* column) {
    FlatCursor* cursor = table->getCursor();
    if (field == FlatCursor::FIELD_ROWID) {
        column->setType(SQL_DECIMAL, 10, 0);
        column->setNullable(SQL_NO_NULLS);
        if (column->setName("ROWID", 5) != VX_SUCCESS)
            return VX_ERROR;
    } else {
        column->setType(cursor->getFieldSqlType(field), cursor->getFieldPrecision(field),
                        static_cast<short>(cursor->getFieldScale(field)));
        column->setNullable(cursor->getFieldNullable(field));
        column->setUpdatable(cursor->getFieldUpdatable(field) != SQL_ATTR_READONLY);
        const char* name = cursor->getFieldName(field);
        if (!name)
            name = "";
        if (column->setName(name, std::strlen(name)) != VX_SUCCESS)
            return VX_ERROR;
    }
    column->setSourceField(table->getTableNumber(), field);
    return column->setTableName(table->getTableName());
}

} // namespace

VxStatus FlatSelectParser::buildTree(FlatSelectTree* tree) {
    if (buildBranch() != VX_SUCCESS || (union_ && buildUnion() != VX_SUCCESS))
        return VX_ERROR;
    if (clauses_[ORDER_BY].present && buildOrderBy() != VX_SUCCESS)
        return VX_ERROR;
    tree->randomFetch = nullptr;
    if (((mode_ & 0x001) || clauses_[FOR_UPDATE].present) && !from_->isRandomAccess()) {
        tree->randomFetch = new FlatRandomFetch(info_, from_);
        from_ = tree->randomFetch;
    }
    tree->root = from_;
    tree->projection = projection_;
    from_ = nullptr;
    // A sub-query keeps its joins as built: it is run again for rows of
    // the enclosing query.
    if (mode_ & 0x002)
        tree->root->setExeProfile(FlatQueryExeProfile{1, 1, 0});
    else
        flatPlanTree(tree->root);
    return VX_SUCCESS;
}

VxStatus FlatSelectParser::buildBranch() {
    if (clauses_[GROUP_BY].present && (mode_ & 0x008))
        return syntaxError(3859);
    // A group operator over the FROM tree; it stays when there is a GROUP
    // BY or an aggregate in the select list.
    grouping_ = clauses_[GROUP_BY].present;
    group_ = new FlatGroupBy(info_, from_);
    from_ = group_;
    if (grouping_ && buildGroupBy() != VX_SUCCESS)
        return VX_ERROR;
    auto* projection = new FlatProjection(info_, from_);
    from_ = projection;
    projection_ = projection;
    if (buildSelectList(projection) != VX_SUCCESS || buildOnConditions() != VX_SUCCESS ||
        buildWhere() != VX_SUCCESS || checkOtherClauses() != VX_SUCCESS ||
        buildHaving() != VX_SUCCESS)
        return VX_ERROR;
    if (!grouping_ && group_->getAggregateCount() == 0) {
        projection->replaceChild(group_->releaseChild());
        delete group_;
        group_ = nullptr;
    } else {
        grouping_ = true; // aggregates over the whole input: one group
    }
    if (distinct_ && buildDistinct() != VX_SUCCESS)
        return VX_ERROR;
    return VX_SUCCESS;
}

VxStatus FlatSelectParser::buildUnion() {
    FlatProjection* first = projection_;
    std::uint16_t columns = first->getColumnCount();
    std::size_t start = unionRest_;
    bool all = unionAll_;
    for (;;) {
        FlatSelectParser next(info_, params_, tables_, mode_);
        next.userName_ = userName_;
        next.inUnion_ = true;
        next.firstTable_ = static_cast<std::uint16_t>(tables_->getCount());
        next.outer_ = outer_;
        // In a sub-select the last SELECT of the union ends at the ")"
        // that closes the sub-select.
        next.outerParen_ = outer_ && outerParen_ && !outerClosed_;
        if (next.parseBranch(sql_, start) != VX_SUCCESS)
            return VX_ERROR;
        FlatProjection* branchColumns = next.projection_;
        if (branchColumns->getColumnCount() != columns)
            return syntaxError(3979);
        for (std::uint16_t i = 0; i < columns; ++i) {
            if (!flatexpr::compatible(first->getColumn(i)->getSqlType(),
                                      branchColumns->getColumn(i)->getSqlType())) {
                addFlatSyntaxError(3980) << static_cast<unsigned>(i + 1);
                return VX_ERROR;
            }
        }
        if (!openUnion_) {
            // Everything so far becomes the union's first child.
            auto* unionAll = new FlatUnionAll(info_);
            FlatResultSet* before = from_;
            from_ = unionAll;
            openUnion_ = unionAll;
            if (unionAll->addChild(before, projection_) != VX_SUCCESS)
                return VX_ERROR;
        }
        FlatResultSet* branch = next.from_;
        next.from_ = nullptr;
        if (openUnion_->addChild(branch, branchColumns) != VX_SUCCESS)
            return VX_ERROR;
        if (!all && closeUnion(true) != VX_SUCCESS)
            return VX_ERROR;
        if (!next.union_) {
            // The last SELECT's ORDER BY sorts the whole union.
            clauses_[ORDER_BY] = next.clauses_[ORDER_BY];
            break;
        }
        start = next.unionRest_;
        all = next.unionAll_;
    }
    if (openUnion_ && closeUnion(false) != VX_SUCCESS)
        return VX_ERROR;
    unionOrder_ = true;
    return VX_SUCCESS;
}

VxStatus FlatSelectParser::closeUnion(bool distinct) {
    FlatUnionAll* unionAll = openUnion_;
    openUnion_ = nullptr;
    std::uint16_t columns = projection_->getColumnCount();
    auto* projection = new FlatProjection(info_, from_);
    from_ = projection;
    for (std::uint16_t i = 0; i < columns; ++i) {
        FlatResultSetColumn* column = nullptr;
        if (unionAll->makeColumn(i, &column) != VX_SUCCESS ||
            projection->addColumn(column) != VX_SUCCESS)
            return VX_ERROR;
    }
    projection_ = projection;
    if (!distinct)
        return VX_SUCCESS;
    auto* unique = new FlatDistinct(info_, unionAll);
    projection->replaceChild(unique);
    for (std::uint16_t i = 0; i < columns; ++i)
        if (unique->getKeys().addColumn(projection->getColumn(i), false) != VX_SUCCESS)
            return VX_ERROR;
    return VX_SUCCESS;
}

VxStatus FlatSelectParser::checkOtherClauses() {
    if (clauses_[HAVING].present && !clauses_[GROUP_BY].present)
        return syntaxError(3975);
    if (union_ && (mode_ & 0x010))
        return syntaxError(3859);
    if (clauses_[FOR_UPDATE].present && (union_ || inUnion_))
        return syntaxError(3983);
    if (union_ && clauses_[ORDER_BY].present)
        return syntaxError(3981);
    if (clauses_[FOR_UPDATE].present)
        return (mode_ & 0x004) ? syntaxError(3997) : buildForUpdate();
    if (clauses_[ORDER_BY].present && (mode_ & 0x002))
        return syntaxError(3997);
    return VX_SUCCESS;
}

VxStatus FlatSelectParser::buildSelectList(FlatProjection* projection) {
    return forEachItem(selectList_, [this, projection](char* text, std::size_t offset) {
        return addSelectItem(projection, text, offset);
    });
}

VxStatus FlatSelectParser::addSelectItem(FlatProjection* projection, const char* text,
                                         std::size_t offset) {
    while (isBlank(*text))
        ++text, ++offset;
    std::size_t length = std::strlen(text);
    while (length && isBlank(text[length - 1]))
        --length;
    if (length == 1 && text[0] == '*') {
        for (std::uint16_t i = firstTable_; i < tables_->getCount(); ++i)
            if (addTableColumns(projection, static_cast<FlatTableAccess*>(tables_->get(i))) !=
                VX_SUCCESS)
                return VX_ERROR;
        return VX_SUCCESS;
    }
    if (length > 2 && text[length - 1] == '*' && text[length - 2] == '.') {
        char name[FLAT_NAME_SIZE];
        std::size_t n = 0;
        for (std::size_t i = 0; i + 2 < length && n + 1 < sizeof name; ++i)
            if (text[i] != '`' && !isBlank(text[i]))
                name[n++] = text[i];
        name[n] = 0;
        bool found = false;
        for (std::uint16_t i = firstTable_; i < tables_->getCount(); ++i) {
            auto* table = static_cast<FlatTableAccess*>(tables_->get(i));
            if (!table->isNamed(name))
                continue;
            found = true;
            if (addTableColumns(projection, table) != VX_SUCCESS)
                return VX_ERROR;
        }
        if (!found) {
            addFlatError(3903) << name;
            return VX_ERROR;
        }
        return VX_SUCCESS;
    }
    return addExpressionColumn(projection, text, offset);
}

VxStatus FlatSelectParser::addTableColumns(FlatProjection* projection, FlatTableAccess* table) {
    FlatCursor* cursor = table->getCursor();
    for (std::uint16_t field = 0; field < cursor->getNumFields(); ++field) {
        if (clauses_[GROUP_BY].present) {
            FlatOpStreamBuilder builder;
            builder.addField(table->getTableNumber(), field);
            if (!group_->isGroupKey(builder.getOps(), builder.getLength()))
                return syntaxError(3971);
        }
        auto* column = new FlatResultSetColumn(info_->getExprInfo(), projection->getColumnCount());
        if (projection->addColumn(column) != VX_SUCCESS ||
            describeField(table, field, column) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus FlatSelectParser::addExpressionColumn(FlatProjection* projection, const char* text,
                                               std::size_t offset) {
    FlatSelectScope scope(tables_, outer_, lastTable_, firstTable_);
    FlatExprCompiler compiler(params_, &scope);
    compiler.setUserName(userName_);
    FlatExprOptions options;
    options.allowAlias = true;
    options.subQueries = this;
    options.aggregatesAllowed = true;
    options.aggregates = group_;
    options.baseOffset = offset;
    FlatOpStreamBuilder builder;
    FlatExprResult result;
    if (compiler.compile(text, options, &builder, &result) != VX_SUCCESS)
        return VX_ERROR;
    // Grouped, a column is an aggregate, a group-by expression or a constant.
    if (clauses_[GROUP_BY].present && !result.hasAggregate && result.usesTables &&
        !group_->isGroupKey(builder.getOps(), builder.getLength()))
        return syntaxError(3971);
    auto* column = new FlatResultSetColumn(info_->getExprInfo(), projection->getColumnCount());
    if (projection->addColumn(column) != VX_SUCCESS)
        return VX_ERROR;
    if (result.isColumn && result.columnLevel == 0) {
        auto* table = static_cast<FlatTableAccess*>(tables_->get(result.column.tableNumber - 1));
        if (describeField(table, result.column.field, column) != VX_SUCCESS)
            return VX_ERROR;
    } else {
        if (column->getExpr().getOpStream().compile(builder) != VX_SUCCESS)
            return VX_ERROR;
        describeExpression(result, column);
        std::size_t length = std::strlen(text);
        while (length && isBlank(text[length - 1]))
            --length;
        if (column->setName(text, length) != VX_SUCCESS)
            return VX_ERROR;
    }
    const char* alias = compiler.getAlias();
    if (*alias) {
        std::size_t length = std::strlen(alias);
        if ((alias[0] == '`' || alias[0] == '"' || alias[0] == '\'') && length >= 2) {
            ++alias;
            length -= 2;
        }
        if (column->setName(alias, length) != VX_SUCCESS ||
            column->setLabel(alias, length) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

template <typename Place>
VxStatus FlatSelectParser::compileCondition(const Span& span, std::uint16_t visibleTables,
                                            Place place) {
    char* text = copySpan(span);
    if (!text)
        return VX_ERROR;
    FlatSelectScope scope(tables_, outer_, visibleTables ? visibleTables : lastTable_, firstTable_);
    FlatExprCompiler compiler(params_, &scope);
    compiler.setUserName(userName_);
    FlatExprOptions options;
    options.condition = true;
    options.subQueries = this;
    if (visibleTables)
        options.aggregateRefusal = 3974; // an ON condition
    options.baseOffset = span.start;
    FlatOpStreamBuilder builder;
    FlatExprResult result;
    VxStatus status = compiler.compile(text, options, &builder, &result);
    ramFree(text);
    if (status != VX_SUCCESS)
        return VX_ERROR;
    FlatParseStack<FlatConjunct> terms;
    if (flatSplitConjuncts(builder.getOps(), builder.getLength(), &terms) != VX_SUCCESS)
        return VX_ERROR;
    auto isOuterJoinTerm = [&builder](const FlatConjunct& term) {
        const unsigned char* end = builder.getOps() + term.offset + term.length;
        for (const unsigned char* op = builder.getOps() + term.offset; op < end; op = getNextOp(op))
            if (*op == FLAT_OP_OUTER_LEFT || *op == FLAT_OP_OUTER_RIGHT)
                return true;
        return false;
    };
    auto compileTerm = [this, &builder](const FlatConjunct& term, FlatConditionList* list) {
        auto* stream = new FlatOpStream(info_->getExprInfo());
        if (stream->compile(builder.getOps() + term.offset, term.length) != VX_SUCCESS) {
            delete stream;
            return VX_ERROR;
        }
        return list->add(stream);
    };
    // The outer-join comparisons ("*=", "=*") of WHERE first, from the last
    // to the first: each becomes the ON condition of the join that adds
    // the latest table it reads, which makes that join an outer one. One
    // that reads a single table is an ordinary comparison. An ON condition
    // cannot hold them.
    std::vector<bool> moved(terms.size(), false);
    for (std::size_t i = terms.size(); i-- > 0;) {
        if (!isOuterJoinTerm(terms[i]))
            continue;
        if (visibleTables)
            return notCapable();
        FlatJoin* join = outerJoinFor(terms[i]);
        if (!join)
            continue;
        moved[i] = true;
        join->setOuter(true);
        if (compileTerm(terms[i], &join->getOnFilter()) != VX_SUCCESS)
            return VX_ERROR;
    }
    for (std::size_t i = 0; i < terms.size(); ++i) {
        if (moved[i])
            continue;
        if (compileTerm(terms[i], place(terms[i])) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

FlatJoin* FlatSelectParser::outerJoinFor(const FlatConjunct& term) {
    // Walking down from the top join, the first whose own table is not
    // above the latest table of the comparison.
    std::uint16_t before = firstTable_;
    for (std::size_t k = joins_.size(); k-- > 0;) {
        std::uint16_t own = static_cast<std::uint16_t>(before + 2 + k);
        if (own <= term.maxTable)
            return joins_[k];
    }
    return nullptr;
}

VxStatus FlatSelectParser::buildOnConditions() {
    for (std::size_t i = 0; i < outerJoins_.size(); ++i) {
        FlatJoin* join = outerJoins_[i].join;
        if (compileCondition(outerJoins_[i].on, outerJoins_[i].rightTable,
                             [join](const FlatConjunct&) { return &join->getOnFilter(); }) !=
            VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus FlatSelectParser::buildWhere() {
    if (!clauses_[WHERE].present)
        return VX_SUCCESS;
    char* text = copySpan(clauses_[WHERE]);
    if (!text)
        return VX_ERROR;
    FlatSqlLexer lexer(text);
    FlatSqlToken first;
    FlatSqlToken second;
    VxStatus status = lexer.next(&first, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE);
    if (status == VX_SUCCESS)
        status = lexer.next(&second, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE);
    ramFree(text);
    if (status != VX_SUCCESS)
        return VX_ERROR;
    if (first.is("CURRENT") && second.is("OF"))
        return (mode_ & 0x200) ? notCapable() : syntaxError(3862);
    // A term goes to the operator where all its tables are current: the
    // table's own access for a term of one table, unless that table is the
    // NULL side of an outer join (the NULL row must meet the term), else
    // the join that adds its latest table.
    return compileCondition(clauses_[WHERE], 0, [this](const FlatConjunct& term) {
        // Numbers count on from the tables of earlier SELECTs of a union.
        std::uint16_t before = firstTable_;
        std::uint16_t latest = term.maxTable ? term.maxTable : before + 1;
        bool nullSide = latest >= before + 2 && joins_[latest - before - 2]->isOuter();
        if (term.minTable == term.maxTable && !nullSide)
            return &static_cast<FlatTableAccess*>(tables_->get(latest - 1))->getFilter();
        return &joins_[latest - before - 2]->getFilter();
    });
}
