// Stored pictures handed out one by one for an export, each decoded on a
// thread of its own a few frames before it is asked for, so that the export's
// thread never waits for the frame store and memory holds only a few frames.
#pragma once

#include "framestore/framestore.h"

#include <wx/image.h>

#include <future>
#include <map>
#include <memory>
#include <vector>

class StoredPicturesAhead {
public:
    // ahead: how many frames past the one asked for are being decoded.
    StoredPicturesAhead(std::vector<FramePicture> pictures, int ahead);
    // Waits for the decodings still under way.
    ~StoredPicturesAhead() = default;

    int Count() const { return static_cast<int>(m_stored.size()); }
    // Frame index's picture, decoded; an invalid picture for a frame without
    // one or whose stored copy cannot be read; null for an index out of range.
    // From one thread at a time.
    std::unique_ptr<wxImage> Take(int index);

private:
    const std::vector<FramePicture> m_stored;
    const int m_ahead;
    std::map<int, std::future<std::unique_ptr<wxImage>>> m_decoding;
    int m_decodeNext = 0;
    int m_lastTaken = -1;
};
