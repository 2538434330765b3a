// The image loading thread: the events it queues for every kind of input.
#include "jobs/imageloadthread.h"
#include "jobs/importevents.h"
#include "jobs/workerevents.h"
#include "support/pictures.h"
#include "support/test_support.h"

#include <wx/filename.h>
#include <wx/image.h>

#include <memory>

namespace {

struct Received {
    int progress;
    long frameIndex;
    std::string path;
    wxSize size;  // of the picture, or -1 x -1 without one
    int delay;
    std::vector<SkippedPicture> skipped;
};

// Stands in for the main window: collects what the thread queues.
class Sink : public wxEvtHandler {
public:
    Sink() {
        Bind(wxEVT_IMPORT_PROGRESS, [this](ImportEvent& e) {
            const FramePicture image = e.TakePicture();
            EXPECT_EQ(e.GetId(), ID_IMAGE_LOAD_THREAD);
            const ImportedPicture& p = e.GetPicture();
            events.push_back({e.GetProgress(), p.frameIndex, p.path.ToStdString(),
                              image ? image->GetSize() : wxSize(-1, -1), p.delay, e.GetSkipped()});
        });
    }
    std::vector<Received> events;
};

std::vector<Received> Load(const std::vector<std::string>& paths) {
    Sink sink;
    wxArrayString list;
    for (const auto& p : paths) list.Add(p);
    auto* thread = new ImageLoadThread(&sink, list);
    EXPECT_EQ(thread->Run(), wxTHREAD_NO_ERROR);
    EXPECT_TRUE(lwtest::PumpUntil(
        [&] { return !sink.events.empty() && sink.events.back().progress == 100; }));
    // Nothing may follow the last event.
    lwtest::PumpUntil([] { return false; }, std::chrono::milliseconds(50));
    return sink.events;
}

std::vector<int> Progresses(const std::vector<Received>& events) {
    std::vector<int> p;
    for (const auto& e : events) p.push_back(e.progress);
    return p;
}

class ImageLoading : public ::testing::Test {
protected:
    void SetUp() override { dir = lwtest::MakeTempDir("load"); }
    std::string Png(const std::string& name, int w = 40, int h = 30) {
        const std::string path = dir + "/" + name;
        lwtest::WritePicture(path, w, h, *wxBLUE);
        return path;
    }
    std::string Gif(const std::string& name) {
        const std::string path = dir + "/" + name;
        lwtest::WriteAnimatedGif(path, 12, 8, {"red", "lime", "blue"});
        return path;
    }
    std::string dir;
};

TEST_F(ImageLoading, ThreePicturesReport33_66_100) {
    const auto events = Load({Png("a.png"), Png("b.png", 7, 9), Png("c.png")});
    EXPECT_EQ(Progresses(events), (std::vector<int>{33, 66, 100}));
    EXPECT_EQ(events[1].delay, -1) << "not a GIF frame";
    EXPECT_EQ(events[1].size, wxSize(7, 9));
    EXPECT_EQ(events[1].path, dir + "/b.png");
    EXPECT_EQ(events[1].frameIndex, 0);
}

TEST_F(ImageLoading, EveryFrameOfAGifArrivesAtItsFilesStartValue) {
    const std::string gif = Gif("anim.gif");
    const auto events = Load({gif, Png("after.png")});
    ASSERT_EQ(Progresses(events), (std::vector<int>{0, 0, 0, 100}));
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(events[k].frameIndex, k);
        EXPECT_EQ(events[k].delay, 0) << "the file's own delay";
        EXPECT_EQ(events[k].path, gif);
        EXPECT_EQ(events[k].size, wxSize(12, 8));
    }

    const auto second = Load({Png("before.png"), gif});
    EXPECT_EQ(Progresses(second), (std::vector<int>{50, 50, 50, 100}));
}

TEST_F(ImageLoading, AFrameReferenceLoadsOnlyThatFrame) {
    const std::string gif = Gif("anim.gif");
    const auto events = Load({gif + "_2"});
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].progress, 100);
    EXPECT_EQ(events[0].frameIndex, 2);
    EXPECT_EQ(events[0].path, gif);
}

