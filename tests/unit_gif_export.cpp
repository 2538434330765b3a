// Writing a whole animation: what giflib reads back from the file, the order
// of frames and progress, and that a failed export leaves the target as it was.
#include "support/gif_decode.h"
#include "support/test_support.h"

#include "gif/blocks.h"
#include "gif/export.h"
#include "gif/export_memory.h"
#include "jobs/workerevents.h"
#include "jobs/worksaveasgifthread.h"

#include <wx/dir.h>
#include <wx/filename.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cmath>
#include <mutex>
#include <random>

namespace {

using lwtest::DecodeGif;
using lwtest::DecodedGif;
using lwtest::GifColour;

wxImage Solid(int w, int h, unsigned char r, unsigned char g, unsigned char b) {
    wxImage image(w, h, false);
    image.SetRGB(wxRect(0, 0, w, h), r, g, b);
    return image;
}

// Thousands of colours: the quantiser has work to do.
wxImage Noisy(int w, int h, unsigned seed) {
    std::mt19937 random(seed);
    wxImage image(w, h, false);
    unsigned char* p = image.GetData();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x, p += 3) {
            p[0] = static_cast<unsigned char>(x * 255 / w);
            p[1] = static_cast<unsigned char>(y * 255 / h);
            p[2] = static_cast<unsigned char>(random() & 0xFF);
        }
    return image;
}

// Gives copies of the pictures and records which frames were asked for.
struct Frames {
    std::vector<wxImage> pictures;
    std::vector<int> asked;
    ExportFrameSource Source() {
        return [this](int index) {
            asked.push_back(index);
            return std::make_unique<wxImage>(pictures.at(size_t(index)).Copy());
        };
    }
};

GifExportJob Job(const std::string& path, int frames, int w, int h, int delay = 10,
                 int parallelism = 1) {
    GifExportJob job;
    job.path = path;
    job.frameCount = frames;
    job.canvasWidth = w;
    job.canvasHeight = h;
    job.delays = {delay};
    job.parallelism = parallelism;
    return job;
}

ExportFrameWritten Record(std::vector<int>& written) {
    return [&written](int index) {
        written.push_back(index);
        return true;
    };
}

double Psnr(const std::vector<GifColour>& decoded, const wxImage& source) {
    double sum = 0;
    const unsigned char* p = source.GetData();
    for (const GifColour& c : decoded) {
        const int d[3] = {c.r - p[0], c.g - p[1], c.b - p[2]};
        for (int k = 0; k < 3; ++k) sum += d[k] * d[k];
        p += 3;
    }
    const double mse = sum / (3.0 * double(decoded.size()));
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

// While alive, files this process writes cannot grow beyond `bytes`: writing
// then fails as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_saved{};
    void (*m_handler)(int);
};

TEST(GifExportNames, GifExtensionIsAddedUnlessTheNameEndsInLowerCaseGif) {
    EXPECT_EQ(EnsureGifExtension("/a/anim.gif"), "/a/anim.gif");
    EXPECT_EQ(EnsureGifExtension("/a/anim"), "/a/anim.gif");
    EXPECT_EQ(EnsureGifExtension("x.GIF"), "x.GIF.gif");
    EXPECT_EQ(EnsureGifExtension("x.Gif"), "x.Gif.gif");
    EXPECT_EQ(EnsureGifExtension("photo.png"), "photo.png.gif");
    EXPECT_EQ(EnsureGifExtension("a.gif.bak"), "a.gif.bak.gif");
}

TEST(GifExportNames, ProgressAfterEachFrame) {
    auto all = [](int n) {
        std::vector<int> values;
        for (int i = 0; i < n; ++i) values.push_back(ExportProgress(i, n));
        return values;
    };
    EXPECT_EQ(all(3), (std::vector<int>{33, 66, 100}));
    EXPECT_EQ(all(1), (std::vector<int>{100}));
    EXPECT_EQ(all(7), (std::vector<int>{14, 28, 42, 57, 71, 85, 100}));
    // Many frames: never 100 before the last, no overflow.
    const std::vector<int> many = all(250);
    EXPECT_EQ(many[248], 99);
    EXPECT_EQ(many[249], 100);
    EXPECT_EQ(ExportProgress(99999, 100000), 100);
    EXPECT_EQ(ExportProgress(99998, 100000), 99);
}

