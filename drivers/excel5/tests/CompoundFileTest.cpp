// The compound-file reader over files made by the tests' writer and by a
// real spreadsheet program: where streams live, large files, sector sizes,
// names, and broken files that must be refused without hanging.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <numeric>

#include "CompoundWriter.h"
#include "error/XlsErrors.h"
#include "storage/XlsCompoundFile.h"

namespace {

std::vector<std::uint8_t> pattern(std::size_t size, std::uint32_t seed) {
    std::vector<std::uint8_t> data(size);
    std::uint32_t x = seed * 2654435761u + 1;
    for (auto& b : data) {
        x = x * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(x >> 16);
    }
    return data;
}

// Opens `path` and stream `name`; the stream or null with the failure in *result.
std::unique_ptr<XlsStream> openStream(XlsCompoundFile& file, const std::string& path,
                                      const char* name, XlsStorageResult* result) {
    *result = file.open(path.c_str());
    if (!result->ok())
        return nullptr;
    XlsStream* stream = nullptr;
    *result = file.openStream(name, &stream);
    return std::unique_ptr<XlsStream>(stream);
}

void expectContents(XlsStream& stream, const std::vector<std::uint8_t>& data) {
    ASSERT_EQ(stream.getSize(), data.size());
    std::vector<std::uint8_t> all(data.size() + 10);
    std::size_t count = 0;
    ASSERT_TRUE(stream.read(0, all.data(), all.size(), &count).ok());
    ASSERT_EQ(count, data.size());
    all.resize(count);
    EXPECT_TRUE(all == data);
    // Pieces that start and end inside sectors and cross their borders.
    const std::size_t offsets[] = {1, 63, 64, 500, 511, 512, 4095, 4097, data.size() - 1};
    for (std::size_t offset : offsets) {
        if (offset >= data.size())
            continue;
        std::uint8_t piece[700];
        ASSERT_TRUE(stream.read(offset, piece, sizeof piece, &count).ok());
        ASSERT_EQ(count, std::min(sizeof piece, data.size() - offset));
        EXPECT_EQ(0, std::memcmp(piece, data.data() + offset, count)) << offset;
    }
    ASSERT_TRUE(stream.read(data.size(), all.data(), 1, &count).ok());
    EXPECT_EQ(count, 0u);
}

void expectFailure(const XlsStorageResult& result, XlsStorageStatus status, std::uint32_t code) {
    EXPECT_EQ(result.status, status);
    EXPECT_EQ(result.code, code);
}

} // namespace

TEST(CompoundFile, StreamsInMiniStreamAndRegularSectors) {
    for (unsigned shift : {9u, 12u}) {
        CompoundWriter writer(shift);
        auto book = pattern(3000, 1), big = pattern(70000, 2), tiny = pattern(5, 3);
        writer.addStream("Book", book);
        writer.addStream("Big Stream", big);
        writer.addStream("t", tiny);
        writer.addStream("Empty", {});
        std::string path = writeTestFile("streams" + std::to_string(shift), writer.build());
        XlsCompoundFile file;
        ASSERT_TRUE(file.open(path.c_str()).ok());
        EXPECT_EQ(file.getSectorSize(), 1u << shift);
        // Names are compared without case.
        for (const char* name : {"Book", "BOOK", "book"}) {
            XlsStream* stream = nullptr;
            ASSERT_TRUE(file.openStream(name, &stream).ok()) << name;
            expectContents(*stream, book);
            delete stream;
        }
        XlsStream* stream = nullptr;
        ASSERT_TRUE(file.openStream("big stream", &stream).ok());
        expectContents(*stream, big);
        delete stream;
        ASSERT_TRUE(file.openStream("T", &stream).ok());
        expectContents(*stream, tiny);
        delete stream;
        ASSERT_TRUE(file.openStream("empty", &stream).ok());
        EXPECT_EQ(stream->getSize(), 0u);
        delete stream;
    }
}

