#include "TstStatement.h"

#include <sqlext.h>

#include <cstdint>
#include <cstring>

#include "TstCatalog.h"
#include "TstCommands.h"
#include "base/BaseConnection.h"
#include "base/BaseField.h"
#include "base/BaseSqlString.h"

VxStatus TstStatement::prepareCompile(BaseSqlString* text) {
    compiled_.assign(text->data() ? text->data() : "", text->length());
    return tstCatalogPrepare(*this, compiled_);
}

// Runs the compiled text (or, with substituted parameters, the text with
// their literals) as commands. A text beginning "pending " leaves the
// first execution pending; the framework resumes it when the application
// calls again, and the commands after "pending " run then.
VxStatus TstStatement::executePreparedStmt() {
    std::string text = compiled_;
    if (const VxString* substituted = getSubstitutedText())
        text.assign(substituted->data(), substituted->length());
    if (text.compare(0, 8, "pending ") == 0) {
        if (!resumed_) {
            resumed_ = true;
            setFlag(STMT_ASYNC_PENDING, true);
            return VX_SUCCESS;
        }
        text.erase(0, 8);
    }
    resumed_ = false;
    results_.clear();
    deleteFields();
    tstSetResultTarget(&results_);
    SQLRETURN rc = tstRunCommands(reinterpret_cast<const SQLCHAR*>(text.data()),
                                  static_cast<SQLINTEGER>(text.size()), &params_);
    tstSetResultTarget(nullptr);
    params_.clear();
    return rc == SQL_ERROR ? VX_ERROR : VX_SUCCESS;
}

VxStatus TstStatement::fetchRow(unsigned short* noMore) {
    return results_.fetchRow(noMore);
}

VxStatus TstStatement::fetchRandomRow(SQLULEN row, unsigned short* noMore, unsigned short) {
    return results_.fetchRandomRow(row, noMore);
}

VxStatus TstStatement::moreResults(unsigned short* noMore) {
    if (results_.moreResults(noMore) != VX_SUCCESS)
        return VX_ERROR;
    if (!*noMore)
        deleteFields();
    return VX_SUCCESS;
}

// The description of the current result set, built when first asked for.
VxStatus TstStatement::calcNumResultCols() {
    if (getNumResultCols() != 0)
        return VX_SUCCESS;
    return results_.describe(*this);
}

VxStatus TstStatement::getData(unsigned short column, short cType, BaseOutString* out) {
    return results_.getData(*this, column, cType, out);
}

VxStatus TstStatement::rowCount(SQLLEN* count) {
    *count = results_.rowCount();
    return VX_SUCCESS;
}

BaseField* TstStatement::allocFld() {
    return new BaseField();
}

VxStatus TstStatement::bindParam(unsigned short param, const void* data, SQLLEN length,
                                 ParamBindChunkType chunk) {
    return params_.receive(*this, param, data, length, chunk);
}

VxStatus TstStatement::setToAllocatedState(unsigned short) {
    ++allocatedStateCalls_;
    return VX_SUCCESS;
}
