#include "import/pictureformat.h"

#include <wx/ffile.h>

#include <webp/decode.h>

#include <cstdint>
#include <cstring>

namespace {

const std::string kPngSignature("\x89PNG\r\n\x1a\n", 8);
// RIFF, the file's length, WEBP, then the first chunk's name, length and,
// for the extended header VP8X, its flags.
constexpr size_t kWebPFlagsAt = 20;
constexpr uint8_t kWebPAnimationFlag = 0x02;
// Enough for the signatures and for a WebP's extended header.
constexpr size_t kHeadBytes = 32;

bool StartsWith(const std::string& bytes, const std::string& prefix) {
    return bytes.compare(0, prefix.size(), prefix) == 0;
}

std::string ReadBytes(wxFFile& file, size_t count) {
    std::string bytes(count, '\0');
    bytes.resize(file.Read(&bytes[0], count));
    return bytes;
}

uint32_t LittleEndian(const std::string& b, size_t at, int bytes) {
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(b[at + i]);
    return value;
}

std::optional<wxSize> Sized(long long width, long long height) {
    if (width <= 0 || height <= 0 || width > INT32_MAX || height > INT32_MAX) return std::nullopt;
    return wxSize(static_cast<int>(width), static_cast<int>(height));
}

// The image header chunk follows the signature directly.
std::optional<wxSize> PngSize(wxFFile& file) {
    const std::string head = ReadBytes(file, 24);
    if (head.size() < 24 || head.compare(12, 4, "IHDR") != 0) return std::nullopt;
    return Sized(BigEndian(head, 16, 4), BigEndian(head, 20, 4));
}

// The information header's size tells the old 16-bit form from the others;
// a negative height means rows stored top down.
std::optional<wxSize> BmpSize(wxFFile& file) {
    const std::string head = ReadBytes(file, 26);
    if (head.size() < 22) return std::nullopt;
    const uint32_t headerSize = LittleEndian(head, 14, 4);
    if (headerSize == 12) return Sized(LittleEndian(head, 18, 2), LittleEndian(head, 20, 2));
    if (headerSize < 16 || head.size() < 26) return std::nullopt;
    const long long width = static_cast<int32_t>(LittleEndian(head, 18, 4));
    const long long height = static_cast<int32_t>(LittleEndian(head, 22, 4));
    return Sized(width, height < 0 ? -height : height);
}

// libwebp reads the size from the first chunk's header, within the first bytes.
std::optional<wxSize> WebPSize(wxFFile& file) {
    const std::string head = ReadBytes(file, 64);
    int width = 0, height = 0;
    if (!WebPGetInfo(reinterpret_cast<const uint8_t*>(head.data()), head.size(), &width, &height))
        return std::nullopt;
    return Sized(width, height);
}

bool IsWebP(const std::string& head) {
    return head.size() >= 12 && StartsWith(head, "RIFF") && head.compare(8, 4, "WEBP") == 0;
}

bool IsStartOfFrame(uint8_t marker) {
    return marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc;
}

// Walks the markers up to the first start-of-frame segment.
std::optional<wxSize> JpegSize(wxFFile& file) {
    if (!file.Seek(2)) return std::nullopt;
    for (;;) {
        std::string byte = ReadBytes(file, 1);
        if (byte.size() != 1 || static_cast<uint8_t>(byte[0]) != 0xff) return std::nullopt;
        uint8_t marker = 0xff;
        while (marker == 0xff) {
            byte = ReadBytes(file, 1);
            if (byte.empty()) return std::nullopt;
            marker = static_cast<uint8_t>(byte[0]);
        }
        if (marker == 0x01 || (marker >= 0xd0 && marker <= 0xd8)) continue;  // no length
        if (marker == 0xd9 || marker == 0xda) return std::nullopt;  // the data starts, no frame yet
        const std::string length = ReadBytes(file, 2);
        if (length.size() != 2 || BigEndian(length, 0, 2) < 2) return std::nullopt;
        const uint32_t rest = BigEndian(length, 0, 2) - 2;
        if (IsStartOfFrame(marker)) {
            const std::string frame = ReadBytes(file, 5);
            if (frame.size() != 5 || rest < 5) return std::nullopt;
            return Sized(BigEndian(frame, 3, 2), BigEndian(frame, 1, 2));
        }
        if (!file.Seek(rest, wxFromCurrent)) return std::nullopt;
    }
}

}  // namespace

