// Creating tables: name checks, the choice of the new file, column layout.
#include <string>

#include "TxtTestSupport.h"
#include "define/TxtNewTable.h"
#include "error/TxtErrors.h"

namespace {

using NewTableTest = TxtTest;

TEST_F(NewTableTest, FileNamesFromTheTableName) {
    VxString name;
    ASSERT_EQ(TxtNewTable::chooseFileName(folder().c_str(), "Customers", &name), VX_SUCCESS);
    EXPECT_STREQ(name.getText(), "Customer.TXT");
    writeFile("customer.txt", "");
    ASSERT_EQ(TxtNewTable::chooseFileName(folder().c_str(), "Customers", &name), VX_SUCCESS);
    EXPECT_STREQ(name.getText(), "Cust0000.TXT") << "existing names compare in any case";
    writeFile("Cust0000.TXT", "");
    ASSERT_EQ(TxtNewTable::chooseFileName(folder().c_str(), "Customers", &name), VX_SUCCESS);
    EXPECT_STREQ(name.getText(), "Cust0001.TXT");
    ASSERT_EQ(TxtNewTable::chooseFileName(folder().c_str(), "ab", &name), VX_SUCCESS);
    EXPECT_STREQ(name.getText(), "ab.TXT");
}

TEST_F(NewTableTest, NamesAndTheirErrors) {
    EXPECT_EQ(TxtNewTable::checkTableName(std::string(128, 't').c_str()), VX_SUCCESS);
    EXPECT_EQ(TxtNewTable::checkTableName(std::string(129, 't').c_str()), VX_ERROR);
    EXPECT_EQ(lastText(), "Table name is longer than 128 characters.");

    VxString directory;
    VxString table;
    ASSERT_EQ(TxtNewTable::splitTableName("/data/sub\\T1", "/db/", &directory, &table), VX_SUCCESS);
    EXPECT_STREQ(directory.getText(), "/data/sub");
    EXPECT_STREQ(table.getText(), "T1");
    ASSERT_EQ(TxtNewTable::splitTableName("T2", "/db/", &directory, &table), VX_SUCCESS);
    EXPECT_STREQ(directory.getText(), "/db");

    TxtGuessResult layout;
    TxtGuessField* field;
    ASSERT_EQ(layout.addField(&field), VX_SUCCESS);
    field->setName("Amount", 6);
    EXPECT_EQ(TxtNewTable::checkColumnName("AMOUNT", layout, 1), VX_ERROR);
    EXPECT_EQ(lastSqlStateId(), ODBC_S0021);
    EXPECT_EQ(lastText(), "Column AMOUNT is defined more than once.");
    EXPECT_EQ(TxtNewTable::checkColumnName("AMOUNT", layout, 0), VX_SUCCESS);
    EXPECT_EQ(TxtNewTable::checkColumnName(std::string(33, 'c').c_str(), layout, 0), VX_ERROR);
    EXPECT_EQ(lastSqlStateId(), ODBC_37000);
}

TEST_F(NewTableTest, ColumnLayout) {
    TxtGuessResult layout;
    const char types[] = {TXT_COLUMN_NUMERIC, TXT_COLUMN_DATE, TXT_COLUMN_VARCHAR};
    const std::uint16_t precisions[] = {5, 0, 20};
    for (int i = 0; i < 3; ++i) {
        TxtGuessField* field;
        ASSERT_EQ(layout.addField(&field), VX_SUCCESS);
        field->type = types[i];
        field->precision = precisions[i];
    }
    ASSERT_EQ(TxtNewTable::layOutColumns(&layout), VX_SUCCESS);
    EXPECT_EQ(layout.getField(0).width, 7);
    EXPECT_EQ(layout.getField(1).offset, 7);
    EXPECT_EQ(layout.getField(1).width, 10);
    EXPECT_EQ(layout.getField(2).offset, 17);
    EXPECT_EQ(layout.getField(2).width, 20);
    VxString mask;
    ASSERT_EQ(layout.getField(1).mask.toText(&mask), VX_SUCCESS);
    EXPECT_STREQ(mask.getText(), "yyyy-mm-dd");
}

} // namespace
