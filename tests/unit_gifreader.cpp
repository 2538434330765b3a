// Reading GIF files: the same pictures as the toolkit's decoder gives for sound
// files, and no crash for any damaged one.
#include "support/pictures.h"
#include "support/test_support.h"
#include "window/gifreader.h"

#include <wx/gifdecod.h>
#include <wx/image.h>
#include <wx/wfstream.h>

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
// interlacing, a frame smaller than the screen.
std::vector<std::string> Samples() {
    static const std::vector<std::string> samples = {
        Sample("noise.gif", {"-size", "37x23", "plasma:fractal", "plasma:red-blue", "xc:navy"}),
        Sample("transparent.gif",
               {"-size", "20x10", "xc:none", "-fill", "red", "-draw", "rectangle 2,2 8,6",
                "(", "-size", "20x10", "xc:magenta", ")", "-dispose", "previous"}),
        Sample("interlaced.gif", {"-size", "31x17", "gradient:yellow-green", "-interlace", "GIF"}),
        Sample("offset.gif", {"-size", "30x30", "xc:white", "(", "-size", "5x7", "xc:black",
                              "-repage", "+3+4", ")"}),
    };
    return samples;
}

struct Picture {
    wxSize size;
    std::vector<unsigned char> rgb;
    bool masked = false;
    int paletteColours = 0;
};

Picture Describe(const wxImage& image) {
    Picture p;
    p.size = image.GetSize();
    p.rgb.assign(image.GetData(), image.GetData() + 3 * p.size.x * p.size.y);
    p.masked = image.HasMask();
    p.paletteColours = image.HasPalette() ? image.GetPalette().GetColoursCount() : 0;
    return p;
}

std::vector<Picture> ReadWithToolkit(const std::string& path) {
    wxFileInputStream stream(path);
    wxGIFDecoder decoder;
    decoder.LoadGIF(stream);
    std::vector<Picture> frames;
    for (unsigned k = 0; k < decoder.GetFrameCount(); ++k) {
        wxImage image;
        EXPECT_TRUE(decoder.ConvertToImage(k, &image));
        frames.push_back(Describe(image));
    }
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

TEST(GifReader, GivesTheToolkitsPicturesForSoundFiles) {
    for (const std::string& path : Samples()) {
        const auto expected = ReadWithToolkit(path);
        const auto actual = ReadWithReader(path);
        ASSERT_EQ(actual.size(), expected.size()) << path;
        ASSERT_FALSE(actual.empty()) << path;
        for (size_t k = 0; k < actual.size(); ++k) {
            EXPECT_EQ(actual[k].size, expected[k].size) << path << " frame " << k;
            EXPECT_TRUE(actual[k].rgb == expected[k].rgb) << path << " frame " << k;
            EXPECT_EQ(actual[k].masked, expected[k].masked) << path << " frame " << k;
            EXPECT_EQ(actual[k].paletteColours, expected[k].paletteColours) << path;
        }
    }
}

TEST(GifReader, MatchesAnIndependentDecoder) {
    // ImageMagick's view of frame 0 of the noise sample, as raw RGB.
    const std::string path = Samples()[0];
    const auto rgb = lwtest::RunProcess({"/usr/bin/convert", path + "[0]", "-depth", "8", "rgb:-"});
    ASSERT_EQ(rgb.exitCode, 0);
    const auto frames = ReadWithReader(path);
    ASSERT_EQ(frames[0].size, wxSize(37, 23));
    EXPECT_TRUE(std::string(frames[0].rgb.begin(), frames[0].rgb.end()) == rgb.out);
}

TEST(GifReader, TransparentPixelsAreMaskedMagenta) {
    GifReader reader;
    ASSERT_TRUE(reader.Load(Samples()[1]));
    wxImage image;
    ASSERT_TRUE(reader.ConvertToImage(0, &image));
    ASSERT_TRUE(image.HasMask());
    EXPECT_TRUE(image.IsTransparent(0, 0));
    EXPECT_FALSE(image.IsTransparent(4, 4));
    EXPECT_EQ(image.GetRed(4, 4), 255);
    // A real magenta pixel is not transparent.
    ASSERT_TRUE(reader.ConvertToImage(1, &image));
    EXPECT_FALSE(image.HasMask() && image.IsTransparent(0, 0));
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
            ASSERT_TRUE(frames[k].rgb == complete[k].rgb) << "cut at " << cut;
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
}

TEST(GifReader, StopsBeforeFramesBeyondItsMemoryBudget) {
    // Three frames of 37 x 23 = 851 pixels each; room for two.
    GifReader reader(2 * 851 + 100);
    EXPECT_TRUE(reader.Load(Samples()[0]));
    EXPECT_EQ(reader.GetFrameCount(), 2);
}

TEST(PictureFile, GifContentIsReadSafelyWhateverItsName) {
    const std::string dir = lwtest::MakeTempDir("named");
    const std::string renamed = dir + "/really-a-gif.png";
    lwtest::WriteFile(renamed, lwtest::ReadFile(Samples()[0]));
    wxImage image;
    ASSERT_TRUE(LoadPictureFile(renamed, &image));
    EXPECT_EQ(image.GetSize(), wxSize(37, 23));

    for (const std::string& broken : lwtest::WriteBrokenPictures(dir)) {
        wxImage none;
        EXPECT_FALSE(LoadPictureFile(broken, &none)) << broken;
    }
    const std::string png = dir + "/fine.png";
    lwtest::WritePicture(png, 6, 2, *wxRED);
    EXPECT_TRUE(LoadPictureFile(png, &image));
    EXPECT_EQ(image.GetSize(), wxSize(6, 2));
}

}  // namespace
