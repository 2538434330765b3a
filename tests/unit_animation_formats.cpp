// Animated WebP and APNG: timing, loop count and pixels as readers we did not
// write (Pillow, webpmux, ffprobe) read them back, a stopped export, and the
// names that choose the format.
#include "support/psnr.h"
#include "support/synthetic_pictures.h"
#include "support/test_support.h"

#include "formats/animationexport.h"

#include <sstream>

namespace {

using lwtest::PictureKind;

// What Pillow reads: the frame count, the loop count, each frame's duration in
// ms, and the frames as RGBA bytes one after the other.
struct ReadBack {
    int frames = -1;
    std::string loop;
    std::vector<int> durations;
    std::string rgba;
};

ReadBack ReadWithPillow(const std::string& path) {
    const char* script =
        "import sys\nfrom PIL import Image\nim = Image.open(sys.argv[1])\nd, px = [], b''\n"
        "for i in range(im.n_frames):\n    im.seek(i)\n    px += im.convert('RGBA').tobytes()\n"
        "    d.append(str(round(im.info.get('duration', -1))))\n"
        "head = ' '.join([str(im.n_frames), str(im.info.get('loop'))] + d) + '\\n'\n"
        "sys.stdout.buffer.write(head.encode() + px)\n";
    const std::string out = lwtest::RunProcess({"/usr/bin/python3", "-c", script, path}).out;
    ReadBack read;
    const size_t end = out.find('\n');
    if (end == std::string::npos) return read;
    std::istringstream head(out.substr(0, end));
    head >> read.frames >> read.loop;
    for (int duration; head >> duration;) read.durations.push_back(duration);
    read.rgba = out.substr(end + 1);
    return read;
}

// Frame index of the read-back frames as an RGB picture, and its alpha.
wxImage FrameOf(const ReadBack& read, int index, int w, int h, std::vector<unsigned char>* alpha = nullptr) {
    wxImage image(w, h, false);
    const size_t pixels = size_t(w) * h;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(read.rgba.data()) + index * pixels * 4;
    for (size_t i = 0; i < pixels; ++i, p += 4) {
        std::copy(p, p + 3, image.GetData() + i * 3);
        if (alpha) alpha->push_back(p[3]);
    }
    return image;
}

GifExportJob Job(const std::string& path, AnimationFormat format, int frames, int w, int h) {
    GifExportJob job;
    job.path = path;
    job.format = format;
    job.frameCount = frames;
    job.canvasWidth = w;
    job.canvasHeight = h;
    job.delays = {10};
    job.parallelism = 2;
    return job;
}

GifExportStatus Write(const GifExportJob& job, const std::vector<wxImage>& pictures) {
    return WriteAnimation(
        job, [&](int i) { return std::make_unique<wxImage>(pictures.at(size_t(i)).Copy()); },
        [](int) { return true; });
}

const std::pair<AnimationFormat, const char*> kFormats[] = {{AnimationFormat::WebP, "webp"},
                                                            {AnimationFormat::Apng, "png"}};

TEST(AnimationFormats, TimingLoopAndFlatFramesReadBackExactly) {
    const std::string folder = lwtest::MakeTempDir("formats");
    std::vector<wxImage> pictures;  // a few colours each, all different
    for (unsigned seed = 1; seed <= 5; ++seed) pictures.push_back(lwtest::SyntheticPicture(PictureKind::Screen, 48, 36, seed));
    for (const auto& [format, extension] : kFormats) {
        const std::string path = folder + "/anim." + extension;
        GifExportJob job = Job(path, format, 5, 48, 36);
        job.delays = {1, 0, 25, 7, 40};
        job.loopCount = 3;
        ASSERT_EQ(Write(job, pictures), GifExportStatus::Written) << extension;
        const ReadBack read = ReadWithPillow(path);
        EXPECT_EQ(read.frames, 5) << extension;
        EXPECT_EQ(read.loop, "3") << extension;
        EXPECT_EQ(read.durations, (std::vector<int>{10, 0, 250, 70, 400})) << extension;
        for (int i = 0; i < read.frames; ++i)
            EXPECT_EQ(lwtest::LargestDifference(FrameOf(read, i, 48, 36), pictures[size_t(i)]), 0) << extension << i;
    }
    const std::string webp = lwtest::RunProcess({"/usr/bin/webpmux", "-info", folder + "/anim.webp"}).out;
    EXPECT_NE(webp.find("Number of frames: 5"), std::string::npos) << webp;
    EXPECT_NE(webp.find("Loop Count : 3"), std::string::npos) << webp;
    const auto apng = lwtest::RunProcess({"/usr/bin/ffprobe", "-v", "error", "-count_frames", "-show_entries",
                                          "stream=codec_name,nb_read_frames", "-of", "csv=p=0",
                                          folder + "/anim.png"});
    EXPECT_EQ(apng.out, "apng,5\n") << apng.err;
}

TEST(AnimationFormats, WebpQualityMakesPhotosLossyAndHundredLossless) {
    const std::string path = lwtest::MakeTempDir("formats") + "/photo.webp";
    const std::vector<wxImage> photo{lwtest::SyntheticPicture(PictureKind::Photo, 160, 120, 3)};
    GifExportJob job = Job(path, AnimationFormat::WebP, 1, 160, 120);
    ASSERT_EQ(Write(job, photo), GifExportStatus::Written);
    const double psnr = lwtest::Psnr(FrameOf(ReadWithPillow(path), 0, 160, 120), photo[0]);
    EXPECT_GT(psnr, 30);
    EXPECT_LT(psnr, 99);
    job.webpQuality = 100;
    ASSERT_EQ(Write(job, photo), GifExportStatus::Written);
    EXPECT_EQ(lwtest::Psnr(FrameOf(ReadWithPillow(path), 0, 160, 120), photo[0]), 99);
}

// A desktop-like picture of many colours that loses nothing cheaply: a
// gradient with a window of text.
wxImage Desktop(int w, int h) {
    wxImage picture(w, h, false);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool window = x >= w / 4 && x < w * 3 / 4 && y >= h / 4 && y < h * 3 / 4;
            const bool glyph = window && y % 10 < 6 && x % 6 < 4 && (x / 6 + y / 10) % 3;
            const unsigned char grey = glyph ? 30 : 240;
            picture.SetRGB(x, y, window ? grey : 40 + x / 2, window ? grey : 60 + y / 2, window ? grey : 120 + (x + y) / 4);
        }
    return picture;
}

