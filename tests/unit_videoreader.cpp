// Videos, animated WebP and APNG read as frames: sampled ranges, the frame a
// time names, damage, and what the picture decoder makes of them.
#include "import/framepath.h"
#include "import/picturedecoder.h"
#include "import/videoreader.h"
#include "support/psnr.h"
#include "support/test_support.h"

#include <algorithm>
#include <cstdio>

namespace {

std::string g_dir;

void Ffmpeg(std::vector<std::string> args) {
    args.insert(args.begin(), {"/usr/bin/ffmpeg", "-v", "error", "-y"});
    const lwtest::ProcessResult run = lwtest::RunProcess(args, {}, std::chrono::seconds(120));
    ASSERT_EQ(run.exitCode, 0) << run.err;
}

std::string Source(const char* size, int rate) {
    return "testsrc2=size=" + std::string(size) + ":rate=" + std::to_string(rate);
}

class VideoReaderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        g_dir = lwtest::MakeTempDir("video");
        Ffmpeg({"-f", "lavfi", "-i", Source("640x360", 25), "-t", "6", "-c:v", "libx264", "-g", "30", "-pix_fmt",
                "yuv420p", "-movflags", "+faststart", g_dir + "/clip.mp4"});
        Ffmpeg({"-ss", "1", "-i", g_dir + "/clip.mp4", "-frames:v", "1", g_dir + "/at1s.png"});
        Ffmpeg({"-f", "lavfi", "-i", Source("320x180", 25), "-t", "2", "-c:v", "libvpx", "-deadline", "realtime",
                g_dir + "/clip.webm"});
        Ffmpeg({"-f", "lavfi", "-i", Source("160x90", 10), "-t", "1", "-vf", "format=rgba,colorchannelmixer=aa=0.5",
                "-plays", "0", g_dir + "/anim.apng"});
        Ffmpeg({"-f", "lavfi", "-i", Source("160x90", 10), "-t", "1", "-c:v", "libwebp_anim", "-loop", "0",
                g_dir + "/anim.webp"});
        Ffmpeg({"-f", "lavfi", "-i", Source("160x90", 10), "-frames:v", "1", "-c:v", "libwebp", g_dir + "/still.webp"});
        Ffmpeg({"-f", "lavfi", "-i", Source("160x90", 10), "-frames:v", "1", g_dir + "/still.png"});
    }
    static std::string Path(const char* name) { return g_dir + "/" + name; }
};

std::vector<VideoFrame> ReadAll(VideoReader& reader, const VideoSampling& sampling, VideoOutcome* outcome = nullptr) {
    std::vector<VideoFrame> frames;
    const VideoOutcome read = reader.Read(sampling, [&](VideoFrame&& frame) {
        frames.push_back(std::move(frame));
        return true;
    });
    if (outcome) *outcome = read;
    return frames;
}

bool SameBytes(const wxImage& a, const wxImage& b) {
    const size_t bytes = size_t(a.GetWidth()) * a.GetHeight() * 3;
    return a.GetSize() == b.GetSize() && std::equal(a.GetData(), a.GetData() + bytes, b.GetData());
}

// Whether the reader gives the very frame again for its time.
bool GivesAgain(VideoReader& reader, const VideoFrame& frame) {
    const std::unique_ptr<wxImage> again = reader.PictureAt(frame.timeMs, frame.picture->GetSize());
    return again && SameBytes(*again, *frame.picture);
}

