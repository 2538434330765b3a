#include "gif/lzw.h"

#include "gif/blocks.h"

#include <array>
#include <cstdint>

namespace {

// The table holds codes up to 4094, as giflib's encoder and decoder do. When
// it is full it normally starts again; but where it has been compressing well
// (long runs of flat colour or of the transparent index) it is kept as it is,
// and only cleared once a stretch of pixels compresses worse than the table
// did while it was filling.
constexpr int kFullTable = 4095;
constexpr double kKeepBelow = 1.0;     // bits per pixel while filling
constexpr std::size_t kWindow = 4096;  // pixels between checks of a kept table

// The codes of the current table: (prefix code, next index) -> code.
class CodeTable {
public:
    CodeTable() { Clear(); }
    void Clear() { m_keys.fill(0); }
    // The code for key, or -1.
    int Find(std::uint32_t key) const {
        for (unsigned slot = Slot(key);; slot = (slot + 1) & (kSlots - 1)) {
            if (m_keys[slot] == key + 1) return m_codes[slot];
            if (m_keys[slot] == 0) return -1;
        }
    }
    void Insert(std::uint32_t key, int code) {
        unsigned slot = Slot(key);
        while (m_keys[slot] != 0) slot = (slot + 1) & (kSlots - 1);
        m_keys[slot] = key + 1;
        m_codes[slot] = static_cast<std::uint16_t>(code);
    }

private:
    static constexpr unsigned kSlots = 8192;  // twice the codes a table can hold
    static unsigned Slot(std::uint32_t key) { return (key * 2654435761u) >> 19; }
    std::array<std::uint32_t, kSlots> m_keys;  // key + 1; 0 marks a free slot
    std::array<std::uint16_t, kSlots> m_codes;
};

// Packs codes of varying width, least significant bit first, into sub-blocks.
class CodeWriter {
public:
    explicit CodeWriter(std::vector<unsigned char>& out) : m_out(out) {}
    void Put(int code, int bits) {
        m_total += std::size_t(bits);
        m_bits |= std::uint32_t(code) << m_used;
        m_used += bits;
        while (m_used >= 8) {
            Byte(static_cast<unsigned char>(m_bits & 0xFF));
            m_bits >>= 8;
            m_used -= 8;
        }
    }
    std::size_t Bits() const { return m_total; }  // written so far
    // Writes the last partial byte and the terminating empty block.
    void Finish() {
        if (m_used > 0) Byte(static_cast<unsigned char>(m_bits & 0xFF));
        if (m_blockStart != kNoBlock) m_out[m_blockStart] = static_cast<unsigned char>(m_blockSize);
        m_out.push_back(0);
    }

private:
    static constexpr std::size_t kNoBlock = std::size_t(-1);
    void Byte(unsigned char byte) {
        if (m_blockStart == kNoBlock || m_blockSize == 255) {
            if (m_blockStart != kNoBlock) m_out[m_blockStart] = 255;
            m_blockStart = m_out.size();
            m_out.push_back(0);
            m_blockSize = 0;
        }
        m_out.push_back(byte);
        ++m_blockSize;
    }
    std::vector<unsigned char>& m_out;
    std::uint32_t m_bits = 0;
    int m_used = 0;
    std::size_t m_total = 0;
    std::size_t m_blockStart = kNoBlock;
    int m_blockSize = 0;
};

}  // namespace

std::vector<unsigned char> GifCompressIndices(const unsigned char* indices, std::size_t count,
                                              int colourCount) {
    const int minCodeSize = std::max(2, GifBitsPerPixel(colourCount));
    const int clear = 1 << minCodeSize;
    const int end = clear + 1;
    std::vector<unsigned char> out;
    out.reserve(count / 2 + 64);
    out.push_back(static_cast<unsigned char>(minCodeSize));
    CodeWriter writer(out);
    CodeTable table;
    int next = end + 1;          // the code the next new string gets
    int bits = minCodeSize + 1;  // the width of codes now
    // A code goes out at the current width; once the table holds a code
    // that needs a wider one, the width grows, as decoders expect.
    auto put = [&](int code) {
        writer.Put(code, bits);
        if (next > (1 << bits) - 1 && bits < 12 && code != clear) ++bits;
    };
    put(clear);
    if (count > 0) {
        int prefix = indices[0];
        std::size_t clearedAt = 0, bitsAtClear = 0;  // pixel and output bit at the last clear
        std::size_t windowAt = 0, bitsAtWindow = 0;  // the same at the last check
        double fillingRate = 0;  // bits per pixel while the table filled
        auto restart = [&](std::size_t at) {
            put(clear);
            table.Clear();
            next = end + 1;
            bits = minCodeSize + 1;
            clearedAt = at;
            bitsAtClear = writer.Bits();
        };
        for (std::size_t i = 1; i < count; ++i) {
            const std::uint32_t key = (std::uint32_t(prefix) << 8) | indices[i];
            const int code = table.Find(key);
            if (code >= 0) {
                prefix = code;
                continue;
            }
            put(prefix);
            prefix = indices[i];
            if (next < kFullTable - 1) {
                table.Insert(key, next++);
            } else if (next == kFullTable - 1) {
                table.Insert(key, next++);
                fillingRate = double(writer.Bits() - bitsAtClear) / double(i - clearedAt);
                windowAt = i;
                bitsAtWindow = writer.Bits();
                if (fillingRate >= kKeepBelow) restart(i);
            } else if (i - windowAt >= kWindow) {
                const double rate = double(writer.Bits() - bitsAtWindow) / double(i - windowAt);
                windowAt = i;
                bitsAtWindow = writer.Bits();
                if (rate > fillingRate) restart(i);
            }
        }
        put(prefix);
    }
    put(end);
    writer.Finish();
    return out;
}
