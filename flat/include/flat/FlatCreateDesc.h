// FlatCreateDesc: the descriptor of CREATE TABLE.
//
//   CREATE TABLE name ( column type [ ( n [ , s ] ) ] [ NOT NULL ] { , ... } )
//
// parse reads and checks the statement; the driver's subclass checks the
// names (canCreateTableName, canCreateColumnName, which the base refuses)
// and writes the table in execute. A column's type is found in the type
// table the subclass gives (getTypeTable) through FlatDataTypeParser; its
// creation parameters follow the row's CREATE_PARAMS: one number for
// "length", "max length" and "precision", precision and optional scale for
// "precision,scale", none otherwise.
#pragma once

#include <cstdint>

#include "base/BaseTypeInfo.h"
#include "flat/FlatDescriptor.h"
#include "util/VxString.h"

class FlatDataTypeParser;
class FlatSqlLexer;

struct FlatColumnDef {
    char* name = nullptr;        // owned
    std::uint16_t typeIndex = 0; // row of the type table
    std::uint16_t precision = 0;
    std::uint16_t scale = 0;
    bool nullable = true;
};

class VX_EXPORT FlatCreateDesc : public FlatDescriptor {
public:
    explicit FlatCreateDesc(FlatStatement* statement);
    ~FlatCreateDesc() override;

    [[nodiscard]] VxStatus parse(const char* sql) override;

    // The base builds the table's path and refuses a name too long for the
    // driver's SQLGetInfo limits (3827), a file open on the connection
    // (4019) and an existing file (4010).
    [[nodiscard]] virtual VxStatus canCreateTableName(const char* name);
    // The base refuses: a driver that creates tables supplies it.
    [[nodiscard]] virtual VxStatus canCreateColumnName(const char* name);

    // ---- Added after the operations above ----
    // The driver's type table; the base has none.
    virtual const BaseTypeInfo* getTypeTable(std::uint16_t* count);
    // Whether NOT NULL is kept; the base ignores it with warning 4040.
    virtual bool supportsNotNull();
    // Whether column names compare with regard to case; the base: no.
    virtual bool namesAreCaseSensitive();
    // Empties the names and columns, so that parse may run again.
    void cleanUp();

    const char* getTableName() { return tableName_.getText(); }
    std::uint16_t getColumnCount() const { return columnCount_; }
    const FlatColumnDef& getColumn(std::uint16_t index) const { return columns_[index]; }
    const BaseTypeInfo& getColumnType(std::uint16_t index) const;

protected:
    [[nodiscard]] VxStatus parseColumn(FlatSqlLexer& lexer, FlatDataTypeParser& types);
    [[nodiscard]] VxStatus parseCreateParams(FlatSqlLexer& lexer, const BaseTypeInfo& type,
                                             FlatColumnDef* column);
    [[nodiscard]] VxStatus addColumn(FlatColumnDef* column);

    VxString tableName_;
    FlatColumnDef* columns_ = nullptr;
    std::uint16_t columnCount_ = 0;
    std::uint16_t columnCapacity_ = 0;
    const BaseTypeInfo* types_ = nullptr;
};
