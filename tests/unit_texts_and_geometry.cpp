// Title and status texts, canvas arithmetic and the preview's placement.
#include "document/canvasgeometry.h"
#include "window/statustexts.h"

#include <gtest/gtest.h>

namespace {

TEST(Title, DropsOnlyALowerCaseXmlEnding) {
    EXPECT_EQ(ProjectTitle("demo.xml"), "demo - Marvolent Loopwright");
    EXPECT_EQ(ProjectTitle("my.anim.xml"), "my.anim - Marvolent Loopwright");
    EXPECT_EQ(ProjectTitle("SHOUT.XML"), "SHOUT.XML - Marvolent Loopwright");
    EXPECT_EQ(ProjectTitle("xml"), "xml - Marvolent Loopwright");
}

TEST(StatusTexts, CanvasFormsWithAndWithoutAGifName) {
    EXPECT_EQ(CanvasListText("", 320, 240), "Untitled.gif (320 * 240)px");
    EXPECT_EQ(CanvasListText("out.gif", 320, 240), "out.gif (320 * 240)px");
    EXPECT_EQ(CanvasEditText("", 160, 120), "Untitled.gif (160 * 120)px");
    EXPECT_EQ(CanvasEditText("out.gif", 160, 120), "out.gif (160 * 120)px");
    EXPECT_EQ(CanvasLoadedText("", 5, 6), "Untitled.gif (5 * 6)px");
    EXPECT_EQ(CanvasLoadedText("a.gif", 5, 6), "a.gif (5 * 6)px");
    // A name is text, never a format.
    EXPECT_EQ(CanvasEditText("100%d.gif", 1, 2), "100%d.gif (1 * 2)px");
}

TEST(StatusTexts, FrameInfo) {
    EXPECT_EQ(FrameInfoText("a.png", 400, 300), "a.png Width:400px,Height:300 px");
    EXPECT_EQ(FrameInfoText("", 0, 0), " Width:0px,Height:0 px");
}

TEST(CanvasSize, TheLargerFrameReplacesTheWholePair) {
    EXPECT_EQ(ReferenceSizeOf({{100, 50}, {80, 60}}), wxSize(80, 60));
    EXPECT_EQ(ReferenceSizeOf({{80, 60}, {100, 50}}), wxSize(100, 50));
    EXPECT_EQ(ReferenceSizeOf({{10, 10}, {5, 5}, {10, 10}}), wxSize(10, 10));
    EXPECT_EQ(ReferenceSizeOf({}), wxSize(0, 0));
    EXPECT_EQ(ReferenceSizeOf({{0, 0}}), wxSize(0, 0));
}

TEST(CanvasSize, EditsKeepTheAspectRatio) {
    const wxSize reference(400, 300);
    EXPECT_EQ(HeightForWidth(200, reference, 300), 150);
    EXPECT_EQ(WidthForHeight(50, reference, 400), 66);  // 66.67 truncated
    // The canvas keeps at least one pixel and at most what a GIF holds.
    EXPECT_EQ(HeightForWidth(1, wxSize(3, 2), 2), 1);
    EXPECT_EQ(HeightForWidth(65535, wxSize(1, 2), 1), 65535);
    // No overflow at the largest sizes the format allows.
    EXPECT_EQ(HeightForWidth(65535, wxSize(65535, 65535), 1), 65535);
    EXPECT_EQ(WidthForHeight(65535, wxSize(65535, 65535), 1), 65535);
}

TEST(CanvasSize, AReferenceWithoutSizeNeverDivides) {
    EXPECT_EQ(HeightForWidth(200, wxSize(0, 0), 7), 7);
    EXPECT_EQ(WidthForHeight(200, wxSize(0, 300), 9), 9);
    EXPECT_EQ(WidthForHeight(200, wxSize(40, 0), 9), 9);
}

TEST(PreviewPlacement, SmallPicturesAreCentred) {
    EXPECT_EQ(PreviewPlacement({200, 300}, {100, 100}), wxRect(50, 100, 100, 100));
    EXPECT_EQ(PreviewPlacement({101, 101}, {100, 100}), wxRect(0, 0, 100, 100));
}

TEST(PreviewPlacement, LargePicturesShrinkToFit) {
    EXPECT_EQ(PreviewPlacement({200, 300}, {400, 300}), wxRect(0, 75, 200, 150));
    // Scaled to the full height: every row stays inside the panel.
    EXPECT_EQ(PreviewPlacement({400, 100}, {100, 200}), wxRect(175, 0, 50, 100));
    EXPECT_EQ(PreviewPlacement({3, 3}, {1000, 10}), wxRect(0, 1, 3, 0));
}

TEST(PreviewPlacement, EmptyPicturesDrawNothing) {
    EXPECT_TRUE(PreviewPlacement({200, 300}, {0, 0}).IsEmpty());
    EXPECT_TRUE(PreviewPlacement({200, 300}, {0, 10}).IsEmpty());
}

}  // namespace
