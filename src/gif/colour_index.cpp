#include "gif/colour_index.h"

static_assert((1u << (32 - 21)) == 2048, "Slot() must cover kSlots");

void ColourIndexMap::Clear() {
    m_keys.fill(0);
    m_size = 0;
}

bool ColourIndexMap::Insert(std::uint32_t rgb, int index) {
    const std::uint32_t key = rgb + 1;
    for (unsigned slot = Slot(rgb);; slot = (slot + 1) & (kSlots - 1)) {
        if (m_keys[slot] == key) return false;
        if (m_keys[slot] == 0) {
            if (m_size >= kCapacity) return false;
            m_keys[slot] = key;
            m_indices[slot] = static_cast<std::int16_t>(index);
            ++m_size;
            return true;
        }
    }
}

int ColourIndexMap::Find(std::uint32_t rgb) const {
    const std::uint32_t key = rgb + 1;
    for (unsigned slot = Slot(rgb);; slot = (slot + 1) & (kSlots - 1)) {
        if (m_keys[slot] == key) return m_indices[slot];
        if (m_keys[slot] == 0) return -1;
    }
}

std::vector<std::uint32_t> DistinctColours(const unsigned char* rgb,
                                           std::size_t pixelCount, int limit) {
    std::vector<std::uint32_t> colours;
    ColourIndexMap seen;
    std::uint32_t previous = 0;
    for (std::size_t i = 0; i < pixelCount; ++i, rgb += 3) {
        const std::uint32_t colour = PackRgb(rgb[0], rgb[1], rgb[2]);
        // Neighbouring pixels often share a colour: skip the hash for them.
        if (i > 0 && colour == previous) continue;
        previous = colour;
        if (seen.Insert(colour, 0)) {
            colours.push_back(colour);
            if (static_cast<int>(colours.size()) > limit) break;
        }
    }
    return colours;
}
