// The GIF writer: files it writes are decoded by giflib (and ImageMagick) and
// compared with the frames given; byte layouts are checked where the decoder
// would hide them.
#include "support/gif_decode.h"
#include "support/test_support.h"

#include "window/gif_gifhandler.h"

#include <wx/mstream.h>
#include <wx/palette.h>

#include <cstdint>
#include <functional>
#include <random>

namespace {

using lwtest::DecodeGif;
using lwtest::DecodedGif;
using lwtest::GifColour;

GifColour Colour(std::uint32_t rgb) {
    return {int(rgb >> 16) & 0xFF, int(rgb >> 8) & 0xFF, int(rgb) & 0xFF};
}

// A w x h image whose pixel (x, y) is palette[pick(x, y)], with the palette set.
wxImage PaletteImage(int w, int h, const std::vector<std::uint32_t>& palette,
                     const std::function<size_t(int, int)>& pick) {
    wxImage image(w, h, false);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const GifColour c = Colour(palette[pick(x, y)]);
            image.SetRGB(x, y, c.r, c.g, c.b);
        }
    std::vector<unsigned char> r, g, b;
    for (std::uint32_t c : palette) {
        r.push_back(c >> 16);
        g.push_back(c >> 8);
        b.push_back(c);
    }
    image.SetPalette(wxPalette(int(palette.size()), r.data(), g.data(), b.data()));
    return image;
}

std::vector<std::uint32_t> DistinctPalette(int count, std::uint32_t seed = 1) {
    std::vector<std::uint32_t> palette;
    for (int i = 0; i < count; ++i) palette.push_back((seed * 0x9E3779B1u + i * 0x010305u) & 0xFFFFFF);
    return palette;
}

size_t Stripes(int x, int y, size_t count) { return size_t(x / 3 + y) % count; }

std::string StreamBytes(wxMemoryOutputStream& out) {
    const size_t size = out.GetSize();
    std::string bytes(size, '\0');
    out.CopyTo(bytes.data(), size);
    return bytes;
}

struct WriteResult {
    std::vector<bool> frameResults;
    std::string bytes;
};

// Writes the frames as one animation, each with a fresh handler, and checks
// that no handler keeps its hash table.
WriteResult WriteAnimation(const std::vector<wxImage>& frames, int delayMs) {
    WriteResult result;
    wxMemoryOutputStream out;
    SetGifOutputStream(&out);
    for (size_t i = 0; i < frames.size(); ++i) {
        MyGifHandler handler;
        result.frameResults.push_back(MyGifHandler::SaveAnimationFrame(
            frames[i], handler, delayMs, int(frames.size()), int(i)));
        EXPECT_FALSE(handler.HoldsHashTable()) << "frame " << i;
    }
    SetGifOutputStream(nullptr);
    result.bytes = StreamBytes(out);
    return result;
}

void ExpectPixelsOf(const lwtest::DecodedGifFrame& frame, const wxImage& image) {
    ASSERT_EQ(frame.width, image.GetWidth());
    ASSERT_EQ(frame.height, image.GetHeight());
    const unsigned char* p = image.GetData();
    size_t mismatches = 0;
    for (size_t i = 0; i < frame.pixels.size(); ++i, p += 3)
        if (!(frame.pixels[i] == GifColour{p[0], p[1], p[2]})) ++mismatches;
    EXPECT_EQ(mismatches, 0u);
}

std::vector<GifColour> Padded(const std::vector<std::uint32_t>& palette, size_t size) {
    std::vector<GifColour> table;
    for (std::uint32_t c : palette) table.push_back(Colour(c));
    table.resize(size, GifColour{0, 0, 0});
    return table;
}

// A stream that accepts only the first `limit` bytes.
class ShortOutputStream : public wxOutputStream {
public:
    explicit ShortOutputStream(size_t limit) : m_limit(limit) {}
    std::string bytes;

protected:
    size_t OnSysWrite(const void* buffer, size_t size) override {
        const size_t n = std::min(size, m_limit - bytes.size());
        bytes.append(static_cast<const char*>(buffer), n);
        if (n < size) m_lasterror = wxSTREAM_WRITE_ERROR;
        return n;
    }

private:
    size_t m_limit;
};

