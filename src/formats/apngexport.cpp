#include "formats/apngexport.h"

#include "gif/animationfile.h"
#include "formats/renderpipeline.h"

#include <png.h>
#include <zlib.h>

#include <wx/gdicmn.h>

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <new>
#include <utility>

namespace {

// zlib's effort on the frames' pixels. On the bench corpora (format_bench)
// 9 makes the screen-like animation 2 % and the flat one 20 % (18 KiB)
// smaller than 6, but takes 2.5 to 5 times as long; noisy photos come out
// the same size either way.
constexpr int kCompressionLevel = 6;

struct PngWriteDelete {
    void operator()(png_struct* png) const { png_destroy_write_struct(&png, nullptr); }
};
using PngWritePtr = std::unique_ptr<png_struct, PngWriteDelete>;

struct PngInfoDelete {
    png_struct* png;
    void operator()(png_info* info) const { png_destroy_info_struct(png, &info); }
};
using PngInfoPtr = std::unique_ptr<png_info, PngInfoDelete>;

// A frame's rectangle on the canvas and its pixels compressed as libpng
// compresses a PNG of that rectangle alone: that PNG and where its IDAT
// payloads are in it (offset, size), which become the frame's data chunks.
struct CompressedFrame {
    wxRect rect;
    std::vector<unsigned char> png;
    std::vector<std::pair<std::size_t, std::size_t>> payloads;
    bool ok = false;
};

void AppendBytes(png_struct* png, png_byte* data, std::size_t size) {
    auto* bytes = static_cast<std::vector<unsigned char>*>(png_get_io_ptr(png));
    bool full = false;
    try {
        bytes->insert(bytes->end(), data, data + size);
    } catch (const std::bad_alloc&) {
        full = true;
    }
    // Outside the handler: libpng leaves by a jump, which must skip no destructor.
    if (full) png_error(png, "out of memory");
}

// The bytes are in memory: nothing to flush (libpng's default flushes a FILE).
void NoFlush(png_struct*) {}

// Failures come back as the frame's result, silently.
[[noreturn]] void JumpBack(png_struct* png, const char*) { png_longjmp(png, 1); }
void IgnoreWarning(png_struct*, const char*) {}

// Every libpng call that can fail, in a function whose locals need no
// destructor: libpng reports a failure by jumping back to the setjmp.
bool WritePng(png_struct* png, png_info* info, const DrawnFrame& frame, const wxRect& rect,
              std::vector<unsigned char>* out) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, out, AppendBytes, NoFlush);
    const int colourType = frame.channels == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
    png_set_IHDR(png, info, png_uint_32(rect.width), png_uint_32(rect.height), 8, colourType,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, kCompressionLevel);
    png_write_info(png, info);
    const std::size_t left = std::size_t(rect.x) * std::size_t(frame.channels);
    for (int y = rect.y; y < rect.y + rect.height; ++y) png_write_row(png, frame.Row(y) + left);
    png_write_end(png, nullptr);
    return true;
}

std::uint32_t ReadBE32(const unsigned char* at) {
    return std::uint32_t(at[0]) << 24 | std::uint32_t(at[1]) << 16 | std::uint32_t(at[2]) << 8 | at[3];
}

// Where the IDAT payloads are in a PNG; false when there are none.
bool FindPayloads(CompressedFrame& frame) {
    const std::vector<unsigned char>& png = frame.png;
    std::size_t at = 8;  // past the signature
    while (at + 12 <= png.size()) {
        const std::size_t length = ReadBE32(&png[at]);
        if (length > png.size() - at - 12) return false;
        if (std::memcmp(&png[at + 4], "IDAT", 4) == 0) frame.payloads.emplace_back(at + 8, length);
        at += 12 + length;
    }
    return !frame.payloads.empty();
}

// Runs on a worker; the frame's pixels are only read.
CompressedFrame Compress(std::shared_ptr<const DrawnFrame> frame, wxRect rect) {
    CompressedFrame compressed;
    compressed.rect = rect;
    PngWritePtr png(png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, JumpBack, IgnoreWarning));
    if (!png) return compressed;
    PngInfoPtr info(png_create_info_struct(png.get()), PngInfoDelete{png.get()});
    compressed.ok = info && WritePng(png.get(), info.get(), *frame, rect, &compressed.png) &&
                    FindPayloads(compressed);
    return compressed;
}

bool SamePixel(const DrawnFrame& a, const DrawnFrame& b, int x, int y) {
    const std::size_t at = std::size_t(x) * std::size_t(a.channels);
    return std::memcmp(a.Row(y) + at, b.Row(y) + at, std::size_t(a.channels)) == 0;
}

// The smallest rectangle holding every pixel that differs between two frames
// of one size; a single unchanged pixel when none does (a frame must store
// at least one, and storing it as it is changes nothing).
wxRect ChangedRect(const DrawnFrame& before, const DrawnFrame& now) {
    auto sameRow = [&](int y) { return std::memcmp(before.Row(y), now.Row(y), now.Stride()) == 0; };
    int top = 0, bottom = now.height - 1;
    while (top <= bottom && sameRow(top)) ++top;
    if (top > bottom) return wxRect(0, 0, 1, 1);
    while (sameRow(bottom)) --bottom;
    int left = now.width, right = -1;
    for (int y = top; y <= bottom; ++y) {
        for (int x = 0; x < left; ++x)
            if (!SamePixel(before, now, x, y)) left = x;
        for (int x = now.width - 1; x > right; --x)
            if (!SamePixel(before, now, x, y)) right = x;
    }
    return wxRect(left, top, right - left + 1, bottom - top + 1);
}

void PutBE32(unsigned char* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(value >> (24 - 8 * i));
}

