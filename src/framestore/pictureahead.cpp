#include "framestore/pictureahead.h"

wxImage PictureAtSize(const StoredPicture& picture, const wxSize& size) {
    wxImage decoded = picture.Decode();
    if (!decoded.IsOk() || size == decoded.GetSize() || size.x <= 0 || size.y <= 0) return decoded;
    return decoded.Scale(size.x, size.y, wxIMAGE_QUALITY_NORMAL);
}

PictureAhead::PictureAhead() : m_worker([this] { Run(); }) {}

PictureAhead::~PictureAhead() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_quit = true;
    }
    m_changed.notify_all();
    m_worker.join();
}

void PictureAhead::Prepare(const FramePicture& picture, const wxSize& size) {
    if (!picture) return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const Request request{picture, size};
        if (m_working == request || (m_made && m_madeFor == request)) return;
        m_asked = request;
    }
    m_changed.notify_all();
}

wxImage PictureAhead::Get(const FramePicture& picture, const wxSize& size) {
    if (!picture) return wxImage();
    const Request request{picture, size};
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_asked == request) m_asked = Request();  // made here sooner than there
        m_changed.wait(lock, [&] { return !(m_working == request); });
        if (m_made && m_madeFor == request) {
            // Handed over whole: the worker keeps nothing of it.
            std::unique_ptr<wxImage> made = std::move(m_made);
            m_madeFor = Request();
            return *made;
        }
    }
    return PictureAtSize(*picture, size);
}

void PictureAhead::Run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_quit || m_asked.picture; });
        if (m_quit) return;
        m_working = m_asked;
        m_asked = Request();
        lock.unlock();
        auto made = std::make_unique<wxImage>(PictureAtSize(*m_working.picture, m_working.size));
        lock.lock();
        m_made = std::move(made);
        m_madeFor = m_working;
        m_working = Request();
        m_changed.notify_all();
    }
}
