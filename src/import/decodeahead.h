// Still pictures decoded on worker threads before their turn. An import lists
// its paths up front; decoded one after another on its own thread, they left
// the other cores idle while the frames waited. Only plain picture files go
// ahead (PNG, JPEG, BMP, still WebP): a GIF, a video or a frame reference
// keeps state in the decoder and is read at its turn. Each worker's picture
// is handed over whole, never shared, and the workers touch no window.
#pragma once

#include "import/pictureformat.h"

#include <wx/arrstr.h>
#include <wx/image.h>

#include <condition_variable>
#include <deque>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

// A still picture file decoded whole.
struct StillPicture {
    std::unique_ptr<wxImage> picture;  // null when its bytes could not be decoded
    bool partly = false;               // a JPEG cut short: the toolkit filled the rest in grey
};

// Decodes a PNG, JPEG, BMP or still WebP file; throws std::bad_alloc when
// memory runs out.
StillPicture ReadStillPicture(const wxString& path, PictureFormat format);

class DecodeAhead {
public:
    // upcoming: the paths the decoder will be given, in order. At most depth
    // pictures are decoded or held ahead at once, on up to `workers` threads.
    DecodeAhead(const wxArrayString& upcoming, size_t workers, size_t depth);
    // Drops the pictures not yet begun and waits for those being decoded.
    ~DecodeAhead();
    DecodeAhead(const DecodeAhead&) = delete;
    DecodeAhead& operator=(const DecodeAhead&) = delete;

    // listed's turn: the paths expected before it are let go; then begins the
    // next pictures whose announced pixels fit in room (beside those ahead).
    void Reach(const wxString& listed, long long room);
    // Begins the next pictures that fit in room.
    void Begin(long long room);
    // The picture of the path whose turn it is, when it went ahead as format;
    // else nothing (also when its worker ran out of memory).
    std::optional<StillPicture> Take(const wxString& path, PictureFormat format);

private:
    struct Entry {
        wxString path;
        bool looked = false;                         // whether it was told apart yet
        PictureFormat format = PictureFormat::None;  // None: not a still picture file
        long long pixels = 0;                        // what its header announces
        std::future<StillPicture> still;             // valid once it went ahead
    };
    using Job = std::packaged_task<StillPicture()>;

    // Whether the entry is a still picture file that may go ahead.
    static bool LookAt(Entry& entry);
    bool Queue(Entry& entry);
    void Forget(const Entry& entry);
    // A worker thread's life.
    void Work();
    // For the workers: the next job, or nothing once closing.
    std::optional<Job> NextJob();

    std::deque<Entry> m_upcoming;    // the paths not reached yet, in order
    std::optional<Entry> m_current;  // the path whose turn it is
    size_t m_looked = 0;             // entries at m_upcoming's front already considered
    size_t m_ahead = 0;              // entries in m_upcoming that went ahead
    long long m_reserved = 0;        // their announced pixels
    size_t m_maxWorkers;
    size_t m_depth;
    std::vector<std::thread> m_workers;

    std::mutex m_mutex;  // guards what follows, shared with the workers
    std::condition_variable m_wake;
    std::deque<Job> m_jobs;
    bool m_closing = false;
};
