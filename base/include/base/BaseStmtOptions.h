// BaseStmtOptions: the values of the statement options 0-14 (SQL_QUERY_TIMEOUT
// to SQL_ROW_NUMBER). A connection keeps one block as the default for its
// statements; each statement copies it when it is constructed.
#pragma once

#include <sqltypes.h>

struct BaseStmtOptions {
    static constexpr unsigned short COUNT = 15;

    BaseStmtOptions();

    // 0 for an option outside 0-14.
    SQLULEN get(unsigned short option) const { return option < COUNT ? values_[option] : 0; }
    // Ignored for an option outside 0-14.
    void set(unsigned short option, SQLULEN value) {
        if (option < COUNT)
            values_[option] = value;
    }

    SQLULEN values_[COUNT];
};
