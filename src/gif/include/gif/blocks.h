// The blocks of a GIF89a file around the compressed pixels: header, colour
// tables, the looping extension, graphic control and image descriptor.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

class wxOutputStream;

struct GifRgb {
    unsigned char red = 0;
    unsigned char green = 0;
    unsigned char blue = 0;
};

// A frame's colour table and its transparent entry.
struct GifFramePalette {
    std::array<GifRgb, 256> colours;
    int count = 0;        // 0 .. 256
    int maskIndex = -1;   // -1: no transparent colour
};

// Bits per colour-table index: the smallest n in 1..8 with 2^n >= count.
int GifBitsPerPixel(int count);

// The part of the screen an image covers.
struct GifRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// What a viewer does with an image before drawing the next one.
enum class GifDisposal {
    Unspecified = 0,
    Keep = 1,               // leave it: the next image is drawn over it
    RestoreBackground = 2,  // clear its rectangle (to transparent, as browsers do)
};

// Writes to a stream until the first short write, and nothing after it.
class GifByteWriter {
public:
    explicit GifByteWriter(wxOutputStream& stream) : m_stream(stream) {}

    bool Ok() const { return m_ok; }

    GifByteWriter& Bytes(const void* data, std::size_t size);
    GifByteWriter& Byte(unsigned value);
    // Little-endian, as every number in the format.
    GifByteWriter& Word(unsigned value);
    // 2^bpp entries: the palette's colours, then black.
    GifByteWriter& ColourTable(const GifFramePalette& palette);

private:
    wxOutputStream& m_stream;
    bool m_ok = true;
};

// Header, logical screen descriptor and global colour table.
void WriteGifHeader(GifByteWriter& out, int width, int height, const GifFramePalette& global,
                    int backgroundIndex);

// How many times viewers play the animation: 0 forever, N times otherwise.
// Browsers and ImageMagick play a file once more than the count it stores
// (ImageMagick reports a stored 2 as 3 iterations; Pillow reports the stored
// value as the repeats after the first pass), and a file without the
// extension once; so N passes store N - 1, and one pass writes nothing.
void WriteGifLoopExtension(GifByteWriter& out, int loopCount);

void WriteGifGraphicControl(GifByteWriter& out, int transparentIndex, int delayHundredths,
                            GifDisposal disposal);

// The image descriptor, followed by the local colour table when given.
void WriteGifImageDescriptor(GifByteWriter& out, const GifRect& rect, const GifFramePalette* local);
