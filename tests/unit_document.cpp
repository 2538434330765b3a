// The document and its undo history without a window: what a user's edits
// do, what undo gives back, and when the project or the GIF counts as saved.
#include "document/history.h"
#include "support/test_support.h"

namespace {

DocumentFrame Frame(int width, int delay = 10) {
    return DocumentFrame{StorePicture(wxImage(width, 10)), wxString::Format("f%d.png", width),
                         delay, {}, {}};
}

std::vector<int> Widths(const Document& document) {
    std::vector<int> widths;
    for (const DocumentFrame& frame : document.Frames()) widths.push_back(frame.Size().x);
    return widths;
}

class DocumentEdits : public ::testing::Test {
protected:
    void SetUp() override {
        history.SubmitEdit(std::make_unique<InsertFramesCommand>(
            document, 0, std::vector<DocumentFrame>{Frame(1), Frame(2), Frame(3), Frame(4)}, "Add Image"));
        history.Reset();  // as a project just opened
    }
    bool Edit(DocumentCommand* command) { return history.SubmitEdit(std::unique_ptr<DocumentCommand>(command)); }
    Document document;
    DocumentHistory history;
};

TEST_F(DocumentEdits, UndoPutsDeletedFramesBackWithTheirOwnPicturesAndCanvas) {
    const FramePicture second = document.Frame(1).picture;
    Edit(new SetCanvasCommand(document, wxSize(2, 5), false));
    ASSERT_TRUE(Edit(new RemoveFramesCommand(document, {3, 1}, "Delete")));
    EXPECT_EQ(Widths(document), (std::vector<int>{1, 3}));
    EXPECT_EQ(document.CanvasSize(), wxSize(3, 10)) << "the canvas follows the frames";
    EXPECT_EQ(history.UndoLabel(), "Undo Delete");
    ASSERT_TRUE(history.Undo());
    EXPECT_EQ(Widths(document), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(document.Frame(1).picture, second) << "the same picture, not a copy";
    EXPECT_EQ(document.CanvasSize(), wxSize(2, 5));
    EXPECT_EQ(history.RedoLabel(), "Redo Delete");
    history.Redo();
    EXPECT_EQ(Widths(document), (std::vector<int>{1, 3}));
    // Nothing to delete is no edit.
    EXPECT_FALSE(Edit(new RemoveFramesCommand(document, {7}, "Delete")));
}

TEST_F(DocumentEdits, UndoingAClearOfManyFramesSharesTheirPictures) {
    std::vector<DocumentFrame> many;
    for (int i = 0; i < 1000; ++i) many.push_back(Frame(5));
    Edit(new InsertFramesCommand(document, 4, many, "Add Image"));
    const FramePicture last = document.Frame(1003).picture;
    std::vector<size_t> all(document.FrameCount());
    for (size_t i = 0; i < all.size(); ++i) all[i] = i;
    Edit(new RemoveFramesCommand(document, all, "Clear All"));
    EXPECT_TRUE(document.IsEmpty());
    // Held by this test, the history's insert and its clear: never copied.
    EXPECT_EQ(last.use_count(), 4);
    history.Undo();
    EXPECT_EQ(document.FrameCount(), 1004u);
    EXPECT_EQ(document.Frame(1003).picture, last);
}

TEST_F(DocumentEdits, SavedMarksFollowUndoRedoAndNewEdits) {
    EXPECT_FALSE(history.IsDirty()) << "as opened";
    Edit(new SetDelayCommand(document, std::vector<size_t>{1}, 50));
    EXPECT_TRUE(history.IsDirty());
    history.Undo();
    EXPECT_FALSE(history.IsDirty()) << "back at the opened state";
    history.Redo();
    history.MarkProjectSaved();
    history.MarkGifSaved();
    history.Undo();
    EXPECT_TRUE(history.IsDirty());
    EXPECT_FALSE(history.IsGifUnchanged());
    history.Redo();
    EXPECT_FALSE(history.IsDirty());
    EXPECT_TRUE(history.IsGifUnchanged());
    // Undo, then another edit: the saved state cannot come back.
    history.Undo();
    Edit(new SetLoopCountCommand(document, 3));
    history.Undo();
    EXPECT_TRUE(history.IsDirty());
}

TEST(DocumentHistory, AStateDroppedFromAShortHistoryStaysUnsaved) {
    Document document;
    DocumentHistory history(3);
    history.MarkProjectSaved();
    for (int i = 1; i <= 5; ++i) history.SubmitEdit(std::make_unique<SetLoopCountCommand>(document, i));
    while (history.CanUndo()) history.Undo();
    EXPECT_EQ(document.LoopCount(), 2);
    EXPECT_TRUE(history.IsDirty());
}

TEST_F(DocumentEdits, TypingIsOneEditUnlessASaveCameBetween) {
    for (int delay : {2, 25, 250}) Edit(new SetDelayCommand(document, delay, true));
    EXPECT_EQ(document.Frame(3).delay, 250);
    EXPECT_EQ(document.DefaultDelay(), 250);
    EXPECT_EQ(document.StartTimes(), (std::vector<long long>{0, 250, 500, 750}));
    history.MarkProjectSaved();
    Edit(new SetDelayCommand(document, 7, true));
    history.Undo();
    EXPECT_EQ(document.Frame(0).delay, 250) << "the saved value is its own step";
    EXPECT_FALSE(history.IsDirty());
    history.Undo();
    EXPECT_EQ(document.Frame(0).delay, 10);
    EXPECT_EQ(document.DefaultDelay(), 0);
    EXPECT_FALSE(history.CanUndo());
    EXPECT_EQ(history.UndoLabel(), "Undo");
}

TEST_F(DocumentEdits, ReordersMoveDropAndReverseAndUndoBack) {
    Edit(new ReorderFramesCommand(document, MovedOrder(4, {1, 2}, +1), "Move Right"));
    EXPECT_EQ(Widths(document), (std::vector<int>{1, 4, 2, 3}));
    history.Undo();
    EXPECT_EQ(Widths(document), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_TRUE(MovedOrder(4, {0, 2}, -1).empty()) << "the first frame cannot move left";
    EXPECT_EQ(MovedOrder(5, {1, 3}, +1), (std::vector<size_t>{0, 2, 1, 4, 3}));
    EXPECT_EQ(DroppedOrder(4, {1}, 4), (std::vector<size_t>{0, 2, 3, 1}));
    EXPECT_EQ(DroppedOrder(4, {2, 3}, 0), (std::vector<size_t>{2, 3, 0, 1}));
    EXPECT_EQ(ReversedOrder(4, {}), (std::vector<size_t>{3, 2, 1, 0}));
    EXPECT_EQ(ReversedOrder(5, {0, 2, 3}), (std::vector<size_t>{3, 1, 2, 0, 4}));
}

}  // namespace

namespace {

// Crops and turns are commands: the canvas follows the crop, turns sideways
// with the whole animation, and undo gives everything back.
TEST_F(DocumentEdits, CropAndTurnsMoveTheCanvasAndUndoGivesThemBack) {
    ASSERT_EQ(document.CanvasSize(), wxSize(4, 10));
    EXPECT_TRUE(Edit(new SetCropCommand(document, wxRect(1, 2, 3, 6), "Crop")));
    EXPECT_EQ(document.CanvasSize(), wxSize(3, 6));
    EXPECT_TRUE(Edit(new TurnFramesCommand(document, {1}, TurnFramesCommand::Turn::Right)));
    EXPECT_EQ(document.CanvasSize(), wxSize(3, 6));  // one frame turned: it fits the canvas
    EXPECT_TRUE(Edit(new TurnFramesCommand(document, {0, 2, 3}, TurnFramesCommand::Turn::Left)));
    EXPECT_EQ(document.DrawnSize(), wxSize(6, 3));
    EXPECT_EQ(document.CanvasSize(), wxSize(6, 3));  // all sideways: so is the canvas
    EXPECT_EQ(document.Frame(1).turn, (FrameTurn{1, false}));
    EXPECT_EQ(document.Frame(0).turn, (FrameTurn{3, false}));
    // Frames that come later are drawn the same way.
    EXPECT_TRUE(Edit(new InsertFramesCommand(document, 4, {Frame(8)}, "Add Image")));
    EXPECT_EQ(document.Drawing(4).crop, wxRect(1, 2, 3, 6));
    history.Undo();
    history.Undo();
    EXPECT_EQ(document.CanvasSize(), wxSize(3, 6));
    EXPECT_EQ(document.Frame(0).turn, FrameTurn());
    history.Undo();
    history.Undo();
    EXPECT_EQ(document.Crop(), wxRect());
    EXPECT_EQ(document.CanvasSize(), wxSize(4, 10));
    EXPECT_EQ(document.Frame(1).turn, FrameTurn());
}

TEST(FrameTurns, EveryTurnAndFlipComposesToOneOfEight) {
    const FrameTurn none;
    EXPECT_EQ(none.RotatedRight().RotatedRight().RotatedRight().RotatedRight(), none);
    EXPECT_EQ(none.RotatedRight().RotatedLeft(), none);
    EXPECT_EQ(none.FlippedVertically().FlippedVertically(), none);
    EXPECT_EQ(none.FlippedHorizontally().FlippedVertically(), (FrameTurn{2, false}));
    // Mirrored then turned right is turned left then mirrored.
    EXPECT_EQ(none.FlippedHorizontally().RotatedRight(), none.RotatedLeft().FlippedHorizontally());
}

}  // namespace

#include "document/duplicates.h"
#include "document/timing.h"

namespace {

std::vector<int> Delays(const Document& document) {
    std::vector<int> delays;
    for (const DocumentFrame& frame : document.Frames()) delays.push_back(frame.delay);
    return delays;
}

TEST(TimingTools, SpeedDelaysNeverGoBelowTwo) {
    std::vector<int> sped;
    for (int delay : {10, 20, 40, 3}) sped.push_back(DelayAtSpeed(delay, 200));
    EXPECT_EQ(sped, (std::vector<int>{5, 10, 20, 2}));
    EXPECT_EQ(DelayAtSpeed(0, 50), 20);  // plays as 10
    EXPECT_EQ(DelayAtSpeed(60000, 10), 65535);
}

// Reduce Frames and Remove Duplicates keep the animation's length and come
// back whole with one undo.
TEST(TimingTools, DroppedFramesGiveTheirTimeToTheFrameBefore) {
    Document document;
    DocumentHistory history;
    std::vector<DocumentFrame> ten;
    for (int i = 0; i < 10; ++i) ten.push_back(Frame(10 + i));
    document.InsertFrames(0, std::move(ten));
    std::vector<size_t> all(10);
    for (size_t i = 0; i < 10; ++i) all[i] = i;
    EXPECT_EQ(ReducedAway(all, 2, true), (std::vector<size_t>{1, 3, 5, 7, 9}));
    EXPECT_EQ(ReducedAway(all, 3, false), (std::vector<size_t>{2, 5, 8}));
    ASSERT_TRUE(history.SubmitEdit(std::make_unique<DropFramesCommand>(
        document, DropFrames(document, ReducedAway(all, 2, true)), "Reduce Frames")));
    EXPECT_EQ(Delays(document), (std::vector<int>{20, 20, 20, 20, 20}));
    EXPECT_EQ(Widths(document), (std::vector<int>{10, 12, 14, 16, 18}));
    history.Undo();
    EXPECT_EQ(Widths(document).size(), 10u);
    EXPECT_EQ(Delays(document), std::vector<int>(10, 10));
    // A first frame dropped gives its time to the first one kept.
    EXPECT_EQ(DropFrames(document, {0, 1}).kept, (std::vector<size_t>{2}));
    EXPECT_EQ(DropFrames(document, {0, 1}).delays, (std::vector<int>{30}));
}

TEST(TimingTools, DuplicatesAreFramesThatDrawTheSameAsTheLastKept) {
    Document document;
    wxImage almost(8, 8);
    almost.SetRGB(wxRect(0, 0, 8, 8), 255, 0, 0);
    const FramePicture red = StorePicture(almost);
    almost.SetRGB(3, 3, 250, 0, 0);  // 5 of 255 in one channel of one pixel: 0.01 %
    std::vector<DocumentFrame> frames;
    for (const FramePicture& picture :
         {StorePicture(wxImage(8, 8)), StorePicture(wxImage(8, 8, true)), red, red, StorePicture(almost), red})
        frames.push_back(DocumentFrame{picture, "f.png", 10, {}, {}});
    document.InsertFrames(0, std::move(frames));
    std::vector<size_t> all(document.FrameCount());
    for (size_t i = 0; i < all.size(); ++i) all[i] = i;
    // Exactly, the last red follows the almost-red frame that was kept.
    EXPECT_EQ(*FindDuplicates(FramesToCompare(document, all), 0, nullptr), (std::vector<size_t>{1, 3}));
    EXPECT_EQ(*FindDuplicates(FramesToCompare(document, all), 0.1, nullptr), (std::vector<size_t>{1, 3, 4, 5}));
    const FrameDrop drop = DropFrames(document, {3, 4, 5});
    EXPECT_EQ(drop.kept, (std::vector<size_t>{2}));
    EXPECT_EQ(drop.delays, (std::vector<int>{40}));
    // Stopped: nothing is found.
    EXPECT_FALSE(FindDuplicates(FramesToCompare(document, all), 0, [](size_t) { return false; }));
    // Forth and back: the middle frames in reverse, sharing their pictures.
    const std::vector<DocumentFrame> back = ForthAndBack(document, {1, 2, 3, 4});
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].picture, document.Frame(3).picture);
    EXPECT_EQ(back[1].picture, document.Frame(2).picture);
}

}  // namespace
