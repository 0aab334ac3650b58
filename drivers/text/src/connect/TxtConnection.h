// TxtConnection: a connection of the Text driver. The database is one
// directory; each text file in it is a table (TxtCursor reads them).
//
// Connection attributes, besides the engine's ("Database", "FileOpenCache",
// "CacheSize", "IntlSort" ...):
//
//   ExtraExtensions / EE   none      further file extensions listed as
//                                    tables, comma-separated ("NONE": files
//                                    without one; ".csv" and "*.csv" mean
//                                    csv); blanks trimmed, duplicates
//                                    (without case) dropped
//   FirstLineNames / FLN   "0"       "1": undefined tables have a header line
//   ScanRows / SR          "25"      lines examined when guessing (0: all)
//   TableType / TT         "Comma"   Comma, Tab, Character or Fixed
//   Delimiter / DC         ","       the delimiter of type Character
//   UndefinedTable / UT    "Prompt"  "Guess" or "Prompt"
//   MacFileInfo / MFI      "ttxt,TEXT" creator and file-type codes
//
// A table without a definition in "VXTXT.INI" is guessed from its first
// lines under either UndefinedTable policy: there is no one to prompt.
//
// The connection fixes for the engine: column names compare without case,
// tables compare by name, table-name patterns match without case, no
// ROWID. Its table-file extension is "TXT".
#pragma once

#include <cstddef>
#include <cstdint>

#include "catalog/TxtTableList.h"
#include "define/TxtTableSource.h"
#include "flat/FlatConnection.h"
#include "util/VxString.h"

class TxtConnection : public FlatConnection {
public:
    // The driver's own file extension, listed before ExtraExtensions.
    static constexpr const char* EXTENSION = "TXT";
    // Information type answered with the file-type code of MacFileInfo.
    static constexpr unsigned short INFO_FILE_TYPE = 1027;

    explicit TxtConnection(BaseEnv& env);
    ~TxtConnection() override;

    // The driver's table of data-source attributes.
    static const SetupInfo* setupTable(std::uint16_t* count);

    // ---- Framework and engine hooks ----
    void getDllName(char* out, std::size_t outSize) override;
    [[nodiscard]] VxStatus connectInit(VxValueParser* parser) override;
    [[nodiscard]] VxStatus connectLogon() override;
    [[nodiscard]] VxStatus getAskedForInfo(unsigned short infoType, void** value,
                                           BaseInfoValType* valueType) override;
    [[nodiscard]] VxStatus getConnectOption(unsigned short option, void* value) override;
    [[nodiscard]] VxStatus prepareToCommit(FlatSharedDesc* desc, FlatFileCursor** cursor) override;
    void getResourceStr(unsigned short id, char* out, std::size_t outSize) override;
    [[nodiscard]] VxStatus drvrSetToAllocatedState() override;
    [[nodiscard]] VxStatus allocCursor(FlatCursor** cursor) override;
    void getExt(char* out, std::size_t outSize) override;
    // The catalogue of TxtTableList for `dir` (as tableDirectory resolves
    // it), with TXT and then ExtraExtensions. The enumeration state is the
    // connection's: callers hold the connection's semaphore from the first
    // name to the end.
    [[nodiscard]] VxStatus getTable(char** out, const char* dir, const char* owner,
                                    bool first) override;
    // No window system: nothing to show.
    void bringSetupDialog(unsigned long value) override;
    // Whether a query naming `name` in `dir` finds a table: a table defined
    // in the directory's "VXTXT.INI", or a file of that name (or, for a
    // name without a period, that name with ".txt") whatever its extension.
    [[nodiscard]] VxStatus findTable(const char* dir, const char* name, bool* exists) override;

    // The directory of tables of `qualifier`: the database directory when
    // it is null, empty or that directory itself, an absolute qualifier as it is, else the
    // qualifier within the database directory.
    [[nodiscard]] VxStatus tableDirectory(const char* qualifier, VxString* directory);

    // ---- Settings ----
    // What undefined tables are read with.
    const TxtTableSource::Defaults& getTableDefaults() const { return defaults_; }
    bool guessesUndefinedTables() const { return guessUndefined_; }
    // "TXT", then the extra extensions, comma-separated.
    const char* getExtensions() { return extensions_.getText(); }

    // ---- Record counts learned by reading ----
    // A cursor read every record of the file `path` (as defined, without
    // table options) when the file had `size` bytes: `count` records.
    void rememberRecordCount(const char* path, std::int64_t size, std::int64_t count);
    // The count remembered for `path` at that same size, else -1.
    std::int64_t knownRecordCount(const char* path, std::int64_t size);

private:
    [[nodiscard]] VxStatus readExtensions(VxValueParser* parser);
    [[nodiscard]] VxStatus readTableDefaults(VxValueParser* parser);
    [[nodiscard]] VxStatus readFileInfo(VxValueParser* parser);
    [[nodiscard]] VxStatus readValue(VxValueParser* parser, const char* shortKey,
                                     const char* longKey, const char* defaultValue, VxString* out);

    TxtTableSource::Defaults defaults_;
    bool guessUndefined_ = false;
    VxString extensions_;
    char fileType_[5] = "TEXT";
    char creator_[5] = "ttxt";
    TxtTableList tables_;
    // Record counts of the last tables read through (under the
    // connection's semaphore), replaced in turn.
    struct KnownCount {
        VxString path;
        std::int64_t size = -1;
        std::int64_t count = -1;
    };
    static constexpr std::size_t KNOWN_COUNTS = 16;
    KnownCount knownCounts_[KNOWN_COUNTS];
    std::size_t nextKnownCount_ = 0;
};
