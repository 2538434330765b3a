#include "framestore/storedahead.h"

#include "base/signalstack.h"

#include <algorithm>
#include <system_error>

StoredPicturesAhead::StoredPicturesAhead(std::vector<FramePicture> pictures, int ahead)
    : m_stored(std::move(pictures)), m_ahead(ahead < 1 ? 1 : ahead) {}

std::unique_ptr<wxImage> StoredPicturesAhead::Take(int index) {
    // Frames are decoded ahead of one taken within reach of those decoded so
    // far: the export's look at a few frames spread over the animation jumps
    // past most of them, which are not decoded for it. A frame before the last
    // one taken starts a new pass (the export after its look), decoded ahead again.
    if (index < m_lastTaken) m_decodeNext = std::max(0, std::min(m_decodeNext, index));
    m_lastTaken = index;
    const bool near = index <= m_decodeNext;
    for (; near && m_decodeNext < Count() && m_decodeNext <= index + m_ahead; ++m_decodeNext) {
        if (m_decoding.count(m_decodeNext)) continue;
        const FramePicture picture = m_stored[static_cast<size_t>(m_decodeNext)];
        try {
            // The decoding thread lets go of the picture before the export gets it.
            m_decoding.emplace(m_decodeNext, std::async(std::launch::async, WithSignalStack([picture] {
                return std::make_unique<wxImage>(picture ? picture->Decode() : wxImage());
            })));
        } catch (const std::system_error&) {
            break;  // no thread to spare: decoded below when taken
        }
    }
    const auto found = m_decoding.find(index);
    if (found == m_decoding.end()) {
        if (index < 0 || index >= Count()) return nullptr;
        const FramePicture& stored = m_stored[static_cast<size_t>(index)];
        return std::make_unique<wxImage>(stored ? stored->Decode() : wxImage());
    }
    std::unique_ptr<wxImage> picture = found->second.get();
    m_decoding.erase(found);
    return picture;
}
