#include "gif/blocks.h"

#include <wx/stream.h>

#include <algorithm>

int GifBitsPerPixel(int count) {
    int bits = 1;
    while (bits < 8 && (1 << bits) < count) ++bits;
    return bits;
}

GifByteWriter& GifByteWriter::Bytes(const void* data, std::size_t size) {
    if (m_ok && size > 0) {
        m_stream.Write(data, size);
        m_ok = m_stream.LastWrite() == size;
    }
    return *this;
}

GifByteWriter& GifByteWriter::Byte(unsigned value) {
    const unsigned char byte = static_cast<unsigned char>(value);
    return Bytes(&byte, 1);
}

GifByteWriter& GifByteWriter::Word(unsigned value) {
    const unsigned char bytes[2] = {static_cast<unsigned char>(value & 0xFF),
                                    static_cast<unsigned char>((value >> 8) & 0xFF)};
    return Bytes(bytes, 2);
}

GifByteWriter& GifByteWriter::ColourTable(const GifFramePalette& palette) {
    std::vector<unsigned char> table(3u << GifBitsPerPixel(palette.count), 0);
    for (int i = 0; i < palette.count; ++i) {
        table[3 * i] = palette.colours[i].red;
        table[3 * i + 1] = palette.colours[i].green;
        table[3 * i + 2] = palette.colours[i].blue;
    }
    return Bytes(table.data(), table.size());
}

void WriteGifHeader(GifByteWriter& out, int width, int height, const GifFramePalette& global,
                    int backgroundIndex) {
    const unsigned bits = GifBitsPerPixel(global.count) - 1;
    out.Bytes("GIF89a", 6).Word(width).Word(height)
        .Byte(0x80 | (bits << 4) | bits)
        .Byte(unsigned(backgroundIndex))
        .Byte(0)   // pixel aspect ratio
        .ColourTable(global);
}

void WriteGifLoopExtension(GifByteWriter& out, int loopCount) {
    if (loopCount == 1) return;
    const unsigned stored = loopCount <= 0 ? 0 : unsigned(std::min(loopCount - 1, 0xFFFF));
    out.Byte(0x21).Byte(0xFF).Byte(11).Bytes("NETSCAPE2.0", 11)
        .Byte(3).Byte(1).Word(stored)
        .Byte(0);
}

void WriteGifGraphicControl(GifByteWriter& out, int transparentIndex, int delayHundredths,
                            GifDisposal disposal) {
    const unsigned packed = (unsigned(disposal) << 2) | (transparentIndex != -1 ? 0x01 : 0x00);
    out.Byte(0x21).Byte(0xF9).Byte(4)
        .Byte(packed)
        .Word(unsigned(std::clamp(delayHundredths, 0, 0xFFFF)))
        .Byte(transparentIndex != -1 ? unsigned(transparentIndex) : 0)
        .Byte(0);
}

void WriteGifImageDescriptor(GifByteWriter& out, const GifRect& rect, const GifFramePalette* local) {
    out.Byte(0x2C).Word(rect.x).Word(rect.y).Word(rect.width).Word(rect.height);
    if (local)
        out.Byte(0x80 | (GifBitsPerPixel(local->count) - 1)).ColourTable(*local);
    else
        out.Byte(0x00);
}
