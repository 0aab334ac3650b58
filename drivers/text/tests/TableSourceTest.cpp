// From a table named in a query to its file, layout and first record.
#include <cstring>
#include <string>

#include "TxtTestSupport.h"
#include "define/TxtTableSource.h"

namespace {

struct TableSourceTest : TxtTest {
    TxtTableSource source;
    TxtTableSource::Defaults defaults;

    VxStatus open(const char* table, const char* options = nullptr) {
        if (source.resolve(folder().c_str(), table, options, options ? std::strlen(options) : 0,
                           defaults))
            return VX_ERROR;
        closeFile();
        EXPECT_EQ(bosFileOpen(source.getFilePath(), 0, &handle_), VX_SUCCESS);
        return source.describe(handle_);
    }
};

TEST_F(TableSourceTest, DefinedTableUsesItsDefinition) {
    writeFile("VXTXT.INI", "[Defined Tables]\r\nfix.dat=Fixed1\r\n[Fixed1]\r\nFILE=fix.dat\r\n"
                           "FLN=1\r\nTT=Fixed\r\nFIELD1=A,VARCHAR,2,0,2,0,\r\n"
                           "FIELD2=B,NUMERIC,3,0,3,2,\r\n");
    writeFile("fix.dat", "A B  \r\nxx123\r\n");
    ASSERT_EQ(open("fix.dat"), VX_SUCCESS);
    EXPECT_TRUE(source.isDefined());
    EXPECT_STREQ(source.getTableName(), "FIXED1");
    EXPECT_EQ(std::string(source.getFilePath()), path("fix.dat"));
    EXPECT_EQ(source.getLayout().tableType, TXT_TABLE_FIXED);
    EXPECT_EQ(source.getLayout().getFieldCount(), 2);
    EXPECT_EQ(source.getDataStart(), 7);
}

TEST_F(TableSourceTest, UndefinedTableIsGuessed) {
    writeFile("sales.csv", "Region,Total\r\nNorth,12.5\r\n");
    defaults.firstLineNames = true;
    ASSERT_EQ(open("sales.csv"), VX_SUCCESS);
    EXPECT_FALSE(source.isDefined());
    EXPECT_STREQ(source.getTableName(), "sales");
    EXPECT_EQ(source.getLayout().getFieldCount(), 2);
    EXPECT_EQ(source.getLayout().getField(1).type, TXT_COLUMN_NUMERIC);
    EXPECT_EQ(source.getDataStart(), 14);

    writeFile("orders.txt", "1,2\r\n");
    ASSERT_EQ(open("orders"), VX_SUCCESS);
    EXPECT_STREQ(source.getFileName(), "orders.txt");
    EXPECT_STREQ(source.getTableName(), "orders");
}

TEST_F(TableSourceTest, OptionsAdjustADefinition) {
    writeFile("VXTXT.INI", "[T]\r\nFILE=t.txt\r\nFLN=0\r\nTT=Tab\r\n"
                           "FIELD1=A,VARCHAR,20,0,20,0,\r\nFIELD2=B,NUMERIC,5,0,5,20,\r\n");
    writeFile("t.txt", "a|b\r\n1|2\r\n");
    // The format changes; the defined columns stay.
    ASSERT_EQ(open("T", "Delimiter='|', HeaderLine=1"), VX_SUCCESS);
    EXPECT_TRUE(source.hasOptions());
    const TxtGuessResult& layout = source.getLayout();
    EXPECT_EQ(layout.tableType, TXT_TABLE_CHARACTER);
    ASSERT_EQ(layout.getFieldCount(), 2);
    EXPECT_STREQ(layout.getField(0).name, "A");
    EXPECT_EQ(layout.getField(1).type, TXT_COLUMN_NUMERIC);
    EXPECT_EQ(source.getDataStart(), 5);
    // Option columns replace the defined ones by position, keeping their
    // names, and add the rest.
    ASSERT_EQ(open("T", "CHAR(3), CHAR(4), NUM(2)"), VX_SUCCESS);
    ASSERT_EQ(source.getLayout().getFieldCount(), 3);
    EXPECT_STREQ(source.getLayout().getField(1).name, "B");
    EXPECT_EQ(source.getLayout().getField(1).type, TXT_COLUMN_VARCHAR);
    EXPECT_EQ(source.getLayout().getField(1).width, 4);
    EXPECT_STREQ(source.getLayout().getField(2).name, "FIELD_3");
}

TEST_F(TableSourceTest, MissingFileAndBadOptionsFail) {
    EXPECT_EQ(source.resolve(folder().c_str(), "t.txt", "Color=red", 9, defaults), VX_ERROR);
    EXPECT_EQ(lastText(), "Unknown option in list: Color.");
    ASSERT_EQ(source.resolve(folder().c_str(), "none.txt", nullptr, 0, defaults), VX_SUCCESS);
    EXPECT_EQ(bosFileOpen(source.getFilePath(), 0, &handle_), VX_ERROR);
}

} // namespace
