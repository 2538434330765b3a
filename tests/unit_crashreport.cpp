// The parts of the crash report that need no crash: the message, the
// timestamp, and reading back the facts the signal handler wrote.
#include "app/crashfacts.h"
#include "app/crashreport.h"

#include <gtest/gtest.h>

namespace {

const wxString kHead =
    "Application have crashed due to some unknown reasons,\n"
    "Please email the zip crashing report file that is generated in \n";
const wxString kTail = "\n to us.";

TEST(CrashReportMessage, NamesTheFolderInPlaceOfThePlaceholder) {
    EXPECT_EQ(CrashReportMessage("/tmp/loopwright_dbgrpt-7-20140309T170542"),
              kHead + "/tmp/loopwright_dbgrpt-7-20140309T170542" + kTail);
}

TEST(CrashReportMessage, FolderWithPercentSignsIsShownUnchanged) {
    for (const wxString folder : {"/tmp/a%sb", "/tmp/%d%%/%s%s", "/tmp/100%", "/tmp/%"})
        EXPECT_EQ(CrashReportMessage(folder), kHead + folder + kTail);
}

TEST(CrashTimestamp, IsIsoDateSpaceIsoTimeWithLeadingZeros) {
    EXPECT_EQ(CrashTimestamp(wxDateTime(9, wxDateTime::Mar, 2014, 17, 5, 42)),
              "2014-03-09 17:05:42");
    EXPECT_EQ(CrashTimestamp(wxDateTime(1, wxDateTime::Jan, 2015, 0, 0, 7)),
              "2015-01-01 00:00:07");
}

// The real handler's output is checked by the crash tests; here what a cut-off
// or foreign facts file gives.
TEST(CrashFacts, CutOffOrForeignTextNamesNothingItDoesNotHave) {
    CrashFacts facts;
    ASSERT_TRUE(ParseCrashFacts("signal=7\ntime=9\n[stack]\n[0x7fff1234]\n/lw/bin/lw(_Z8B", facts));
    ASSERT_EQ(facts.stack.size(), 2u);
    EXPECT_EQ(facts.stack[0].address, 0x7fff1234u);
    EXPECT_EQ(facts.stack[1].function, "");
    EXPECT_EQ(facts.stack[1].module, "/lw/bin/lw");
    for (const char* text : {"", "garbage", "time=5\n", "[stack]\nsignal=11\ntime=5\n"})
        EXPECT_FALSE(ParseCrashFacts(text, facts)) << text;
}

}  // namespace
