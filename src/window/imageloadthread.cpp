#include "window/imageloadthread.h"

#include "window/framepath.h"
#include "window/workerevents.h"

#include "window/gifreader.h"

#include <wx/filename.h>
#include <wx/image.h>

#include <iostream>
#include <new>

void ImportSink::Post(wxCommandEvent* event) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_target) {
        wxQueueEvent(m_target, event);
        return;
    }
    delete static_cast<wxImage*>(event->GetClientData());
    delete event;
}

void ImportSink::Close() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_target = nullptr;
}

bool ImportSink::IsClosed() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_target == nullptr;
}

ImageLoadThread::ImageLoadThread(wxEvtHandler* owner, const wxArrayString& paths)
    : ImageLoadThread(std::make_shared<ImportSink>(owner), paths) {}

ImageLoadThread::ImageLoadThread(std::shared_ptr<ImportSink> sink, const wxArrayString& paths)
    : wxThread(wxTHREAD_DETACHED), m_sink(std::move(sink)) {
    // Deep copies: no string storage is shared with the main thread.
    for (const wxString& path : paths) m_paths.Add(wxString::FromUTF8(path.utf8_str()));
}

int ImageLoadThread::Progress(size_t done) const {
    return static_cast<int>(done * 100 / m_paths.size());
}

void ImageLoadThread::Post(int progress, int frameIndex, const wxString& path,
                           std::unique_ptr<wxImage> image) {
    auto* event = new wxCommandEvent(wxEVT_COMMAND_WORKER_PROGRESS, ID_IMAGE_LOAD_THREAD);
    event->SetInt(progress);
    event->SetExtraLong(frameIndex);
    event->SetString(wxString::FromUTF8(path.utf8_str()));
    // From here the event carries the picture to the window.
    event->SetClientData(image.release());
    if (progress == 100) m_finished = true;
    m_sink->Post(event);
}

wxThread::ExitCode ImageLoadThread::Entry() {
    const size_t n = m_paths.size();
    if (n == 0) return nullptr;
    std::cout << "thread:" << std::endl;
    try {
        LoadAll();
    } catch (const std::bad_alloc&) {
        // Out of memory: what arrived stays; the load still ends below.
    }
    // The load always ends: the main window closes its progress dialog on 100.
    if (!m_finished) Post(100, 0, wxString(), nullptr);
    return nullptr;
}

void ImageLoadThread::LoadAll() {
    const size_t n = m_paths.size();
    for (size_t i = 0; i < n; ++i) {
        if (TestDestroy() || m_sink->IsClosed()) break;
        const int frameIndex = FrameIndexFromPath(m_paths[i]);
        const wxString path = StripFrameSuffix(m_paths[i]);
        if (!wxFileName::FileExists(path)) continue;
        if (path.EndsWith(".gif")) {
            if (!LoadGif(i, frameIndex, path)) break;
        } else {
            LoadPicture(i, path);
        }
    }
}

bool ImageLoadThread::LoadGif(size_t i, int frameIndex, const wxString& path) {
    // A project lists a long GIF frame by frame: read it once for all of them.
    if (!m_gifLoaded || m_gif.GetPath() != path) {
        m_gif.Load(path);
        m_gifLoaded = true;
    }
    const GifReader& decoder = m_gif;
    const int frames = decoder.GetFrameCount();
    const bool last = i + 1 == m_paths.size();
    auto convert = [&](int k, int progress) {
        if (auto image = decoder.TakeFrame(k)) Post(progress, k, path, std::move(image));
    };
    if (frameIndex == -1) {
        for (int k = 0; k < frames; ++k) {
            if (TestDestroy() || m_sink->IsClosed()) return false;
            const bool lastPicture = last && k == frames - 1;
            convert(k, Progress(i + (lastPicture ? 1 : 0)));
        }
    } else if (frameIndex < frames) {
        convert(frameIndex, Progress(i + 1));
    }
    return true;
}

void ImageLoadThread::LoadPicture(size_t i, const wxString& path) {
    if (auto image = ::LoadPicture(path)) Post(Progress(i + 1), 0, path, std::move(image));
}
