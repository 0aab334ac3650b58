// The table catalogue of a directory: order, extensions, definitions.
#include <algorithm>
#include <string>
#include <vector>

#include "TxtTestSupport.h"
#include "catalog/TxtTableList.h"
#include "util/ram.h"

namespace {

class TableListTest : public TxtTest {
protected:
    std::vector<std::string> list(const char* extensions) {
        std::vector<std::string> names;
        TxtTableList tables;
        EXPECT_EQ(tables.restart(folder().c_str(), extensions), VX_SUCCESS);
        for (;;) {
            char* name = nullptr;
            EXPECT_EQ(tables.next(&name), VX_SUCCESS);
            if (!name)
                break;
            names.push_back(name);
            ramFree(name);
        }
        return names;
    }
};

// Names of one group in any order (directory order is not sorted).
std::vector<std::string> sorted(std::vector<std::string> names, std::size_t from, std::size_t to) {
    std::vector<std::string> part(names.begin() + static_cast<long>(from),
                                  names.begin() + static_cast<long>(to));
    std::sort(part.begin(), part.end());
    return part;
}

} // namespace

TEST_F(TableListTest, DefinitionsThenEachExtensionInOrder) {
    writeFile("VXTXT.INI", "[Defined Tables]\r\nb.dat=BETA\r\na.txt=ALPHA\r\nc.dat=BETA\r\n"
                           "[ALPHA]\r\nFILE=a.txt\r\n[BETA]\r\nFILE=b.dat\r\n"
                           "[Orders.CSV]\r\nFILE=x.txt\r\n");
    for (const char* file : {"a.txt", "b.dat", "c.dat", "notes.TXT", "more.txt", "z.csv", "Y.CSV",
                             "orders.csv", "README", "d.dat", "w.csv.bak"})
        writeFile(file, "x\n");
    std::vector<std::string> names = list("TXT,csv,NONE,dat");
    ASSERT_EQ(names.size(), 8u);
    // Sections named by "Defined Tables", in file order, each once.
    EXPECT_EQ(names[0], "BETA");
    EXPECT_EQ(names[1], "ALPHA");
    // Files that are defined tables (by key or by section) are left out;
    // extensions match without case; VXTXT.INI is never a table.
    EXPECT_EQ(sorted(names, 2, 4), (std::vector<std::string>{"more.txt", "notes.TXT"}));
    EXPECT_EQ(sorted(names, 4, 6), (std::vector<std::string>{"Y.CSV", "z.csv"}));
    EXPECT_EQ(names[6], "README") << "NONE: files without an extension";
    EXPECT_EQ(names[7], "d.dat");
}

TEST_F(TableListTest, WithoutDefinitionFileListsFiles) {
    writeFile("one.txt", "1\n");
    writeFile("two.csv", "2\n");
    EXPECT_EQ(list("TXT"), (std::vector<std::string>{"one.txt"}));
    EXPECT_EQ(list("TXT,csv"), (std::vector<std::string>{"one.txt", "two.csv"}));
}

TEST_F(TableListTest, RestartBeginsAgainAndEndIsFinal) {
    writeFile("one.txt", "1\n");
    TxtTableList tables;
    char* name = nullptr;
    ASSERT_EQ(tables.restart(folder().c_str(), "TXT"), VX_SUCCESS);
    ASSERT_EQ(tables.next(&name), VX_SUCCESS);
    ramFree(name);
    ASSERT_EQ(tables.restart(folder().c_str(), "TXT"), VX_SUCCESS);
    ASSERT_EQ(tables.next(&name), VX_SUCCESS);
    ASSERT_NE(name, nullptr);
    EXPECT_STREQ(name, "one.txt");
    ramFree(name);
    ASSERT_EQ(tables.next(&name), VX_SUCCESS);
    EXPECT_EQ(name, nullptr);
    ASSERT_EQ(tables.next(&name), VX_SUCCESS);
    EXPECT_EQ(name, nullptr);
}

TEST_F(TableListTest, MissingDirectoryListsNothing) {
    TxtTableList tables;
    char* name = nullptr;
    ASSERT_EQ(tables.restart(path("nowhere").c_str(), "TXT,NONE"), VX_SUCCESS);
    ASSERT_EQ(tables.next(&name), VX_SUCCESS);
    EXPECT_EQ(name, nullptr);
}
