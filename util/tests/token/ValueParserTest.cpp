// VxValueParser: connect-string syntax, its error texts, keyword pairs,
// unused attributes, adding and rebuilding.
#include <gtest/gtest.h>

#include <string>

#include "util/VxError.h"
#include "util/VxString.h"
#include "util/VxValueParser.h"

namespace {

std::string text(const VxSubString* s) {
    return s ? std::string(s->data(), s->length()) : std::string("<null>");
}

struct ValueParserTest : ::testing::Test {
    VxErrorList list{nullptr, 1};
    VxErrorListScope scope{&list};

    std::string lastError() {
        VxError* e = VxErrorKeeper::getLastError();
        return e ? e->getErrorText() : "<none>";
    }
    // Parses `source` and expects failure with the given number and text.
    void expectFailure(const char* source, unsigned short number, const std::string& message,
                       const char* name = nullptr) {
        list.deleteNodes();
        VxValueParser parser(VxSubString(source), ';', name);
        EXPECT_EQ(parser.initialize(), VX_ERROR) << source;
        EXPECT_EQ(VxErrorKeeper::getLastErrorNumber(), number) << source;
        EXPECT_EQ(lastError(), message) << source;
        EXPECT_EQ(list.getCount(), 1u) << "one record, the detail appended to it";
    }
};

TEST_F(ValueParserTest, ValuesKeepQuotesAndBracesAndLoseTrailingBlanks) {
    VxValueParser parser(VxSubString("DSN=a;UID = joe  ;PWD='a;b';DRIVER={Text Driver};X=;Y=*z;"),
                         ';');
    ASSERT_EQ(parser.initialize(), VX_SUCCESS);
    EXPECT_EQ(parser.getAttributeCount(), 6);
    EXPECT_EQ(text(parser.getAttributeValue("dsn")), "a");
    EXPECT_EQ(text(parser.getAttributeValue("UID")), "joe");
    EXPECT_EQ(text(parser.getAttributeValue("PWD")), "'a;b'");
    EXPECT_EQ(text(parser.getAttributeValue("Driver")), "{Text Driver}");
    EXPECT_EQ(text(parser.getAttributeValue("X")), "");
    EXPECT_EQ(text(parser.getAttributeValue("Y")), "*z") << "\"=*\" is not one operator here";
    EXPECT_EQ(parser.getAttributeValue("Z"), nullptr);
    EXPECT_EQ(text(parser.getAttributeKey(1)), "UID");
    EXPECT_EQ(parser.getAttributeKey(6), nullptr);

    VxValueParser empty(VxSubString(""), ';');
    EXPECT_EQ(empty.initialize(), VX_SUCCESS);
    EXPECT_EQ(empty.getAttributeCount(), 0);
}

TEST_F(ValueParserTest, SyntaxErrorsReportTheOffset) {
    expectFailure("DSN=a;;UID=b", 2704, "Error parsing connect string at offset 6. ");
    expectFailure("1DSN=a", 2704, "Error parsing connect string at offset 0. ");
    expectFailure("DSN a", 2704, "Error parsing connect string at offset 4. ");
    expectFailure("DSN=a;UID", 2704, "Error parsing connect string at offset 9. ");
    expectFailure("DSN=a;'UID'=b", 2704, "Error parsing connect string at offset 6. ");
    expectFailure("DSN=a;=b", 2705, "Error parsing the data source at offset 6.",
                  "the data source");
}

TEST_F(ValueParserTest, RepeatedKeysFailExceptDriver) {
    expectFailure("DSN=a;dsn=b", 2704,
                  "Error parsing connect string at offset 6.  Attribute 'dsn' specified more "
                  "than once.");
    expectFailure("UID=a;DSN=x;UID=b", 2705,
                  "Error parsing setup at offset 12. Attribute 'UID' specified more than once.",
                  "setup");

    VxValueParser keep(VxSubString("DSN=a;dsn=b;UID=c"), ';');
    EXPECT_EQ(keep.initialize(), VX_ERROR);
    EXPECT_EQ(keep.getAttributeCount(), 1) << "attributes before the error stay";

    VxValueParser driver(VxSubString("DRIVER=x;Driver=y"), ';');
    ASSERT_EQ(driver.initialize(), VX_SUCCESS);
    EXPECT_EQ(driver.getAttributeCount(), 1);
    EXPECT_EQ(text(driver.getAttributeValue("driver")), "x");
}

TEST_F(ValueParserTest, KeywordPairs) {
    VxValueParser both(VxSubString("UID=u;LogonID=v"), ';');
    ASSERT_EQ(both.initialize(), VX_SUCCESS);
    const VxSubString* value = nullptr;
    EXPECT_EQ(both.getAttributeValue("UID", "LogonID", &value), VX_ERROR);
    EXPECT_EQ(value, nullptr);
    EXPECT_EQ(VxErrorKeeper::getLastErrorNumber(), 2704);
    EXPECT_EQ(lastError(), "Error parsing connect string at offset 6.  Attribute specified twice "
                           "using keywords 'UID' and 'LogonID'.");
    EXPECT_EQ(both.getUnusedCount(), 0);

    VxValueParser one(VxSubString("logonid=v;DSN=d"), ';', "profile");
    ASSERT_EQ(one.initialize(), VX_SUCCESS);
    ASSERT_EQ(one.getAttributeValue("UID", "LogonID", &value), VX_SUCCESS);
    EXPECT_EQ(text(value), "v");
    ASSERT_EQ(one.getAttributeValue("PWD", "Password", &value), VX_SUCCESS);
    EXPECT_EQ(value, nullptr);
    EXPECT_EQ(one.getUnusedCount(), 1);
}

TEST_F(ValueParserTest, UnusedAttributesInOrder) {
    VxValueParser parser(VxSubString("DSN=a;XYZ=1;Q=2"), ';');
    ASSERT_EQ(parser.initialize(), VX_SUCCESS);
    EXPECT_EQ(parser.getUnusedCount(), 3);
    parser.getAttributeValue("DSN");
    EXPECT_TRUE(parser.isAttributeValue("q"));
    EXPECT_FALSE(parser.isAttributeValue("DS"));
    EXPECT_EQ(parser.getUnusedCount(), 2) << "isAttributeValue does not mark";
    EXPECT_EQ(text(parser.getUnusedAttribute()), "XYZ");
    EXPECT_EQ(text(parser.getUnusedAttribute()), "Q");
    EXPECT_EQ(parser.getUnusedAttribute(), nullptr);
    parser.resetUnused();
    EXPECT_EQ(parser.getUnusedCount(), 3);
    EXPECT_EQ(text(parser.getUnusedAttribute()), "DSN");
    parser.removeAttribute("DSN");
    EXPECT_EQ(text(parser.getUnusedAttribute()), "XYZ") << "the cursor follows a removal";
}

TEST_F(ValueParserTest, AttributesAddedAfterParsingAreTracked) {
    VxValueParser parser(VxSubString("DSN=a"), ';');
    ASSERT_EQ(parser.initialize(), VX_SUCCESS);
    for (int i = 0; i < 200; ++i) {
        std::string key = "K" + std::to_string(i);
        ASSERT_EQ(parser.addAttribute(key.c_str(), "v"), VX_SUCCESS);
    }
    EXPECT_EQ(parser.getUnusedCount(), 201);
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(text(parser.getAttributeValue(("k" + std::to_string(i)).c_str())), "v");
    EXPECT_EQ(parser.getUnusedCount(), 1);
    EXPECT_EQ(text(parser.getUnusedAttribute()), "DSN");
}

TEST_F(ValueParserTest, AddingQuotesValuesAndBuildingRewritesTheString) {
    VxValueParser parser(VxSubString("DSN=a;LogonID=v;PWD=x"), ';');
    ASSERT_EQ(parser.initialize(), VX_SUCCESS);
    ASSERT_EQ(parser.addAttribute("PWD", "a;b"), VX_SUCCESS);
    ASSERT_EQ(parser.addAttribute("UID", "w", "LogonID"), VX_SUCCESS);
    ASSERT_EQ(parser.addAttribute("Database", "it's \"here\""), VX_SUCCESS);
    ASSERT_EQ(parser.addAttribute("DSN", "b"), VX_SUCCESS);
    VxString out;
    ASSERT_EQ(out.initialize("old text"), VX_SUCCESS);
    ASSERT_EQ(parser.buildString(out), VX_SUCCESS);
    EXPECT_EQ(std::string(out.getText()), "DSN=b;LogonID=w;PWD='a;b';Database='it''s \"here\"'");

    // A value read back can be given again.
    ASSERT_EQ(parser.addAttribute("DSN", *parser.getAttributeValue("PWD")), VX_SUCCESS);
    EXPECT_EQ(text(parser.getAttributeValue("DSN")), "'''a;b'''");

    parser.removeAttribute("logonid");
    parser.removeAttribute("absent");
    EXPECT_EQ(parser.getAttributeCount(), 3);
}

TEST_F(ValueParserTest, NulSeparatedLists) {
    const char setup[] = "DSN=x\0Description=a;b c\0";
    VxValueParser parser(VxSubString(setup, sizeof setup - 1), '\0', "setup");
    ASSERT_EQ(parser.initialize(), VX_SUCCESS);
    EXPECT_EQ(text(parser.getAttributeValue("description")), "a;b c");
    ASSERT_EQ(parser.addAttribute("Server", "s"), VX_SUCCESS);
    VxString out;
    ASSERT_EQ(parser.buildString(out), VX_SUCCESS);
    EXPECT_EQ(std::string(out.data(), out.length()),
              std::string("DSN=x\0Description=a;b c\0Server=s", 32));
}

} // namespace
