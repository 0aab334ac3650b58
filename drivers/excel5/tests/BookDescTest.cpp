// Opening workbooks: which names are tables, the sheets, cell formats and
// date system of the globals, and the messages of workbooks refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CompoundWriter.h"
#include "book/XlsBookDesc.h"
#include "error/XlsErrors.h"
#include "record/XlsCellBuffer.h"
#include "util/VxError.h"

namespace {

class BookBuilder {
public:
    BookBuilder& record(std::uint16_t number, const std::vector<std::uint8_t>& body) {
        push16(number);
        push16(static_cast<std::uint16_t>(body.size()));
        bytes_.insert(bytes_.end(), body.begin(), body.end());
        return *this;
    }
    BookBuilder& bof(std::uint16_t version = XLS_BIFF5_VERSION) {
        return record(XLS_REC_BOF, {static_cast<std::uint8_t>(version),
                                    static_cast<std::uint8_t>(version >> 8), 5, 0, 0, 0, 0, 0});
    }
    // A NAME whose definition is a 3-D area.
    BookBuilder& name(const std::string& text, std::uint16_t flags, std::uint16_t sheets[2],
                      std::uint16_t firstRow, std::uint16_t lastRow, std::uint16_t field6 = 0) {
        std::vector<std::uint8_t> body(14, 0);
        body[0] = static_cast<std::uint8_t>(flags);
        body[3] = static_cast<std::uint8_t>(text.size());
        body[4] = 21;
        body[6] = static_cast<std::uint8_t>(field6);
        body.insert(body.end(), text.begin(), text.end());
        std::vector<std::uint8_t> area(21, 0);
        area[0] = 0x3B;
        area[1] = area[2] = 0xFF;
        CompoundWriter::put16(area.data() + 11, sheets[0]);
        CompoundWriter::put16(area.data() + 13, sheets[1]);
        CompoundWriter::put16(area.data() + 15, firstRow);
        CompoundWriter::put16(area.data() + 17, lastRow);
        area[19] = 1;
        area[20] = 3;
        body.insert(body.end(), area.begin(), area.end());
        return record(XLS_REC_NAME, body);
    }
    std::vector<std::uint8_t> eof() {
        record(XLS_REC_EOF, {});
        return bytes_;
    }

private:
    void push16(std::uint16_t v) {
        bytes_.push_back(static_cast<std::uint8_t>(v));
        bytes_.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    std::vector<std::uint8_t> bytes_;
};

std::string writeBook(const std::string& file, const std::vector<std::uint8_t>& book,
                      const char* streamName = "Book") {
    CompoundWriter writer(9);
    writer.addStream(streamName, book);
    return writeTestFile(file, writer.build());
}

// Opens `path`; on failure the number and text of the error raised.
struct Opened {
    VxStatus status = VX_ERROR;
    unsigned short number = 0;
    std::string text;
};

Opened openBook(XlsBookDesc& book, const std::string& path) {
    VxErrorList list(nullptr, 1);
    VxErrorListScope scope(&list);
    Opened o;
    o.status = book.open(path.c_str());
    if (VxError* error = list.getLastError()) {
        o.number = error->getNumber();
        o.text = error->getErrorText();
    }
    return o;
}

} // namespace

TEST(BookDesc, NamesOfAWorkbookWrittenBySpreadsheetProgram) {
    // Written by ssconvert from gnumeric_names.gnumeric: two sheets, ranges
    // People (Sheet1!A1:C3) and Other (Sheet2!B2:C4), a constant, a single
    // cell, and the built-in names gnumeric adds per sheet.
    XlsBookDesc book;
    ASSERT_EQ(openBook(book, XLS_TEST_DATA "/gnumeric_names.xls").status, VX_SUCCESS);
    ASSERT_EQ(book.getNameCount(), 2u);
    const XlsNameDesc* people = book.findName("PEOPLE");
    ASSERT_NE(people, nullptr);
    EXPECT_STREQ(people->name, "People");
    EXPECT_EQ(people->sheet, 0);
    EXPECT_EQ(people->firstRow, 0);
    EXPECT_EQ(people->lastRow, 2);
    EXPECT_EQ(people->firstColumn, 0);
    EXPECT_EQ(people->lastColumn, 2);
    const XlsNameDesc* other = book.findName("other");
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->sheet, 1);
    EXPECT_EQ(other->firstRow, 1);
    EXPECT_EQ(other->lastRow, 3);
    EXPECT_EQ(other->firstColumn, 1);
    EXPECT_EQ(other->lastColumn, 2);
    EXPECT_EQ(book.findName("Constant"), nullptr);
    EXPECT_EQ(book.findName("Cell"), nullptr);
    ASSERT_EQ(book.getSheetCount(), 2u);
    EXPECT_EQ(book.getSheetOffset(0), 0x0670u);
    EXPECT_EQ(book.getSheetOffset(1), 0x085Eu);
    EXPECT_GT(book.getXfCount(), 15u);
    EXPECT_FALSE(book.is1904());
    // Each sheet offset is the sheet's own BOF.
    XlsCellBuffer buffer(book.getBookStream(), book.getPath());
    EXPECT_EQ(buffer.readBof(book.getSheetOffset(1)), VX_SUCCESS);
}