TEST(CompoundFile, FileOverSevenMegabytesUsesFatExtension) {
    CompoundWriter writer(9);
    auto big = pattern(7600000, 4), book = pattern(2000, 5);
    writer.addStream("Data", big);
    writer.addStream("Book", book);
    std::string path = writeTestFile("large", writer.build());
    ASSERT_GT(writer.fatSectorCount(), 109u);
    ASSERT_GT(writer.difatSectorCount(), 0u);
    XlsCompoundFile file;
    XlsStorageResult result;
    auto stream = openStream(file, path, "data", &result);
    ASSERT_TRUE(result.ok());
    expectContents(*stream, big);
    // The far end of the stream is reached through FAT sectors listed in the DIFAT.
    std::uint8_t tail[1000];
    std::size_t count = 0;
    ASSERT_TRUE(stream->read(big.size() - 1000, tail, sizeof tail, &count).ok());
    EXPECT_EQ(0, std::memcmp(tail, big.data() + big.size() - 1000, 1000));
    stream.reset();
    XlsStream* small = nullptr;
    ASSERT_TRUE(file.openStream("Book", &small).ok());
    expectContents(*small, book);
    delete small;

    // A DIFAT chain that loops back to its first sector, or that is
    // shorter than the FAT needs.
    std::vector<std::uint8_t> original = writer.bytes();
    std::uint8_t* header = writer.bytes().data();
    std::uint32_t difat =
        header[68] | header[69] << 8 | header[70] << 16 | std::uint32_t(header[71]) << 24;
    ASSERT_EQ(writer.difatSectorCount(), 1u);
    std::uint8_t* difatSector = header + writer.sectorOffset(difat);
    for (std::size_t k = writer.fatSectorCount() - 109; k < 127; ++k)
        CompoundWriter::put32(difatSector + 4 * k, 0);
    CompoundWriter::put32(difatSector + 508, difat);
    CompoundWriter::put32(header + 44, 109 + 127 + 10);
    CompoundWriter::put32(header + 72, 1000);
    path = writeTestFile("large_difat_cycle", writer.bytes());
    expectFailure(file.open(path.c_str()), XLS_STORAGE_OPEN_FAILED, XLS_STG_E_DOCFILECORRUPT);
    writer.bytes() = original;
    CompoundWriter::put32(writer.bytes().data() + 72, 0);
    path = writeTestFile("large_difat_short", writer.bytes());
    expectFailure(file.open(path.c_str()), XLS_STORAGE_OPEN_FAILED, XLS_STG_E_DOCFILECORRUPT);
}

TEST(CompoundFile, CyclesAndOutOfRangeSectorsAreRefused) {
    CompoundWriter writer(9);
    writer.addStream("Book", pattern(3000, 6)); // mini stream
    writer.addStream("Work", pattern(9000, 7)); // regular sectors
    writer.build();
    const std::vector<std::uint8_t> original = writer.bytes();
    struct Case {
        const char* what;
        const char* stream;
        std::function<void()> damage;
    };
    std::uint32_t work = writer.streamStart(1), book = writer.streamStart(0);
    const Case cases[] = {
        {"regular cycle", "Work", [&] { writer.setFatEntry(work + 3, work + 1); }},
        {"regular self loop", "Work", [&] { writer.setFatEntry(work, work); }},
        {"regular out of range", "Work", [&] { writer.setFatEntry(work + 2, 0x00FFFFF0u); }},
        {"regular early end", "Work", [&] { writer.setFatEntry(work + 2, 0xFFFFFFFEu); }},
        {"regular free sector", "Work", [&] { writer.setFatEntry(work + 2, 0xFFFFFFFFu); }},
        {"mini cycle", "Book", [&] { writer.setMiniFatEntry(book + 40, book); }},
        {"mini out of range", "Book", [&] { writer.setMiniFatEntry(book + 1, 5000); }},
        {"start out of range", "Work",
         [&] {
             CompoundWriter::put32(writer.bytes().data() + writer.entryOffset(2) + 116, 999999);
         }},
        {"size past the file", "Work",
         [&] {
             CompoundWriter::put32(writer.bytes().data() + writer.entryOffset(2) + 120, 0x7FFFFFFF);
         }},
    };
    for (const Case& c : cases) {
        writer.bytes() = original;
        c.damage();
        std::string path = writeTestFile("broken", writer.bytes());
        XlsCompoundFile file;
        XlsStorageResult result;
        auto stream = openStream(file, path, c.stream, &result);
        EXPECT_FALSE(stream) << c.what;
        expectFailure(result, XLS_STORAGE_NO_STREAM, XLS_STG_E_DOCFILECORRUPT);
    }

    // Structures of the file itself: the directory chain, the mini stream, the FAT sector list.
    std::uint32_t directory = original[48] | original[49] << 8;
    const std::function<void()> fileDamage[] = {
        [&] { writer.setFatEntry(directory, directory); },
        [&] { CompoundWriter::put32(writer.bytes().data() + 48, 123456); },
        [&] { CompoundWriter::put32(writer.bytes().data() + writer.entryOffset(0) + 116, 888888); },
        [&] { CompoundWriter::put32(writer.bytes().data() + 76, 77777); },
        [&] { CompoundWriter::put32(writer.bytes().data() + 44, 0x40000000); },
        [&] { CompoundWriter::put32(writer.bytes().data() + 64, 0x40000000); },
    };
    for (const auto& damage : fileDamage) {
        writer.bytes() = original;
        damage();
        std::string path = writeTestFile("broken_file", writer.bytes());
        XlsCompoundFile file;
        expectFailure(file.open(path.c_str()), XLS_STORAGE_OPEN_FAILED, XLS_STG_E_DOCFILECORRUPT);
        EXPECT_FALSE(file.isOpen());
    }
}