PictureFormat PictureFormatOf(const std::string& head) {
    if (StartsWith(head, kPngSignature)) return PictureFormat::Png;
    if (StartsWith(head, "\xff\xd8\xff")) return PictureFormat::Jpeg;
    if (StartsWith(head, "BM")) return PictureFormat::Bmp;
    if (StartsWith(head, "GIF")) return PictureFormat::Gif;
    if (IsWebP(head) && !IsAnimatedWebP(head)) return PictureFormat::WebP;
    return PictureFormat::None;
}

uint32_t BigEndian(const std::string& b, size_t at, int bytes) {
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) value = value << 8 | static_cast<uint8_t>(b[at + i]);
    return value;
}

std::string FileBytes(const wxString& path, size_t count) {
    wxFFile file(path, "rb");
    if (!file.IsOpened()) return std::string();
    if (count == std::string::npos) {
        const wxFileOffset length = file.Length();
        if (length <= 0) return std::string();
        count = static_cast<size_t>(length);
    }
    return ReadBytes(file, count);
}

PictureFormat PictureFormatOfFile(const wxString& path) { return PictureFormatOf(FileBytes(path, kHeadBytes)); }

bool IsAnimatedWebP(const std::string& head) {
    return IsWebP(head) && head.size() > kWebPFlagsAt && head.compare(12, 4, "VP8X") == 0 &&
           (static_cast<uint8_t>(head[kWebPFlagsAt]) & kWebPAnimationFlag) != 0;
}

bool IsAnimatedPng(const wxString& path) {
    wxFFile file(path, "rb");
    if (!file.IsOpened() || ReadBytes(file, kPngSignature.size()) != kPngSignature) return false;
    // Chunk by chunk up to the image data; a file of thousands of chunks
    // before it is no animation we take.
    for (int chunk = 0; chunk < 1000; ++chunk) {
        const std::string header = ReadBytes(file, 8);
        if (header.size() < 8 || header.compare(4, 4, "IDAT") == 0) return false;
        if (header.compare(4, 4, "acTL") == 0) {
            const std::string frames = ReadBytes(file, 4);
            return frames.size() == 4 && BigEndian(frames, 0, 4) > 1;
        }
        if (!file.Seek(BigEndian(header, 0, 4) + 4, wxFromCurrent)) return false;  // the data and its CRC
    }
    return false;
}

std::optional<wxSize> PictureSizeOfFile(const wxString& path, PictureFormat format) {
    wxFFile file(path, "rb");
    if (!file.IsOpened()) return std::nullopt;
    switch (format) {
        case PictureFormat::Png: return PngSize(file);
        case PictureFormat::Jpeg: return JpegSize(file);
        case PictureFormat::Bmp: return BmpSize(file);
        case PictureFormat::WebP: return WebPSize(file);
        default: return std::nullopt;
    }
}

bool JpegEndsEarly(const std::string& b) {
    const size_t size = b.size();
    auto byte = [&b](size_t at) { return static_cast<uint8_t>(b[at]); };
    size_t at = 2;  // after the start-of-image marker
    while (at + 1 < size) {
        if (byte(at) != 0xFF) return false;  // damaged otherwise: the decoder says so itself
        const uint8_t marker = byte(at + 1);
        at += 2;
        if (marker == 0xFF) { --at; continue; }  // fill byte
        if (marker == 0xD9) return false;          // end of image
        if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) continue;  // no length
        if (at + 2 > size) return true;
        const size_t length = BigEndian(b, at, 2);
        if (length < 2 || at + length > size) return true;
        at += length;
        if (marker != 0xDA) continue;
        // Entropy-coded data runs to the next marker that is not a stuffed
        // zero or a restart.
        for (;; ++at) {
            const void* found = at < size ? std::memchr(b.data() + at, 0xFF, size - at) : nullptr;
            if (!found) return true;
            at = static_cast<size_t>(static_cast<const char*>(found) - b.data());
            if (at + 1 >= size) return true;
            const uint8_t next = byte(at + 1);
            if (next != 0x00 && !(next >= 0xD0 && next <= 0xD7) && next != 0xFF) break;
        }
    }
    return true;
}
