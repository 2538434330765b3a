// What the export writes, read back by readers we did not write (giflib,
// Pillow, ImageMagick): per-frame delays, the loop count, transparency, frames
// that store only what changed, and the same bytes on any number of cores.
#include "support/gif_decode.h"
#include "support/psnr.h"
#include "support/test_support.h"

#include "gif/export.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>

namespace {

constexpr const char* kPython = "/usr/bin/python3";

wxImage Filled(int w, int h, const std::function<void(int, int, unsigned char*)>& paint) {
    wxImage image(w, h, false);
    unsigned char* p = image.GetData();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x, p += 3) paint(x, y, p);
    return image;
}

// A desktop of thousands of colours that stays still, a line of text that
// grows, a moving cursor and a small video tile of noise.
wxImage ScreenFrame(int i) {
    std::mt19937 random(unsigned(i) + 100);
    return Filled(320, 180, [&](int x, int y, unsigned char* p) {
        p[0] = static_cast<unsigned char>(60 + x / 3);
        p[1] = static_cast<unsigned char>(90 + y / 2);
        p[2] = static_cast<unsigned char>(150 + (x * y) % 41);
        if (y >= 20 && y < 30 && x >= 10 && x < 10 + 12 * i && x % 6 < 4) p[0] = p[1] = p[2] = 20;
        if (x >= 100 + 9 * i && x < 106 + 9 * i && y >= 80 && y < 90) p[0] = p[1] = p[2] = 250;
        if (x >= 250 && x < 290 && y >= 120 && y < 150) {
            p[0] = static_cast<unsigned char>(random());
            p[1] = static_cast<unsigned char>(x * 4 + i * 9);
            p[2] = static_cast<unsigned char>(y * 3);
        }
    });
}

// The screen's first frame mirrored: nearly every pixel changes, and the
// first frame's table fits it as well as it fits the first.
wxImage MirroredScreen() { return ScreenFrame(0).Mirror(); }

// Rectangles of nine colours sliding along.
wxImage FlatFrame(int i) {
    static const unsigned char colours[9][3] = {{255, 255, 255}, {0, 0, 0}, {200, 30, 30},
                                                {30, 160, 60},   {40, 70, 200}, {240, 200, 40},
                                                {120, 120, 120}, {90, 40, 140}, {20, 180, 200}};
    return Filled(96, 64, [i](int x, int y, unsigned char* p) {
        std::memcpy(p, colours[((x + 5 * i) / 16 + (y / 16) * 3) % 9], 3);
    });
}

GifExportJob Job(const std::string& path, const std::vector<wxImage>& frames) {
    GifExportJob job;
    job.path = path;
    job.frameCount = int(frames.size());
    job.canvasWidth = frames.at(0).GetWidth();
    job.canvasHeight = frames.at(0).GetHeight();
    job.delays = {10};
    job.parallelism = 2;
    return job;
}

std::string PathOf(const GifExportJob& job) { return job.path.ToStdString(); }

GifExportStatus Write(const GifExportJob& job, const std::vector<wxImage>& frames) {
    return WriteGifAnimation(
        job, [&frames](int i) { return std::make_unique<wxImage>(frames.at(size_t(i)).Copy()); },
        [](int) { return true; });
}