TEST_F(VideoReaderTest, ARangeAtARateGivesSamplesThatNameTheirPictures) {
    const std::unique_ptr<VideoReader> reader = VideoReader::Open(Path("clip.mp4"));
    ASSERT_TRUE(reader);
    EXPECT_NEAR(reader->Facts().durationMs, 6000, 40);
    EXPECT_EQ(reader->Facts().size, wxSize(640, 360));
    EXPECT_DOUBLE_EQ(reader->Facts().frameRate, 25);
    VideoOutcome outcome;
    const std::vector<VideoFrame> frames = ReadAll(*reader, {1000, 3000, 10, {}}, &outcome);
    EXPECT_EQ(outcome, VideoOutcome::Complete);
    ASSERT_EQ(frames.size(), 20u);
    for (size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(frames[i].timeMs, 1000 + 100 * long(i));
        EXPECT_EQ(frames[i].delay, 10);
    }
    wxImage expected(wxString(Path("at1s.png")));
    EXPECT_GT(lwtest::Psnr(*frames[0].picture, expected), 35);
    // The time names the very picture, read forward or back.
    for (const VideoFrame& frame : frames) EXPECT_TRUE(GivesAgain(*reader, frame)) << frame.timeMs;
    for (size_t i = frames.size(); i-- > 0;) EXPECT_TRUE(GivesAgain(*reader, frames[i])) << frames[i].timeMs;
    const std::unique_ptr<wxImage> small = reader->PictureAt(1000, wxSize(320, 180));
    ASSERT_TRUE(small);
    EXPECT_EQ(small->GetSize(), wxSize(320, 180));
    EXPECT_FALSE(reader->PictureAt(6100, wxSize()));
}

TEST_F(VideoReaderTest, EveryFrameKeepsItsOwnTimingInEveryContainer) {
    const std::unique_ptr<VideoReader> mp4 = VideoReader::Open(Path("clip.mp4"));
    ASSERT_TRUE(mp4);
    const std::vector<VideoFrame> frames = ReadAll(*mp4, {});
    ASSERT_EQ(frames.size(), 150u);
    for (size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(frames[i].timeMs, 40 * long(i));
        EXPECT_EQ(frames[i].delay, 4);
    }
    struct Expected {
        const char* name;
        size_t frames;
        int delay;
        bool alpha;
    };
    for (const Expected& file : {Expected{"clip.webm", 50, 4, false}, Expected{"anim.apng", 10, 10, true},
                                 Expected{"anim.webp", 10, 10, false}}) {
        EXPECT_TRUE(LooksLikeVideo(Path(file.name))) << file.name;
        const std::unique_ptr<VideoReader> reader = VideoReader::Open(Path(file.name));
        ASSERT_TRUE(reader) << file.name;
        VideoOutcome outcome;
        const std::vector<VideoFrame> read = ReadAll(*reader, {}, &outcome);
        EXPECT_EQ(outcome, VideoOutcome::Complete) << file.name;
        ASSERT_EQ(read.size(), file.frames) << file.name;
        EXPECT_EQ(read.back().delay, file.delay) << file.name;
        EXPECT_EQ(read[0].picture->HasAlpha(), file.alpha) << file.name;
        EXPECT_TRUE(GivesAgain(*reader, read[3])) << file.name;
    }
    for (const char* still : {"still.webp", "still.png", "at1s.png"}) EXPECT_FALSE(LooksLikeVideo(Path(still)));
}

TEST_F(VideoReaderTest, ACutVideoGivesItsFramesAsDamagedAndNoVideoOpensNothing) {
    const std::string bytes = lwtest::ReadFile(Path("clip.mp4"));
    lwtest::WriteFile(Path("cut.mp4"), bytes.substr(0, bytes.size() * 6 / 10));
    const std::unique_ptr<VideoReader> cut = VideoReader::Open(Path("cut.mp4"));
    ASSERT_TRUE(cut);
    VideoOutcome outcome;
    const size_t frames = ReadAll(*cut, {}, &outcome).size();
    EXPECT_EQ(outcome, VideoOutcome::Damaged);
    EXPECT_GT(frames, 10u);
    EXPECT_LT(frames, 150u);
    lwtest::WriteFile(Path("header.mp4"), bytes.substr(0, 200));
    lwtest::WriteFile(Path("text.mp4"), "just some text, long enough to be read as a header\n");
    EXPECT_FALSE(VideoReader::Open(Path("header.mp4")));
    EXPECT_FALSE(VideoReader::Open(Path("text.mp4")));
    EXPECT_FALSE(LooksLikeVideo(Path("text.mp4")));
}

