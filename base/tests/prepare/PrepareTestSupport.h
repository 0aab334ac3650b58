// Running escape processing on one text with an error list of its own.
#pragma once

#include <sql.h>

#include <string>

#include "base/BaseEscapeProcessor.h"
#include "base/BaseSqlString.h"
#include "util/VxError.h"

struct EscapeOutcome {
    bool ok = false;
    std::string text;
    unsigned short message = 0;    // message id of the last record, 0 when none
    unsigned short sqlStateId = 0; // its ODBC id
    std::string messageText;
    std::uint32_t markers = 0;
    bool returnValueCall = false;
};

inline void takeLastError(VxErrorList& list, EscapeOutcome& outcome) {
    if (VxError* error = list.getLastError()) {
        outcome.message = error->getNumber();
        outcome.sqlStateId = error->getSqlStateId();
        outcome.messageText = error->getErrorText();
    }
}

inline EscapeOutcome runEscapes(const char* input, BaseEscapeHost& host,
                                const BaseEscapeOptions& options, bool nativeMode = false) {
    EscapeOutcome outcome;
    VxErrorList list(nullptr, 1);
    VxErrorListScope scope(&list);
    BaseSqlString sql(input, SQL_NTS);
    BaseEscapeProcessor processor(host, options);
    outcome.ok = processor.process(sql, nativeMode) == VX_SUCCESS;
    outcome.text.assign(sql.data() ? sql.data() : "", sql.length());
    outcome.markers = processor.getMarkerCount();
    outcome.returnValueCall = processor.isReturnValueCall();
    takeLastError(list, outcome);
    return outcome;
}
