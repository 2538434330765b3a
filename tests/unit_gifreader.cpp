// Reading GIF files: frames composed as ImageMagick composes them for display,
// and no crash for any damaged file.
#include "gif/reader.h"
#include "support/gif_decode.h"
#include "support/pictures.h"
#include "support/test_support.h"

#include <wx/image.h>

#include <random>

namespace {

std::string Sample(const std::string& name, const std::vector<std::string>& extra) {
    const std::string path = lwtest::MakeTempDir("gif") + "/" + name;
    std::vector<std::string> argv = {"/usr/bin/convert"};
    argv.insert(argv.end(), extra.begin(), extra.end());
    argv.push_back(path);
    const auto result = lwtest::RunProcess(argv);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return path;
}

// Frames of several kinds: noise with a local palette each, transparency,
// interlacing, a frame smaller than the screen, disposal to the background
// and to the previous frame, a frame reaching past the screen.
std::vector<std::string> Samples() {
    static const std::vector<std::string> samples = {
        Sample("noise.gif", {"-size", "37x23", "plasma:fractal", "plasma:red-blue", "xc:navy"}),
        Sample("transparent.gif",
               {"-size", "20x10", "xc:none", "-fill", "red", "-draw", "rectangle 2,2 8,6",
                "(", "-size", "20x10", "xc:magenta", ")", "-dispose", "previous"}),
        Sample("interlaced.gif", {"-size", "31x17", "gradient:yellow-green", "-interlace", "GIF"}),
        Sample("offset.gif", {"-size", "30x30", "xc:white", "(", "-size", "5x7", "xc:black",
                              "-repage", "+3+4", ")"}),
        Sample("disposal.gif",
               {"-size", "30x20", "xc:yellow", "-dispose", "previous", "(", "-size", "10x10",
                "xc:none", "-fill", "red", "-draw", "rectangle 2,2 7,7", "-repage", "30x20+2+2",
                ")", "-dispose", "background", "(", "-size", "8x8", "xc:blue", "-repage",
                "30x20+15+5", ")", "-dispose", "none", "(", "-size", "9x9", "xc:lime", "-repage",
                "30x20+25+15", ")", "(", "-size", "4x4", "xc:black", "-repage", "30x20+1+1", ")"}),
    };
    return samples;
}

// The moving square over stripes that gifsicle optimises to small patches
// drawn over the frames before them.
std::string OptimisedSample() {
    const std::string dir = lwtest::MakeTempDir("optimised");
    std::vector<std::string> argv = {"/usr/bin/convert", "-delay", "8"};
    for (int k = 0; k < 8; ++k) {
        const int x = 3 + 4 * k;
        for (const std::string& arg :
             {std::string("("), std::string("-size"), std::string("48x32"),
              std::string("pattern:VERTICAL3"), std::string("-fill"), std::string("red"),
              std::string("-draw"),
              "rectangle " + std::to_string(x) + ",9 " + std::to_string(x + 9) + ",18",
              std::string(")")})
            argv.push_back(arg);
    }
    argv.push_back(dir + "/plain.gif");
    EXPECT_EQ(lwtest::RunProcess(argv).exitCode, 0);
    const auto optimise =
        lwtest::RunProcess({"/usr/bin/gifsicle", "-O3", dir + "/plain.gif", "-o", dir + "/o3.gif"});
    EXPECT_EQ(optimise.exitCode, 0) << optimise.err;
    return dir + "/o3.gif";
}

// Width x height RGBA pixels; a transparent pixel's colour does not count.
struct Picture {
    wxSize size;
    std::vector<unsigned char> rgba;
    bool operator==(const Picture& o) const {
        if (size != o.size || rgba.size() != o.rgba.size()) return false;
        for (size_t i = 0; i < rgba.size(); i += 4) {
            if (rgba[i + 3] != o.rgba[i + 3]) return false;
            if (rgba[i + 3] != 0 && !std::equal(&rgba[i], &rgba[i + 3], &o.rgba[i])) return false;
        }
        return true;
    }
};

Picture Describe(const wxImage& image) {
    Picture p;
    p.size = image.GetSize();
    for (int i = 0; i < p.size.x * p.size.y; ++i) {
        p.rgba.insert(p.rgba.end(), image.GetData() + 3 * i, image.GetData() + 3 * i + 3);
        p.rgba.push_back(image.HasAlpha() ? image.GetAlpha()[i] : 255);
    }
    return p;
}

// The frames as ImageMagick composes them for display.
std::vector<Picture> ReadCoalesced(const std::string& path, wxSize screen) {
    const auto raw =
        lwtest::RunProcess({"/usr/bin/convert", path, "-coalesce", "-depth", "8", "rgba:-"});
    EXPECT_EQ(raw.exitCode, 0) << raw.err;
    std::vector<Picture> frames;
    const size_t bytes = size_t(screen.x) * screen.y * 4;
    for (size_t at = 0; bytes && at + bytes <= raw.out.size(); at += bytes)
        frames.push_back({screen, std::vector<unsigned char>(raw.out.begin() + at,
                                                             raw.out.begin() + at + bytes)});
    return frames;
}

std::vector<Picture> ReadWithReader(const std::string& path) {
    GifReader reader;
    reader.Load(path);
    std::vector<Picture> frames;
    for (int k = 0; k < reader.GetFrameCount(); ++k) {
        wxImage image;
        EXPECT_TRUE(reader.ConvertToImage(k, &image));
        frames.push_back(Describe(image));
    }
    return frames;
}

TEST(GifReader, ComposesFramesAsImageMagickCoalesces) {
    std::vector<std::string> paths = Samples();
    paths.push_back(OptimisedSample());
    for (const std::string& path : paths) {
        GifReader reader;
        ASSERT_TRUE(reader.Load(path)) << path;
        const auto expected = ReadCoalesced(path, reader.GetScreenSize());
        const auto actual = ReadWithReader(path);
        ASSERT_EQ(actual.size(), expected.size()) << path;
        for (size_t k = 0; k < actual.size(); ++k)
            EXPECT_TRUE(actual[k] == expected[k]) << path << " frame " << k;
    }
    // The optimised GIF is patches on a screen; each keeps its 80 ms.
    const lwtest::DecodedGif patches = lwtest::DecodeGif(lwtest::ReadFile(paths.back()));
    ASSERT_EQ(patches.frames.size(), 8u);
    EXPECT_LT(patches.frames[1].width, 48);
    GifReader reader;
    reader.Load(paths.back());
    for (int k = 0; k < 8; ++k) EXPECT_EQ(reader.GetDelay(k), 8);
    EXPECT_EQ(reader.GetDelay(8), -1);
}

TEST(GifReader, MatchesAnIndependentDecoder) {
    // ImageMagick's view of frame 0 of the noise sample, as raw RGBA.
    const std::string path = Samples()[0];
    const auto rgba = lwtest::RunProcess({"/usr/bin/convert", path + "[0]", "-depth", "8", "rgba:-"});
    ASSERT_EQ(rgba.exitCode, 0);
    const auto frames = ReadWithReader(path);
    ASSERT_EQ(frames[0].size, wxSize(37, 23));
    EXPECT_TRUE(std::string(frames[0].rgba.begin(), frames[0].rgba.end()) == rgba.out);
}

TEST(GifReader, TransparentPixelsHaveNoAlpha) {
    GifReader reader;
    ASSERT_TRUE(reader.Load(Samples()[1]));
    wxImage image;
    ASSERT_TRUE(reader.ConvertToImage(0, &image));
    ASSERT_TRUE(image.HasAlpha());
    EXPECT_FALSE(image.HasMask());
    EXPECT_EQ(image.GetAlpha(0, 0), 0);
    EXPECT_EQ(image.GetAlpha(4, 4), 255);
    EXPECT_EQ(image.GetRed(4, 4), 255);
    // A real magenta pixel is not transparent.
    ASSERT_TRUE(reader.ConvertToImage(1, &image));
    EXPECT_EQ(image.GetAlpha(0, 0), 255);
}

TEST(GifReader, OutOfRangeRequestsFail) {
    GifReader reader;
    ASSERT_TRUE(reader.Load(Samples()[0]));
    wxImage image;
    EXPECT_FALSE(reader.ConvertToImage(-1, &image));
    EXPECT_FALSE(reader.ConvertToImage(reader.GetFrameCount(), &image));
    EXPECT_FALSE(reader.Load(lwtest::MakeTempDir("gif") + "/missing.gif"));
    EXPECT_EQ(reader.GetFrameCount(), 0);
}

TEST(GifReader, ATruncatedFileGivesTheFramesBeforeTheCut) {
    const std::string whole = lwtest::ReadFile(Samples()[0]);
    const auto complete = ReadWithReader(Samples()[0]);
    const std::string path = lwtest::MakeTempDir("cut") + "/cut.gif";
    size_t previous = 0;
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        lwtest::WriteFile(path, whole.substr(0, cut));
        const auto frames = ReadWithReader(path);
        ASSERT_GE(frames.size(), previous) << "cut at " << cut;
        ASSERT_LT(frames.size(), complete.size() + 1);
        for (size_t k = 0; k < frames.size(); ++k)
            ASSERT_TRUE(frames[k] == complete[k]) << "cut at " << cut;
        previous = frames.size();
    }
    EXPECT_GE(previous, complete.size() - 1);
}

