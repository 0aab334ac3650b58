// Reading BIFF records from a stream: sequences, the BOF version check,
// record bounds, the window over the stream, and a real workbook.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "error/XlsErrors.h"
#include "record/XlsCellBuffer.h"
#include "storage/XlsCompoundFile.h"
#include "util/VxError.h"

namespace {

// A stream over bytes in memory; reads past `failAt` fail.
class MemoryStream final : public XlsStream {
public:
    explicit MemoryStream(std::vector<std::uint8_t> bytes, std::uint64_t failAt = UINT64_MAX)
        : bytes_(std::move(bytes)), failAt_(failAt) {}
    std::uint64_t getSize() const override { return bytes_.size(); }
    XlsStorageResult read(std::uint64_t offset, void* buffer, std::size_t length,
                          std::size_t* count) override {
        *count = 0;
        if (offset + length > failAt_)
            return XlsStorageResult::failure(XLS_STORAGE_READ_FAILED, XLS_STG_E_READFAULT);
        if (offset >= bytes_.size())
            return XlsStorageResult::success();
        *count = std::min<std::size_t>(length, bytes_.size() - offset);
        std::memcpy(buffer, bytes_.data() + offset, *count);
        return XlsStorageResult::success();
    }

private:
    std::vector<std::uint8_t> bytes_;
    std::uint64_t failAt_;
};

void addRecord(std::vector<std::uint8_t>* out, std::uint16_t number, std::size_t length,
               std::uint8_t fill = 0) {
    out->push_back(static_cast<std::uint8_t>(number));
    out->push_back(static_cast<std::uint8_t>(number >> 8));
    out->push_back(static_cast<std::uint8_t>(length));
    out->push_back(static_cast<std::uint8_t>(length >> 8));
    for (std::size_t i = 0; i < length; ++i)
        out->push_back(static_cast<std::uint8_t>(fill + i));
}

std::vector<std::uint8_t> bof(std::uint16_t version) {
    std::vector<std::uint8_t> out;
    addRecord(&out, XLS_REC_BOF, 8);
    out[4] = static_cast<std::uint8_t>(version);
    out[5] = static_cast<std::uint8_t>(version >> 8);
    out[6] = 5;
    out[7] = 0;
    return out;
}

// The number and text of the one error the call raised.
struct Raised {
    unsigned short number = 0;
    std::string text;
};

template <typename Call> Raised raised(Call call) {
    VxErrorList list(nullptr, 1);
    VxErrorListScope scope(&list);
    EXPECT_EQ(call(), VX_ERROR);
    Raised r;
    if (VxError* error = list.getLastError()) {
        r.number = error->getNumber();
        r.text = error->getErrorText();
    }
    return r;
}

} // namespace

TEST(CellBuffer, ReadsRecordsAcrossTheWindow) {
    std::vector<std::uint8_t> bytes = bof(XLS_BIFF5_VERSION);
    // Enough records of every size up to the limit to cross many window borders.
    std::vector<std::uint64_t> offsets;
    for (std::size_t length = 0; length <= XLS_MAX_RECORD_BODY; length += 37) {
        offsets.push_back(bytes.size());
        addRecord(&bytes, static_cast<std::uint16_t>(length), length,
                  static_cast<std::uint8_t>(length));
    }
    offsets.push_back(bytes.size());
    addRecord(&bytes, 0x00FF, XLS_MAX_RECORD_BODY, 9);
    addRecord(&bytes, XLS_REC_EOF, 0);
    MemoryStream stream(bytes);
    XlsCellBuffer buffer(&stream, "/d/b.xls");
    ASSERT_EQ(buffer.readBof(0), VX_SUCCESS);
    std::uint64_t offset = buffer.getNextOffset();
    bool atEnd = false;
    for (std::uint64_t expected : offsets) {
        ASSERT_EQ(offset, expected);
        ASSERT_EQ(buffer.readRecord(offset, &atEnd), VX_SUCCESS);
        ASSERT_FALSE(atEnd);
        std::size_t length = buffer.getLength();
        ASSERT_EQ(0, std::memcmp(buffer.getBody(), bytes.data() + offset + 4, length));
        offset = buffer.getNextOffset();
    }
    ASSERT_EQ(buffer.readRecord(offset, &atEnd), VX_SUCCESS);
    EXPECT_EQ(buffer.getNumber(), XLS_REC_EOF);
    ASSERT_EQ(buffer.readRecord(buffer.getNextOffset(), &atEnd), VX_SUCCESS);
    EXPECT_TRUE(atEnd);
    // Random access: back to an earlier record.
    ASSERT_EQ(buffer.readRecord(offsets[3], &atEnd), VX_SUCCESS);
    EXPECT_EQ(buffer.getLength(), 3 * 37);
    EXPECT_EQ(buffer.getBody()[0], 3 * 37);
}