// Records the condition texts of toolkit assertions while alive.
class ConditionRecorder {
public:
    ConditionRecorder() { s_conditions.clear(); m_previous = wxSetAssertHandler(&Record); }
    ~ConditionRecorder() { wxSetAssertHandler(m_previous); }
    const std::vector<std::string>& Conditions() const { return s_conditions; }

private:
    static void Record(const wxString&, int, const wxString&, const wxString& cond, const wxString&) {
        s_conditions.push_back(cond.ToStdString());
    }
    static inline std::vector<std::string> s_conditions;
    wxAssertHandler_t m_previous;
};

TEST(GifWriter, AnimationDecodesToTheFramesGiven) {
    const auto p2 = DistinctPalette(2, 1), p3 = DistinctPalette(3, 2), p256 = DistinctPalette(256, 3);
    const std::vector<wxImage> frames = {
        PaletteImage(40, 30, p2, [](int x, int y) { return Stripes(x, y, 2); }),
        PaletteImage(40, 30, p3, [](int x, int y) { return Stripes(x, y, 3); }),
        PaletteImage(40, 30, p256, [](int x, int y) { return size_t(x * 7 + y * 40) % 256; }),
        PaletteImage(40, 30, p2, [](int x, int y) { return Stripes(x, y, 2); }),
    };
    const WriteResult written = WriteAnimation(frames, 250);
    EXPECT_EQ(written.frameResults, std::vector<bool>(4, true));

    const DecodedGif gif = DecodeGif(written.bytes);
    ASSERT_TRUE(gif.ok) << "giflib error " << gif.error;
    EXPECT_EQ(gif.width, 40);
    EXPECT_EQ(gif.height, 30);
    EXPECT_EQ(gif.background, 0);
    ASSERT_TRUE(gif.hasGlobalTable);
    EXPECT_EQ(gif.globalTable, Padded(p2, 2));
    ASSERT_EQ(gif.frames.size(), 4u);

    EXPECT_TRUE(gif.frames[0].hasLoop);
    EXPECT_EQ(gif.frames[0].loopCount, 0);
    EXPECT_FALSE(gif.frames[0].hasLocalTable);
    const std::vector<std::vector<GifColour>> localTables = {{}, Padded(p3, 4), Padded(p256, 256), Padded(p2, 2)};
    for (size_t i = 0; i < frames.size(); ++i) {
        SCOPED_TRACE(i);
        const auto& frame = gif.frames[i];
        EXPECT_EQ(frame.left, 0);
        EXPECT_EQ(frame.top, 0);
        EXPECT_FALSE(frame.interlaced);
        EXPECT_TRUE(frame.hasControl);
        EXPECT_EQ(frame.delay, 25);
        EXPECT_EQ(frame.transparentIndex, -1);
        EXPECT_EQ(frame.disposal, 0);
        EXPECT_TRUE(frame.comments.empty());
        if (i > 0) {
            // Even a palette equal to frame 0's gets a table of its own.
            EXPECT_TRUE(frame.hasLocalTable);
            EXPECT_EQ(frame.localTable, localTables[i]);
            EXPECT_FALSE(frame.hasLoop);
        }
        ExpectPixelsOf(frame, frames[i]);
    }
    EXPECT_EQ(written.bytes.back(), '\x3B');
}

TEST(GifWriter, OneFrameFileHasEveryBlockInOrder) {
    const std::vector<std::uint32_t> palette = {0x102030, 0xA0B0C0};
    const wxImage image = PaletteImage(4, 2, palette, [](int x, int) { return size_t(x % 2); });
    const WriteResult written = WriteAnimation({image}, 250);
    ASSERT_EQ(written.frameResults, std::vector<bool>{true});

    const std::string expectedStart =
        std::string("GIF89a") + std::string("\x04\x00\x02\x00", 4) +
        "\x80" + std::string("\x00\x00", 2) +              // packed, background, aspect
        "\x10\x20\x30\xA0\xB0\xC0" +                        // global table of 2 entries
        "\x21\xFF\x0B" "NETSCAPE2.0" "\x03\x01" + std::string("\x00\x00\x00", 3) +
        "\x21\xF9\x04" + std::string("\x00\x19\x00\x00\x00", 5) +  // 25 hundredths, no transparency
        "\x2C" + std::string("\x00\x00\x00\x00\x04\x00\x02\x00\x00", 9) +
        "\x08";                                             // LZW minimum code size
    ASSERT_GE(written.bytes.size(), expectedStart.size() + 2);
    EXPECT_EQ(written.bytes.substr(0, expectedStart.size()), expectedStart);
    // The data sub-blocks end with a zero-length block, then the trailer.
    EXPECT_EQ(written.bytes.substr(written.bytes.size() - 2), std::string("\x00\x3B", 2));
    ASSERT_TRUE(DecodeGif(written.bytes).ok);
}

