// Random damage to sound compound files, with a fixed seed: every outcome
// is a clean failure or a read of the right length, never a crash, a hang
// or a read outside the file (the sanitizer build checks the last).
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <random>

#include "CompoundWriter.h"
#include "record/XlsCellBuffer.h"
#include "util/VxError.h"
#include "storage/XlsCompoundFile.h"

TEST(CompoundFileFuzz, RandomDamageNeverCrashes) {
    std::mt19937 random(20261207);
    for (unsigned shift : {9u, 12u}) {
        CompoundWriter writer(shift);
        std::vector<std::uint8_t> book(3000), work(9000);
        for (auto& b : book)
            b = static_cast<std::uint8_t>(random());
        for (auto& b : work)
            b = static_cast<std::uint8_t>(random());
        writer.addStream("Book", book);
        writer.addStream("Work", work);
        writer.addStream("Other", std::vector<std::uint8_t>(100, 7));
        const std::vector<std::uint8_t> whole = writer.build();
        // Damage lands in the structures (header, mini FAT, directory, FAT)
        // more often than in stream data.
        int opened = 0, read = 0;
        std::size_t structures = writer.sectorOffset(writer.streamStart(1)) + work.size();
        for (int round = 0; round < 700; ++round) {
            std::vector<std::uint8_t> bytes = whole;
            int hits = 1 + static_cast<int>(random() % 8);
            for (int h = 0; h < hits; ++h) {
                std::size_t low = structures / 2 < bytes.size() ? structures / 2 : 0;
                std::size_t at =
                    random() % 3 == 0 ? random() % 512 : low + random() % (bytes.size() - low);
                if (at >= bytes.size())
                    at = bytes.size() - 1;
                switch (random() % 4) {
                case 0:
                    bytes[at] = static_cast<std::uint8_t>(random());
                    break;
                case 1:
                    bytes[at] ^= static_cast<std::uint8_t>(1u << (random() % 8));
                    break;
                case 2: // a small sector number or a special value
                    if (at + 4 <= bytes.size())
                        CompoundWriter::put32(bytes.data() + at, random() % 4
                                                                     ? random() % 64
                                                                     : 0xFFFFFFF0u + random() % 16);
                    break;
                default:
                    bytes.resize(at);
                    break;
                }
                if (bytes.empty())
                    break;
            }
            std::string path = writeTestFile("fuzz", bytes);
            XlsCompoundFile file;
            if (!file.open(path.c_str()).ok())
                continue;
            ++opened;
            for (const char* name : {"Book", "Work", "Other"}) {
                XlsStream* raw = nullptr;
                if (!file.openStream(name, &raw).ok())
                    continue;
                std::unique_ptr<XlsStream> stream(raw);
                std::size_t size =
                    static_cast<std::size_t>(std::min<std::uint64_t>(stream->getSize(), 1 << 24));
                std::vector<std::uint8_t> all(size);
                std::size_t count = 0;
                if (stream->read(0, all.data(), all.size(), &count).ok()) {
                    EXPECT_EQ(count, size);
                    ++read;
                }
                (void)stream->read(size / 3, all.data(), size / 2, &count);
            }
        }
        // The damage leaves a fair share of files readable, so reading is exercised too.
        EXPECT_GT(opened, 70) << shift;
        EXPECT_GT(read, 70) << shift;
    }
}

TEST(CompoundFileFuzz, DamagedWorkbookReadsRecordByRecordOrFails) {
    // A workbook written by ssconvert, damaged at random and then walked
    // record by record from its Book stream as the driver reads it.
    std::ifstream in(XLS_TEST_DATA "/gnumeric_rows.xls", std::ios::binary);
    const std::vector<std::uint8_t> whole((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    ASSERT_GT(whole.size(), 40000u);
    std::mt19937 random(7);
    int walked = 0;
    for (int round = 0; round < 300; ++round) {
        std::vector<std::uint8_t> bytes = whole;
        int hits = 1 + static_cast<int>(random() % 6);
        for (int h = 0; h < hits; ++h) {
            // The header and the structures at the end, or anywhere.
            std::size_t at = random() % 2 ? random() % 512 : random() % bytes.size();
            if (random() % 8 == 0)
                at = bytes.size() - 1 - random() % 2048;
            bytes[at] = static_cast<std::uint8_t>(random());
        }
        std::string path = writeTestFile("fuzz_book", bytes);
        XlsCompoundFile file;
        if (!file.open(path.c_str()).ok())
            continue;
        XlsStream* raw = nullptr;
        if (!file.openStream("Book", &raw).ok())
            continue;
        std::unique_ptr<XlsStream> stream(raw);
        VxErrorList list(nullptr, 1);
        VxErrorListScope scope(&list);
        XlsCellBuffer buffer(stream.get(), path.c_str());
        bool atEnd = false;
        std::uint64_t offset = 0;
        // Every record moves on by at least its 4-byte header.
        while (buffer.readRecord(offset, &atEnd) == VX_SUCCESS && !atEnd)
            offset = buffer.getNextOffset();
        walked += atEnd;
    }
    EXPECT_GT(walked, 50);
}
