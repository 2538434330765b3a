// The texts of the crash report that need no crash: the message and the timestamp.
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

}  // namespace