TEST(GifWriter, ColourTablesTakeTheSmallestPowerOfTwo) {
    EXPECT_EQ(GifBitsPerPixel(1), 1);
    EXPECT_EQ(GifBitsPerPixel(2), 1);
    EXPECT_EQ(GifBitsPerPixel(3), 2);
    EXPECT_EQ(GifBitsPerPixel(4), 2);
    EXPECT_EQ(GifBitsPerPixel(5), 3);
    EXPECT_EQ(GifBitsPerPixel(128), 7);
    EXPECT_EQ(GifBitsPerPixel(129), 8);
    EXPECT_EQ(GifBitsPerPixel(256), 8);

    // Header packed byte: table present, resolution and size both bpp - 1.
    const std::vector<std::pair<int, unsigned char>> cases = {{2, 0x80}, {3, 0x91}, {256, 0xF7}};
    for (const auto& [count, packed] : cases) {
        SCOPED_TRACE(count);
        const auto palette = DistinctPalette(count, 7);
        const wxImage image = PaletteImage(16, 16, palette, [count = count](int x, int y) {
            return size_t(y * 16 + x) % size_t(count);
        });
        const WriteResult written = WriteAnimation({image, image}, 100);
        ASSERT_EQ(written.frameResults, std::vector<bool>(2, true));
        EXPECT_EQ(static_cast<unsigned char>(written.bytes[10]), packed);
        const DecodedGif gif = DecodeGif(written.bytes);
        ASSERT_TRUE(gif.ok);
        const size_t tableSize = size_t(1) << GifBitsPerPixel(count);
        EXPECT_EQ(gif.globalTable, Padded(palette, tableSize));
        ASSERT_EQ(gif.frames.size(), 2u);
        EXPECT_EQ(gif.frames[1].localTable, Padded(palette, tableSize));
        // The second image descriptor's packed byte: local table, not interlaced.
        const size_t frame1 = written.bytes.rfind(std::string("\x2C\x00\x00\x00\x00\x10\x00\x10\x00", 9));
        ASSERT_NE(frame1, std::string::npos);
        EXPECT_EQ(static_cast<unsigned char>(written.bytes[frame1 + 9]), 0x80 | (GifBitsPerPixel(count) - 1));
    }
}

TEST(GifWriter, DelayIsStoredInHundredths) {
    const wxImage image = PaletteImage(3, 3, {0, 0xFFFFFF}, [](int x, int y) { return size_t(x + y) % 2; });
    for (const auto& [ms, stored] : std::vector<std::pair<int, int>>{{250, 25}, {5, 0}, {3000, 300}}) {
        SCOPED_TRACE(ms);
        const WriteResult written = WriteAnimation({image, image}, ms);
        const DecodedGif gif = DecodeGif(written.bytes);
        ASSERT_TRUE(gif.ok);
        for (const auto& frame : gif.frames) EXPECT_EQ(frame.delay, stored);
    }
    // 3000 ms: the two delay bytes of the graphic control extension.
    const WriteResult written = WriteAnimation({image}, 3000);
    const size_t gce = written.bytes.find("\x21\xF9\x04");
    ASSERT_NE(gce, std::string::npos);
    EXPECT_EQ(written.bytes.substr(gce + 4, 2), "\x2C\x01");
}

