// FlatDataTypeParser: reads a data-type name of CREATE TABLE and finds its
// row in the driver's type table (the rows SQLGetTypeInfo answers).
//
// A type name may have several words ("LONG VARCHAR"): candidates are kept
// while their next word equals the next token (without regard to case),
// until one candidate has all its words read and no longer candidate goes
// on with the token that follows. The driver's createAliases hook may add
// further names for a row before matching.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/BaseTypeInfo.h"
#include "util/VxExport.h"
#include "util/VxStatus.h"

class FlatConnection;
class FlatSqlLexer;

class VX_EXPORT FlatDataTypeParser {
public:
    static constexpr std::uint16_t NOT_FOUND = 0xFFFF;

    // `types` (`count` rows) must outlive the parser.
    FlatDataTypeParser(FlatConnection* connection, const BaseTypeInfo* types, std::uint16_t count);
    ~FlatDataTypeParser();
    FlatDataTypeParser(const FlatDataTypeParser&) = delete;
    FlatDataTypeParser& operator=(const FlatDataTypeParser&) = delete;

    // Asks the connection for its aliases; called once before matching.
    [[nodiscard]] VxStatus initialize();
    // Adds `name` as another name of row `typeIndex`.
    [[nodiscard]] VxStatus addAlias(const char* name, std::uint16_t typeIndex);

    // Reads a type name at the lexer's cursor: *typeIndex is its row, or
    // NOT_FOUND (the cursor then stays where it was).
    [[nodiscard]] VxStatus match(FlatSqlLexer& lexer, std::uint16_t* typeIndex);

    const BaseTypeInfo& getType(std::uint16_t index) const { return types_[index]; }
    std::uint16_t getTypeCount() const { return typeCount_; }

private:
    struct Name {
        char* text; // owned copy of an alias, or the row's name
        bool owned;
        std::uint16_t typeIndex;
    };
    std::size_t nameCount() const { return typeCount_ + aliasCount_; }
    const Name& nameAt(std::size_t i) const;

    FlatConnection* connection_;
    const BaseTypeInfo* types_;
    std::uint16_t typeCount_;
    Name* aliases_ = nullptr;
    std::size_t aliasCount_ = 0;
    mutable Name row_{};
};