TEST_F(ImageLoading, FramesOfOneGifListedOneByOneArriveInListOrder) {
    const std::string gif = Gif("anim.gif");
    const auto events = Load({gif + "_0", gif + "_2", gif + "_1", Png("x.png"), gif + "_2"});
    ASSERT_EQ(events.size(), 5u);
    const long expected[] = {0, 2, 1, 0, 2};
    for (size_t k = 0; k < 5; ++k) EXPECT_EQ(events[k].frameIndex, expected[k]) << k;
    EXPECT_EQ(events[3].path, dir + "/x.png");
    EXPECT_EQ(events.back().progress, 100);
}

TEST_F(ImageLoading, AClosedSinkReceivesNothing) {
    Sink target;
    auto sink = std::make_shared<ImportSink>(&target);
    sink->Close();
    wxArrayString list;
    list.Add(Png("a.png"));
    auto* thread = new ImageLoadThread(sink, list);
    ASSERT_EQ(thread->Run(), wxTHREAD_NO_ERROR);
    // The thread ends on its own; nothing reaches the closed window.
    lwtest::PumpUntil([] { return false; }, std::chrono::milliseconds(300));
    EXPECT_TRUE(target.events.empty());
}

TEST_F(ImageLoading, UpperCaseGifGivesEveryFrame) {
    const std::string path = dir + "/SHOUT.GIF";
    lwtest::WriteAnimatedGif(path, 5, 5, {"red", "blue"});
    const auto events = Load({path, path + "_1"});
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[1].frameIndex, 1);
    EXPECT_EQ(events[2].frameIndex, 1);
    EXPECT_EQ(events[2].size, wxSize(5, 5));
}

TEST_F(ImageLoading, TheLoadEndsWhenTheLastPathGivesNoPicture) {
    const std::string gif = Gif("anim.gif");
    for (const std::string& last : {dir + "/missing.png", gif + "_1000", gif + "_3"}) {
        const auto events = Load({Png("a.png"), last});
        ASSERT_EQ(events.size(), 2u) << last;
        EXPECT_EQ(events[0].progress, 50);
        EXPECT_EQ(events[1].progress, 100);
        EXPECT_EQ(events[1].size, wxSize(-1, -1)) << "the closing event carries no picture";
    }
}

TEST_F(ImageLoading, PicturesInFoldersNamedLikeFrameReferencesLoad) {
    wxFileName::Mkdir(dir + "/clips.gif_old");
    lwtest::WritePicture(dir + "/clips.gif_old/pic.png", 3, 4, *wxGREEN);
    const auto events = Load({dir + "/clips.gif_old/pic.png"});
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].size, wxSize(3, 4));
}

TEST_F(ImageLoading, BrokenFilesAreSkipped) {
    std::vector<std::string> paths = lwtest::WriteBrokenPictures(dir);
    const size_t broken = paths.size();
    paths.insert(paths.begin() + 3, Png("good.png"));
    paths.push_back(dir + "/vanished.jpg");
    const auto events = Load(paths);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].size, wxSize(40, 30));
    EXPECT_EQ(events[0].progress, static_cast<int>(4 * 100 / (broken + 2)));
    EXPECT_EQ(events[1].progress, 100);
    EXPECT_EQ(events[1].size, wxSize(-1, -1));
    // The last event names every skipped file, in list order, with its reason.
    ASSERT_EQ(events[1].skipped.size(), broken + 1);
    EXPECT_EQ(events[1].skipped[0].path, paths[0]);
    EXPECT_EQ(events[1].skipped.back().path, dir + "/vanished.jpg");
    EXPECT_EQ(events[1].skipped.back().reason, SkipReason::NotFound);
    EXPECT_TRUE(events[0].skipped.empty());
}

TEST_F(ImageLoading, EveryFormat) {
    std::vector<std::string> paths;
    for (const char* ext : {"png", "jpg", "bmp", "gif"}) {
        paths.push_back(dir + "/pic." + ext);
        lwtest::WritePicture(paths.back(), 9, 5, *wxRED);
    }
    const auto events = Load(paths);
    ASSERT_EQ(events.size(), 4u);
    for (const auto& e : events) EXPECT_EQ(e.size, wxSize(9, 5)) << e.path;
}

}  // namespace
