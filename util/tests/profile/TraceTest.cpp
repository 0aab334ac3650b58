// Tracing to a file; a trace window cannot be made.
#include "ProfileTestSupport.h"

#include "util/VxTrace.h"

namespace {

struct TraceTest : ProfileFolderTest {};

TEST_F(TraceTest, LinesAreCollectedAndWrittenAtEachEol) {
    std::string file = path("trace.log");
    writeFile(file, "old content\n");
    VxTrace trace;
    ASSERT_EQ(trace.initialize(nullptr, false, file.c_str()), VX_SUCCESS);
    EXPECT_EQ(readFile(file), "") << "an existing trace is emptied";
    ASSERT_EQ(trace.writeString("abc"), VX_SUCCESS);
    ASSERT_EQ(trace.writeString(VxSubString("defXYZ", 3)), VX_SUCCESS);
    EXPECT_EQ(readFile(file), "") << "nothing is written before the end of the line";
    ASSERT_EQ(trace.writeEol(), VX_SUCCESS);
    ASSERT_EQ(trace.writeLine("second"), VX_SUCCESS);
    EXPECT_EQ(readFile(file), "abcdef\nsecond\n");
    ASSERT_EQ(trace.resetTrace(), VX_SUCCESS);
    EXPECT_FALSE(trace.hasFile());
}

TEST_F(TraceTest, HexModeDumpsBytesInRows) {
    std::string file = path("hex.log");
    VxTrace trace;
    ASSERT_EQ(trace.initialize(nullptr, false, file.c_str()), VX_SUCCESS);
    ASSERT_EQ(trace.writeString("pending"), VX_SUCCESS);
    trace.setHexMode(true);
    ASSERT_EQ(trace.writeString("ABCDEFGHIJKLMNOPQ\r\n", 19), VX_SUCCESS);
    EXPECT_EQ(readFile(file),
              "pending\n"
              "00000000  41 42 43 44 45 46 47 48 49 4a 4b 4c 4d 4e 4f 50  ABCDEFGHIJKLMNOP\n"
              "00000010  51 0d 0a                                         Q..\n");
}

TEST_F(TraceTest, LongTextsGoOutWithoutLoss) {
    std::string file = path("long.log");
    VxTrace trace;
    ASSERT_EQ(trace.initialize(nullptr, false, file.c_str()), VX_SUCCESS);
    std::string big(70000, 'q');
    ASSERT_EQ(trace.writeString("head "), VX_SUCCESS);
    ASSERT_EQ(trace.writeString(big.c_str()), VX_SUCCESS);
    ASSERT_EQ(trace.writeLine(" tail"), VX_SUCCESS);
    EXPECT_EQ(readFile(file), "head " + big + " tail\n");
}

TEST_F(TraceTest, AskingForAWindowFailsButTheFileStillWorks) {
    std::string file = path("window.log");
    VxTrace trace;
    EXPECT_EQ(trace.initialize(nullptr, true, file.c_str()), VX_ERROR);
    EXPECT_EQ(lastErrorNumber(), 2719);
    EXPECT_STREQ(VxErrorKeeper::getLastError()->getErrorText(), "Could not create trace window.");
    ASSERT_EQ(trace.writeLine("still traced"), VX_SUCCESS);
    EXPECT_EQ(readFile(file), "still traced\n");
    EXPECT_EQ(trace.setTraceToWindow(true), VX_ERROR);
    EXPECT_EQ(trace.setTraceToWindow(false), VX_SUCCESS);
}

} // namespace
