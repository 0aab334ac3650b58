// VxQueryFile: a saved query in a sectioned text file.
//
// Layout:
//
//     Vx+ 2.0 for SQL Server (2)     product word ("Vx+" or "Vx&"), optional
//                                    version (up to three numbers; the
//                                    first is the format level), "for", the
//                                    database type, optional scrambling
//                                    method in parentheses; nothing else
//     use pubs                       optional: the database name
//     SELECT * FROM t                format level 2: the statement, up to
//                                    the first section header
//     [PARAMETERS]                   sections: "[NAME]" and its lines
//     PARAMETER name,type,prompt
//     CLEAR
//     ITEM text
//     [USER COMMANDS]
//     SET.QUERY.DESCRIPTION ('text')
//
// Every line after the first is scrambled with the method of the first
// line (see encrypt). Binary sections hold their bytes as hexadecimal
// lines. A first line that does not parse raises 2720; failing to replace
// the old file when saving raises 2721.
#pragma once

#include <cstddef>
#include <cstdint>

#include "util/VxList.h"
#include "util/VxObject.h"
#include "util/VxStatus.h"
#include "util/VxString.h"

enum SectionType : int {
    SECTION_PAGE_LAYOUT = 0,
    SECTION_PARAMETERS = 1,
    SECTION_DEFINITION = 2,
    SECTION_USER_COMMANDS = 3,
};

// One parameter of a query: its PARAMETER line and the ITEM lines after it.
class VX_EXPORT VxfParam : public VxNode {
public:
    VxfParam() = default;
    ~VxfParam() override;

    // Parses "name,type,prompt" (type and prompt optional).
    VxStatus parse(const char* text, std::size_t length);
    VxStatus addItem(const char* text, std::size_t length);
    void clearItems() { itemCount_ = 0, items_.setLength(0); }

    const char* getName() { return name_.getText(); }
    const char* getType() { return type_.getText(); }
    const char* getPrompt() { return prompt_.getText(); }
    std::uint16_t getItemCount() const { return itemCount_; }
    // The item at `index`, or null.
    const char* getItem(std::uint16_t index);

private:
    VxString name_, type_, prompt_;
    VxString items_; // NUL-separated
    std::uint16_t itemCount_ = 0;
};

class VX_EXPORT VxQueryFile : public VxObject {
public:
    VxQueryFile() = default;
    VxQueryFile(const VxQueryFile&) = delete;
    VxQueryFile& operator=(const VxQueryFile&) = delete;
    ~VxQueryFile() override;

    // Reads and parses a file.
    VxStatus open(const char* fileName);
    // Starts an empty query (format level 2) for a database type.
    VxStatus create(const char* databaseType, int scrambling);

    const char* getDatabaseType() { return databaseType_.getText(); }
    const char* getDatabaseName() { return databaseName_.getText(); }
    VxStatus setDatabaseName(const char* name) { return databaseName_.initialize(name); }
    int getFormatLevel() const { return formatLevel_; }
    int getScrambling() const { return scrambling_; }
    const char* getStatement() { return statement_.getText(); }
    VxStatus setStatement(const char* text) { return statement_.initialize(text); }

    static const char* getSectionName(SectionType type);
    bool hasSection(const char* name) const;
    // The lines of a section joined with CR LF (empty when absent).
    VxStatus getSection(const char* name, VxString* text) const;
    // Replaces (or adds) a section; the text's lines may end in LF or CR LF.
    VxStatus setSection(const char* name, const char* text, std::size_t length);
    void removeSection(const char* name);
    // Binary sections: bytes of any value and any length.
    VxStatus setBinarySection(const char* name, const void* data, std::size_t length);
    // A ramAlloc'd copy (*data, owned by the caller) and its length; null
    // when the section is absent.
    VxStatus getBinarySection(const char* name, void** data, std::size_t* length) const;

    // The PARAMETERS section parsed (valid until the next change).
    VxStatus getParameters(VxList* params) const;
    // The description kept as a SET.QUERY.DESCRIPTION command.
    VxStatus setDescription(const char* text);
    VxStatus getDescription(VxString* text) const;

    // Writes the file under its own name: a new file, then delete and rename.
    VxStatus save();
    VxStatus saveAs(const char* fileName);
    const char* getFileName() const { return fileName_; }

private:
    struct Section {
        char* name;
        char* text; // lines, each ending in CR LF
        std::size_t length;
        Section* next;
    };
    VxStatus parseFirstLine(const char* line, std::size_t length);
    VxStatus readBody(class VxFileByLine& lines);
    Section* findSection(const char* name) const;
    VxStatus writeTo(const char* fileName) const;
    VxStatus formatFirstLine(VxString* line) const;
    void clear();

    char* fileName_ = nullptr;
    VxString databaseType_, databaseName_, statement_;
    int formatLevel_ = 2;
    int scrambling_ = 0;
    char productWord_[4] = "Vx+";
    Section* sections_ = nullptr;
};
