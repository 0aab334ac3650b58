#include "record/TxtRecordWriter.h"

#include <cstring>

#include "error/TxtErrors.h"
#include "util/bos.h"
#include "util/ram.h"

namespace {

constexpr unsigned short REGION_LOCKED = 1512;
constexpr unsigned LOCK_RETRY_MILLISECONDS = 10;

VxStatus formatFixed(const TxtGuessResult& layout, const char* const* values,
                     const std::size_t* lengths, TxtTextBuffer* line) {
    std::size_t lineLength = 0;
    for (std::uint16_t i = 0; i < layout.getFieldCount(); ++i) {
        const TxtGuessField& field = layout.getField(i);
        std::size_t end = static_cast<std::size_t>(field.offset) + field.width;
        if (end > lineLength)
            lineLength = end;
    }
    if (line->appendFill(' ', lineLength))
        return VX_ERROR;
    for (std::uint16_t i = 0; i < layout.getFieldCount(); ++i) {
        const TxtGuessField& field = layout.getField(i);
        std::size_t length = values[i] ? lengths[i] : 0;
        if (length > field.width) {
            VxString value;
            (void)value.initialize(values[i], length > 200 ? 200 : length);
            txtAddError(ODBC_22001, TXT_MSG_VALUE_TOO_WIDE)
                << value.getText() << field.name << static_cast<unsigned long>(field.width);
            return VX_ERROR;
        }
        if (length)
            std::memcpy(line->data() + field.offset, values[i], length);
    }
    return VX_SUCCESS;
}

VxStatus formatDelimited(const TxtGuessResult& layout, const char* const* values,
                         const std::size_t* lengths, TxtTextBuffer* line) {
    for (std::uint16_t i = 0; i < layout.getFieldCount(); ++i) {
        const TxtGuessField& field = layout.getField(i);
        if (i > 0 && line->append(layout.delimiter))
            return VX_ERROR;
        const char* value = values[i] ? values[i] : "";
        std::size_t length = values[i] ? lengths[i] : 0;
        // Numbers go bare unless they hold the delimiter (a "." or "-"
        // delimiter), which only quotes keep from splitting them.
        if (field.type == TXT_COLUMN_NUMERIC && !std::memchr(value, layout.delimiter, length)) {
            if (line->append(value, length))
                return VX_ERROR;
            continue;
        }
        if (line->append('"'))
            return VX_ERROR;
        for (std::size_t k = 0; k < length; ++k)
            if ((value[k] == '"' && line->append('"')) || line->append(value[k]))
                return VX_ERROR;
        if (line->append('"'))
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

} // namespace

VxStatus TxtRecordWriter::formatRecord(const TxtGuessResult& layout, const char* const* values,
                                       const std::size_t* lengths, TxtTextBuffer* line) {
    line->clear();
    VxStatus status = layout.tableType == TXT_TABLE_FIXED
                          ? formatFixed(layout, values, lengths, line)
                          : formatDelimited(layout, values, lengths, line);
    if (status)
        return VX_ERROR;
    return line->append("\r\n", 2);
}

VxStatus TxtRecordWriter::formatHeader(const TxtGuessResult& layout, TxtTextBuffer* line) {
    std::uint16_t count = layout.getFieldCount();
    const char** names = static_cast<const char**>(ramAlloc((count + 1u) * sizeof(char*)));
    std::size_t* lengths = static_cast<std::size_t*>(ramAlloc((count + 1u) * sizeof(std::size_t)));
    VxStatus status = names && lengths ? VX_SUCCESS : VX_ERROR;
    TxtGuessResult asText;
    if (status == VX_SUCCESS)
        status = asText.copyFrom(layout);
    for (std::uint16_t i = 0; status == VX_SUCCESS && i < count; ++i) {
        TxtGuessField& field = asText.getField(i);
        names[i] = field.name;
        lengths[i] = std::strlen(field.name);
        if (layout.tableType == TXT_TABLE_FIXED && lengths[i] > field.width)
            lengths[i] = field.width;
        field.type = TXT_COLUMN_VARCHAR;
    }
    if (status == VX_SUCCESS)
        status = formatRecord(asText, names, lengths, line);
    ramFree(names);
    ramFree(lengths);
    return status;
}

VxStatus TxtRecordWriter::appendRecord(int handle, const TxtGuessResult& layout,
                                       const char* const* values, const std::size_t* lengths,
                                       std::int64_t* recordOffset) {
    TxtTextBuffer line;
    if (formatRecord(layout, values, lengths, &line))
        return VX_ERROR;
    return appendLine(handle, line.data(), line.length(), recordOffset);
}

// Takes the append lock, waiting while another handle holds it. Any other
// lock failure leaves *locked false and the append goes on unlocked.
VxStatus TxtRecordWriter::lockForAppend(int handle, bool* locked) {
    *locked = false;
    for (unsigned waited = 0;; waited += LOCK_RETRY_MILLISECONDS) {
        if (bosRegionLock(handle, false, LOCK_OFFSET, 1) == VX_SUCCESS) {
            *locked = true;
            return VX_SUCCESS;
        }
        if (VxErrorKeeper::getLastErrorNumber() != REGION_LOCKED) {
            VxErrorKeeper::clearLastError();
            return VX_SUCCESS;
        }
        if (waited >= LOCK_WAIT_MILLISECONDS)
            return VX_ERROR;
        VxErrorKeeper::clearLastError();
        bossleep(LOCK_RETRY_MILLISECONDS);
    }
}

// Where the next record goes: the end of the file, or over a trailing
// Ctrl-Z; *needsLineEnd when the last line lacks its line feed.
VxStatus TxtRecordWriter::findAppendOffset(int handle, std::int64_t* offset, bool* needsLineEnd) {
    std::int64_t size = 0;
    *needsLineEnd = false;
    if (bosFileSize(handle, &size))
        return VX_ERROR;
    *offset = size;
    if (size == 0)
        return VX_SUCCESS;
    unsigned char last = 0;
    std::size_t count = 0;
    if (bosFileRead(handle, size - 1, &last, 1, &count))
        return VX_ERROR;
    if (last == 26) {
        *offset = --size;
        if (size == 0 || bosFileRead(handle, size - 1, &last, 1, &count))
            return size == 0 ? VX_SUCCESS : VX_ERROR;
    }
    if (last == '\n' || size == 0)
        return VX_SUCCESS;
    // A file holding nothing but a byte-order mark has no line to end.
    unsigned char start[3] = {0, 0, 0};
    if (size == 3 && bosFileRead(handle, 0, start, 3, &count))
        return VX_ERROR;
    *needsLineEnd = !(size == 3 && start[0] == 0xEF && start[1] == 0xBB && start[2] == 0xBF);
    return VX_SUCCESS;
}

VxStatus TxtRecordWriter::appendLine(int handle, const char* line, std::size_t length,
                                     std::int64_t* recordOffset) {
    bool locked = false;
    if (lockForAppend(handle, &locked))
        return VX_ERROR;
    std::int64_t offset = 0;
    bool needsLineEnd = false;
    VxStatus status = findAppendOffset(handle, &offset, &needsLineEnd);
    std::int64_t size = 0;
    if (status == VX_SUCCESS)
        status = bosFileSize(handle, &size);
    const std::int64_t start = offset;
    if (status == VX_SUCCESS && needsLineEnd) {
        status = bosFileWrite(handle, offset, "\r\n", 2);
        offset += 2;
        if (status)
            takeBackAppend(handle, start, size > start);
    }
    if (status == VX_SUCCESS) {
        status = bosFileWrite(handle, offset, line, length);
        if (status)
            takeBackAppend(handle, start, size > start);
    }
    if (status == VX_SUCCESS && recordOffset)
        *recordOffset = offset;
    if (locked)
        (void)bosRegionLock(handle, true, LOCK_OFFSET, 1);
    return status;
}

// Cuts the file back to where the append started and puts back the Ctrl-Z
// that ended it, if any. The failure itself is what the caller reports;
// this restoring adds no record of its own.
void TxtRecordWriter::takeBackAppend(int handle, std::int64_t start, bool endedWithCtrlZ) {
    VxErrorList* list = VxErrorKeeper::getErrorList();
    std::uint32_t records = list ? list->getCount() : 0;
    if (bosFileTruncate(handle, start) == VX_SUCCESS && endedWithCtrlZ) {
        const char ctrlZ = 26;
        (void)bosFileWrite(handle, start, &ctrlZ, 1);
    }
    while (list && list->getCount() > records)
        VxError::release(static_cast<VxError*>(list->removeLastNode()));
}
