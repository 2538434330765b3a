// Frame reference paths, as frame items and project files write them.
#include "import/framepath.h"

#include <gtest/gtest.h>

namespace {

TEST(FramePath, SuffixesOfAnyLength) {
    for (int index : {0, 7, 42, 123, 1000, 12345}) {
        const wxString path = MakeFramePath("/pics/anim.gif", index);
        EXPECT_EQ(FrameIndexFromPath(path), index) << path;
        EXPECT_EQ(StripFrameSuffix(path), "/pics/anim.gif") << path;
    }
    EXPECT_EQ(MakeFramePath("C:\\a\\anim.gif", 2), "C:\\a\\anim.gif_2");
    EXPECT_EQ(FrameIndexFromPath("C:\\a\\anim.gif_2"), 2);
    EXPECT_EQ(StripFrameSuffix("C:\\a\\anim.gif_2"), "C:\\a\\anim.gif");
    // ANIM.GIF's frames are read from a project as they were written.
    EXPECT_EQ(FrameIndexFromPath("/pics/ANIM.GIF_1"), 1);
    EXPECT_EQ(StripFrameSuffix("/pics/ANIM.GIF_1"), "/pics/ANIM.GIF");
}

TEST(FramePath, OtherPathsAreNotFrameReferences) {
    for (const char* path : {"/pics/a.png", "/pics/anim.gif", "/clips.gif_old/a.png",
                             "/pics/anim.gif_", "/pics/anim.gif_1a", "/pics/anim.GIF_x",
                             "/pics/anim.gif_-1", ".gif_1", "/pics/a_1", "/x.gif_2/b.gif_z", ""}) {
        EXPECT_EQ(FrameIndexFromPath(path), -1) << path;
        EXPECT_EQ(StripFrameSuffix(path), path) << path;
    }
}

TEST(FramePath, TheLastSuffixCounts) {
    EXPECT_EQ(FrameIndexFromPath("/a.gif_1/b.gif_3"), 3);
    EXPECT_EQ(StripFrameSuffix("/a.gif_1/b.gif_3"), "/a.gif_1/b.gif");
    EXPECT_EQ(FrameIndexFromPath("/pics/anim_x.gif_5"), 5);
    EXPECT_EQ(StripFrameSuffix("/pics/anim_x.gif_5"), "/pics/anim_x.gif");
}

TEST(FramePath, HugeIndicesNameNoFrameWithoutOverflow) {
    EXPECT_EQ(FrameIndexFromPath("/a.gif_99999999999999999999"), 2147483647);
    EXPECT_EQ(FrameIndexFromPath("/a.gif_0007"), 7);
}

}  // namespace
