// Saved query files: first line grammar, sections, parameters, scrambling.
#include "ProfileTestSupport.h"

#include "util/VxQueryFile.h"
#include "util/ram.h"
#include "util/str.h"

namespace {

struct QueryFileTest : ProfileFolderTest {
    VxQueryFile query;
    std::string section(const char* name) {
        VxString text;
        EXPECT_EQ(query.getSection(name, &text), VX_SUCCESS);
        return text.getText();
    }
};

TEST_F(QueryFileTest, ReadsAPlainLevelTwoFile) {
    std::string file = path("plain.qry");
    writeFile(file, "Vx+ 2.0 for SQL Server\r\n\r\nuse pubs\r\nSELECT *\r\nFROM authors\r\n"
                    "[PARAMETERS]\r\nPARAMETER state, char, Which state?\r\nITEM CA\r\n"
                    "ITEM UT\r\nCLEAR\r\nITEM NY\r\nPARAMETER limit\r\n"
                    "[USER COMMANDS]\r\nSET.QUERY.DESCRIPTION ('Authors by state')\r\n");
    ASSERT_EQ(query.open(file.c_str()), VX_SUCCESS);
    EXPECT_STREQ(query.getDatabaseType(), "SQL Server");
    EXPECT_STREQ(query.getDatabaseName(), "pubs");
    EXPECT_EQ(query.getFormatLevel(), 2);
    EXPECT_EQ(query.getScrambling(), 0);
    EXPECT_STREQ(query.getStatement(), "SELECT *\r\nFROM authors");
    EXPECT_TRUE(query.hasSection("parameters"));
    EXPECT_FALSE(query.hasSection(VxQueryFile::getSectionName(SECTION_PAGE_LAYOUT)));
    VxList params;
    ASSERT_EQ(query.getParameters(&params), VX_SUCCESS);
    ASSERT_EQ(params.getCount(), 2u);
    auto* state = static_cast<VxfParam*>(params.getFirstNode());
    EXPECT_STREQ(state->getName(), "state");
    EXPECT_STREQ(state->getType(), "char");
    EXPECT_STREQ(state->getPrompt(), "Which state?");
    ASSERT_EQ(state->getItemCount(), 1) << "CLEAR drops the items before it";
    EXPECT_STREQ(state->getItem(0), "NY");
    auto* limit = static_cast<VxfParam*>(params.getNextNode());
    EXPECT_STREQ(limit->getName(), "limit");
    EXPECT_STREQ(limit->getType(), "");
    params.deleteNodes();
    VxString description;
    ASSERT_EQ(query.getDescription(&description), VX_SUCCESS);
    EXPECT_STREQ(description.getText(), "Authors by state");
}

TEST_F(QueryFileTest, FirstLineVariantsAndFaults) {
    std::string file = path("first.qry");
    writeFile(file, "Vx& for dBASE files\r\n[DEFINITION]\r\nx\r\n");
    ASSERT_EQ(query.open(file.c_str()), VX_SUCCESS);
    EXPECT_EQ(query.getFormatLevel(), 1);
    EXPECT_STREQ(query.getDatabaseType(), "dBASE files");
    EXPECT_EQ(section("DEFINITION"), "x\r\n");
    writeFile(file, "vx+ 3.1.4 for Oracle7 ( 2 )\r\n");
    ASSERT_EQ(query.open(file.c_str()), VX_SUCCESS);
    EXPECT_EQ(query.getFormatLevel(), 3);
    EXPECT_EQ(query.getScrambling(), 2);
    for (const char* bad : {"Vx 2.0 for X", "Vx+ 2.0 X", "Vx+ 2.0 for", "Vx+ 1.2.3.4 for X",
                            "Vx+ 2.0 for X (1) more", "Vx+ 2.0 for X (a)"}) {
        writeFile(file, std::string(bad) + "\r\n");
        errors_.deleteNodes();
        EXPECT_EQ(query.open(file.c_str()), VX_ERROR) << bad;
        EXPECT_EQ(lastErrorNumber(), 2720) << bad;
        EXPECT_EQ(std::string(VxErrorKeeper::getLastError()->getErrorText()),
                  std::string("Error parsing first line of query file: ") + bad);
    }
}

TEST_F(QueryFileTest, SavedScrambledQueryReadsBackTheSame) {
    std::string file = path("saved.qry");
    ASSERT_EQ(query.create("Text", 2), VX_SUCCESS);
    ASSERT_EQ(query.setDatabaseName("c:\\data"), VX_SUCCESS);
    ASSERT_EQ(query.setStatement("SELECT a\nFROM t"), VX_SUCCESS);
    ASSERT_EQ(query.setSection("PAGE_LAYOUT", "width 80\nheight 66\n", 19), VX_SUCCESS);
    ASSERT_EQ(query.setDescription("first"), VX_SUCCESS);
    ASSERT_EQ(query.setDescription("second"), VX_SUCCESS);
    std::string binary;
    for (int i = 0; i < 300; ++i)
        binary += static_cast<char>(i * 13);
    ASSERT_EQ(query.setBinarySection("BLOB", binary.data(), binary.size()), VX_SUCCESS);
    ASSERT_EQ(query.saveAs(file.c_str()), VX_SUCCESS);
    std::string raw = readFile(file);
    EXPECT_EQ(raw.substr(0, 23),
              "Vx+ 2.0 for Text (2)\r\n" + std::string(1, static_cast<char>(~'u')))
        << "lines after the first are scrambled";
    EXPECT_EQ(raw.find("SELECT"), std::string::npos);

    VxQueryFile back;
    ASSERT_EQ(back.open(file.c_str()), VX_SUCCESS);
    EXPECT_STREQ(back.getDatabaseType(), "Text");
    EXPECT_STREQ(back.getDatabaseName(), "c:\\data");
    EXPECT_STREQ(back.getStatement(), "SELECT a\r\nFROM t");
    VxString text;
    ASSERT_EQ(back.getSection("page_layout", &text), VX_SUCCESS);
    EXPECT_STREQ(text.getText(), "width 80\r\nheight 66\r\n");
    ASSERT_EQ(back.getDescription(&text), VX_SUCCESS);
    EXPECT_STREQ(text.getText(), "second");
    ASSERT_EQ(back.getSection("USER COMMANDS", &text), VX_SUCCESS);
    EXPECT_STREQ(text.getText(), "SET.QUERY.DESCRIPTION ('second')\r\n") << "one description only";
    void* data = nullptr;
    std::size_t length = 0;
    ASSERT_EQ(back.getBinarySection("BLOB", &data, &length), VX_SUCCESS);
    EXPECT_EQ(std::string(static_cast<char*>(data), length), binary);
    ramFree(data);
    back.removeSection("BLOB");
    ASSERT_EQ(back.save(), VX_SUCCESS);
    VxQueryFile again;
    ASSERT_EQ(again.open(file.c_str()), VX_SUCCESS);
    EXPECT_FALSE(again.hasSection("BLOB"));
    EXPECT_TRUE(again.hasSection("PAGE_LAYOUT"));
    EXPECT_FALSE(exists(file + ".new"));
}

TEST_F(QueryFileTest, FailingToReplaceTheFileReportsIt) {
    std::string target = path("occupied");
    std::filesystem::create_directories(target + "/inside");
    ASSERT_EQ(query.create("Text", 0), VX_SUCCESS);
    EXPECT_EQ(query.saveAs(target.c_str()), VX_ERROR);
    EXPECT_EQ(lastErrorNumber(), 2721);
    EXPECT_EQ(std::string(VxErrorKeeper::getLastError()->getErrorText()),
              "Could not get needed access to '" + target + "'.");
    EXPECT_FALSE(exists(target + ".new"));
}

} // namespace