TEST(BookDesc, NameFilter) {
    std::uint16_t one[2] = {0, 0}, two[2] = {0, 1};
    std::vector<std::uint8_t> code6 = {6};
    BookBuilder builder;
    builder.bof()
        .record(XLS_REC_DATEMODE, {1, 0})
        .record(XLS_REC_XF, {0, 0, 14, 0})
        .record(XLS_REC_XF, {0, 0, 22, 0})
        .name("Plain", 0, one, 0, 9)
        .name(std::string(1, '\4'), 0x20, one, 1, 5) // built-in Database
        .name(std::string(1, '\6'), 0x20, one, 1, 5) // built-in Print_Area
        .name("Hidden", 0x01, one, 0, 9)             // other option flags
        .name("Field6", 0, one, 0, 9, 1)             // field at offset 6 set
        .name("TwoSheets", 0, two, 0, 9)             // 3-D across sheets
        .name("TooLow", 0, one, 0, 0x4000)           // row 16384
        .name("Relative", 0, one, 0xC000, 0xC009)    // relative rows
        .name(std::string(40, 'L'), 0, one, 0, 1);   // kept to 32 characters
    // A NAME whose lengths run past its record, and one too short to hold its fields.
    builder.record(XLS_REC_NAME, {0, 0, 0, 200, 21, 0, 0, 0, 0, 0, 0, 0, 0, 0, 'x'});
    builder.record(XLS_REC_NAME, {0, 0, 0, 1});
    builder.record(0x0085, {0x10, 0, 0, 0, 0, 0, 1, 'S'});
    auto bytes = builder.eof();
    XlsBookDesc book;
    ASSERT_EQ(openBook(book, writeBook("filter", bytes)).status, VX_SUCCESS);
    ASSERT_EQ(book.getNameCount(), 3u);
    EXPECT_STREQ(book.getName(0).name, "Plain");
    EXPECT_STREQ(book.getName(1).name, "Database");
    EXPECT_EQ(book.getName(1).firstRow, 1);
    EXPECT_EQ(book.getName(2).name, std::string(32, 'L'));
    EXPECT_TRUE(book.is1904());
    ASSERT_EQ(book.getXfCount(), 2u);
    EXPECT_EQ(book.getXfFormat(1), 22);
    ASSERT_EQ(book.getSheetCount(), 1u);
    EXPECT_EQ(book.getSheetOffset(0), 0x10u);
}

TEST(BookDesc, RefusedWorkbooksAndTheirMessages) {
    auto password = BookBuilder().bof().record(XLS_REC_FILEPASS, {1, 2, 3, 4}).eof();
    std::string path = writeBook("password", password);
    XlsBookDesc a;
    Opened o = openBook(a, path);
    EXPECT_EQ(o.number, XLS_MSG_PASSWORD);
    EXPECT_EQ(o.text, "This file is PASSWORD protected : " + path);

    // A later format (BIFF8, Excel 97) is refused, not misread.
    path = writeBook("biff8", BookBuilder().bof(0x0600).eof());
    XlsBookDesc b;
    o = openBook(b, path);
    EXPECT_EQ(o.number, XLS_MSG_NOT_EXCEL);
    EXPECT_EQ(o.text, "This file is not a Microsoft Excel worksheet : " + path);

    // Excel 97 and later name the stream "Workbook": refused the same way.
    path = writeBook("workbook", BookBuilder().bof(0x0600).eof(), "Workbook");
    XlsBookDesc c;
    o = openBook(c, path);
    EXPECT_EQ(o.number, XLS_MSG_NOT_EXCEL);
    EXPECT_EQ(o.text, "This file is not a Microsoft Excel worksheet : " + path);

    // Neither stream: 1204.
    path = writeBook("nobook", BookBuilder().bof(0x0500).eof(), "Other");
    XlsBookDesc e;
    o = openBook(e, path);
    EXPECT_EQ(o.number, XLS_MSG_CANNOT_OPEN_STREAM);
    EXPECT_EQ(o.text, "Cannot open stream Book.  OLE error code (2).");

    XlsBookDesc d;
    o = openBook(d, path + ".missing");
    EXPECT_EQ(o.number, XLS_MSG_NO_WORKBOOK);
    EXPECT_EQ(o.text, "Workbook does not exist: " + path + ".missing");
}
