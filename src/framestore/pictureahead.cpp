#include "framestore/pictureahead.h"

#include "base/signalstack.h"

#include <algorithm>


PictureRecipe ScaledRecipe(const wxSize& size) {
    return PictureRecipe{"scaled " + std::to_string(size.x) + "x" + std::to_string(size.y),
                         [size](const wxImage& decoded) {
                             if (!decoded.IsOk() || size == decoded.GetSize() || size.x <= 0 || size.y <= 0)
                                 return decoded;
                             return decoded.Scale(size.x, size.y, wxIMAGE_QUALITY_NORMAL);
                         }};
}

namespace {

wxImage MadeBy(const StoredPicture& picture, const PictureRecipe& recipe) {
    const wxImage decoded = picture.Decode();
    return decoded.IsOk() ? recipe.make(decoded) : decoded;
}

}  // namespace

PictureAhead::PictureAhead() {
    for (size_t i = 0; i < kDepth; ++i) m_workers.emplace_back(WithSignalStack([this] { Run(); }));
}

PictureAhead::~PictureAhead() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_quit = true;
    }
    m_changed.notify_all();
    for (std::thread& worker : m_workers) worker.join();
}

bool PictureAhead::IsWorking(const Request& request) const {
    return std::find(m_working.begin(), m_working.end(), request) != m_working.end();
}

void PictureAhead::Trim() {
    while (m_made.size() + m_working.size() + m_asked.size() > kDepth) {
        if (!m_made.empty()) m_made.pop_front();
        else if (!m_asked.empty()) m_asked.pop_front();
        else break;  // those under way finish and are dropped then
    }
}

void PictureAhead::Prepare(const FramePicture& picture, const PictureRecipe& recipe) {
    if (!picture) return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const Request request{picture, recipe};
        const bool made = std::any_of(m_made.begin(), m_made.end(),
                                      [&](const Made& m) { return m.request == request; });
        if (made || IsWorking(request) || std::find(m_asked.begin(), m_asked.end(), request) != m_asked.end())
            return;
        m_asked.push_back(request);
        Trim();
    }
    m_changed.notify_all();
}

wxImage PictureAhead::Get(const FramePicture& picture, const PictureRecipe& recipe) {
    if (!picture) return wxImage();
    const Request request{picture, recipe};
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        // Made here sooner than there.
        m_asked.erase(std::remove(m_asked.begin(), m_asked.end(), request), m_asked.end());
        m_changed.wait(lock, [&] { return !IsWorking(request); });
        const auto found = std::find_if(m_made.begin(), m_made.end(),
                                        [&](const Made& m) { return m.request == request; });
        if (found != m_made.end()) {
            // Handed over whole: the workers keep nothing of it.
            std::unique_ptr<wxImage> made = std::move(found->image);
            m_made.erase(found);
            return *made;
        }
    }
    return MadeBy(*picture, recipe);
}

void PictureAhead::Run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_quit || !m_asked.empty(); });
        if (m_quit) return;
        const Request request = m_asked.front();
        m_asked.pop_front();
        m_working.push_back(request);
        lock.unlock();
        auto made = std::make_unique<wxImage>(MadeBy(*request.picture, request.recipe));
        lock.lock();
        m_working.erase(std::find(m_working.begin(), m_working.end(), request));
        m_made.push_back(Made{request, std::move(made)});
        Trim();
        m_changed.notify_all();
    }
}

wxImage PictureAtSize(const StoredPicture& picture, const wxSize& size) { return MadeBy(picture, ScaledRecipe(size)); }