TEST(CompoundFile, MissingFilesStreamsAndHeaders) {
    XlsCompoundFile file;
    std::string dir = writeTestFile("placeholder", {});
    expectFailure(file.open((dir + "_absent").c_str()), XLS_STORAGE_NO_FILE,
                  XLS_STG_E_FILENOTFOUND);
    expectFailure(file.open((dir + "_absent/x.xls").c_str()), XLS_STORAGE_NO_FILE,
                  XLS_STG_E_FILENOTFOUND);

    // A workbook without a "Book" stream (a later format names it "Workbook").
    CompoundWriter writer(9);
    writer.addStream("Workbook", pattern(5000, 8));
    writer.addStream("Books", pattern(100, 9));
    writer.addStream("Boo", pattern(100, 9));
    std::string path = writeTestFile("nobook", writer.build());
    XlsStorageResult result;
    auto stream = openStream(file, path, "Book", &result);
    EXPECT_FALSE(stream);
    expectFailure(result, XLS_STORAGE_NO_STREAM, XLS_STG_E_FILENOTFOUND);
    // A storage of that name is not a stream: entry 1 is "Boo", renamed.
    std::uint8_t* boo = writer.bytes().data() + writer.entryOffset(1);
    CompoundWriter::put16(boo + 6, 'k');
    CompoundWriter::put16(boo + 64, 10);
    boo[66] = 1;
    path = writeTestFile("storagebook", writer.bytes());
    stream = openStream(file, path, "Book", &result);
    EXPECT_FALSE(stream);
    expectFailure(result, XLS_STORAGE_NO_STREAM, XLS_STG_E_FILENOTFOUND);
    boo[66] = 2;
    path = writeTestFile("streambook", writer.bytes());
    stream = openStream(file, path, "Book", &result);
    EXPECT_TRUE(stream);

    // Not a compound file, a header cut short, sectors of an unknown size.
    const char text[] = "Name,Amount\nalpha,1\n";
    path = writeTestFile("text", std::vector<std::uint8_t>(text, text + sizeof text));
    expectFailure(file.open(path.c_str()), XLS_STORAGE_OPEN_FAILED, XLS_STG_E_INVALIDHEADER);
    std::vector<std::uint8_t> cut(writer.bytes().begin(), writer.bytes().begin() + 300);
    path = writeTestFile("cut", cut);
    expectFailure(file.open(path.c_str()), XLS_STORAGE_OPEN_FAILED, XLS_STG_E_INVALIDHEADER);
    CompoundWriter::put16(writer.bytes().data() + 30, 10);
    path = writeTestFile("shift", writer.bytes());
    expectFailure(file.open(path.c_str()), XLS_STORAGE_OPEN_FAILED, XLS_STG_E_INVALIDHEADER);
    // A directory is not a file.
    std::string folder = path.substr(0, path.rfind('/'));
    expectFailure(file.open(folder.c_str()), XLS_STORAGE_OPEN_FAILED, XLS_STG_E_ACCESSDENIED);
}

