// Decodes and scales the picture a view will show next on a worker thread, so
// that showing it later costs only the conversion to a bitmap. Owned by the
// view; what it made for a view that is gone is dropped with it.
#pragma once

#include "framestore/framestore.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

class PictureAhead {
public:
    PictureAhead();
    ~PictureAhead();  // waits for the picture under way, if any
    PictureAhead(const PictureAhead&) = delete;
    PictureAhead& operator=(const PictureAhead&) = delete;

    // Starts making picture at size (scaled when it differs), in place of
    // whatever was asked for before.
    void Prepare(const FramePicture& picture, const wxSize& size);
    // Main thread: picture at size, the prepared one when it is that one
    // (waiting for it when it is under way), else made here.
    wxImage Get(const FramePicture& picture, const wxSize& size);

private:
    struct Request {
        FramePicture picture;
        wxSize size;
        bool operator==(const Request& other) const {
            return picture == other.picture && size == other.size;
        }
    };
    void Run();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    Request m_asked;     // next for the worker; empty picture when none
    Request m_working;   // under way on the worker
    Request m_madeFor;   // what m_made is
    std::unique_ptr<wxImage> m_made;
    bool m_quit = false;
    std::thread m_worker;
};

// picture at size: decoded, and scaled when size differs from its own.
wxImage PictureAtSize(const StoredPicture& picture, const wxSize& size);