TEST(GifReader, SurvivesDamagedFiles) {
    std::mt19937 random(7);
    const std::string path = lwtest::MakeTempDir("fuzz") + "/damaged.gif";
    for (const std::string& sample : Samples()) {
        const std::string whole = lwtest::ReadFile(sample);
        for (int round = 0; round < 400; ++round) {
            std::string bytes = whole;
            const int flips = 1 + static_cast<int>(random() % 4);
            for (int f = 0; f < flips; ++f)
                bytes[random() % bytes.size()] = static_cast<char>(random());
            lwtest::WriteFile(path, bytes);
            GifReader reader;
            reader.Load(path);
            for (int k = 0; k < reader.GetFrameCount(); ++k) {
                wxImage image;
                ASSERT_TRUE(reader.ConvertToImage(k, &image));
                ASSERT_TRUE(image.IsOk());
            }
        }
    }
}

TEST(GifReader, RefusesFramesOfAbsurdSize) {
    const std::string path = lwtest::MakeTempDir("huge") + "/huge.gif";
    // A 65535 x 65535 image with a two-colour palette and no data.
    lwtest::WriteFile(path, std::string("GIF89a\xff\xff\xff\xff\x80\0\0\0\0\0\xff\xff\xff", 19) +
                                std::string("\x2c\0\0\0\0\xff\xff\xff\xff\0\x02\0\x3b", 14));
    GifReader reader;
    EXPECT_FALSE(reader.Load(path));
    EXPECT_EQ(reader.GetOutcome(), GifReader::Outcome::TooLarge);
    EXPECT_EQ(reader.GetRefusedSize(), wxSize(65535, 65535));
    // A frame too large after good ones: they are read, and the size is told.
    const std::string frame("\x2c\0\0\0\0\x01\0\x01\0\0\x02\x02\x44\x01\0", 15);
    lwtest::WriteFile(path, std::string("GIF89a\x04\0\x04\0\x80\0\0\0\0\0\xff\xff\xff", 19) + frame +
                                std::string("\x2c\0\0\0\0\x28\x23\x28\x23\0\x02\0", 12) + frame + ";");
    EXPECT_TRUE(reader.Load(path));
    EXPECT_EQ(reader.GetFrameCount(), 1);
    EXPECT_EQ(reader.GetOutcome(), GifReader::Outcome::TooLarge);
    EXPECT_EQ(reader.GetRefusedSize(), wxSize(9000, 9000));
}

TEST(GifReader, StopsBeforeFramesBeyondItsMemoryBudget) {
    // Three frames of 37 x 23 = 851 pixels each; room for two.
    GifReader reader(2 * 851 + 100);
    EXPECT_TRUE(reader.Load(Samples()[0]));
    EXPECT_EQ(reader.GetFrameCount(), 2);
}

}  // namespace
