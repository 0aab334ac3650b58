// Private profile files through VxIni: Windows semantics on disk.
#include "ProfileTestSupport.h"

#include <cstring>

#include "util/VxIni.h"
#include "util/ram.h"

namespace {

struct IniTest : ProfileFolderTest {
    VxIni ini;
    std::string file;
    void SetUp() override {
        ProfileFolderTest::SetUp();
        file = path("tables.ini");
        ASSERT_EQ(ini.open(file.c_str()), VX_SUCCESS);
    }
    std::string get(const char* section, const char* key, const char* def = "<none>") {
        char out[256];
        EXPECT_EQ(ini.getEntry(section, key, out, sizeof out, def), VX_SUCCESS);
        return out;
    }
};

const char MIXED[] = "; leading comment\r\n"
                     "stray line before any section\n"
                     "[First]\r\n"
                     "Alpha = one ; not a comment\r\n"
                     "\r\n"
                     "# hash comment\n"
                     "no equals sign here\r\n"
                     "Beta=two\n"
                     "\n"
                     "[Second]\r\n"
                     "Gamma=three";

TEST_F(IniTest, EditsKeepEveryUnrelatedLineByteForByte) {
    writeFile(file, MIXED);
    ASSERT_EQ(ini.writeEntry("first", "BETA", "2"), VX_SUCCESS);
    ASSERT_EQ(ini.writeEntry("First", "Delta", "4"), VX_SUCCESS);
    ASSERT_EQ(ini.writeEntry("Second", "Epsilon", "5"), VX_SUCCESS);
    ASSERT_EQ(ini.writeEntry("Third", "Zeta", "6"), VX_SUCCESS);
    ASSERT_EQ(ini.deleteEntry("SECOND", "gamma"), VX_SUCCESS);
    EXPECT_EQ(readFile(file), "; leading comment\r\n"
                              "stray line before any section\n"
                              "[First]\r\n"
                              "Alpha = one ; not a comment\r\n"
                              "\r\n"
                              "# hash comment\n"
                              "no equals sign here\r\n"
                              "Beta=2\n"
                              "Delta=4\r\n"
                              "\n"
                              "[Second]\r\n"
                              "Epsilon=5\r\n"
                              "[Third]\r\n"
                              "Zeta=6\r\n");
}

TEST_F(IniTest, ChangingAValueKeepsKeySpellingBlanksAndTerminator) {
    writeFile(file, "[S]\nKey =  old value  \nOther=x\n");
    ASSERT_EQ(ini.writeEntry("s", "key", "new"), VX_SUCCESS);
    EXPECT_EQ(readFile(file), "[S]\nKey =  new\nOther=x\n");
}

TEST_F(IniTest, LookupsIgnoreCaseAndTrimAndUnquote) {
    writeFile(file, "[Sec One]\r\n  MixedKey  =  spaced value \t\r\nQ=\"quoted \"\r\n"
                    "Single='x'\r\nHalf=\"open\r\n[ Padded ]\r\nk=v\r\n");
    EXPECT_EQ(get("sec one", "MIXEDKEY"), "spaced value");
    EXPECT_EQ(get("SEC ONE", "q"), "quoted ");
    EXPECT_EQ(get("Sec One", "single"), "x");
    EXPECT_EQ(get("Sec One", "half"), "\"open");
    EXPECT_EQ(get("padded", "K"), "v");
    EXPECT_EQ(get("Sec One", "missing"), "<none>");
    EXPECT_EQ(get("No Such", "k", nullptr), "");
    EXPECT_EQ(get("Sec One", "k"), "<none>") << "a key of another section";
}

TEST_F(IniTest, FirstSectionAndFirstKeyOfADuplicatedNameWin) {
    writeFile(file, "[A]\nk=1\nk=2\n[a]\nk=3\nonly=4\n");
    EXPECT_EQ(get("A", "k"), "1");
    EXPECT_EQ(get("A", "only"), "<none>");
}

// A whole section in one reading: entries as lookups give them, in file
// order, duplicates included; nothing for a missing section.
TEST_F(IniTest, SectionEntriesComeInFileOrderAsLookupsReadThem) {
    writeFile(file, "[A]\r\n  Key One = \"v 1\" \r\n; note\r\nk=2\nk=3\nstray\n[B]\nx=9\n");
    char* entries = nullptr;
    ASSERT_EQ(ini.getSectionEntries("a", &entries), VX_SUCCESS);
    ASSERT_NE(entries, nullptr);
    std::string all;
    for (const char* entry = entries; *entry; entry += std::strlen(entry) + 1)
        all += std::string(entry) + "|";
    ramFree(entries);
    EXPECT_EQ(all, "Key One=v 1|k=2|k=3|");
    ASSERT_EQ(ini.getSectionEntries("C", &entries), VX_SUCCESS);
    EXPECT_EQ(entries, nullptr);
}

TEST_F(IniTest, LfAndCrLfFilesReadAlike) {
    writeFile(file, "[S]\nA=1\nB=2\n");
    std::string lf = get("S", "A") + get("S", "B");
    writeFile(file, "[S]\r\nA=1\r\nB=2\r\n");
    EXPECT_EQ(get("S", "A") + get("S", "B"), lf);
    writeFile(file, "[S]\r\nA=1\rB=2\r\n");
    EXPECT_EQ(get("S", "A"), "1\rB=2") << "a lone CR does not end a line";
}

TEST_F(IniTest, AppendingAfterAnUnterminatedLastLineTerminatesItFirst) {
    writeFile(file, "[S]\nA=1");
    ASSERT_EQ(ini.writeEntry("S", "B", "2"), VX_SUCCESS);
    EXPECT_EQ(readFile(file), "[S]\nA=1\r\nB=2\r\n");
    writeFile(file, "[S]\nA=1");
    ASSERT_EQ(ini.writeEntry("T", "C", "3"), VX_SUCCESS);
    EXPECT_EQ(readFile(file), "[S]\nA=1\r\n[T]\r\nC=3\r\n");
}

TEST_F(IniTest, NewFileIsCreatedWithCrLfLines) {
    ASSERT_FALSE(exists(file));
    ASSERT_EQ(ini.writeEntry("Sec", "Key", "Value"), VX_SUCCESS);
    ASSERT_EQ(ini.writeEntry("Sec", "Empty", ""), VX_SUCCESS);
    EXPECT_EQ(readFile(file), "[Sec]\r\nKey=Value\r\nEmpty=\r\n");
    EXPECT_EQ(get("Sec", "Empty"), "") << "an empty value is stored, not deleted";
    EXPECT_FALSE(exists(file + ".tmp"));
}

TEST_F(IniTest, SectionAndKeyListsAndTheirOverflow) {
    writeFile(file, "[One]\na=1\n;c=0\nB=2\n[Two]\n[one]\nz=9\n");
    char out[64];
    std::size_t length = 0;
    ASSERT_EQ(ini.getSectionNames(out, sizeof out, &length), VX_SUCCESS);
    EXPECT_EQ(joinNames(out), "One,Two");
    EXPECT_EQ(length, 8u);
    ASSERT_EQ(ini.getKeyNames("ONE", out, sizeof out, &length), VX_SUCCESS);
    EXPECT_EQ(joinNames(out), "a,B");
    EXPECT_EQ(length, 4u);
    ASSERT_EQ(ini.getKeyNames("Two", out, sizeof out, &length), VX_SUCCESS);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(out[0], '\0');
    char small[6];
    ASSERT_EQ(ini.getSectionNames(small, sizeof small, &length), VX_SUCCESS);
    EXPECT_EQ(length, sizeof small - 2);
    EXPECT_EQ(joinNames(small), "One");
}

TEST_F(IniTest, DeletingASectionTakesItsLinesUpToTheNextHeader) {
    writeFile(file, "; top\n[Keep]\nx=1\n[Drop]\ny=2\n; drop comment\n\n[Tail]\nz=3\n");
    ASSERT_EQ(ini.deleteSection("drop"), VX_SUCCESS);
    EXPECT_EQ(readFile(file), "; top\n[Keep]\nx=1\n[Tail]\nz=3\n");
    ASSERT_EQ(ini.deleteSection("Nothing"), VX_SUCCESS);
    ASSERT_EQ(ini.deleteEntry("Keep", "nothing"), VX_SUCCESS);
    EXPECT_EQ(readFile(file), "; top\n[Keep]\nx=1\n[Tail]\nz=3\n");
}

TEST_F(IniTest, DeletingFromAMissingFileDoesNotCreateIt) {
    ASSERT_EQ(ini.deleteEntry("S", "k"), VX_SUCCESS);
    ASSERT_EQ(ini.deleteSection("S"), VX_SUCCESS);
    EXPECT_FALSE(exists(file));
}

TEST_F(IniTest, NumbersFallBackToTheDefaultUnlessPlainUnsignedDecimal) {
    writeFile(file, "[N]\ngood= 42 \nletter=12a\nneg=-3\nbig=65537\nempty=\namp=&\n"
                    "huge=99999999999999999999999\n");
    std::uint16_t value = 0;
    ASSERT_EQ(ini.getEntry("N", "good", &value, 7), VX_SUCCESS);
    EXPECT_EQ(value, 42);
    for (const char* key : {"letter", "neg", "empty", "amp", "missing", "huge"}) {
        ASSERT_EQ(ini.getEntry("N", key, &value, 7), VX_SUCCESS);
        EXPECT_EQ(value, 7) << key;
    }
    ASSERT_EQ(ini.getEntry("N", "big", &value, 7), VX_SUCCESS);
    EXPECT_EQ(value, 1) << "truncated to 16 bits";
}

TEST_F(IniTest, WithoutAnOpenFileReadsWarnAndEditsFail) {
    writeFile(file, "[S]\nk=v\n");
    ini.close();
    char out[16];
    ASSERT_EQ(ini.getEntry("S", "k", out, sizeof out, "dflt"), VX_SUCCESS);
    EXPECT_STREQ(out, "dflt");
    EXPECT_EQ(lastErrorNumber(), 2717);
    EXPECT_TRUE(VxErrorKeeper::getLastError()->isWarning());
    std::uint16_t number = 0;
    ASSERT_EQ(ini.getEntry("S", "k", &number, 9), VX_SUCCESS);
    EXPECT_EQ(number, 9);
    errors_.deleteNodes();
    EXPECT_EQ(ini.writeEntry("S", "k", "w"), VX_ERROR);
    EXPECT_EQ(lastErrorNumber(), 2717);
    EXPECT_FALSE(VxErrorKeeper::getLastError()->isWarning());
    EXPECT_EQ(ini.deleteEntry("S", "k"), VX_ERROR);
    EXPECT_EQ(readFile(file), "[S]\nk=v\n");
}

TEST_F(IniTest, ValuesAreTruncatedToTheBuffer) {
    writeFile(file, "[S]\nk=abcdefgh\n");
    char out[5];
    ASSERT_EQ(ini.getEntry("S", "k", out, sizeof out, ""), VX_SUCCESS);
    EXPECT_STREQ(out, "abcd");
}

TEST_F(IniTest, ANameWithoutDirectoryLivesInTheConfigurationFolder) {
    ASSERT_EQ(ini.open("Bare.ini"), VX_SUCCESS);
    ASSERT_EQ(ini.writeEntry("S", "k", "v"), VX_SUCCESS);
    EXPECT_EQ(readFile(path("Bare.ini")), "[S]\r\nk=v\r\n");
    ASSERT_EQ(ini.open("BARE.INI"), VX_SUCCESS);
    EXPECT_EQ(get("s", "K"), "v") << "found whatever the letter case";
    ASSERT_EQ(ini.writeEntry("S", "k2", "v2"), VX_SUCCESS);
    EXPECT_FALSE(exists(path("BARE.INI"))) << "the existing file is rewritten, not a twin";
}

} // namespace
