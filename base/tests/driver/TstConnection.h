// TstConnection: the test driver's connection to its in-memory data source.
//
// The data source knows the databases "main" and "extra"; the attributes
// are Database (DB, required), Lock (LK: none or shared, asked at the second
// browse step), Transactions (TX: "0" makes the source incapable of
// transactions) and an optional password. Logging on to the database
// "fail" fails as a data source would (08001, native code 17).
// SQLNativeSql runs a text that begins with a word of the command language
// of TstCommands.h as a connection call, and passes a text beginning
// "translate " through the translation library (toDataSource) into the
// output buffer; any other text goes to the framework's SQLNativeSql.
//
// Further attributes (connect string only): Params (PM) "native" (the
// default: values arrive through bindParam) or "text" (values are
// substituted into the text); Caps (CP) the connection capability bits
// 9-26 of the flags word (e.g. 0x400 output parameters); OuterJoin
// (OJ) the style {oj} escapes are rewritten in (none: kept as written).
// Escapes are expanded to ODBC's canonical forms (BaseDefaultEscapeHost).
#pragma once

#include <string>

#include "base/BaseConnection.h"

class TstConnection : public BaseConnection {
public:
    explicit TstConnection(BaseEnv& env);

    SQLRETURN SQLNativeSql(SQLCHAR* szSqlStrIn, SQLINTEGER cbSqlStrIn, SQLCHAR* szSqlStr,
                           SQLINTEGER cbSqlStrMax, SQLINTEGER* pcbSqlStr) override;

    void getDllName(char* out, std::size_t outSize) override;
    VxStatus connectInit(VxValueParser* parser) override;
    VxStatus connectLogon() override;
    VxStatus setToAllocatedState() override;
    VxStatus connectLogonDialogStart(SQLHWND hwnd, unsigned short driverCompletion,
                                     VxValueParser* parser) override;
    void getDriverResourceStr(unsigned short id, char* out, std::size_t outSize) override;
    VxStatus expandNativeEscape(VxReplaceString* text, unsigned long argLength, EscapeType type,
                                EscapeFunctionType function) override;
    VxStatus startTransaction() override;
    VxStatus endTransaction(unsigned short type) override;
    VxStatus getAskedForInfo(unsigned short infoType, void** value,
                             BaseInfoValType* valueType) override;
    // The functions of tstFunctionSupported (TstCatalog.h).
    VxStatus isFunctionSupported(unsigned short api, unsigned short* supported) override;
    // Fails with S1000 / 6013 when KWTST_FAIL_CONNECTION_INIT is set.
    VxStatus initialize() override;
    VxStatus modifyBrowse(const char* shortKeyword, VxString* choices) override;
    // Checks the database at the first step; logs on at the second.
    VxStatus processBrowse(VxValueParser* parser) override;

    // Params, Caps and OuterJoin.
    VxStatus readTestAttributes(VxValueParser* parser);

    // The driver's table of data-source attributes.
    static const SetupInfo* setupTable(std::uint16_t* count);

    std::string database_;
    std::string lock_;
    bool transactions_ = true;
    int outerJoinStyle_ = -1;
    bool loggedOn_ = false;
    int transactionsStarted_ = 0;
    int commits_ = 0;
    int rollbacks_ = 0;
};