TEST(AnimationFormats, WebpKeepsACheapFirstFrameExactAndTheChangesLossy) {
    const std::string path = lwtest::MakeTempDir("formats") + "/desktop.webp";
    std::vector<wxImage> pictures{Desktop(160, 120), Desktop(160, 120)};
    pictures[1].Paste(lwtest::SyntheticPicture(PictureKind::Photo, 48, 36, 5), 100, 70);
    ASSERT_EQ(Write(Job(path, AnimationFormat::WebP, 2, 160, 120), pictures), GifExportStatus::Written);
    const ReadBack read = ReadWithPillow(path);
    ASSERT_EQ(read.frames, 2);
    EXPECT_EQ(lwtest::LargestDifference(FrameOf(read, 0, 160, 120), pictures[0]), 0);
    const double psnr = lwtest::Psnr(FrameOf(read, 1, 160, 120), pictures[1]);
    EXPECT_GT(psnr, 30);
    EXPECT_LT(psnr, 99);
}

TEST(AnimationFormats, HolesOfATransparentJobStayAlphaZero) {
    const std::string folder = lwtest::MakeTempDir("formats");
    std::vector<wxImage> pictures;
    for (int hole = 0; hole < 2; ++hole) {  // the left half, then the right half
        wxImage picture = lwtest::SyntheticPicture(PictureKind::Flat, 40, 40, 7);
        picture.SetAlpha();
        for (int i = 0; i < 40 * 40; ++i) picture.GetAlpha()[i] = (i % 40 < 20) == (hole == 0) ? 0 : 255;
        pictures.push_back(picture);
    }
    for (const auto& [format, extension] : kFormats) {
        const std::string path = folder + "/holes." + extension;
        GifExportJob job = Job(path, format, 2, 40, 40);
        job.transparent = true;
        ASSERT_EQ(Write(job, pictures), GifExportStatus::Written) << extension;
        const ReadBack read = ReadWithPillow(path);
        ASSERT_EQ(read.frames, 2) << extension;
        for (int frame = 0; frame < 2; ++frame) {
            std::vector<unsigned char> alpha;
            const wxImage rgb = FrameOf(read, frame, 40, 40, &alpha);
            for (int x : {0, 19, 20, 39}) {
                const bool hole = (x < 20) == (frame == 0);
                EXPECT_EQ(alpha[size_t(20 * 40 + x)], hole ? 0 : 255) << extension << frame << x;
                if (!hole) {
                    EXPECT_EQ(rgb.GetRed(x, 20), pictures[0].GetRed(x, 20)) << extension;
                }
            }
        }
    }
    // The file's alpha is carried by a frame, not only claimed.
    const std::string info = lwtest::RunProcess({"/usr/bin/webpinfo", folder + "/holes.webp"}).out;
    EXPECT_EQ(info.find("warning"), std::string::npos) << info;
}