TEST(GifWriter, MaskColourBecomesTheTransparentEntry) {
    const std::vector<std::uint32_t> palette = {0x000000, 0x112233, 0xFF00FF, 0x445566, 0xFF00FF};
    auto pick = [](int x, int y) { return size_t(x + 2 * y) % 4; };

    wxImage present = PaletteImage(8, 8, palette, pick);
    present.SetMaskColour(0xFF, 0x00, 0xFF);
    GifFramePalette extracted;
    ASSERT_TRUE(ExtractGifPalette(present, extracted));
    EXPECT_EQ(extracted.count, 5);
    EXPECT_EQ(extracted.maskIndex, 2);  // the first equal entry

    wxImage absent = PaletteImage(8, 8, {0x000000, 0x112233, 0x445566}, [](int x, int) { return size_t(x) % 3; });
    absent.SetMaskColour(0x01, 0x02, 0x03);
    ASSERT_TRUE(ExtractGifPalette(absent, extracted));
    EXPECT_EQ(extracted.count, 4);
    EXPECT_EQ(extracted.maskIndex, 3);  // appended
    EXPECT_EQ(extracted.colours[3].red, 1);
    EXPECT_EQ(extracted.colours[3].blue, 3);

    const auto full = DistinctPalette(256, 9);
    wxImage noRoom = PaletteImage(16, 16, full, [](int x, int y) { return size_t(16 * y + x); });
    noRoom.SetMaskColour(0x01, 0x02, 0x03);
    ASSERT_TRUE(ExtractGifPalette(noRoom, extracted));
    EXPECT_EQ(extracted.count, 256);
    EXPECT_EQ(extracted.maskIndex, -1);

    const WriteResult written = WriteAnimation({present, absent, noRoom}, 100);
    EXPECT_EQ(written.frameResults, std::vector<bool>(3, true));
    const DecodedGif gif = DecodeGif(written.bytes);
    ASSERT_TRUE(gif.ok);
    ASSERT_EQ(gif.frames.size(), 3u);
    EXPECT_EQ(gif.frames[0].transparentIndex, 2);
    EXPECT_EQ(gif.frames[1].transparentIndex, 3);
    EXPECT_EQ(gif.frames[1].localTable.size(), 4u);
    EXPECT_EQ(gif.frames[1].localTable[3], (GifColour{1, 2, 3}));
    EXPECT_EQ(gif.frames[2].transparentIndex, -1);
    ExpectPixelsOf(gif.frames[0], present);
    ExpectPixelsOf(gif.frames[2], noRoom);
    // Packed byte 1 and index when transparent; both 0 without.
    const size_t first = written.bytes.find("\x21\xF9\x04");
    EXPECT_EQ(written.bytes.substr(first + 3, 1), "\x01");
    EXPECT_EQ(written.bytes.substr(first + 6, 1), "\x02");
    const size_t last = written.bytes.rfind("\x21\xF9\x04");
    EXPECT_EQ(written.bytes.substr(last + 3, 4), std::string("\x00\x0A\x00\x00", 4));
}

TEST(GifWriter, OddWidthsAndLongCodeStreamsDecode) {
    // Odd width: rows of 101 indices while the pixel counter steps by 102.
    // 300 x 200 of noise fills the LZW table many times over.
    std::mt19937 random(5);
    const auto palette = DistinctPalette(256, 11);
    for (const auto& [w, h] : std::vector<std::pair<int, int>>{{101, 37}, {1, 1}, {1, 9}, {300, 200}}) {
        SCOPED_TRACE(w);
        const wxImage image = PaletteImage(w, h, palette, [&](int, int) { return size_t(random() % 256); });
        const WriteResult written = WriteAnimation({image, image, image}, 40);
        EXPECT_EQ(written.frameResults, std::vector<bool>(3, true));
        const DecodedGif gif = DecodeGif(written.bytes);
        ASSERT_TRUE(gif.ok) << "giflib error " << gif.error;
        ASSERT_EQ(gif.frames.size(), 3u);
        for (const auto& frame : gif.frames) ExpectPixelsOf(frame, image);
    }
}

