// FlatOptPlan: plan listings into a memory buffer or a file.
#include "flat/FlatOptPlan.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "flat/FlatResultSet.h"
#include "flat/FlatResultSetColumn.h"
#include "util/VxError.h"
#include "util/bos.h"

namespace {

constexpr unsigned BLOCK_INDENT = 3;

// Costs are 32-bit floats: seven significant digits show them exactly
// enough, without trailing zeros (600.6, 1, 50650.6).
void formatCost(char* out, std::size_t size, const char* label, float value) {
    std::snprintf(out, size, "%s%.7g", label, static_cast<double>(value));
}

void formatCount(char* out, std::size_t size, const char* label, std::uint32_t value) {
    std::snprintf(out, size, "%s%lu", label, static_cast<unsigned long>(value));
}

} // namespace

FlatOptPlan::FlatOptPlan(char* buffer, std::size_t size) : buffer_(buffer), size_(size) {}

FlatOptPlan::FlatOptPlan(const char* path, bool append) : path_(path), append_(append) {}

FlatOptPlan::~FlatOptPlan() {
    (void)close();
}

VxStatus FlatOptPlan::writeLine(unsigned indent, const char* text) {
    for (unsigned i = 0; i < indent; ++i)
        if (text_.concat(' ') != VX_SUCCESS)
            return VX_ERROR;
    if (text_.concat(text) != VX_SUCCESS)
        return VX_ERROR;
    return text_.concat("\r\n");
}

VxStatus FlatOptPlan::writeTree(FlatResultSet* root) {
    return root ? root->dump(this, 0) : VX_SUCCESS;
}

VxStatus FlatOptPlan::writeOperatorInfo(FlatResultSet* op, unsigned indent) {
    char line[128];
    if (hasCosts()) {
        // The estimates first, so that the profile shown is the one they
        // were computed for.
        const float execution = op->getExecutionCost();
        const float fetchAll = op->getFetchAllCost();
        const float reposition = op->getRepositionCost();
        const std::uint32_t rows = op->getNumRows();
        const FlatQueryExeProfile& profile = op->getExeProfile();
        const unsigned inner = indent + BLOCK_INDENT;
        if (writeLine(indent, "Query Cost") != VX_SUCCESS)
            return VX_ERROR;
        formatCost(line, sizeof line, "Execution Cost: ", execution);
        if (writeLine(inner, line) != VX_SUCCESS)
            return VX_ERROR;
        formatCost(line, sizeof line, "FetchAll Cost: ", fetchAll);
        if (writeLine(inner, line) != VX_SUCCESS)
            return VX_ERROR;
        formatCost(line, sizeof line, "Reposition Cost: ", reposition);
        if (writeLine(inner, line) != VX_SUCCESS)
            return VX_ERROR;
        formatCount(line, sizeof line, "NumRows: ", rows);
        if (writeLine(inner, line) != VX_SUCCESS || writeLine(indent, "ExeProfile") != VX_SUCCESS)
            return VX_ERROR;
        formatCount(line, sizeof line, "NumExecution: ", profile.numExecution);
        if (writeLine(inner, line) != VX_SUCCESS)
            return VX_ERROR;
        formatCount(line, sizeof line, "NumFetchAll: ", profile.numFetchAll);
        if (writeLine(inner, line) != VX_SUCCESS)
            return VX_ERROR;
        formatCount(line, sizeof line, "NumReposition: ", profile.numReposition);
        if (writeLine(inner, line) != VX_SUCCESS)
            return VX_ERROR;
    }
    if (writeLine(indent, "ResultSetColumns:") != VX_SUCCESS)
        return VX_ERROR;
    for (std::uint16_t i = 0; i < op->getColumnCount(); ++i) {
        const FlatResultSetColumn* column = op->getColumn(i);
        if (!column)
            continue;
        std::snprintf(line, sizeof line, "COL#%u SqlType:%d Precision:%lu Scale:%d",
                      static_cast<unsigned>(i + 1), column->getSqlType(),
                      static_cast<unsigned long>(column->getPrecision()), column->getScale());
        if (writeLine(indent + BLOCK_INDENT, line) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus FlatOptPlan::close() {
    if (closed_)
        return VX_SUCCESS;
    closed_ = true;
    if (path_)
        return writeFile();
    if (!buffer_ || size_ == 0)
        return VX_SUCCESS;
    std::size_t length = text_.length();
    if (length >= size_)
        length = size_ - 1;
    if (length > 0)
        std::memcpy(buffer_, text_.getText(), length);
    buffer_[length] = 0;
    return VX_SUCCESS;
}

VxStatus FlatOptPlan::writeFile() {
    int handle = -1;
    std::int64_t offset = 0;
    if (append_ && bosexist(path_)) {
        if (bosFileOpen(path_, BOS_OPEN_READWRITE, &handle) != VX_SUCCESS)
            return VX_ERROR;
        if (bosFileSize(handle, &offset) != VX_SUCCESS) {
            (void)bosFileClose(handle);
            return VX_ERROR;
        }
    } else if (bosFileOpen(path_, BOS_OPEN_CREATE | BOS_OPEN_READWRITE, &handle) != VX_SUCCESS) {
        return VX_ERROR;
    }
    VxStatus written = text_.length() == 0
                           ? VX_SUCCESS
                           : bosFileWrite(handle, offset, text_.getText(), text_.length());
    VxStatus closed = bosFileClose(handle);
    return written == VX_SUCCESS ? closed : written;
}

void flatAppendPlanListing(const char* path, const char* sql, FlatResultSet* root) {
    if (!path || !*path || !root)
        return;
    // Whatever goes wrong here stays in this list and is dropped.
    VxErrorList quiet(nullptr, 0);
    VxErrorListScope scope(&quiet);
    FlatOptPlan plan(path, true);
    if (plan.writeLine(0, sql ? sql : "") == VX_SUCCESS && plan.writeTree(root) == VX_SUCCESS)
        (void)plan.writeLine(0, "");
    // Statements of several threads append one after the other: each
    // writes at the end it finds.
    static std::mutex appending;
    std::lock_guard<std::mutex> hold(appending);
    (void)plan.close();
}