TEST(AnimationFormats, ATransparentWebpWithoutHolesSaysItIsOpaque) {
    const std::string path = lwtest::MakeTempDir("formats") + "/opaque.webp";
    const std::vector<wxImage> pictures{lwtest::SyntheticPicture(PictureKind::Flat, 40, 40, 3),
                                        lwtest::SyntheticPicture(PictureKind::Photo, 40, 40, 4)};
    GifExportJob job = Job(path, AnimationFormat::WebP, 2, 40, 40);
    job.transparent = true;
    ASSERT_EQ(Write(job, pictures), GifExportStatus::Written);
    const std::string info = lwtest::RunProcess({"/usr/bin/webpmux", "-info", path}).out;
    EXPECT_NE(info.find("Features present: animation\n"), std::string::npos) << info;
    const std::string check = lwtest::RunProcess({"/usr/bin/webpinfo", path}).out;
    EXPECT_EQ(check.find("warning"), std::string::npos) << check;
}

TEST(AnimationFormats, StoppedOrRefusedExportsLeaveTheTargetAsItWas) {
    const std::string folder = lwtest::MakeTempDir("formats");
    for (const auto& [format, extension] : kFormats) {
        const std::string path = folder + "/old." + extension;
        lwtest::WriteFile(path, "old");
        const GifExportJob job = Job(path, format, 4, 32, 24);
        const wxImage picture = lwtest::SyntheticPicture(PictureKind::Photo, 32, 24, 1);
        const auto twoThenNothing = [&](int i) { return i < 2 ? std::make_unique<wxImage>(picture.Copy()) : nullptr; };
        EXPECT_EQ(WriteAnimation(job, twoThenNothing, [](int) { return true; }), GifExportStatus::Stopped);
        const auto all = [&](int) { return std::make_unique<wxImage>(picture.Copy()); };
        EXPECT_EQ(WriteAnimation(job, all, [](int i) { return i < 1; }), GifExportStatus::Stopped);
        EXPECT_EQ(WriteAnimation(Job(path, format, 0, 32, 24), all, [](int) { return true; }),
                  GifExportStatus::NothingToWrite);
        EXPECT_EQ(lwtest::ReadFile(path), "old") << extension;
        EXPECT_EQ(WriteAnimation(Job(folder, format, 4, 32, 24), all, [](int) { return true; }),
                  GifExportStatus::IsAFolder);
    }
    EXPECT_EQ(lwtest::FolderContents(folder), (std::vector<std::string>{"old.png", "old.webp"}));
}

TEST(AnimationFormats, TheNameChoosesTheFormatAndGetsItsExtension) {
    EXPECT_EQ(AnimationFormatOfPath("/a/b.WebP"), AnimationFormat::WebP);
    EXPECT_EQ(AnimationFormatOfPath("/a/b.png"), AnimationFormat::Apng);
    EXPECT_EQ(AnimationFormatOfPath("/a/b.APNG"), AnimationFormat::Apng);
    EXPECT_EQ(AnimationFormatOfPath("/a/b.gif"), AnimationFormat::Gif);
    EXPECT_EQ(AnimationFormatOfPath("/a/b.webp.txt"), AnimationFormat::Gif);
    EXPECT_EQ(AnimationFormatOfPath("/a/b"), AnimationFormat::Gif);
    EXPECT_EQ(AnimationExtension(AnimationFormat::Apng), "png");
    EXPECT_EQ(EnsureAnimationExtension("/a/b.WEBP", AnimationFormat::WebP), "/a/b.WEBP.webp");
    EXPECT_EQ(EnsureAnimationExtension("/a/b.apng", AnimationFormat::Apng), "/a/b.apng");
    EXPECT_EQ(EnsureAnimationExtension("/a/b.Png", AnimationFormat::Apng), "/a/b.Png.png");
    EXPECT_EQ(FormatForTypedName("/a/b.apng", AnimationFormat::Gif), AnimationFormat::Apng);
    EXPECT_EQ(FormatForTypedName("/a/b.WEBP", AnimationFormat::Apng), AnimationFormat::Apng);
    EXPECT_EQ(EnsureAnimationExtension("/a/b.gif", AnimationFormat::WebP), "/a/b.gif.webp");
    EXPECT_EQ(EnsureAnimationExtension("/a/b.png", AnimationFormat::Gif), "/a/b.png.gif");
    EXPECT_EQ(EnsureAnimationExtension("/a/b", AnimationFormat::Apng), "/a/b.png");
}

}  // namespace
