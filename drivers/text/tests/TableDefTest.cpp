// Table definitions in "VXTXT.INI": lookup, reading with its errors, and a
// write / read / remove round trip that keeps everything else in the file.
#include <string>

#include "TxtTestSupport.h"
#include "define/TxtTableDef.h"
#include "error/TxtErrors.h"

namespace {

struct TableDefTest : TxtTest {
    TxtIni ini;
    void SetUp() override {
        TxtTest::SetUp();
        ASSERT_EQ(ini.open(folder().c_str()), VX_SUCCESS);
    }
    // Parses one column entry; the error number, 0 on success.
    unsigned short entryError(const char* entry, TxtGuessField* field = nullptr) {
        TxtGuessField local;
        clearErrors();
        if (TxtTableDef::parseColumnEntry(entry, field ? field : &local) == VX_SUCCESS)
            return 0;
        EXPECT_EQ(errorCount(), 1u);
        return lastNumber();
    }
};

TEST_F(TableDefTest, LookupBySectionOrByDefinedTablesKey) {
    writeFile("VXTXT.INI", "[Defined Tables]\r\nsales.csv=SALES\r\n\r\n"
                           "[SALES]\r\nFILE=sales.csv\r\n[Orders]\r\nFILE=ord.txt\r\n");
    bool defined = false;
    VxString section;
    ASSERT_EQ(TxtTableDef::lookup(ini, "sales.csv", &defined, &section), VX_SUCCESS);
    EXPECT_TRUE(defined);
    EXPECT_STREQ(section.getText(), "SALES");
    ASSERT_EQ(TxtTableDef::lookup(ini, "orders", &defined, &section), VX_SUCCESS);
    EXPECT_TRUE(defined);
    EXPECT_STREQ(section.getText(), "orders");
    ASSERT_EQ(TxtTableDef::lookup(ini, "other.txt", &defined, &section), VX_SUCCESS);
    EXPECT_FALSE(defined);
}

TEST_F(TableDefTest, FileNameInAnotherLetterCaseIsFound) {
    writeFile("vxtxt.ini", "[T]\r\nFILE=t.txt\r\n");
    TxtIni lower;
    ASSERT_EQ(lower.open((folder() + "/").c_str()), VX_SUCCESS);
    bool defined = false;
    VxString section;
    ASSERT_EQ(TxtTableDef::lookup(lower, "T", &defined, &section), VX_SUCCESS);
    EXPECT_TRUE(defined);
}

TEST_F(TableDefTest, ReadsADefinition) {
    writeFile("VXTXT.INI", "[People]\r\nFILE=people.txt\r\nFLN=1\r\nTT=Character\r\nDC=|\r\n"
                           "Charset=IBMPC\r\n"
                           "FIELD1= Name ,VARCHAR,20,0,20,0,\r\n"
                           "FIELD2=Born,date,10,0,10,20,Mmm dd, yyyy\r\n"
                           "FIELD3=Pay,NUMERIC,9,2,11,30\r\n"
                           "FIELD5=Ignored,VARCHAR,1,0,1,0,\r\n");
    TxtTableDefinition def;
    ASSERT_EQ(TxtTableDef::read(ini, "People", &def), VX_SUCCESS);
    EXPECT_STREQ(def.fileName.getText(), "people.txt");
    const TxtGuessResult& layout = def.layout;
    EXPECT_EQ(layout.tableType, TXT_TABLE_CHARACTER);
    EXPECT_EQ(layout.delimiter, '|');
    EXPECT_TRUE(layout.firstLineNames);
    EXPECT_EQ(layout.charset, TXT_CHARSET_IBMPC);
    ASSERT_EQ(layout.getFieldCount(), 3) << "the first missing number ends the list";
    EXPECT_STREQ(layout.getField(0).name, "Name");
    EXPECT_EQ(layout.getField(1).type, TXT_COLUMN_DATE);
    VxString mask;
    ASSERT_EQ(layout.getField(1).mask.toText(&mask), VX_SUCCESS);
    EXPECT_STREQ(mask.getText(), "Mmm dd, yyyy") << "a mask keeps its commas";
    const TxtGuessField& pay = layout.getField(2);
    EXPECT_EQ(pay.type, TXT_COLUMN_NUMERIC);
    EXPECT_EQ(pay.precision, 9);
    EXPECT_EQ(pay.scale, 2);
    EXPECT_EQ(pay.width, 11);
    EXPECT_EQ(pay.offset, 30);
}

TEST_F(TableDefTest, AbsentEntriesTakeTheirDefaults) {
    writeFile("VXTXT.INI", "[A]\r\nFILE=a.txt\r\nTT=Bogus\r\n[B]\r\nFILE=b.txt\r\nTT=character\r\n"
                           "[C]\r\nFLN=1\r\n");
    TxtTableDefinition a;
    ASSERT_EQ(TxtTableDef::read(ini, "A", &a), VX_SUCCESS);
    EXPECT_EQ(a.layout.tableType, TXT_TABLE_COMMA);
    EXPECT_EQ(a.layout.delimiter, ',');
    EXPECT_FALSE(a.layout.firstLineNames);
    TxtTableDefinition b;
    ASSERT_EQ(TxtTableDef::read(ini, "B", &b), VX_SUCCESS);
    EXPECT_EQ(b.layout.tableType, TXT_TABLE_CHARACTER);
    EXPECT_EQ(b.layout.delimiter, ',') << "no DC: not the first letter of the absent-value text";
    TxtTableDefinition c;
    EXPECT_EQ(TxtTableDef::read(ini, "C", &c), VX_ERROR);
    EXPECT_EQ(lastNumber(), TXT_MSG_INI_NO_FILE_NAME);
    EXPECT_EQ(lastText(), "File name missing in INI file.");
}

TEST_F(TableDefTest, EntryNamesMatchInAnyCaseAndTheFirstCounts) {
    writeFile("VXTXT.INI", "[D]\r\n file = d.txt \r\nFile=other.txt\r\ntt=Tab\r\nfln=1\r\n"
                           "field1=x,varchar,4,0,4,0,\r\n");
    TxtTableDefinition d;
    ASSERT_EQ(TxtTableDef::read(ini, "d", &d), VX_SUCCESS);
    EXPECT_STREQ(d.fileName.getText(), "d.txt");
    EXPECT_EQ(d.layout.tableType, TXT_TABLE_TAB);
    EXPECT_TRUE(d.layout.firstLineNames);
    EXPECT_EQ(d.layout.getFieldCount(), 1);
}

TEST_F(TableDefTest, ColumnEntryErrors) {
    EXPECT_EQ(entryError("Name"), TXT_MSG_INI_MISSING_TYPE);
    EXPECT_EQ(lastText(), "Missing field name field in VXTXT.INI file.");
    EXPECT_EQ(lastSqlStateId(), ODBC_37000);
    EXPECT_EQ(entryError(",VARCHAR,1,0,1,0,"), TXT_MSG_INI_MISSING_TYPE);
    EXPECT_EQ(entryError("Name,VARCHAR"), TXT_MSG_INI_MISSING_PRECISION);
    EXPECT_EQ(lastText(), "Missing precision field in VXTXT.INI file.");
    EXPECT_EQ(entryError("Name,VARCHAR,10"), TXT_MSG_INI_MISSING_SCALE);
    EXPECT_EQ(lastText(), "Missing scale field in VXTXT.INI file.");
    EXPECT_EQ(entryError("Name,VARCHAR,10,0"), TXT_MSG_INI_MISSING_LENGTH);
    EXPECT_EQ(lastText(), "Missing length field in VXTXT.INI file.");
    EXPECT_EQ(entryError("Name,VARCHAR,10,0,10"), TXT_MSG_INI_MISSING_OFFSET);
    EXPECT_EQ(lastText(), "Missing offset field in VXTXT.INI file.");
    EXPECT_EQ(entryError("D,DATE,10,0,10,0"), TXT_MSG_INI_NO_MASK);
    EXPECT_EQ(lastText(), "No mask in INI file.");
    EXPECT_EQ(entryError("D,DATE,10,0,10,0,"), TXT_MSG_INI_NO_MASK);
    EXPECT_EQ(entryError("N,NUMERIC,x,0,10,0,"), TXT_MSG_INI_MISSING_PRECISION);
    EXPECT_EQ(entryError("N,NUMERIC,5,256,10,0,"), TXT_MSG_INI_MISSING_SCALE);
    EXPECT_EQ(entryError("N,NUMERIC,5,0,70000,0,"), TXT_MSG_INI_MISSING_LENGTH);
    EXPECT_EQ(entryError("X,MONEY,5,0,5,0,"), TXT_MSG_INI_UNKNOWN_TYPE);
    EXPECT_EQ(lastText(), "Unknown data type MONEY in VXTXT.INI file.");
    EXPECT_EQ(entryError("D,DATE,10,0,10,0,mm/dd/yyy"), TXT_MSG_MASK_INVALID);
    EXPECT_EQ(entryError("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456,VARCHAR,1,0,1,0,"),
              TXT_MSG_COLUMN_NAME_TOO_LONG);
    EXPECT_EQ(lastText(),
              "Column name ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456 is longer than 32 characters.");
    EXPECT_EQ(entryError("V,VARCHAR,5,0,5,0"), 0) << "non-DATE columns need no mask";
}

TEST_F(TableDefTest, DuplicateColumnNamesAreRefused) {
    writeFile("VXTXT.INI", "[T]\r\nFILE=t.txt\r\nFIELD1=a,VARCHAR,1,0,1,0,\r\n"
                           "FIELD2=A,VARCHAR,1,0,1,1,\r\n");
    TxtTableDefinition def;
    EXPECT_EQ(TxtTableDef::read(ini, "T", &def), VX_ERROR);
    EXPECT_EQ(lastNumber(), TXT_MSG_COLUMN_TWICE);
    EXPECT_EQ(lastSqlStateId(), ODBC_S0021);
    EXPECT_EQ(lastText(), "Column A is defined more than once.");
}

TEST_F(TableDefTest, WriteReadRemoveKeepsUnrelatedLines) {
    const std::string before = "; kept comment\r\n[Defined Tables]\r\nold.txt=OLD\r\n\r\n"
                               "[OLD]\r\nFILE=old.txt\r\nCustom=value\r\n";
    writeFile("VXTXT.INI", before);
    TxtTableDefinition def;
    ASSERT_EQ(def.tableName.initialize("NEW"), VX_SUCCESS);
    ASSERT_EQ(def.fileName.initialize("new.txt"), VX_SUCCESS);
    def.layout.setTableType(TXT_TABLE_CHARACTER, ';');
    def.layout.firstLineNames = true;
    const char* entries[] = {"id,NUMERIC,5,0,7,0,", "name,VARCHAR,20,0,20,7,",
                             "day,DATE,10,0,10,27,Mmm dd, yyyy", "q,DATE,10,0,12,37,'at'\\:J"};
    for (const char* entry : entries) {
        TxtGuessField* field;
        ASSERT_EQ(def.layout.addField(&field), VX_SUCCESS);
        ASSERT_EQ(TxtTableDef::parseColumnEntry(entry, field), VX_SUCCESS) << entry;
    }
    ASSERT_EQ(TxtTableDef::write(ini, def), VX_SUCCESS);
    std::string written = readFile("VXTXT.INI");
    EXPECT_NE(written.find("; kept comment"), std::string::npos);
    EXPECT_NE(written.find("Custom=value"), std::string::npos);
    EXPECT_NE(written.find("new.txt=NEW"), std::string::npos);
    EXPECT_NE(written.find("DC=;"), std::string::npos);
    EXPECT_NE(written.find("Charset=ANSI"), std::string::npos);
    EXPECT_NE(written.find("FIELD3=day,DATE,10,0,10,27,Mmm dd, yyyy"), std::string::npos);
    EXPECT_NE(written.find("FIELD4=q,DATE,10,0,12,37,\"at\"\\:J"), std::string::npos);

    TxtTableDefinition back;
    ASSERT_EQ(TxtTableDef::read(ini, "NEW", &back), VX_SUCCESS);
    EXPECT_EQ(back.layout.tableType, TXT_TABLE_CHARACTER);
    EXPECT_EQ(back.layout.delimiter, ';');
    EXPECT_TRUE(back.layout.firstLineNames);
    ASSERT_EQ(back.layout.getFieldCount(), 4);
    for (std::uint16_t i = 0; i < 4; ++i) {
        const TxtGuessField& a = def.layout.getField(i);
        const TxtGuessField& b = back.layout.getField(i);
        EXPECT_STREQ(a.name, b.name);
        EXPECT_EQ(a.type, b.type);
        EXPECT_TRUE(a.mask == b.mask);
        EXPECT_EQ(a.width, b.width);
        EXPECT_EQ(a.offset, b.offset);
        EXPECT_EQ(a.precision, b.precision);
    }

    EXPECT_EQ(TxtTableDef::write(ini, def), VX_ERROR);
    EXPECT_EQ(lastNumber(), TXT_MSG_TABLE_EXISTS);
    EXPECT_EQ(lastSqlStateId(), ODBC_S0001);
    EXPECT_EQ(lastText(), "Table already exists.");

    ASSERT_EQ(TxtTableDef::remove(ini, "NEW", "new.txt"), VX_SUCCESS);
    EXPECT_EQ(readFile("VXTXT.INI"), before);
}

} // namespace
