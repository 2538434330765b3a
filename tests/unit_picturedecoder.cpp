// Turning listed paths into pictures: the decoder chosen by content, a reason
// for every file that gives nothing, one pixel budget for a whole import, and
// the same outcome when still pictures are decoded ahead.
#include "import/picturedecoder.h"
#include "support/pictures.h"
#include "support/test_support.h"

#include <zlib.h>

#include <map>
#include <tuple>

namespace {

struct Outcome {
    std::vector<wxSize> pictures;
    std::map<std::string, SkipReason> skipped;  // by file name
};

Outcome DecodeAll(PictureDecoder& decoder, const std::vector<std::string>& paths) {
    Outcome outcome;
    for (const std::string& path : paths)
        decoder.Decode(path, [&](DecodedPicture&& decoded) {
            outcome.pictures.push_back(decoded.picture->GetSize());
            return true;
        });
    for (const SkippedPicture& skip : decoder.GetSkipped())
        outcome.skipped[wxFileNameFromPath(skip.path).ToStdString()] = skip.reason;
    return outcome;
}

TEST(PictureDecoder, ContentChoosesTheDecoderAndEveryFailureHasItsReason) {
    const std::string dir = lwtest::MakeTempDir("named");
    std::vector<std::string> paths = lwtest::WriteBrokenPictures(dir);
    lwtest::WriteAnimatedGif(dir + "/anim.gif", 7, 5, {"red", "blue"});
    const std::string gif = lwtest::ReadFile(dir + "/anim.gif");
    // GIF content under another name gives its first frame, ANIM.GIF all.
    lwtest::WriteFile(dir + "/really-a-gif.png", gif);
    lwtest::WriteFile(dir + "/ANIM.GIF", gif);
    // Bytes the toolkit's own loaders would take, and crash or balloon on.
    ASSERT_EQ(lwtest::RunProcess({"/usr/bin/convert", "-size", "4x4", "xc:red", "tga:" + dir + "/tga.png"}).exitCode, 0);
    lwtest::WriteFile(dir + "/gif9.png", "GIF9" + gif.substr(4));
    lwtest::WriteFile(dir + "/gifsemicolon.png", "GIF;" + gif.substr(4));
    lwtest::WritePicture(dir + "/fine.png", 6, 2, *wxRED);
    for (const char* name : {"really-a-gif.png", "ANIM.GIF", "tga.png", "gif9.png",
                             "gifsemicolon.png", "fine.png", "gone.png", "anim.gif_7"})
        paths.push_back(dir + "/" + name);

    PictureDecoder decoder;
    const Outcome outcome = DecodeAll(decoder, paths);
    EXPECT_EQ(outcome.pictures,
              (std::vector<wxSize>{{7, 5}, {7, 5}, {7, 5}, {6, 2}}));
    const std::map<std::string, SkipReason> expected = {
        {"empty.png", SkipReason::NotAPicture},      {"empty.gif", SkipReason::NotAPicture},
        {"text.jpg", SkipReason::NotAPicture},       {"signature-only.png", SkipReason::Damaged},
        {"enormous.png", SkipReason::TooLarge}  ,    {"truncated.gif", SkipReason::Damaged},
        {"enormous.gif", SkipReason::TooLarge}  ,    {"garbage.bmp", SkipReason::Damaged},
        {"truncated.jpg", SkipReason::Damaged},      {"half.png", SkipReason::Damaged},
        {"folder.png", SkipReason::NotAPicture},     {"tga.png", SkipReason::NotAPicture},
        {"gif9.png", SkipReason::NotAPicture},       {"gifsemicolon.png", SkipReason::NotAPicture},
        {"gone.png", SkipReason::NotFound},          {"anim.gif_7", SkipReason::NotFound}};
    EXPECT_EQ(outcome.skipped, expected);
    EXPECT_FALSE(decoder.IsExhausted());
}

TEST(PictureDecoder, OneBudgetForTheWholeImportNamesEverythingPastIt) {
    // Small files that expand: a 200 x 200 screen, three frames of one pixel each.
    const std::string dir = lwtest::MakeTempDir("budget");
    std::vector<std::string> paths;
    for (int i = 0; i < 6; ++i) {
        paths.push_back(dir + "/g" + std::to_string(i) + ".gif");
        ASSERT_EQ(lwtest::RunProcess({"/usr/bin/convert", "-size", "1x1", "xc:red", "xc:lime", "xc:blue",
                                      "-set", "page", "200x200+0+0", paths.back()}).exitCode, 0);
        ASSERT_LT(lwtest::ReadFile(paths.back()).size(), 200u);
    }
    // Room for three whole files and one frame of the fourth.
    PictureDecoder decoder(10 * 40000);
    const Outcome outcome = DecodeAll(decoder, paths);
    EXPECT_EQ(outcome.pictures.size(), 10u);
    EXPECT_EQ(outcome.skipped, (std::map<std::string, SkipReason>{{"g3.gif", SkipReason::OverBudget},
                                                                 {"g4.gif", SkipReason::OverBudget},
                                                                 {"g5.gif", SkipReason::OverBudget}}));
    EXPECT_TRUE(decoder.IsExhausted());

    // Frames given back as they are stored (as the frame source does) free
    // their room: a long GIF whose frames together exceed the budget comes whole.
    PictureDecoder storing(2 * 40000);
    int frames = 0;
    std::vector<std::string> make = {"/usr/bin/convert"};
    for (int i = 0; i < 12; ++i) make.insert(make.end(), {"-size", "200x200", i % 2 ? "xc:red" : "xc:blue"});
    make.push_back(dir + "/long.gif");
    ASSERT_EQ(lwtest::RunProcess(make).exitCode, 0);
    storing.Decode(dir + "/long.gif", [&](DecodedPicture&& decoded) {
        storing.Release(*decoded.picture);
        return ++frames > 0;
    });
    EXPECT_EQ(frames, 12);
    EXPECT_TRUE(storing.GetSkipped().empty());
}

// A picture as the toolkit's own reader gives it: pixels, alpha and mask colour.
std::string AsTheToolkitReads(const wxImage& picture) {
    if (!picture.IsOk()) return "refused";
    std::string all(reinterpret_cast<const char*>(picture.GetData()), PixelCount(picture) * 3);
    if (picture.HasAlpha()) all.append(reinterpret_cast<const char*>(picture.GetAlpha()), PixelCount(picture));
    if (picture.HasMask()) all += {char(picture.GetMaskRed()), char(picture.GetMaskGreen()), char(picture.GetMaskBlue())};
    return std::to_string(picture.GetWidth()) + "x" + std::to_string(picture.GetHeight()) + all;
}

std::string PngChunk(const std::string& type, const std::string& data) {
    const std::string chunk = type + data;
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(chunk.data()), chunk.size());
    auto bigEndian = [](uint32_t v) { return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; };
    return bigEndian(uint32_t(data.size())) + chunk + bigEndian(uint32_t(crc));
}

