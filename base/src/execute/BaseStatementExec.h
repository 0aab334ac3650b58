// The execute area's private view of a statement: what preparation,
// execution, parameters and data at execution keep (BaseExecState), and
// the steps that work on it (BaseStatementExec, a friend of
// BaseStatement).
//
// Execution walks the parameter rows and, inside a row, the parameters;
// `nextParam` and the statement's current parameter row say where it
// stands, so that data at execution can leave the walk (state 2) and
// SQLParamData can take it up again:
//
//   SQLExecute / SQLExecDirect
//     -> checks, positioned statement filled, transaction started
//     -> for each row: for each parameter from nextParam
//          data at execution?  -> state 2, SQL_NEED_DATA   (SQLParamData
//          else validate, send (bindParam or substitution)    resumes here)
//        -> executePreparedStmt, row count, next row
//     -> state 5 or 6
#pragma once

#include <sql.h>

#include <cstdint>

#include "base/BaseSqlString.h"
#include "base/BaseStatement.h"
#include "util/VxString.h"

class BaseParam;

struct BaseExecState {
    // SQLParamOptions: parameter rows per execution (1 without it).
    SQLULEN paramRows = 1;
    // The text as the application gave it, and the processed text given
    // to prepareCompile.
    VxString source;
    BaseSqlString prepared;
    bool hasPrepared = false;
    // Substitution: the processed text with its markers stripped, and the
    // literal of each marker's value.
    BaseSqlString templ;
    bool hasTemplate = false;
    VxString* literals = nullptr;
    std::uint16_t literalCount = 0;
    VxString substituted;
    bool substitutedReady = false;
    // Execution in progress: the parameter (from 1) to send next, the one
    // waiting for data at execution, and whether autocommit was switched
    // off for a parameter array.
    std::uint16_t nextParam = 1;
    std::uint16_t pendingParam = 0;
    bool executing = false;
    bool autocommitSuspended = false;
    // Positioned statement emulated as a search: the cursor statement's
    // columns compared, one generated parameter each.
    BaseParam** searchParams = nullptr;
    std::uint16_t searchParamCount = 0;

    ~BaseExecState();
    void clearLiterals();
    void clearSearchParams();
};

class BaseStatementExec {
public:
    static BaseExecState* state(BaseStatement& s);

    // Preparation (BasePrepare.cpp). `text`/`length` as the application
    // gave them; fails with the statement back in state 0.
    static VxStatus prepare(BaseStatement& s, const char* text, SQLINTEGER length);
    static VxStatus prepareText(BaseStatement& s, BaseSqlString& sql);
    static VxStatus ensureParams(BaseStatement& s, std::uint16_t count);
    static VxStatus setupTemplate(BaseStatement& s, BaseSqlString& sql);

    // Execution (BaseExecute.cpp).
    static SQLRETURN execute(BaseStatement& s);
    static SQLRETURN runRows(BaseStatement& s);
    static VxStatus checkBeforeExecution(BaseStatement& s);
    static SQLRETURN sendParams(BaseStatement& s, SQLULEN row);
    static VxStatus sendParam(BaseStatement& s, std::uint16_t n, SQLULEN row);
    static VxStatus finishRow(BaseStatement& s);
    static VxStatus finishExecution(BaseStatement& s);
    static void endExecution(BaseStatement& s, bool failed);
    // Hands one value to the driver: translated when a translation
    // library is loaded and the value is character data, then bindParam,
    // or the literal for substitution.
    static VxStatus deliver(BaseStatement& s, std::uint16_t n, const void* value, SQLLEN length,
                            ParamBindChunkType chunk);

    // Parameters (BaseParamBind.cpp).
    static VxStatus validate(BaseStatement& s, std::uint16_t n, BaseParam& p);
    static bool isDataAtExec(const BaseParam& p, SQLLEN indicator);
    static SQLLEN putDataMaximum(const BaseParam& p);

    // Data at execution (BaseDataAtExec.cpp).
    static SQLRETURN abortDataAtExec(BaseStatement& s);
    static VxStatus putFixed(BaseStatement& s, std::uint16_t n, BaseParam& p, const void* value);
    static VxStatus putBytes(BaseStatement& s, std::uint16_t n, BaseParam& p, const void* value,
                             SQLLEN length);

    // Substitution (BaseSubstitute.cpp).
    static VxStatus literalOf(BaseStatement& s, std::uint16_t n, BaseParam& p, const void* value,
                              SQLLEN length, VxString& out);
    static VxStatus literalThroughDriver(BaseStatement& s, BaseParam& p, const char* text,
                                         SQLLEN length, VxString& out);
    static VxStatus buildSubstituted(BaseStatement& s);

    // Positioned statements (BaseCurrentOf.cpp).
    static VxStatus setupCurrentOf(BaseStatement& s, BaseSqlString& sql, bool* emulated);
    static VxStatus buildSearch(BaseStatement& s, BaseStatement& cursor, VxString& search);
    static VxStatus fillSearchParams(BaseStatement& s);
    static void reportPositionedRows(BaseStatement& s);
};

// Character C types whose values pass through the translation library and
// are measured with SQL_NTS.
bool baseIsCharCType(short cType);
bool baseIsLongSqlType(short sqlType);
bool baseIsCharSqlType(short sqlType);
bool baseIsBinarySqlType(short sqlType);