TEST(GifWriter, ImageMagickReadsTheAnimation) {
    const auto palette = DistinctPalette(5, 4);
    std::vector<wxImage> frames;
    for (size_t k = 0; k < 3; ++k)
        frames.push_back(PaletteImage(21, 13, palette, [k](int x, int y) { return (size_t(x + y) + k) % 5; }));
    const WriteResult written = WriteAnimation(frames, 70);
    const std::string path = lwtest::MakeTempDir("gif") + "/anim.gif";
    lwtest::WriteFile(path, written.bytes);

    const auto info = lwtest::RunProcess({"/usr/bin/identify", "-format", "%w %h %T %n|", path});
    ASSERT_EQ(info.exitCode, 0) << info.err;
    EXPECT_EQ(info.out, "21 13 7 3|21 13 7 3|21 13 7 3|");
    EXPECT_EQ(info.err, "");
    const auto pixels = lwtest::RunProcess({"/usr/bin/convert", path + "[2]", "-depth", "8", "rgb:-"});
    ASSERT_EQ(pixels.exitCode, 0) << pixels.err;
    const wxImage& last = frames[2];
    EXPECT_EQ(pixels.out, std::string(reinterpret_cast<const char*>(last.GetData()), 21 * 13 * 3));
}

TEST(GifWriter, CommentOptionIsWrittenInSubBlocks) {
    wxImage image = PaletteImage(4, 4, {0, 0xFFFFFF}, [](int x, int) { return size_t(x) % 2; });
    const std::string longText(600, 'c');
    image.SetOption(wxIMAGE_OPTION_GIF_COMMENT, "short note");
    wxImage second = image.Copy();
    second.SetOption(wxIMAGE_OPTION_GIF_COMMENT, wxString(longText));
    const WriteResult written = WriteAnimation({image, second}, 100);
    const DecodedGif gif = DecodeGif(written.bytes);
    ASSERT_TRUE(gif.ok);
    ASSERT_EQ(gif.frames.size(), 2u);
    EXPECT_EQ(gif.frames[0].comments, std::vector<std::string>{"short note"});
    EXPECT_EQ(gif.frames[1].comments, std::vector<std::string>{longText});
    // 255 + 255 + 90: three length bytes.
    const size_t at = written.bytes.find("\x21\xFE\xFF");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(written.bytes[at + 3 + 255], '\xFF');
    EXPECT_EQ(written.bytes[at + 4 + 510], '\x5A');
    EXPECT_EQ(written.bytes[at + 5 + 600], '\x00');
}

TEST(GifWriter, RefusedFramesWriteNothing) {
    const wxImage good = PaletteImage(4, 4, {0, 0xFFFFFF}, [](int x, int) { return size_t(x) % 2; });
    wxImage noPalette(4, 4, true);
    // 257 colours with a palette of the first 256 of them.
    const auto palette = DistinctPalette(257, 13);
    wxImage tooMany = PaletteImage(257, 1, palette, [](int x, int) { return size_t(x); });
    tooMany.SetPalette(PaletteImage(1, 1, std::vector<std::uint32_t>(palette.begin(), palette.end() - 1),
                                    [](int, int) { return size_t(0); }).GetPalette());

    for (const wxImage* bad : {&noPalette, &tooMany}) {
        wxMemoryOutputStream out;
        SetGifOutputStream(&out);
        MyGifHandler handler;
        EXPECT_TRUE(MyGifHandler::SaveAnimationFrame(good, handler, 10, 3, 0));
        const size_t before = out.GetSize();
        EXPECT_FALSE(MyGifHandler::SaveAnimationFrame(*bad, handler, 10, 3, 1));
        EXPECT_EQ(out.GetSize(), before);
        EXPECT_FALSE(handler.HoldsHashTable());
    }
    SetGifOutputStream(nullptr);
    MyGifHandler handler;
    EXPECT_FALSE(MyGifHandler::SaveAnimationFrame(good, handler, 10, 1, 0)) << "no stream";
}

