// Fetching: SQLFetch, SQLExtendedFetch and getNumRows.
//
// SQLExtendedFetch turns every fetch type into the absolute number of the
// first row of the new row set, then reads the row set row by row:
// scrollable cursors with fetchRandomRow, forward-only ones with fetchRow.
// A row that fails is marked SQL_ROW_ERROR, its errors become warnings
// with 01S01, and the fetch goes on with the next row.
#include <sqlext.h>

#include "BaseResultSide.h"
#include "base/BaseErrors.h"

namespace {

constexpr int MAX_PROBE_DOUBLINGS = 31;
// The resume fetch type of older cursor libraries, which the headers no
// longer define.
constexpr SQLUSMALLINT FETCH_RESUME = 7;

// Result of positioning: where the new row set starts, or that it lies
// before the first or after the last row.
enum class Target { ROWS, BEFORE_START, AFTER_END };

struct Position {
    Target target = Target::ROWS;
    SQLULEN start = 0;
    bool clipped = false; // moved to the first row set (01S06)
};

// A start row computed as a signed number: below 1 either clips to the
// first row set (when the row set would still reach row 1) or lies before
// the start.
Position fromSigned(SQLLEN start, SQLULEN rowsetSize) {
    Position position;
    if (start >= 1) {
        position.start = static_cast<SQLULEN>(start);
        return position;
    }
    if (start + static_cast<SQLLEN>(rowsetSize) > 1) {
        position.start = 1;
        position.clipped = true;
        return position;
    }
    position.target = Target::BEFORE_START;
    return position;
}

VxStatus rowsOf(BaseStatement& statement, SQLULEN* rows) {
    return BaseResultSide::numRows(statement, rows);
}

VxStatus locate(BaseStatement& statement, SQLUSMALLINT fetchType, SQLLEN irow, SQLULEN rowsetSize,
                Position* position) {
    const BaseResultState& cursor = BaseResultSide::state(statement);
    SQLULEN rows = 0;
    auto size = static_cast<SQLLEN>(rowsetSize);
    auto current = static_cast<SQLLEN>(cursor.rowsetStart);
    switch (fetchType) {
    case SQL_FETCH_NEXT:
        if (cursor.afterEnd) {
            position->target = Target::AFTER_END;
            return VX_SUCCESS;
        }
        position->start = cursor.rowsetStart == 0 ? 1 : cursor.rowsetStart + rowsetSize;
        return VX_SUCCESS;
    case SQL_FETCH_FIRST:
        position->start = 1;
        return VX_SUCCESS;
    case SQL_FETCH_PRIOR:
        if (cursor.afterEnd) {
            if (rowsOf(statement, &rows) != VX_SUCCESS)
                return VX_ERROR;
            *position = fromSigned(static_cast<SQLLEN>(rows) - size + 1, rowsetSize);
            return VX_SUCCESS;
        }
        if (current <= 1) {
            position->target = Target::BEFORE_START;
            return VX_SUCCESS;
        }
        *position = fromSigned(current - size, rowsetSize);
        return VX_SUCCESS;
    case SQL_FETCH_LAST:
        if (rowsOf(statement, &rows) != VX_SUCCESS)
            return VX_ERROR;
        if (rows == 0) {
            position->target = Target::AFTER_END;
            return VX_SUCCESS;
        }
        position->start = rows > rowsetSize ? rows - rowsetSize + 1 : 1;
        return VX_SUCCESS;
    case SQL_FETCH_ABSOLUTE:
    case SQL_FETCH_BOOKMARK:
        if (irow > 0) {
            position->start = static_cast<SQLULEN>(irow);
            return VX_SUCCESS;
        }
        if (irow == 0) {
            position->target = Target::BEFORE_START;
            return VX_SUCCESS;
        }
        if (rowsOf(statement, &rows) != VX_SUCCESS)
            return VX_ERROR;
        *position = fromSigned(static_cast<SQLLEN>(rows) + irow + 1, rowsetSize);
        return VX_SUCCESS;
    case SQL_FETCH_RELATIVE:
        if (cursor.afterEnd && irow < 0) {
            if (rowsOf(statement, &rows) != VX_SUCCESS)
                return VX_ERROR;
            *position = fromSigned(static_cast<SQLLEN>(rows) + 1 + irow, rowsetSize);
            return VX_SUCCESS;
        }
        if (cursor.afterEnd) {
            position->target = Target::AFTER_END;
            return VX_SUCCESS;
        }
        if (current == 0 && irow <= 0) {
            position->target = Target::BEFORE_START;
            return VX_SUCCESS;
        }
        *position = fromSigned((current == 0 ? 0 : current) + irow, rowsetSize);
        return VX_SUCCESS;
    default:
        addOdbcError(ODBC_S1106);
        return VX_ERROR;
    }
}

// Reads one row of the row set; *noRow when it does not exist.
VxStatus readRow(BaseStatement& statement, SQLULEN row, bool scrollable, unsigned short* noRow) {
    BaseResultState& cursor = BaseResultSide::state(statement);
    VxStatus status = VX_SUCCESS;
    if (scrollable)
        status = BaseResultSide::fetchRandom(statement, row, noRow, 0);
    else if (BaseResultSide::beyondMaxRows(statement, row))
        *noRow = 1;
    else
        status = BaseResultSide::fetchNext(statement, noRow);
    if (status == VX_SUCCESS && !*noRow) {
        cursor.currentRow = row;
        cursor.onRow = true;
        if (!scrollable)
            cursor.rowsFetched = row;
    } else {
        cursor.onRow = false;
    }
    return status;
}

void setStatus(SQLUSMALLINT* rowStatus, SQLULEN index, SQLUSMALLINT value) {
    if (rowStatus)
        rowStatus[index] = value;
}

// Fetches the row set starting at `start`; *fetched counts the rows that
// exist (failed rows included).
VxStatus fetchRowset(BaseStatement& statement, SQLULEN start, SQLULEN rowsetSize,
                     SQLUSMALLINT* rowStatus, SQLULEN* fetched, bool* pending) {
    bool scrollable = BaseResultSide::isScrollable(statement);
    BaseErrorList& errors = BaseResultSide::errors(statement);
    BaseResultState& cursor = BaseResultSide::state(statement);
    *fetched = 0;
    bool ended = false;
    for (SQLULEN index = 0; index < rowsetSize; ++index) {
        if (ended) {
            setStatus(rowStatus, index, SQL_ROW_NOROW);
            continue;
        }
        std::uint32_t mark = errors.getCount();
        unsigned short noRow = 0;
        VxStatus status = readRow(statement, start + index, scrollable, &noRow);
        if (statement.hasFlag(BaseStatement::STMT_ASYNC_PENDING)) {
            *pending = true;
            return VX_SUCCESS;
        }
        if (status == VX_SUCCESS && noRow) {
            ended = true;
            if (!scrollable)
                cursor.afterEnd = true;
            setStatus(rowStatus, index, SQL_ROW_NOROW);
            continue;
        }
        ++*fetched;
        if (status == VX_SUCCESS)
            status = BaseResultSide::transferRow(statement, index);
        if (status == VX_SUCCESS) {
            setStatus(rowStatus, index, SQL_ROW_SUCCESS);
            continue;
        }
        if (errors.getCount() == mark)
            addOdbcError(ODBC_S1000);
        setStatus(rowStatus, index, SQL_ROW_ERROR);
        // A row set of one row fails as a whole, as SQLFetch does.
        if (rowsetSize == 1)
            return VX_ERROR;
        BaseResultSide::demoteErrors(statement, mark);
        addOdbcWarning(ODBC_01S01);
        setStatus(rowStatus, index, SQL_ROW_ERROR);
    }
    return VX_SUCCESS;
}

VxStatus checkFetchType(BaseStatement& statement, SQLUSMALLINT fetchType) {
    if (fetchType == FETCH_RESUME) {
        addOdbcError(ODBC_S1C00);
        return VX_ERROR;
    }
    if (fetchType < SQL_FETCH_NEXT || fetchType > SQL_FETCH_BOOKMARK) {
        addOdbcError(ODBC_S1106);
        return VX_ERROR;
    }
    if (!BaseResultSide::isScrollable(statement) && fetchType != SQL_FETCH_NEXT) {
        addOdbcError(ODBC_S1106, 6064);
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

// Brackets the fetch of a row and the transfer of its bound columns as
// one piece of per-row work for the driver.
class RowWork {
public:
    explicit RowWork(BaseStatement& statement) : statement_(statement) {
        statement_.rowTransfer(true);
    }
    ~RowWork() { statement_.rowTransfer(false); }
    RowWork(const RowWork&) = delete;
    RowWork& operator=(const RowWork&) = delete;

private:
    BaseStatement& statement_;
};

} // namespace

SQLRETURN BaseStatement::SQLFetch() {
    BaseStatementCall call(*this, SQL_API_SQLFETCH);
    if (call.isBusy())
        return BASE_BUSY;
    if (BaseResultSide::requireCursor(*this) != VX_SUCCESS)
        return call.finish(SQL_ERROR);
    std::uint16_t count = 0;
    if (BaseResultSide::columnCount(*this, &count) != VX_SUCCESS)
        return call.finish(SQL_ERROR);
    if (result_.afterEnd)
        return call.finish(SQL_NO_DATA_FOUND);
    result_.forgetGetData();
    bool scrollable = BaseResultSide::isScrollable(*this);
    SQLULEN row = (scrollable ? result_.rowsetStart : result_.rowsFetched) + 1;
    unsigned short noMore = 0;
    VxStatus status = VX_SUCCESS;
    RowWork work(*this);
    if (BaseResultSide::beyondMaxRows(*this, row))
        noMore = 1;
    else
        status = BaseResultSide::fetchNext(*this, &noMore);
    if (hasFlag(STMT_ASYNC_PENDING))
        return call.finish(SQL_STILL_EXECUTING);
    if (status != VX_SUCCESS) {
        result_.onRow = false;
        return call.finish(SQL_ERROR);
    }
    if (noMore) {
        result_.afterEnd = true;
        result_.onRow = false;
        result_.rowsInRowset = 0;
        return call.finish(SQL_NO_DATA_FOUND);
    }
    result_.rowsetStart = result_.currentRow = result_.positionRow = row;
    result_.rowStatus = nullptr;
    result_.rowsFetched = row;
    result_.rowsInRowset = 1;
    result_.onRow = true;
    return call.finish(baseReturnCode(BaseResultSide::transferRow(*this, 0)));
}

SQLRETURN BaseStatement::SQLExtendedFetch(SQLUSMALLINT fFetchType, SQLLEN irow, SQLULEN* pcrow,
                                          SQLUSMALLINT* rgfRowStatus) {
    BaseStatementCall call(*this, SQL_API_SQLEXTENDEDFETCH);
    if (call.isBusy())
        return BASE_BUSY;
    if (pcrow)
        *pcrow = 0;
    std::uint16_t count = 0;
    if (BaseResultSide::requireCursor(*this) != VX_SUCCESS ||
        BaseResultSide::columnCount(*this, &count) != VX_SUCCESS ||
        checkFetchType(*this, fFetchType) != VX_SUCCESS)
        return call.finish(SQL_ERROR);
    SQLULEN rowsetSize = options_.get(SQL_ROWSET_SIZE);
    if (rowsetSize == 0)
        rowsetSize = 1;
    Position position;
    if (locate(*this, fFetchType, irow, rowsetSize, &position) != VX_SUCCESS)
        return call.finish(SQL_ERROR);
    result_.forgetGetData();
    result_.rowStatus = rgfRowStatus;
    if (position.target != Target::ROWS) {
        result_.onRow = false;
        result_.rowsInRowset = 0;
        result_.afterEnd = position.target == Target::AFTER_END;
        result_.rowsetStart = 0;
        for (SQLULEN index = 0; rgfRowStatus && index < rowsetSize; ++index)
            rgfRowStatus[index] = SQL_ROW_NOROW;
        return call.finish(SQL_NO_DATA_FOUND);
    }
    if (position.clipped)
        addOdbcWarning(ODBC_01S06);
    SQLULEN fetched = 0;
    bool pending = false;
    if (!BaseResultSide::isScrollable(*this))
        position.start = result_.rowsFetched + 1;
    VxStatus status =
        fetchRowset(*this, position.start, rowsetSize, rgfRowStatus, &fetched, &pending);
    if (pending)
        return call.finish(SQL_STILL_EXECUTING);
    if (status != VX_SUCCESS)
        return call.finish(SQL_ERROR);
    if (pcrow)
        *pcrow = fetched;
    if (fetched == 0) {
        result_.afterEnd = true;
        result_.onRow = false;
        result_.rowsetStart = 0;
        result_.rowsInRowset = 0;
        return call.finish(SQL_NO_DATA_FOUND);
    }
    result_.afterEnd = false;
    result_.rowsetStart = result_.positionRow = position.start;
    result_.rowsInRowset = fetched;
    return call.finish(SQL_SUCCESS);
}

// Probes fetchRandomRow: doubles the probe row from 2 until no row is
// found (at most 31 doublings), then halves the interval between the last
// row found and the first row missing.
VxStatus BaseStatement::getNumRows(SQLULEN* rows) {
    *rows = 0;
    unsigned short noMore = 0;
    if (BaseResultSide::fetchRandom(*this, 1, &noMore, 0) != VX_SUCCESS)
        return VX_ERROR;
    if (noMore)
        return VX_SUCCESS;
    SQLULEN found = 1;
    SQLULEN missing = 0;
    SQLULEN probe = 2;
    for (int doubling = 0; doubling < MAX_PROBE_DOUBLINGS; ++doubling, probe *= 2) {
        if (BaseResultSide::fetchRandom(*this, probe, &noMore, 0) != VX_SUCCESS)
            return VX_ERROR;
        if (noMore) {
            missing = probe;
            break;
        }
        found = probe;
    }
    while (missing != 0 && missing - found > 1) {
        SQLULEN middle = found + (missing - found) / 2;
        if (BaseResultSide::fetchRandom(*this, middle, &noMore, 0) != VX_SUCCESS)
            return VX_ERROR;
        (noMore ? missing : found) = middle;
    }
    result_.onRow = false;
    result_.currentRow = 0;
    *rows = found;
    return VX_SUCCESS;
}
