// Decodes and scales the picture a view will show next on a worker thread, so
// that showing it later costs only the conversion to a bitmap. Owned by the
// view; what it made for a view that is gone is dropped with it.
#pragma once

#include "framestore/framestore.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <string>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// How a view makes what it shows from a decoded picture: requests for one
// picture with the same key make the same image. make runs on a worker.
struct PictureRecipe {
    std::string key;
    std::function<wxImage(const wxImage& decoded)> make;
};

// The picture scaled to size (kept when it is that size already).
PictureRecipe ScaledRecipe(const wxSize& size);

class PictureAhead {
public:
    // Pictures made or being made at once, one worker each: a 1920 x 1080
    // frame from the spill file takes about 10 ms, so two keep up with
    // 10 ms delays where one could not.
    static constexpr size_t kDepth = 2;

    PictureAhead();
    ~PictureAhead();  // waits for the pictures under way
    PictureAhead(const PictureAhead&) = delete;
    PictureAhead& operator=(const PictureAhead&) = delete;

    // Starts making picture at size (scaled when it differs). Of the pictures
    // asked for and not yet taken, the kDepth newest are kept.
    void Prepare(const FramePicture& picture, const wxSize& size) { Prepare(picture, ScaledRecipe(size)); }
    // Main thread: picture at size, the prepared one when it is that one
    // (waiting for it when it is under way), else made here.
    wxImage Get(const FramePicture& picture, const wxSize& size) { return Get(picture, ScaledRecipe(size)); }
    // The same for any recipe.
    void Prepare(const FramePicture& picture, const PictureRecipe& recipe);
    wxImage Get(const FramePicture& picture, const PictureRecipe& recipe);

private:
    struct Request {
        FramePicture picture;
        PictureRecipe recipe;
        bool operator==(const Request& other) const {
            return picture == other.picture && recipe.key == other.recipe.key;
        }
    };
    struct Made {
        Request request;
        std::unique_ptr<wxImage> image;
    };
    void Run();
    bool IsWorking(const Request& request) const;
    // Drops the oldest requests past kDepth, made ones first.
    void Trim();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Request> m_asked;     // for the workers, oldest first
    std::vector<Request> m_working;  // under way
    std::deque<Made> m_made;         // oldest first
    bool m_quit = false;
    std::vector<std::thread> m_workers;
};

// picture at size: decoded, and scaled when size differs from its own.
wxImage PictureAtSize(const StoredPicture& picture, const wxSize& size);
