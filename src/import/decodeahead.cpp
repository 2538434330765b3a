#include "decodeahead.h"

#include "base/signalstack.h"
#include "gif/reader.h"
#include "import/framepath.h"
#include "import/videoreader.h"
#include "rgbpng.h"
#include "videoframes.h"

#include <wx/filename.h>
#include <wx/log.h>
#include <wx/mstream.h>

#include <algorithm>
#include <system_error>

namespace {

wxBitmapType BitmapTypeOf(PictureFormat format) {
    switch (format) {
        case PictureFormat::Png: return wxBITMAP_TYPE_PNG;
        case PictureFormat::Jpeg: return wxBITMAP_TYPE_JPEG;
        case PictureFormat::Bmp: return wxBITMAP_TYPE_BMP;
        default: return wxBITMAP_TYPE_INVALID;
    }
}

// An independent copy for a worker: the toolkit's strings share their
// storage with an unguarded count.
wxString OwnCopy(const wxString& text) { return wxString(text.wc_str(), text.length()); }

// How far past the path whose turn it is a still picture is looked for: a
// few GIFs or videos between them do not stop the look-ahead.
constexpr size_t kLookFarPerPicture = 4;

}  // namespace

StillPicture ReadStillPicture(const wxString& path, PictureFormat format) {
    StillPicture still;
    auto picture = std::make_unique<wxImage>();
    // A JPEG is read whole first: whether it ends early shows in its bytes
    // only. libwebp and our RGB PNG reader decode from memory.
    const bool whole = format != PictureFormat::Bmp;
    const std::string bytes = whole ? FileBytes(path) : std::string();
    bool loaded;
    if (format == PictureFormat::WebP) {
        loaded = DecodeWebPPicture(bytes, *picture);
    } else if (format == PictureFormat::Png && ReadRgbPng(bytes, picture.get())) {
        loaded = true;
    } else if (whole) {
        wxMemoryInputStream stream(bytes.data(), bytes.size());
        loaded = picture->LoadFile(stream, BitmapTypeOf(format)) && picture->IsOk();
    } else {
        loaded = picture->LoadFile(path, BitmapTypeOf(format)) && picture->IsOk();
    }
    if (!loaded) return still;
    still.picture = std::move(picture);
    still.partly = format == PictureFormat::Jpeg && JpegEndsEarly(bytes);
    return still;
}

void DecodeAhead::Work() {
    ThreadSignalStack stack;
    // A file that fails is named by the decoder at its turn, not here.
    wxLogNull quiet;
    while (std::optional<Job> job = NextJob()) (*job)();
}

DecodeAhead::DecodeAhead(const wxArrayString& upcoming, size_t workers, size_t depth)
    : m_maxWorkers(std::max<size_t>(workers, 1)), m_depth(std::max<size_t>(depth, 1)) {
    for (const wxString& path : upcoming) m_upcoming.emplace_back().path = path;
}

DecodeAhead::~DecodeAhead() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closing = true;
        m_jobs.clear();
    }
    m_wake.notify_all();
    for (std::thread& worker : m_workers) worker.join();
}

void DecodeAhead::Reach(const wxString& listed, long long room) {
    m_current.reset();
    const auto found = std::find_if(m_upcoming.begin(), m_upcoming.end(),
                                    [&](const Entry& entry) { return entry.path == listed; });
    if (found != m_upcoming.end()) {
        const size_t passed = found - m_upcoming.begin() + 1;
        for (size_t i = 0; i < passed; ++i) {
            Forget(m_upcoming.front());
            if (i + 1 == passed) m_current = std::move(m_upcoming.front());
            m_upcoming.pop_front();
        }
        m_looked -= std::min(m_looked, passed);
    }
    Begin(room);
}

void DecodeAhead::Begin(long long room) {
    const size_t far = std::min(m_upcoming.size(), m_depth * kLookFarPerPicture);
    for (; m_looked < far && m_ahead < m_depth; ++m_looked) {
        Entry& entry = m_upcoming[m_looked];
        if (!LookAt(entry)) continue;
        // Held pictures stay within the import's budget: this one waits for room.
        if (m_reserved + entry.pixels > room) return;
        if (!Queue(entry)) return;
    }
}

std::optional<StillPicture> DecodeAhead::Take(const wxString& path, PictureFormat format) {
    if (!m_current || !m_current->still.valid() || m_current->path != path || m_current->format != format)
        return std::nullopt;
    std::future<StillPicture> still = std::move(m_current->still);
    try {
        return still.get();
    } catch (const std::exception&) {
        return std::nullopt;  // its worker ran out of memory: decoded at its turn
    }
}

bool DecodeAhead::LookAt(Entry& entry) {
    if (entry.looked) return entry.format != PictureFormat::None;
    entry.looked = true;
    const wxString& path = entry.path;
    if (VideoFrameFromPath(path) || FrameIndexFromPath(path) >= 0) return false;
    if (!wxFileName::FileExists(path) || LooksLikeVideo(path)) return false;
    const PictureFormat format = PictureFormatOfFile(path);
    if (format == PictureFormat::None || format == PictureFormat::Gif) return false;
    const std::optional<wxSize> size = PictureSizeOfFile(path, format);
    if (!size) return false;
    const long long pixels = static_cast<long long>(size->x) * size->y;
    if (pixels > GifReader::kMaxFramePixels) return false;
    entry.format = format;
    entry.pixels = pixels;
    return true;
}

bool DecodeAhead::Queue(Entry& entry) {
    // One more worker while there is more to decode than workers.
    if (m_workers.size() < m_maxWorkers && m_workers.size() <= m_ahead) {
        m_workers.reserve(m_maxWorkers);
        try {
            m_workers.emplace_back([this] { Work(); });
        } catch (const std::system_error&) {
            m_maxWorkers = m_workers.size();  // no more threads to be had
        }
    }
    if (m_workers.empty()) return false;
    Job job([path = OwnCopy(entry.path), format = entry.format] { return ReadStillPicture(path, format); });
    std::future<StillPicture> still = job.get_future();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_one();
    entry.still = std::move(still);
    ++m_ahead;
    m_reserved += entry.pixels;
    return true;
}

void DecodeAhead::Forget(const Entry& entry) {
    if (!entry.still.valid()) return;
    --m_ahead;
    m_reserved -= entry.pixels;
}

std::optional<DecodeAhead::Job> DecodeAhead::NextJob() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_wake.wait(lock, [this] { return m_closing || !m_jobs.empty(); });
    if (m_closing) return std::nullopt;
    Job job = std::move(m_jobs.front());
    m_jobs.pop_front();
    return job;
}
