// A small hash map from 24-bit colours to palette indices: the per-pixel
// lookup of the GIF writer and the distinct-colour count of the palette
// reduction both run once per pixel, so a linear search is too slow.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

inline std::uint32_t PackRgb(unsigned char r, unsigned char g, unsigned char b) {
    return (std::uint32_t(r) << 16) | (std::uint32_t(g) << 8) | b;
}

class ColourIndexMap {
public:
    // Holds up to this many colours; more are refused.
    static constexpr int kCapacity = 512;

    ColourIndexMap() { Clear(); }
    void Clear();

    // Records index for rgb unless rgb is already there: the first index given
    // to a colour is kept, as a search from the start of a palette finds it.
    // Returns false when rgb was already present or the map is full.
    bool Insert(std::uint32_t rgb, int index);
    // The index recorded for rgb, or -1.
    int Find(std::uint32_t rgb) const;
    int Size() const { return m_size; }

private:
    static constexpr int kSlots = 2048;  // a power of two, at most a quarter full

    static unsigned Slot(std::uint32_t rgb) { return (rgb * 2654435761u) >> 21; }

    std::array<std::uint32_t, kSlots> m_keys;  // rgb + 1; 0 marks a free slot
    std::array<std::int16_t, kSlots> m_indices;
    int m_size = 0;
};

// The distinct colours of packed RGB pixels (3 bytes each) in the order they
// first appear; stops as soon as more than limit were seen (limit < 512).
std::vector<std::uint32_t> DistinctColours(const unsigned char* rgb,
                                           std::size_t pixelCount, int limit);
