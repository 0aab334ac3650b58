#include "base/BaseStmtOptions.h"

#include <sqlext.h>

BaseStmtOptions::BaseStmtOptions() : values_() {
    values_[SQL_NOSCAN] = SQL_NOSCAN_OFF;
    values_[SQL_BIND_TYPE] = SQL_BIND_BY_COLUMN;
    values_[SQL_CURSOR_TYPE] = SQL_CURSOR_FORWARD_ONLY;
    values_[SQL_CONCURRENCY] = SQL_CONCUR_READ_ONLY;
    values_[SQL_ROWSET_SIZE] = 1;
    values_[SQL_SIMULATE_CURSOR] = SQL_SC_NON_UNIQUE;
    values_[SQL_RETRIEVE_DATA] = SQL_RD_ON;
    values_[SQL_USE_BOOKMARKS] = SQL_UB_OFF;
}