// A 29 x 17 RGB PNG of noise whose rows use the five filters in turn from
// first; damaged: its compressed rows, under sound checksums.
std::string RgbPngOfFilters(int first, bool damaged = false) {
    std::string rows;
    uint32_t noise = 12345u + first;
    for (int i = 0; i < 17 * 88; ++i) rows += char(i % 88 ? (noise = noise * 1103515245u + 12345u) >> 24 : (first + i / 88) % 5);
    uLongf size = compressBound(rows.size());
    std::string packed(size, '\0');
    compress(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(rows.data()), rows.size());
    packed.resize(size);
    if (damaged) packed[size / 2] ^= 0x5a;
    return "\x89PNG\r\n\x1a\n" + PngChunk("IHDR", {0, 0, 0, 29, 0, 0, 0, 17, 8, 2, 0, 0, 0}) +
           PngChunk("IDAT", packed) + PngChunk("IEND", "");
}

// RGB PNG frames with every row filter on every row, with gamma, colour and
// text chunks, one damaged, and the kinds our reader leaves to the toolkit:
// each comes out exactly as the toolkit reads it, or is refused as it is.
TEST(PictureDecoder, PngPicturesComeOutAsTheToolkitReadsThem) {
    const std::string dir = lwtest::MakeTempDir("png");
    std::vector<std::string> paths;
    ASSERT_EQ(lwtest::RunProcess({"/bin/sh", "-c", "cd '" + dir + "' && P='-seed 7 -size 37x23 plasma:' && "
                                  "convert $P PNG24:chunks.png && convert $P -interlace PNG PNG24:interlaced.png && "
                                  "convert $P -alpha set -channel A -evaluate set 60% PNG32:rgba.png && "
                                  "convert $P -fill red -draw 'point 3,3' -transparent red PNG24:keyed.png"}).exitCode, 0);
    for (const char* name : {"chunks", "interlaced", "rgba", "keyed"}) paths.push_back(dir + "/" + name + ".png");
    for (int first = 0; first < 6; ++first)
        lwtest::WriteFile(paths.emplace_back(dir + "/filters" + std::to_string(first) + ".png"), RgbPngOfFilters(first % 5, first == 5));
    for (const std::string& path : paths) {
        wxLogNull quiet;
        std::string decoded = "refused";
        PictureDecoder decoder;
        decoder.Decode(path, [&](DecodedPicture&& picture) { return decoded = AsTheToolkitReads(*picture.picture), true; });
        EXPECT_EQ(decoded, AsTheToolkitReads(wxImage(path, wxBITMAP_TYPE_PNG))) << path;
    }
}