TEST(GifBlocks, ColourTablesTakeTheSmallestPowerOfTwo) {
    EXPECT_EQ(GifBitsPerPixel(1), 1);
    EXPECT_EQ(GifBitsPerPixel(2), 1);
    EXPECT_EQ(GifBitsPerPixel(3), 2);
    EXPECT_EQ(GifBitsPerPixel(4), 2);
    EXPECT_EQ(GifBitsPerPixel(5), 3);
    EXPECT_EQ(GifBitsPerPixel(128), 7);
    EXPECT_EQ(GifBitsPerPixel(129), 8);
    EXPECT_EQ(GifBitsPerPixel(256), 8);
}

TEST(GifExportNames, FailureTextsNameTheFile) {
    for (GifExportStatus status :
         {GifExportStatus::NotAFile, GifExportStatus::IsAFolder, GifExportStatus::LinkLoop,
          GifExportStatus::CannotCreate, GifExportStatus::BadFrame,
          GifExportStatus::CannotWrite,
          GifExportStatus::CannotReplace, GifExportStatus::Stopped}) {
        const wxString text = GifExportFailureText(status, "/some/where/anim 100%.gif");
        EXPECT_TRUE(text.Contains("\"/some/where/anim 100%.gif\"")) << text;
    }
}

class GifExportFile : public ::testing::Test {
protected:
    void SetUp() override {
        folder = lwtest::MakeTempDir("export");
        target = folder + "/anim.gif";
    }
    std::string folder;
    std::string target;
};

TEST_F(GifExportFile, FramesComeBackFromAnIndependentDecoderAsGiven) {
    Frames frames;
    frames.pictures = {Solid(40, 30, 255, 0, 0), Solid(40, 30, 0, 255, 0), Solid(40, 30, 0, 0, 255)};
    std::vector<int> written;
    EXPECT_EQ(WriteGifAnimation(Job(target, 3, 40, 30, 25), frames.Source(), Record(written)),
              GifExportStatus::Written);
    // Looked at once for the colours they share, then written in order.
    EXPECT_EQ(frames.asked, (std::vector<int>{0, 1, 2, 0, 1, 2}));
    EXPECT_EQ(written, (std::vector<int>{0, 1}));  // the last one's end is the result
    EXPECT_EQ(lwtest::FolderContents(folder), std::vector<std::string>{"anim.gif"});

    const DecodedGif gif = DecodeGif(lwtest::ReadFile(target));
    ASSERT_TRUE(gif.ok) << gif.error;
    EXPECT_EQ(gif.width, 40);
    EXPECT_EQ(gif.height, 30);
    ASSERT_EQ(gif.frames.size(), 3u);
    EXPECT_TRUE(gif.frames[0].hasLoop);
    EXPECT_EQ(gif.frames[0].loopCount, 0);  // forever
    const GifColour expected[] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(gif.frames[i].delay, 25);
        EXPECT_EQ(gif.frames[i].width, 40);
        EXPECT_EQ(gif.frames[i].pixels.front(), expected[i]);
        EXPECT_EQ(gif.frames[i].pixels.back(), expected[i]);
    }
}

TEST_F(GifExportFile, FramesArePlacedOnTheCanvasAndMaskedPixelsAreBlack) {
    Frames frames;
    wxImage masked = Solid(10, 10, 200, 100, 50);
    masked.SetRGB(wxRect(0, 0, 5, 10), 1, 2, 3);
    masked.SetMaskColour(1, 2, 3);
    frames.pictures = {Solid(40, 20, 255, 255, 255), masked};
    std::vector<int> written;
    // Whole frames, so that each decodes alone.
    GifExportJob job = Job(target, 2, 20, 20);
    job.optimise = false;
    ASSERT_EQ(WriteGifAnimation(job, frames.Source(), Record(written)), GifExportStatus::Written);
    const DecodedGif gif = DecodeGif(lwtest::ReadFile(target));
    ASSERT_TRUE(gif.ok);
    ASSERT_EQ(gif.frames.size(), 2u);
    auto at = [&](size_t frame, int x, int y) { return gif.frames[frame].pixels[size_t(y) * 20 + x]; };
    // 40 x 20 shrunk to 20 x 10, centred between black bars.
    EXPECT_EQ(at(0, 10, 2), (GifColour{0, 0, 0}));
    EXPECT_EQ(at(0, 10, 10), (GifColour{255, 255, 255}));
    // 10 x 10 unscaled at (5, 5); its masked left half is black.
    EXPECT_EQ(at(1, 7, 10), (GifColour{0, 0, 0}));
    EXPECT_EQ(at(1, 12, 10), (GifColour{200, 100, 50}));
    EXPECT_EQ(at(1, 17, 10), (GifColour{0, 0, 0}));
}