TEST(CompoundFile, TruncatedFilesFailOrReadWhatIsThere) {
    for (unsigned shift : {9u, 12u}) {
        CompoundWriter writer(shift);
        auto book = pattern(3500, 10), work = pattern(20000, 11);
        writer.addStream("Book", book);
        writer.addStream("Work", work);
        const std::vector<std::uint8_t> whole = writer.build();
        for (std::size_t length = 0; length < whole.size(); length += 97) {
            std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + length);
            std::string path = writeTestFile("truncated", cut);
            XlsCompoundFile file;
            XlsStorageResult result = file.open(path.c_str());
            if (!result.ok()) {
                EXPECT_EQ(result.status, XLS_STORAGE_OPEN_FAILED);
                continue;
            }
            for (const char* name : {"Book", "Work"}) {
                XlsStream* raw = nullptr;
                if (!file.openStream(name, &raw).ok())
                    continue;
                std::unique_ptr<XlsStream> stream(raw);
                const auto& data = name[0] == 'B' ? book : work;
                std::vector<std::uint8_t> all(data.size());
                std::size_t count = 0;
                result = stream->read(0, all.data(), all.size(), &count);
                if (result.ok())
                    EXPECT_TRUE(all == data);
                else
                    expectFailure(result, XLS_STORAGE_READ_FAILED, XLS_STG_E_READFAULT);
            }
        }
    }
}

TEST(CompoundFile, WorkbooksWrittenBySpreadsheetProgram) {
    // Excel 5/95 workbooks written by gnumeric's ssconvert: a small one whose
    // "Book" stream lives in the mini stream, and one of 600 rows whose
    // stream fills regular sectors. Sizes and byte sums as python3-xlrd reads them.
    struct Case {
        const char* file;
        std::size_t size;
        unsigned sum;
    };
    const Case cases[] = {{XLS_TEST_DATA "/gnumeric_small.xls", 2049, 96732},
                          {XLS_TEST_DATA "/gnumeric_rows.xls", 45794, 1761876}};
    for (const Case& c : cases) {
        XlsCompoundFile file;
        XlsStorageResult result;
        auto stream = openStream(file, c.file, "Book", &result);
        ASSERT_TRUE(result.ok()) << c.file;
        ASSERT_EQ(stream->getSize(), c.size);
        std::vector<std::uint8_t> all(c.size);
        std::size_t count = 0;
        ASSERT_TRUE(stream->read(0, all.data(), all.size(), &count).ok());
        ASSERT_EQ(count, all.size());
        // BOF of the workbook globals, version 0x0500; EOF last.
        const std::uint8_t bof[] = {0x09, 0x08, 0x08, 0x00, 0x00, 0x05, 0x05, 0x00};
        EXPECT_EQ(0, std::memcmp(all.data(), bof, sizeof bof));
        const std::uint8_t eof[] = {0x0A, 0x00, 0x00, 0x00};
        EXPECT_EQ(0, std::memcmp(all.data() + all.size() - 4, eof, sizeof eof));
        EXPECT_EQ(std::accumulate(all.begin(), all.end(), 0u), c.sum) << c.file;
    }
}

TEST(CompoundFile, FailuresBecomeTheDriversMessages) {
    struct Case {
        XlsStorageResult result;
        unsigned short number;
        const char* text;
    };
    const Case cases[] = {
        {{XLS_STORAGE_NO_FILE, XLS_STG_E_FILENOTFOUND}, 1201, "Workbook does not exist: /d/b.xls"},
        {{XLS_STORAGE_OPEN_FAILED, XLS_STG_E_INVALIDHEADER},
         1203,
         "Cannot open workbook, OLE error code (251) : /d/b.xls"},
        {{XLS_STORAGE_NO_STREAM, XLS_STG_E_FILENOTFOUND},
         1204,
         "Cannot open stream Book.  OLE error code (2)."},
        {{XLS_STORAGE_READ_FAILED, XLS_STG_E_READFAULT},
         1205,
         "Failure while reading from stream. OLE error code (30)."},
    };
    for (const Case& c : cases) {
        VxErrorList list(nullptr, 1);
        VxErrorListScope scope(&list);
        xlsAddStorageError(c.result, "/d/b.xls", "Book");
        VxError* error = list.getLastError();
        ASSERT_NE(error, nullptr);
        EXPECT_EQ(error->getNumber(), c.number);
        EXPECT_STREQ(error->getErrorText(), c.text);
    }
}
