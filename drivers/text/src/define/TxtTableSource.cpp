#include "define/TxtTableSource.h"

#include <cstring>

#include "define/TxtTableOptions.h"
#include "guess/TxtGuess.h"
#include "record/TxtRecordReader.h"
#include "util/bos.h"
#include "util/str.h"

VxStatus TxtTableSource::setDirectory(const char* directory) {
    if (directory_.initialize(directory && *directory ? directory : ".") || bosfpath(&directory_))
        return VX_ERROR;
    std::size_t length = directory_.length();
    const char* text = directory_.getText();
    while (length > 1 && (text[length - 1] == '/' || text[length - 1] == '\\'))
        --length;
    directory_.setLength(length);
    return VX_SUCCESS;
}

VxStatus TxtTableSource::setUndefinedNames(const char* table) {
    const char* period = std::strchr(table, '.');
    std::size_t nameLength = period ? static_cast<std::size_t>(period - table) : std::strlen(table);
    if (tableName_.initialize(table, nameLength) || definition_.fileName.initialize(table))
        return VX_ERROR;
    if (period)
        return VX_SUCCESS;
    // "sales" names "sales.txt" when there is no file "sales".
    VxString path;
    if (path.initialize(directory_.getText()) || path.concat('/') || path.concat(table))
        return VX_ERROR;
    if (bosfattr(path.getText()) == 1 || bosfattr(path.getText()) == 5)
        return VX_SUCCESS;
    if (path.concat(".txt"))
        return VX_ERROR;
    int attributes = bosfattr(path.getText());
    if (attributes == 1 || attributes == 5)
        return definition_.fileName.concat(".txt");
    return VX_SUCCESS;
}

VxStatus TxtTableSource::resolve(const char* directory, const char* table, const char* options,
                                 std::size_t optionsLength, const Defaults& defaults) {
    scanRows_ = defaults.scanRows;
    hasOptions_ = options != nullptr;
    if (setDirectory(directory))
        return VX_ERROR;
    TxtIni ini;
    VxString section;
    if (ini.open(directory_.getText()) || TxtTableDef::lookup(ini, table, &defined_, &section))
        return VX_ERROR;
    if (defined_) {
        if (TxtTableDef::read(ini, section.getText(), &definition_) ||
            tableName_.initialize(section.getText()))
            return VX_ERROR;
        char* name = tableName_.getBuffer();
        for (std::size_t i = 0; i < tableName_.length(); ++i)
            name[i] = static_cast<char>(vxToUpper(static_cast<unsigned char>(name[i])));
    } else {
        if (setUndefinedNames(table))
            return VX_ERROR;
        definition_.layout.setTableType(defaults.tableType, defaults.delimiter);
        definition_.layout.firstLineNames = defaults.firstLineNames;
    }
    const char* fileName = definition_.fileName.getText();
    bool absolute = fileName[0] == '/' || fileName[0] == '\\';
    if (filePath_.initialize(absolute ? "" : directory_.getText()) ||
        (!absolute && filePath_.concat('/')) || filePath_.concat(fileName))
        return VX_ERROR;
    if (!hasOptions_)
        return VX_SUCCESS;
    options_.clearFields();
    options_.tableType = definition_.layout.tableType;
    options_.delimiter = definition_.layout.delimiter;
    options_.firstLineNames = definition_.layout.firstLineNames;
    options_.charset = definition_.layout.charset;
    return TxtTableOptions::parse(options, optionsLength, &options_);
}

// A defined table named with table options: the options change its
// format (header line, delimiter, character set), and columns they give
// replace the defined ones position by position (a column without a name
// keeps the defined name); further option columns are added.
VxStatus TxtTableSource::adjustDefinition() {
    if (layout_.copyFrom(definition_.layout))
        return VX_ERROR;
    layout_.tableType = options_.tableType;
    layout_.delimiter = options_.delimiter;
    layout_.firstLineNames = options_.firstLineNames;
    layout_.charset = options_.charset;
    layout_.charsetGiven = options_.charsetGiven;
    for (std::uint16_t i = 0; i < options_.getFieldCount(); ++i) {
        const TxtGuessField& given = options_.getField(i);
        TxtGuessField* field;
        if (i < layout_.getFieldCount())
            field = &layout_.getField(i);
        else if (layout_.addField(&field))
            return VX_ERROR;
        char name[TXT_MAX_COLUMN_NAME + 1];
        std::memcpy(name, given.name[0] ? given.name : field->name, sizeof name);
        *field = given;
        std::memcpy(field->name, name, sizeof name);
    }
    return layout_.completeNames();
}

VxStatus TxtTableSource::describe(int handle) {
    if (defined_) {
        if (hasOptions_ ? adjustDefinition() : layout_.copyFrom(definition_.layout))
            return VX_ERROR;
    } else {
        TxtGuess guess;
        const TxtGuessResult& format = hasOptions_ ? options_ : definition_.layout;
        guess.setFormat(format.tableType, format.firstLineNames, format.delimiter, scanRows_);
        if (hasOptions_)
            guess.setOptions(&options_);
        if (guess.guessHandle(handle, &layout_))
            return VX_ERROR;
    }
    TxtRecordReader reader;
    return reader.open(layout_, handle) || reader.findDataStart(layout_.firstLineNames, &dataStart_)
               ? VX_ERROR
               : VX_SUCCESS;
}