// Everything a run gives, in order: each picture's path and pixels, each
// skipped path with its reason and size.
using Decoded = std::pair<std::vector<std::string>, std::vector<std::tuple<std::string, SkipReason, int, int>>>;

Decoded DecodeInTurn(const std::vector<std::string>& paths, bool ahead, long long budget) {
    PictureDecoder decoder(budget);
    wxArrayString upcoming;
    for (const std::string& path : paths) upcoming.Add(path);
    if (ahead) decoder.Expect(upcoming);
    Decoded run;
    for (size_t i = 0; i < paths.size(); ++i) {
        if (i % 5 == 2) continue;  // expected, never decoded
        decoder.Decode(paths[i], [&](DecodedPicture&& decoded) {
            const wxImage& picture = *decoded.picture;
            const auto* rgb = reinterpret_cast<const char*>(picture.GetData());
            run.first.push_back(decoded.path.ToStdString() + " " + std::to_string(picture.GetWidth()) + "x" +
                                std::to_string(picture.GetHeight()) + std::string(rgb, PixelCount(picture) * 3));
            return true;
        });
    }
    for (const SkippedPicture& skip : decoder.GetSkipped())
        run.second.emplace_back(skip.path.ToStdString(), skip.reason, skip.size.x, skip.size.y);
    return run;
}

TEST(PictureDecoder, PicturesDecodedAheadComeAsTheyWouldInTurn) {
    const std::string dir = lwtest::MakeTempDir("ahead");
    const std::vector<std::string> broken = lwtest::WriteBrokenPictures(dir);
    lwtest::WriteAnimatedGif(dir + "/anim.gif", 7, 5, {"red", "blue"});
    lwtest::WritePicture(dir + "/whole.jpg", 64, 48, *wxBLUE);
    const std::string jpeg = lwtest::ReadFile(dir + "/whole.jpg");
    lwtest::WriteFile(dir + "/cut.jpg", jpeg.substr(0, jpeg.size() - 4));
    std::vector<std::string> paths;
    const char* kinds[] = {"png", "png", "jpg", "bmp"};
    for (int i = 0; i < 24; ++i) {
        paths.push_back(dir + "/p" + std::to_string(i) + "." + kinds[i % 4]);
        lwtest::WritePicture(paths.back(), 20 + i, 10 + i % 5, wxColour(10 * i, 255 - 10 * i, 7 * i));
        if (i % 2 == 1) paths.push_back(broken[i / 2 % broken.size()]);
        if (i % 6 == 2) paths.push_back(dir + (i % 12 == 2 ? "/anim.gif" : "/anim.gif_1"));
    }
    for (const char* name : {"/cut.jpg", "/gone.png", "/p5.bmp", "/p5.bmp"}) paths.push_back(dir + name);
    const Decoded inTurn = DecodeInTurn(paths, false, PictureDecoder::kImportPixels);
    EXPECT_EQ(inTurn.first.size(), 27u);
    EXPECT_EQ(DecodeInTurn(paths, true, PictureDecoder::kImportPixels), inTurn);
    // A budget that runs out halfway: the same pictures, the same names past it.
    const Decoded tight = DecodeInTurn(paths, false, 8000);
    EXPECT_LT(tight.first.size(), inTurn.first.size());
    EXPECT_EQ(DecodeInTurn(paths, true, 8000), tight);
}

}  // namespace
