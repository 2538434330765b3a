// Title and status texts, canvas arithmetic and the preview's placement.
#include "document/canvasgeometry.h"
#include "window/statustexts.h"

#include <gtest/gtest.h>

namespace {

TEST(Title, DropsOnlyALowerCaseXmlEnding) {
    EXPECT_EQ(WindowTitle("demo.xml", false), "demo - Marvolent Loopwright");
    EXPECT_EQ(WindowTitle("demo.xml", true), "demo * - Marvolent Loopwright");
    EXPECT_EQ(WindowTitle("my.anim.gif", false), "my.anim - Marvolent Loopwright");
    EXPECT_EQ(WindowTitle("", false), "Marvolent Loopwright");
    EXPECT_EQ(WindowTitle("", true), "Untitled * - Marvolent Loopwright");
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

#include "window/cropdrag.h"

namespace {

// The crop tool's geometry: sides and corners grabbed, dragged and nudged,
// never past the plane or each other; Shift keeps a corner drag's aspect.
TEST(CropDrag, HandlesMoveTheirSidesWithinThePlane) {
    const wxSize plane(200, 100);
    const wxRect crop(50, 20, 100, 50);
    EXPECT_EQ(CropHandleAt(crop, wxPoint(51, 19), 3), CropHandle::TopLeft);
    EXPECT_EQ(CropHandleAt(crop, wxPoint(100, 70), 3), CropHandle::Bottom);
    EXPECT_EQ(CropHandleAt(crop, wxPoint(100, 40), 3), CropHandle::Move);
    EXPECT_EQ(CropHandleAt(crop, wxPoint(10, 10), 3), CropHandle::None);
    EXPECT_EQ(DraggedCrop(crop, CropHandle::Right, {150, 40}, {400, 40}, plane, false), wxRect(50, 20, 150, 50));
    EXPECT_EQ(DraggedCrop(crop, CropHandle::Left, {50, 40}, {300, 40}, plane, false), wxRect(149, 20, 1, 50));
    EXPECT_EQ(DraggedCrop(crop, CropHandle::BottomRight, {150, 70}, {170, 75}, plane, true),
              wxRect(50, 20, 120, 60));
    EXPECT_EQ(DraggedCrop(crop, CropHandle::Move, {100, 40}, {0, 0}, plane, false), wxRect(0, 0, 100, 50));
    EXPECT_EQ(NudgedCrop(crop, 1, -1, plane), wxRect(51, 19, 100, 50));
    EXPECT_EQ(NudgedCrop(crop, 0, 500, plane), wxRect(50, 50, 100, 50));
    EXPECT_EQ(SpannedCrop({150, 80}, {100, 30}, plane, false, {}), wxRect(100, 30, 51, 51));
}

}  // namespace

#include "document/frameranges.h"

namespace {

TEST(FrameRanges, ReadAsWrittenAndMalformedTextRefused) {
    EXPECT_EQ(FrameRangesText({1, 2, 4, 6, 7, 8}), "2-3, 5, 7-9");
    EXPECT_EQ(ParseFrameRanges("2-3, 5 7-9,2", 9), (std::vector<size_t>{1, 2, 4, 6, 7, 8}));
    for (const char* bad : {"", "0", "3-2", "10", "a", "1-", "-2", "1,,x"})
        EXPECT_FALSE(ParseFrameRanges(bad, 9)) << bad;
}

}  // namespace