TEST(GifWriter, FramesAfterAFailedFirstFrameAreRefused) {
    const wxImage good = PaletteImage(4, 4, {0, 0xFFFFFF}, [](int x, int) { return size_t(x) % 2; });
    wxMemoryOutputStream out;
    SetGifOutputStream(&out);
    MyGifHandler first;
    EXPECT_FALSE(MyGifHandler::SaveAnimationFrame(wxImage(4, 4, true), first, 10, 2, 0));
    MyGifHandler second;
    EXPECT_FALSE(MyGifHandler::SaveAnimationFrame(good, second, 10, 2, 1));
    EXPECT_EQ(out.GetSize(), 0u);

    // A new stream starts a new file: frame 0 then frame 1 work.
    wxMemoryOutputStream again;
    SetGifOutputStream(&again);
    MyGifHandler h0, h1;
    EXPECT_TRUE(MyGifHandler::SaveAnimationFrame(good, h0, 10, 2, 0));
    EXPECT_TRUE(MyGifHandler::SaveAnimationFrame(good, h1, 10, 2, 1));
    SetGifOutputStream(nullptr);
    EXPECT_TRUE(DecodeGif(StreamBytes(again)).ok);
}

TEST(GifWriter, ShortWritesFailTheFrameAndFreeTheHashTable) {
    std::mt19937 random(3);
    const auto palette = DistinctPalette(256, 17);
    const wxImage image = PaletteImage(64, 64, palette, [&](int, int) { return size_t(random() % 256); });
    wxMemoryOutputStream full;
    SetGifOutputStream(&full);
    MyGifHandler reference;
    ASSERT_TRUE(MyGifHandler::SaveAnimationFrame(image, reference, 10, 1, 0));
    const std::string complete = StreamBytes(full);

    // Cut in the header, the loop extension, the descriptor, the code stream
    // and just before the trailer.
    for (size_t limit : {size_t(3), size_t(13 + 768 + 5), size_t(13 + 768 + 19 + 10),
                         size_t(1000), complete.size() - 1}) {
        SCOPED_TRACE(limit);
        ShortOutputStream out(limit);
        SetGifOutputStream(&out);
        MyGifHandler handler;
        EXPECT_FALSE(MyGifHandler::SaveAnimationFrame(image, handler, 10, 1, 0));
        EXPECT_FALSE(handler.HoldsHashTable());
        EXPECT_EQ(out.bytes, complete.substr(0, limit));
    }
    SetGifOutputStream(nullptr);
}

TEST(GifWriter, ColourMissingFromThePaletteIsReportedOnceAndWrittenAs255) {
    const auto palette = DistinctPalette(256, 19);
    wxImage image = PaletteImage(8, 8, palette, [](int x, int y) { return size_t(8 * y + x); });
    image.SetRGB(3, 3, 1, 2, 3);
    image.SetRGB(4, 4, 1, 2, 3);
    ASSERT_EQ(-1, [&] { GifFramePalette p; ExtractGifPalette(image, p);
        for (int i = 0; i < p.count; ++i)
            if (p.colours[i].red == 1 && p.colours[i].green == 2 && p.colours[i].blue == 3) return i;
        return -1; }());
    WriteResult written;
    std::vector<std::string> conditions;
    {
        ConditionRecorder recorder;
        written = WriteAnimation({image}, 10);
        conditions = recorder.Conditions();
    }
    EXPECT_EQ(written.frameResults, std::vector<bool>{true});
    EXPECT_EQ(conditions, std::vector<std::string>{"index != (-1)"});
    const DecodedGif gif = DecodeGif(written.bytes);
    ASSERT_TRUE(gif.ok);
    EXPECT_EQ(gif.frames[0].indices[3 * 8 + 3], 255);
    EXPECT_EQ(gif.frames[0].indices[4 * 8 + 4], 255);
    EXPECT_EQ(gif.frames[0].indices[5 * 8 + 5], 5 * 8 + 5);
}

TEST(GifWriter, FirstPaletteEntryWinsForRepeatedColours) {
    const std::vector<std::uint32_t> palette = {0x111111, 0x222222, 0x111111, 0x333333};
    const wxImage image = PaletteImage(6, 2, palette, [](int x, int) { return size_t(x) % 4; });
    const DecodedGif gif = DecodeGif(WriteAnimation({image}, 10).bytes);
    ASSERT_TRUE(gif.ok);
    EXPECT_EQ(gif.frames[0].indices, (std::vector<unsigned char>{0, 1, 0, 3, 0, 1, 0, 1, 0, 3, 0, 1}));
}

}  // namespace