TEST_F(GifExportFile, FramesRenderedInParallelAreWrittenInOrder) {
    Frames frames;
    for (int i = 0; i < 9; ++i) frames.pictures.push_back(Noisy(120, 90, unsigned(i)));
    // Flat frames in between, whose colours come out exactly.
    frames.pictures[4] = Solid(120, 90, 10, 20, 30);
    std::vector<int> written;
    GifExportJob job = Job(target, 9, 120, 90, 7, 4);
    job.optimise = false;  // whole frames, so that each decodes alone
    ASSERT_EQ(WriteGifAnimation(job, frames.Source(), Record(written)), GifExportStatus::Written);
    EXPECT_EQ(frames.asked, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(written, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    const DecodedGif gif = DecodeGif(lwtest::ReadFile(target));
    ASSERT_TRUE(gif.ok);
    ASSERT_EQ(gif.frames.size(), 9u);
    EXPECT_EQ(gif.frames[4].pixels[500], (GifColour{10, 20, 30}));
    for (size_t i = 0; i < 9; ++i) {
        EXPECT_EQ(gif.frames[i].delay, 7);
        if (i != 4) {
            EXPECT_GT(Psnr(gif.frames[i].pixels, frames.pictures[i]), 25) << i;
        }
    }
}

TEST_F(GifExportFile, NoFramesTouchesNothing) {
    lwtest::WriteFile(target, "old");
    Frames frames;
    std::vector<int> written;
    EXPECT_EQ(WriteGifAnimation(Job(target, 0, 10, 10), frames.Source(), Record(written)),
              GifExportStatus::NothingToWrite);
    EXPECT_EQ(lwtest::ReadFile(target), "old");
    EXPECT_EQ(lwtest::FolderContents(folder), std::vector<std::string>{"anim.gif"});
}

TEST_F(GifExportFile, AReplacedFileKeepsItsPermissions) {
    lwtest::WriteFile(target, "old");
    ::chmod(target.c_str(), 0640);
    Frames frames;
    frames.pictures = {Solid(8, 8, 1, 2, 3)};
    std::vector<int> written;
    ASSERT_EQ(WriteGifAnimation(Job(target, 1, 8, 8), frames.Source(), Record(written)),
              GifExportStatus::Written);
    EXPECT_TRUE(written.empty());
    struct stat info;
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(DecodeGif(lwtest::ReadFile(target)).frames.size(), 1u);
}

TEST_F(GifExportFile, ANewFileIsReadableByOthersAsUsual) {
    const mode_t mask = ::umask(022);
    Frames frames;
    frames.pictures = {Solid(8, 8, 1, 2, 3)};
    std::vector<int> written;
    ASSERT_EQ(WriteGifAnimation(Job(target, 1, 8, 8), frames.Source(), Record(written)),
              GifExportStatus::Written);
    ::umask(mask);
    struct stat info;
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
}

// Each failure leaves the old file untouched and no temporary file behind.
class GifExportFailure : public GifExportFile {
protected:
    void SetUp() override {
        GifExportFile::SetUp();
        lwtest::WriteFile(target, "the previous animation");
        for (int i = 0; i < 4; ++i) frames.pictures.push_back(Noisy(64, 48, unsigned(i)));
    }
    void ExpectOldFileKept() {
        EXPECT_EQ(lwtest::ReadFile(target), "the previous animation");
        EXPECT_EQ(lwtest::FolderContents(folder), std::vector<std::string>{"anim.gif"});
    }
    Frames frames;
    std::vector<int> written;
};

TEST_F(GifExportFailure, AFrameThatCannotBeDrawnEndsTheExport) {
    ExportFrameSource source = [this](int index) {
        frames.asked.push_back(index);
        return index == 2 ? std::make_unique<wxImage>() : std::make_unique<wxImage>(frames.pictures[size_t(index)].Copy());
    };
    EXPECT_EQ(WriteGifAnimation(Job(target, 4, 64, 48), source, Record(written)),
              GifExportStatus::BadFrame);
    EXPECT_EQ(written, (std::vector<int>{0, 1}));
    ExpectOldFileKept();
}

TEST_F(GifExportFailure, FrameZeroThatCannotBeDrawnWritesNothingMore) {
    ExportFrameSource source = [this](int index) {
        frames.asked.push_back(index);
        return std::make_unique<wxImage>();
    };
    EXPECT_EQ(WriteGifAnimation(Job(target, 4, 64, 48), source, Record(written)),
              GifExportStatus::BadFrame);
    EXPECT_EQ(frames.asked, (std::vector<int>{0, 0}));  // the look at its colours, then its turn
    EXPECT_TRUE(written.empty());
    ExpectOldFileKept();
}

TEST_F(GifExportFailure, AFullDiskBeforeTheHeaderStopsAtFrameZero) {
    {
        FileSizeLimit full(20);  // not even the header and colour table fit
        EXPECT_EQ(WriteGifAnimation(Job(target, 4, 64, 48), frames.Source(), Record(written)),
                  GifExportStatus::CannotWrite);
    }
    EXPECT_EQ(frames.asked.back(), 0);  // after the look at the frames' colours
    EXPECT_TRUE(written.empty());
    ExpectOldFileKept();
}

TEST_F(GifExportFailure, AFullDiskInTheMiddleIsAFailure) {
    {
        FileSizeLimit full(6000);  // about two frames
        EXPECT_EQ(WriteGifAnimation(Job(target, 4, 64, 48, 10, 2), frames.Source(), Record(written)),
                  GifExportStatus::CannotWrite);
    }
    EXPECT_FALSE(written.empty());
    EXPECT_LT(written.size(), 3u);
    ExpectOldFileKept();
}

TEST_F(GifExportFailure, AFolderThatCannotHoldFilesIsReported) {
    // Root may write anywhere; a path through a regular file fails for everyone.
    const std::string blocked = target + "/inside.gif";
    EXPECT_EQ(WriteGifAnimation(Job(blocked, 4, 64, 48), frames.Source(), Record(written)),
              GifExportStatus::CannotCreate);
    EXPECT_TRUE(frames.asked.empty());
    EXPECT_EQ(WriteGifAnimation(Job(folder + "/missing/anim.gif", 4, 64, 48), frames.Source(),
                                Record(written)),
              GifExportStatus::CannotCreate);
    ExpectOldFileKept();
}

TEST_F(GifExportFailure, ATargetThatIsAFolderIsNotReplaced) {
    const std::string taken = folder + "/taken.gif";
    ASSERT_TRUE(wxFileName::Mkdir(taken));
    lwtest::WriteFile(taken + "/keep.txt", "keep");
    EXPECT_EQ(WriteGifAnimation(Job(taken, 4, 64, 48), frames.Source(), Record(written)),
              GifExportStatus::IsAFolder);
    EXPECT_TRUE(frames.asked.empty()) << "found before any frame is drawn";
    EXPECT_EQ(lwtest::ReadFile(taken + "/keep.txt"), "keep");
    // Two links that point at each other are a loop, not a device.
    ASSERT_EQ(::symlink((folder + "/b.gif").c_str(), (folder + "/a.gif").c_str()), 0);
    ASSERT_EQ(::symlink((folder + "/a.gif").c_str(), (folder + "/b.gif").c_str()), 0);
    EXPECT_EQ(WriteGifAnimation(Job(folder + "/a.gif", 4, 64, 48), frames.Source(), Record(written)),
              GifExportStatus::LinkLoop);
    ::unlink((folder + "/a.gif").c_str());
    ::unlink((folder + "/b.gif").c_str());
    EXPECT_EQ(lwtest::FolderContents(folder), (std::vector<std::string>{"anim.gif", "taken.gif"}));
}

TEST_F(GifExportFailure, APipeIsNeverReplaced) {
    const std::string pipe = folder + "/pipe.gif";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    EXPECT_EQ(WriteGifAnimation(Job(pipe, 4, 64, 48), frames.Source(), Record(written)),
              GifExportStatus::NotAFile);
    struct stat info;
    ASSERT_EQ(::lstat(pipe.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    EXPECT_TRUE(frames.asked.empty());
}

TEST(GifExportMemory, ACanvasThatCannotFitIsRefusedBeforeRendering) {
    // What a GIF can store, but never what this or any desktop can render.
    EXPECT_EQ(ExportParallelismThatFits(65535, 65535, 4, AvailableMemory()), 0);
    EXPECT_EQ(ExportParallelismThatFits(65535, 65535, 4, std::nullopt), 0);
    const std::uint64_t two = ExportMemoryNeed(4000, 3000, 2);
    EXPECT_EQ(ExportParallelismThatFits(4000, 3000, 8, two), 2) << "fewer frames at once";
    EXPECT_EQ(ExportParallelismThatFits(4000, 3000, 8, ExportMemoryNeed(4000, 3000, 1) - 1), 0);
    EXPECT_EQ(ExportParallelismThatFits(640, 480, 8, std::nullopt), 8) << "unknown memory";
    ASSERT_TRUE(AvailableMemory());
    EXPECT_EQ(ExportParallelismThatFits(640, 480, 2, AvailableMemory()), 2);
    const wxString text = ExportMemoryRefusalText("/p/a.gif", 65535, 65535);
    EXPECT_TRUE(text.Contains("\"/p/a.gif\"") && text.Contains("65535 x 65535")) << text;
}

TEST_F(GifExportFailure, StoppingLeavesTheOldFile) {
    ExportFrameWritten stopAfterTwo = [this](int index) {
        written.push_back(index);
        return index < 1;
    };
    EXPECT_EQ(WriteGifAnimation(Job(target, 4, 64, 48, 10, 3), frames.Source(), stopAfterTwo),
              GifExportStatus::Stopped);
    EXPECT_EQ(written, (std::vector<int>{0, 1}));
    ExpectOldFileKept();

    ExportFrameSource noMore = [](int index) {
        return index < 2 ? std::make_unique<wxImage>(Solid(64, 48, 9, 9, 9)) : nullptr;
    };
    written.clear();
    EXPECT_EQ(WriteGifAnimation(Job(target, 4, 64, 48), noMore, Record(written)),
              GifExportStatus::Stopped);
    ExpectOldFileKept();

    // Stopped while the first frame, of many colours, is still being encoded
    // on a worker: the export ends cleanly, and the worker finishes alone.
    ExportFrameSource stopsSoon = [](int index) {
        return index < 2 ? std::make_unique<wxImage>(Noisy(640, 480, unsigned(index))) : nullptr;
    };
    EXPECT_EQ(WriteGifAnimation(Job(target, 4, 640, 480, 10, 2), stopsSoon, Record(written)),
              GifExportStatus::Stopped);
    ExpectOldFileKept();
}

// The feed between the frame store and the export thread. The sink records
// what is queued to it, from whichever thread.
class Sink : public wxEvtHandler {
public:
    void QueueEvent(wxEvent* event) override {
        std::unique_ptr<wxEvent> owned(event);
        std::lock_guard<std::mutex> lock(mutex);
        EXPECT_EQ(event->GetEventType(), wxEVT_COMMAND_WORKER_PROGRESS);
        EXPECT_EQ(event->GetId(), ID_SAVE_GIF_THREAD);
        progress.push_back(static_cast<wxCommandEvent*>(event)->GetInt());
    }
    std::mutex mutex;
    std::vector<int> progress;
};

// count stored pictures of 2 x 2, frame i all of grey i.
std::vector<FramePicture> StoredGreys(int count) {
    std::vector<FramePicture> pictures;
    for (int i = 0; i < count; ++i) {
        const auto grey = static_cast<unsigned char>(i);
        pictures.push_back(StorePicture(Solid(2, 2, grey, grey, grey)));
    }
    return pictures;
}

TEST(ExportFrameFeed, GivesTheStoredPicturesAndQueuesTheProgress) {
    Sink sink;
    std::vector<FramePicture> pictures = StoredGreys(10);
    pictures[4] = nullptr;
    ExportFrameFeed feed(&sink, std::move(pictures), 3);
    EXPECT_EQ(feed.FrameCount(), 10);
    const std::unique_ptr<wxImage> first = feed.Take(0, nullptr);
    ASSERT_TRUE(first && first->IsOk());
    EXPECT_EQ(first->GetSize(), wxSize(2, 2));
    EXPECT_EQ(first->GetRed(1, 1), 0);
    feed.FrameWritten(0);
    const std::unique_ptr<wxImage> third = feed.Take(2, nullptr);
    ASSERT_TRUE(third && third->IsOk());
    EXPECT_EQ(third->GetGreen(0, 1), 2);
    // A frame without a picture still arrives, as an invalid picture.
    feed.FrameWritten(3);
    const std::unique_ptr<wxImage> missing = feed.Take(4, nullptr);
    ASSERT_TRUE(missing);
    EXPECT_FALSE(missing->IsOk());
    feed.Finish(GifExportStatus::Written);
    EXPECT_EQ(sink.progress, (std::vector<int>{10, 40, 100}));
    EXPECT_EQ(feed.Outcome(), GifExportStatus::Written);
}

TEST(ExportFrameFeed, ClosingEndsTheTakingAndSilencesIt) {
    Sink sink;
    ExportFrameFeed feed(&sink, StoredGreys(5), 2);
    feed.Close();
    EXPECT_TRUE(feed.IsClosed());
    EXPECT_FALSE(feed.Take(0, nullptr));
    feed.FrameWritten(0);
    feed.Finish(GifExportStatus::Written);
    EXPECT_TRUE(sink.progress.empty());
}

TEST(ExportFrameFeed, ATakeGivesUpWhenAskedToStop) {
    Sink sink;
    ExportFrameFeed feed(&sink, StoredGreys(5), 2);
    EXPECT_FALSE(feed.Take(0, [] { return true; }));
    EXPECT_TRUE(feed.Take(0, [] { return false; }));
}

}  // namespace
