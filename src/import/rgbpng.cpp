#include "rgbpng.h"

#include "gif/reader.h"
#include "import/pictureformat.h"

#include <libdeflate.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace {

constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};

struct Chunk {
    const unsigned char* type;
    const unsigned char* data;
    uint32_t size;
};

bool IsType(const Chunk& chunk, const char* type) { return std::memcmp(chunk.type, type, 4) == 0; }

// The next whole chunk whose checksum holds, from at; false otherwise.
bool NextChunk(const std::string& bytes, size_t& at, Chunk* chunk) {
    if (bytes.size() - at < 12) return false;
    const auto* start = reinterpret_cast<const unsigned char*>(bytes.data()) + at;
    const uint32_t size = BigEndian(bytes, at, 4);
    if (size > bytes.size() - at - 12) return false;
    if (libdeflate_crc32(0, start + 4, size + 4) != BigEndian(bytes, at + 8 + size, 4)) return false;
    *chunk = Chunk{start + 4, start + 8, size};
    at += 12 + size;
    return true;
}

// Width and height when the header is one this reader takes.
bool TakenHeader(const Chunk& header, uint32_t* width, uint32_t* height) {
    if (!IsType(header, "IHDR") || header.size != 13) return false;
    const std::string fields(reinterpret_cast<const char*>(header.data), header.size);
    *width = BigEndian(fields, 0, 4);
    *height = BigEndian(fields, 4, 4);
    const unsigned char* rest = header.data + 8;  // depth, colour type, compression, filter, interlace
    const bool rgb8 = rest[0] == 8 && rest[1] == 2 && rest[2] == 0 && rest[3] == 0 && rest[4] == 0;
    return rgb8 && *width > 0 && *height > 0 &&
           static_cast<long long>(*width) * *height <= GifReader::kMaxFramePixels;
}

// The image data of every IDAT chunk, joined; false for a file this reader
// leaves to the toolkit (transparency, an unknown critical chunk, no end).
bool JoinedImageData(const std::string& bytes, size_t at, std::vector<unsigned char>* joined) {
    Chunk chunk;
    while (NextChunk(bytes, at, &chunk)) {
        if (IsType(chunk, "IEND")) return !joined->empty();
        if (IsType(chunk, "IDAT"))
            joined->insert(joined->end(), chunk.data, chunk.data + chunk.size);
        else if (IsType(chunk, "tRNS") || (!IsType(chunk, "PLTE") && !(chunk.type[0] & 0x20)))
            return false;
    }
    return false;
}

unsigned char Paeth(int left, int up, int upLeft) {
    const int toLeft = std::abs(up - upLeft), toUp = std::abs(left - upLeft);
    const int toUpLeft = std::abs(left + up - 2 * upLeft);
    if (toLeft <= toUp && toLeft <= toUpLeft) return left;
    return toUp <= toUpLeft ? up : upLeft;
}

// Undoes one row's filter from raw into row; above is the row before (null
// for the first). row may begin before raw in the same buffer: each byte of
// raw is read before row's byte at its place is written.
bool Unfilter(int filter, const unsigned char* raw, unsigned char* row, const unsigned char* above,
              size_t stride) {
    constexpr size_t bpp = 3;
    switch (filter) {
        case 0:
            std::memmove(row, raw, stride);
            return true;
        case 1:
            for (size_t i = 0; i < stride; ++i) row[i] = raw[i] + (i >= bpp ? row[i - bpp] : 0);
            return true;
        case 2:
            for (size_t i = 0; i < stride; ++i) row[i] = raw[i] + (above ? above[i] : 0);
            return true;
        case 3:
            for (size_t i = 0; i < stride; ++i)
                row[i] = raw[i] + (((i >= bpp ? row[i - bpp] : 0) + (above ? above[i] : 0)) >> 1);
            return true;
        case 4:
            for (size_t i = 0; i < stride; ++i) {
                const int left = i >= bpp ? row[i - bpp] : 0, up = above ? above[i] : 0;
                const int upLeft = i >= bpp && above ? above[i - bpp] : 0;
                row[i] = raw[i] + Paeth(left, up, upLeft);
            }
            return true;
        default: return false;
    }
}

struct FreeDecompressor {
    void operator()(libdeflate_decompressor* decompressor) const { libdeflate_free_decompressor(decompressor); }
};

struct FreeMalloced {
    void operator()(unsigned char* data) const { std::free(data); }
};

}  // namespace

bool ReadRgbPng(const std::string& bytes, wxImage* out) {
    if (bytes.size() < sizeof kSignature || std::memcmp(bytes.data(), kSignature, sizeof kSignature) != 0)
        return false;
    size_t at = sizeof kSignature;
    Chunk header;
    uint32_t width, height;
    if (!NextChunk(bytes, at, &header) || !TakenHeader(header, &width, &height)) return false;
    std::vector<unsigned char> compressed;
    if (!JoinedImageData(bytes, at, &compressed)) return false;

    // Inflated and unfiltered in one buffer the picture then owns: each row
    // moves down by its filter byte as it is undone.
    const size_t stride = size_t(width) * 3, raw = size_t(height) * (stride + 1);
    std::unique_ptr<unsigned char, FreeMalloced> data(static_cast<unsigned char*>(std::malloc(raw)));
    std::unique_ptr<libdeflate_decompressor, FreeDecompressor> inflater(libdeflate_alloc_decompressor());
    if (!data || !inflater) throw std::bad_alloc();
    size_t inflated = 0;
    if (libdeflate_zlib_decompress(inflater.get(), compressed.data(), compressed.size(), data.get(), raw,
                                   &inflated) != LIBDEFLATE_SUCCESS ||
        inflated != raw)
        return false;
    for (size_t y = 0; y < height; ++y) {
        const unsigned char* line = data.get() + y * (stride + 1);
        unsigned char* row = data.get() + y * stride;
        if (!Unfilter(line[0], line + 1, row, y ? row - stride : nullptr, stride)) return false;
    }
    wxImage picture(int(width), int(height), data.get(), false);
    if (!picture.IsOk()) return false;
    data.release();  // the picture frees it
    *out = picture;
    return true;
}