TEST_F(VideoReaderTest, FramePathsNameAVideoFrameExactly) {
    const wxString path = MakeVideoFramePath("/v/clip.mp4", 1240, wxSize(640, 360));
    EXPECT_EQ(path, "/v/clip.mp4#t=1.240&size=640x360");
    const std::optional<VideoFrameRef> ref = VideoFrameFromPath(path);
    ASSERT_TRUE(ref);
    EXPECT_EQ(ref->path, "/v/clip.mp4");
    EXPECT_EQ(ref->timeMs, 1240);
    EXPECT_EQ(ref->size, wxSize(640, 360));
    EXPECT_EQ(StripFrameSuffix(path), "/v/clip.mp4");
    for (const char* other : {"/v/clip.mp4", "/v/c.mp4#t=1.24&size=6x3", "/v/c.mp4#t=1.240&size=0x3",
                              "/v/c.mp4#t=1.240&size=65536x3", "/v/c.mp4#t=.240&size=6x3", "#t=1.240&size=6x3",
                              "/v/c.mp4#t=1.240&size=6x3 "})
        EXPECT_FALSE(VideoFrameFromPath(other)) << other;
}

TEST_F(VideoReaderTest, TheDecoderGivesReferencesThatDecodeBackAndNamesAGoneVideoOnce) {
    PictureDecoder decoder;
    decoder.SetVideoChooser([](const wxString&, const VideoFacts&) { return VideoSampling{1000, 1500, 10, {320, 180}}; });
    std::vector<DecodedPicture> decoded;
    for (const char* name : {"clip.mp4", "still.webp"})
        decoder.Decode(Path(name), [&](DecodedPicture&& picture) {
            decoded.push_back(std::move(picture));
            return true;
        });
    ASSERT_EQ(decoded.size(), 6u);
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(decoded[i].path, MakeVideoFramePath(Path("clip.mp4"), 1000 + 100 * long(i), wxSize(320, 180)));
        EXPECT_EQ(decoded[i].delay, 10);
        EXPECT_EQ(decoded[i].lastOfPath, i == 4);
        EXPECT_GT(decoded[i].partDone, i * 0.2f);
    }
    EXPECT_EQ(decoded[5].picture->GetSize(), wxSize(160, 90));
    EXPECT_EQ(decoded[5].delay, -1);
    decoder.Decode(decoded[2].path, [&](DecodedPicture&& again) {
        EXPECT_EQ(again.path, decoded[2].path);
        EXPECT_EQ(again.delay, -1);
        EXPECT_TRUE(SameBytes(*again.picture, *decoded[2].picture));
        return true;
    });
    // A project's frames of a video that is gone, or past its end: named once.
    lwtest::WriteFile(Path("gone.mp4"), lwtest::ReadFile(Path("clip.mp4")));
    std::remove(Path("gone.mp4").c_str());
    int delivered = 0;
    for (int i = 0; i < 30; ++i) {
        for (const char* name : {"gone.mp4", "clip.mp4"})
            decoder.Decode(MakeVideoFramePath(Path(name), 7000 + i * 40, wxSize(64, 36)), [&](DecodedPicture&&) {
                return ++delivered > 0;
            });
    }
    EXPECT_EQ(delivered, 0);
    ASSERT_EQ(decoder.GetSkipped().size(), 2u);
    EXPECT_EQ(decoder.GetSkipped()[0].path, Path("gone.mp4"));
    EXPECT_EQ(decoder.GetSkipped()[1].path, Path("clip.mp4"));
    EXPECT_EQ(decoder.GetSkipped()[1].reason, SkipReason::NotFound);
}

}  // namespace