// Every frame as a browser shows it, RGBA, composed by ImageMagick.
std::vector<std::string> Coalesced(const std::string& path, int w, int h) {
    const auto run = lwtest::RunProcess({"/usr/bin/convert", path, "-coalesce", "-depth", "8", "rgba:-"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::vector<std::string> frames;
    const size_t size = size_t(w) * h * 4;
    for (size_t at = 0; at + size <= run.out.size(); at += size) frames.push_back(run.out.substr(at, size));
    return frames;
}

wxImage Rgb(const std::string& rgba, int w, int h) {
    wxImage image(w, h, false);
    for (size_t i = 0; i < size_t(w) * h; ++i) std::memcpy(image.GetData() + 3 * i, &rgba[4 * i], 3);
    return image;
}

class GifWriterOutput : public ::testing::Test {
protected:
    std::string folder = lwtest::MakeTempDir("optimise");
};

TEST_F(GifWriterOutput, DelaysPerFrameAndTheLoopCountAsReadersPlayThem) {
    const std::vector<wxImage> frames = {FlatFrame(0), FlatFrame(1), FlatFrame(2)};
    GifExportJob job = Job(folder + "/three.gif", frames);
    job.delays = {10, 20, 35};
    job.loopCount = 3;
    ASSERT_EQ(Write(job, frames), GifExportStatus::Written);
    const auto gif = lwtest::DecodeGif(lwtest::ReadFile(PathOf(job)));
    ASSERT_EQ(gif.frames.size(), 3u);
    EXPECT_EQ(gif.frames[0].delay, 10);
    EXPECT_EQ(gif.frames[1].delay, 20);
    EXPECT_EQ(gif.frames[2].delay, 35);
    // ImageMagick counts the passes; Pillow gives the repeats after the first.
    const auto magick = lwtest::RunProcess({"/usr/bin/identify", "-verbose", PathOf(job) + "[0]"});
    EXPECT_NE(magick.out.find("Iterations: 3\n"), std::string::npos) << magick.out;
    const std::string script = "import sys; from PIL import Image; print(Image.open(sys.argv[1]).info.get('loop'))";
    EXPECT_EQ(lwtest::RunProcess({kPython, "-c", script, PathOf(job)}).out, "2\n");

    const std::vector<std::pair<int, std::string>> others = {{0, "0\n"}, {1, "None\n"}};
    for (const auto& [loops, pillow] : others) {
        job.loopCount = loops;
        ASSERT_EQ(Write(job, frames), GifExportStatus::Written);
        const auto again = lwtest::DecodeGif(lwtest::ReadFile(PathOf(job)));
        EXPECT_EQ(again.frames[0].hasLoop, loops != 1);
        EXPECT_EQ(lwtest::RunProcess({kPython, "-c", script, PathOf(job)}).out, pillow);
    }
}

TEST_F(GifWriterOutput, AHoleStaysTransparentOnlyWhenAsked) {
    wxImage picture = Filled(24, 16, [](int, int, unsigned char* p) { p[0] = 200, p[1] = 40, p[2] = 10; });
    picture.InitAlpha();
    for (int y = 4; y < 12; ++y)
        for (int x = 8; x < 16; ++x) picture.SetAlpha(x, y, 0);
    const std::vector<wxImage> frames = {picture, picture.Mirror()};
    for (bool transparent : {true, false}) {
        SCOPED_TRACE(transparent);
        GifExportJob job = Job(folder + "/hole.gif", frames);
        job.transparent = transparent;
        ASSERT_EQ(Write(job, frames), GifExportStatus::Written);
        for (const std::string& frame : Coalesced(PathOf(job), 24, 16)) {
            auto at = [&](int x, int y) { return frame.substr(size_t(y * 24 + x) * 4, 4); };
            EXPECT_EQ(at(1, 1), std::string("\xC8\x28\x0A\xFF", 4));
            EXPECT_EQ(at(12, 8), transparent ? std::string(4, '\0') : std::string("\0\0\0\xFF", 4));
        }
    }
}

TEST_F(GifWriterOutput, AScreenLikeAnimationStoresOnlyChangesAndLooksTheSame) {
    std::vector<wxImage> frames;
    for (int i = 0; i < 12; ++i) frames.push_back(ScreenFrame(i));
    GifExportJob job = Job(folder + "/whole.gif", frames);
    job.optimise = false;
    ASSERT_EQ(Write(job, frames), GifExportStatus::Written);
    const auto whole = Coalesced(PathOf(job), 320, 180);
    const size_t wholeSize = lwtest::ReadFile(PathOf(job)).size();
    job.optimise = true;
    job.path = folder + "/changes.gif";
    ASSERT_EQ(Write(job, frames), GifExportStatus::Written);
    const auto changes = Coalesced(PathOf(job), 320, 180);
    ASSERT_EQ(changes.size(), frames.size());
    ASSERT_EQ(whole.size(), frames.size());
    for (size_t i = 0; i < frames.size(); ++i) {
        SCOPED_TRACE(i);
        const double before = lwtest::Psnr(Rgb(whole[i], 320, 180), frames[i]);
        const double after = lwtest::Psnr(Rgb(changes[i], 320, 180), frames[i]);
        EXPECT_GT(after, 30);
        EXPECT_GT(after, before - 1.0);
    }
    const auto gif = lwtest::DecodeGif(lwtest::ReadFile(PathOf(job)));
    EXPECT_LT(gif.frames.at(5).width * gif.frames[5].height, 320 * 180 * 2 / 3);
    EXPECT_LT(lwtest::ReadFile(PathOf(job)).size() * 3, wholeSize);
}

TEST_F(GifWriterOutput, FewColoursStayExactEvenAfterAQuantisedFrame) {
    std::vector<wxImage> frames = {FlatFrame(0), FlatFrame(1), ScreenFrame(0).Size(wxSize(96, 64), wxPoint()),
                                   FlatFrame(1), FlatFrame(2)};
    GifExportJob job = Job(folder + "/flat.gif", frames);
    ASSERT_EQ(Write(job, frames), GifExportStatus::Written);
    const auto shown = Coalesced(PathOf(job), 96, 64);
    ASSERT_EQ(shown.size(), frames.size());
    for (size_t i : {0, 1, 3, 4}) EXPECT_EQ(lwtest::Psnr(Rgb(shown[i], 96, 64), frames[i]), 99) << i;
    // The flat frames share the first frame's table.
    const auto gif = lwtest::DecodeGif(lwtest::ReadFile(PathOf(job)));
    EXPECT_FALSE(gif.frames.at(1).hasLocalTable);
    EXPECT_FALSE(gif.frames.at(4).hasLocalTable);
}

// A quantised frame that the first frame's table serves as well as it serves
// the first is written with that table; one of other colours gets its own.
TEST_F(GifWriterOutput, FramesLikeTheFirstShareItsQuantisedTable) {
    const wxImage reddish = Filled(320, 180, [](int x, int y, unsigned char* p) {
        p[0] = static_cast<unsigned char>(150 + x / 4 + (x * y) % 23);
        p[1] = static_cast<unsigned char>(20 + y / 3);
        p[2] = static_cast<unsigned char>(10 + (x + y) % 37);
    });
    const std::vector<wxImage> frames = {ScreenFrame(0), MirroredScreen(), reddish};
    GifExportJob job = Job(folder + "/shared.gif", frames);
    ASSERT_EQ(Write(job, frames), GifExportStatus::Written);
    const auto gif = lwtest::DecodeGif(lwtest::ReadFile(PathOf(job)));
    ASSERT_EQ(gif.frames.size(), 3u);
    EXPECT_FALSE(gif.frames[1].hasLocalTable);
    EXPECT_TRUE(gif.frames[2].hasLocalTable);
    const auto shown = Coalesced(PathOf(job), 320, 180);
    ASSERT_EQ(shown.size(), frames.size());
    for (size_t i = 0; i < frames.size(); ++i) EXPECT_GT(lwtest::Psnr(Rgb(shown[i], 320, 180), frames[i]), 30) << i;
}

// Frames that change only a little, in colours that frame 0 shows last, find
// those colours early in the shared table, so that their codes stay short;
// and they still show exactly what they were given.
TEST_F(GifWriterOutput, ColoursOfWhatChangesComeEarlyInTheSharedTable) {
    auto frame = [](int i) {
        return Filled(200, 60, [i](int x, int y, unsigned char* p) {
            p[0] = static_cast<unsigned char>(x), p[1] = 50, p[2] = 100;  // 200 colours, left to right
            const bool typed = i > 0 && y >= 10 && y < 20 && x >= 10 && x < 10 + 8 * i;
            if (typed) p[0] = static_cast<unsigned char>(190 + (x + y) % 3 * 4);
        });
    };
    std::vector<wxImage> frames;
    for (int i = 0; i < 6; ++i) frames.push_back(frame(i));
    GifExportJob job = Job(folder + "/typed.gif", frames);
    ASSERT_EQ(Write(job, frames), GifExportStatus::Written);
    const auto gif = lwtest::DecodeGif(lwtest::ReadFile(PathOf(job)));
    ASSERT_EQ(gif.frames.size(), frames.size());
    for (size_t i = 1; i < frames.size(); ++i) {
        EXPECT_FALSE(gif.frames[i].hasLocalTable) << i;
        EXPECT_LT(*std::max_element(gif.frames[i].indices.begin(), gif.frames[i].indices.end()), 128) << i;
    }
    const auto shown = Coalesced(PathOf(job), 200, 60);
    ASSERT_EQ(shown.size(), frames.size());
    for (size_t i = 0; i < frames.size(); ++i) EXPECT_EQ(lwtest::Psnr(Rgb(shown[i], 200, 60), frames[i]), 99) << i;
}

// A many-coloured frame that changes here and there in short runs is written
// whole, since transparency between the changes would break the coder's
// strings; one that changes two corners keeps what lies between transparent,
// and one that changes every other row keeps the rows between.
TEST_F(GifWriterOutput, ScatteredChangesAreWrittenWholeAndCornersAlone) {
    std::mt19937 random(5);
    const wxImage noise = Filled(160, 120, [&](int, int, unsigned char* p) {
        for (int c = 0; c < 3; ++c) p[c] = static_cast<unsigned char>(random());
    });
    wxImage scattered = noise.Copy(), block = noise.Copy();
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x) {
            unsigned char* p = scattered.GetData() + 3 * (size_t(y) * 160 + x);
            if (x % 3 == 0) p[0] = static_cast<unsigned char>(p[0] + 128);
            const bool corner = (x < 20 && y < 20) || (x >= 140 && y >= 100);
            if (corner) block.GetData()[3 * (size_t(y) * 160 + x)] ^= 0x80;
        }
    wxImage striped = block.Copy();
    for (int y = 0; y < 120; y += 2)
        for (int x = 0; x < 160; x += 3) striped.GetData()[3 * (size_t(y) * 160 + x)] ^= 0x80;
    const std::vector<wxImage> frames = {noise, scattered, noise, block, striped};
    GifExportJob job = Job(folder + "/scattered.gif", frames);
    ASSERT_EQ(Write(job, frames), GifExportStatus::Written);
    const auto gif = lwtest::DecodeGif(lwtest::ReadFile(PathOf(job)));
    ASSERT_EQ(gif.frames.size(), 5u);
    EXPECT_EQ(gif.frames[1].transparentIndex, -1);
    EXPECT_GE(gif.frames[3].transparentIndex, 0);
    const auto& rows = gif.frames[4];
    ASSERT_EQ(rows.width, 160);
    for (int y = 0; y < rows.height; ++y) {
        const auto row = rows.indices.begin() + ptrdiff_t(y) * 160;
        EXPECT_EQ(std::count(row, row + 160, rows.transparentIndex), y % 2 ? 160 : 0) << y;
    }
}

// Writes the screen-like animation to $LW_GIF_OUT; run by the next test in a
// process of its own, with the OpenMP thread count it is given.
TEST(GifWriterChild, DISABLED_WriteScreenLike) {
    std::vector<wxImage> frames;
    for (int i = 0; i < 6; ++i) frames.push_back(ScreenFrame(i));
    frames.push_back(MirroredScreen());  // quantised with the first frame's table
    GifExportJob job = Job(std::getenv("LW_GIF_OUT"), frames);
    job.parallelism = std::atoi(std::getenv("LW_GIF_PARALLELISM"));
    ASSERT_EQ(Write(job, frames), GifExportStatus::Written);
}

TEST_F(GifWriterOutput, TheSameBytesOnOneOrTwoCores) {
    std::vector<std::string> files;
    for (const char* threads : {"1", "2"}) {
        files.push_back(folder + "/cores" + threads + ".gif");
        const auto run = lwtest::RunProcess(
            {"/proc/self/exe", "--gtest_also_run_disabled_tests", "--gtest_filter=GifWriterChild.*"},
            {{"OMP_NUM_THREADS", threads}, {"LW_GIF_OUT", files.back()}, {"LW_GIF_PARALLELISM", threads}},
            std::chrono::seconds(120));
        ASSERT_EQ(run.exitCode, 0) << run.out << run.err;
    }
    const std::string one = lwtest::ReadFile(files[0]);
    EXPECT_GT(one.size(), 1000u);
    EXPECT_TRUE(one == lwtest::ReadFile(files[1]));
}

}  // namespace
