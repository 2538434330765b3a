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

TEST(CrashFacts, ReadsWhatTheHandlerWrote) {
    CrashFacts facts;
    ASSERT_TRUE(ParseCrashFacts(
        "signal=11\ntime=1394384742\n[stack]\n"
        "/opt/lw/bin/loopwright(_Z17HandleFatalSignaliP9siginfo_tPv+0x2e) [0x55d0a1b2c3d4]\n"
        "/lib/x86_64-linux-gnu/libc.so.6(+0x3c050) [0x7f000003c050]\n"
        "[0x7fff00001234]\n/opt/lw/bin/loopwright(_Z8Brokenxx\n[modules]\n"
        "55d0a1b00000-55d0a1b10000 r--p 00000000 08:01 42  /opt/lw/bin/loopwright\n"
        "55d0a1b10000-55d0a1c00000 r-xp 00010000 08:01 42  /opt/lw/bin/loopwright\n"
        "7ffd00000000-7ffd00021000 rw-p 00000000 00:00 0   [stack]\n",
        facts));
    EXPECT_EQ(facts.signal, 11);
    EXPECT_EQ(facts.time, 1394384742);
    ASSERT_EQ(facts.stack.size(), 4u);
    EXPECT_EQ(facts.stack[0].function, "HandleFatalSignal(int, siginfo_t*, void*)");
    EXPECT_EQ(facts.stack[0].offset, 0x2eu);
    EXPECT_EQ(facts.stack[1].function, "");
    EXPECT_EQ(facts.stack[2].address, 0x7fff00001234u);
    EXPECT_EQ(facts.stack[3].function, "");  // cut short: no name is made up
    // The executable's two mappings are one module; anonymous ones are left out.
    ASSERT_EQ(facts.modules.size(), 1u);
    EXPECT_EQ(facts.modules[0].size, 0x100000u);
    for (const char* text : {"", "garbage", "time=5\n", "[stack]\nsignal=11\ntime=5\n"})
        EXPECT_FALSE(ParseCrashFacts(text, facts)) << text;
}

}  // namespace