TEST(CellBuffer, RefusesOtherVersionsOversizedAndCutRecords) {
    const char* notExcel = "This file is not a Microsoft Excel worksheet : /d/b.xls";
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Case> cases;
    cases.push_back({"BIFF8 workbook", bof(0x0600)});
    cases.push_back({"BIFF7 with another version", bof(0x0400)});
    std::vector<std::uint8_t> other;
    addRecord(&other, 0x0209, 8);
    cases.push_back({"not a BOF", other});
    std::vector<std::uint8_t> shortBof;
    addRecord(&shortBof, XLS_REC_BOF, 2, 0);
    cases.push_back({"BOF too short", shortBof});
    cases.push_back({"empty stream", {}});
    for (const Case& c : cases) {
        MemoryStream stream(c.bytes);
        XlsCellBuffer buffer(&stream, "/d/b.xls");
        Raised r = raised([&] { return buffer.readBof(0); });
        EXPECT_EQ(r.number, XLS_MSG_NOT_EXCEL) << c.what;
        EXPECT_EQ(r.text, notExcel) << c.what;
    }

    std::vector<std::uint8_t> bytes = bof(XLS_BIFF5_VERSION);
    addRecord(&bytes, 0x0004, XLS_MAX_RECORD_BODY + 1);
    std::vector<std::uint8_t> cutBody = bof(XLS_BIFF5_VERSION);
    addRecord(&cutBody, 0x0004, 100);
    cutBody.resize(cutBody.size() - 1);
    std::vector<std::uint8_t> cutHeader = bof(XLS_BIFF5_VERSION);
    cutHeader.push_back(4);
    cutHeader.push_back(0);
    for (const auto& b : {bytes, cutBody, cutHeader}) {
        MemoryStream stream(b);
        XlsCellBuffer buffer(&stream, "/d/b.xls");
        ASSERT_EQ(buffer.readBof(0), VX_SUCCESS);
        bool atEnd = false;
        Raised r = raised([&] { return buffer.readRecord(12, &atEnd); });
        EXPECT_EQ(r.number, XLS_MSG_NOT_EXCEL);
        EXPECT_EQ(r.text, notExcel);
    }

    // A failing read of the stream.
    bytes = bof(XLS_BIFF5_VERSION);
    addRecord(&bytes, 0x0004, 100);
    MemoryStream failing(bytes, 50);
    XlsCellBuffer buffer(&failing, "/d/b.xls");
    bool atEnd = false;
    Raised r = raised([&] { return buffer.readRecord(12, &atEnd); });
    EXPECT_EQ(r.number, XLS_MSG_STREAM_READ);
    EXPECT_EQ(r.text, "Failure while reading from stream. OLE error code (30).");
}

TEST(CellBuffer, WalksAWorkbookWrittenBySpreadsheetProgram) {
    XlsCompoundFile file;
    ASSERT_TRUE(file.open(XLS_TEST_DATA "/gnumeric_rows.xls").ok());
    XlsStream* raw = nullptr;
    ASSERT_TRUE(file.openStream("Book", &raw).ok());
    std::unique_ptr<XlsStream> stream(raw);
    XlsCellBuffer buffer(stream.get(), "gnumeric_rows.xls");
    // The globals and the one sheet: each starts with a BOF and ends with an EOF.
    ASSERT_EQ(buffer.readBof(0), VX_SUCCESS);
    std::uint64_t offset = 0;
    int bofs = 0, eofs = 0, records = 0;
    bool atEnd = false;
    while (buffer.readRecord(offset, &atEnd) == VX_SUCCESS && !atEnd) {
        bofs += buffer.getNumber() == XLS_REC_BOF;
        eofs += buffer.getNumber() == XLS_REC_EOF;
        ++records;
        offset = buffer.getNextOffset();
    }
    EXPECT_TRUE(atEnd);
    EXPECT_EQ(offset, stream->getSize());
    EXPECT_EQ(bofs, 2);
    EXPECT_EQ(eofs, 2);
    EXPECT_GT(records, 1800); // 601 rows of 3 cells
}