void PutBE16(unsigned char* at, unsigned value) {
    at[0] = static_cast<unsigned char>(value >> 8);
    at[1] = static_cast<unsigned char>(value);
}

struct Bytes {
    const unsigned char* data;
    std::size_t size;
};

// Writes the chunks of the file in order: the header before frame 0, each
// frame's control and data chunks, the end after the last frame.
class ApngWriter {
public:
    ApngWriter(const GifExportJob& job, wxOutputStream& out, const ExportFrameWritten& written)
        : m_job(job), m_out(out), m_written(written) {}

    // Written (the frame is in the file) or why the export ends.
    GifExportStatus Write(const CompressedFrame& frame) {
        if (!frame.ok) return GifExportStatus::BadFrame;
        if (m_index == 0) Header();
        FrameControl(frame.rect);
        for (const auto& [offset, size] : frame.payloads) {
            const Bytes payload{frame.png.data() + offset, size};
            if (m_index == 0) {
                Chunk("IDAT", {payload});
            } else {
                unsigned char sequence[4];
                PutBE32(sequence, m_sequence++);
                Chunk("fdAT", {{sequence, 4}, payload});
            }
        }
        const bool last = m_index + 1 == m_job.frameCount;
        if (last) Chunk("IEND", {});
        if (!m_out.IsOk()) return GifExportStatus::CannotWrite;
        if (!last && !m_written(m_index)) return GifExportStatus::Stopped;
        ++m_index;
        return GifExportStatus::Written;
    }

private:
    void Chunk(const char* type, std::initializer_list<Bytes> parts) {
        std::size_t length = 0;
        for (const Bytes& part : parts) length += part.size;
        unsigned char head[8];
        PutBE32(head, std::uint32_t(length));
        std::memcpy(head + 4, type, 4);
        m_out.Write(head, 8);
        uLong crc = crc32_z(0, head + 4, 4);
        for (const Bytes& part : parts) {
            m_out.Write(part.data, part.size);
            crc = crc32_z(crc, part.data, part.size);
        }
        unsigned char tail[4];
        PutBE32(tail, std::uint32_t(crc));
        m_out.Write(tail, 4);
    }

    // Every frame has the pixel layout of the first (RGB, or RGBA when
    // holes stay transparent), so that one header holds for all.
    void Header() {
        static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        m_out.Write(signature, sizeof signature);
        unsigned char header[13] = {};
        PutBE32(header, std::uint32_t(m_job.canvasWidth));
        PutBE32(header + 4, std::uint32_t(m_job.canvasHeight));
        header[8] = 8;
        header[9] = m_job.transparent ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
        Chunk("IHDR", {{header, sizeof header}});
        unsigned char animation[8];
        PutBE32(animation, std::uint32_t(m_job.frameCount));
        PutBE32(animation + 4, std::uint32_t(std::max(0, m_job.loopCount)));  // 0: forever
        Chunk("acTL", {{animation, sizeof animation}});
    }

    // The rectangle replaces what is under it (blend SOURCE) and stays for
    // the next frame (dispose NONE), so every frame shows exactly as drawn.
    void FrameControl(const wxRect& rect) {
        unsigned char control[26] = {};
        PutBE32(control, m_sequence++);
        PutBE32(control + 4, std::uint32_t(rect.width));
        PutBE32(control + 8, std::uint32_t(rect.height));
        PutBE32(control + 12, std::uint32_t(rect.x));
        PutBE32(control + 16, std::uint32_t(rect.y));
        PutBE16(control + 20, unsigned(std::clamp(GifFrameDelay(m_job, m_index), 0, 0xFFFF)));
        PutBE16(control + 22, 100);  // the delay is in hundredths
        Chunk("fcTL", {{control, sizeof control}});
    }

    const GifExportJob& m_job;
    wxOutputStream& m_out;
    const ExportFrameWritten& m_written;
    std::uint32_t m_sequence = 0;  // shared by the fcTL and fdAT chunks
    int m_index = 0;
};

// Frames are drawn and compressed on up to job.parallelism threads each; the
// rectangle that changed is found here, in order, against the frame before.
GifExportStatus WriteFrames(const GifExportJob& job, const ExportFrameSource& source,
                            const ExportFrameWritten& written, wxOutputStream& out) {
    ApngWriter writer(job, out, written);
    RenderPipeline frames(job, source);
    OrderedTasks<CompressedFrame> compressing(job.parallelism);
    std::shared_ptr<const DrawnFrame> previous;
    for (int i = 0; i < job.frameCount; ++i) {
        std::optional<DrawnFrame> drawn = frames.Next();
        if (!drawn) return GifExportStatus::Stopped;
        if (!drawn->Ok()) return GifExportStatus::BadFrame;
        auto frame = std::make_shared<const DrawnFrame>(std::move(*drawn));
        const wxRect rect = previous ? ChangedRect(*previous, *frame) : wxRect(0, 0, frame->width, frame->height);
        compressing.Start(Compress, frame, rect);
        previous = std::move(frame);
        if (compressing.Full()) {
            const GifExportStatus status = writer.Write(compressing.Next());
            if (status != GifExportStatus::Written) return status;
        }
    }
    while (!compressing.Empty()) {
        const GifExportStatus status = writer.Write(compressing.Next());
        if (status != GifExportStatus::Written) return status;
    }
    return GifExportStatus::Written;
}

}  // namespace

GifExportStatus WriteApngAnimation(const GifExportJob& job, const ExportFrameSource& source,
                                   const ExportFrameWritten& written) {
    return WriteAnimationFile(
        job, [&](wxOutputStream& out) { return WriteFrames(job, source, written, out); });
}
