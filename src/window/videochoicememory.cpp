#include "window/videochoicememory.h"

#include <algorithm>

VideoSampling VideoChoiceMemory::Proposal(const wxString& path, const VideoFacts& facts) const {
    VideoSampling proposal = DefaultVideoSampling(facts);
    if (!m_any) return proposal;
    proposal.fps = m_everyFrame ? 0 : m_fps;
    // A width chosen for a larger video shrinks a smaller one no further than its own.
    if (!m_ownSize && facts.size.x > 0)
        proposal.size = VideoSizeForWidth(facts.size, std::min(m_width, facts.size.x));
    else if (m_ownSize)
        proposal.size = facts.size;
    if (path == m_path) {
        proposal.startMs = m_startMs;
        proposal.endMs = m_endMs;
    }
    return proposal;
}

void VideoChoiceMemory::Chosen(const wxString& path, const VideoFacts& facts, const VideoSampling& sampling) {
    m_any = true;
    m_path = path;
    m_everyFrame = sampling.fps == 0;
    m_fps = sampling.fps;
    m_ownSize = sampling.size.x <= 0 || sampling.size == facts.size;
    m_width = sampling.size.x;
    m_startMs = sampling.startMs;
    m_endMs = sampling.endMs;
}
