#include "formats/renderpipeline.h"

#include "gif/export.h"

#include <memory>
#include <new>

namespace {

// The drawn canvas in bytes; holes become pixels of alpha 0.
DrawnFrame ToBytes(const RenderedForExport& rendered, bool transparent) {
    DrawnFrame frame;
    frame.width = rendered.frame.canvas.GetWidth();
    frame.height = rendered.frame.canvas.GetHeight();
    frame.channels = transparent ? 4 : 3;
    frame.fewColours = rendered.exact;
    const std::size_t count = std::size_t(frame.width) * std::size_t(frame.height);
    const unsigned char* rgb = rendered.frame.canvas.GetData();
    if (!transparent) {
        frame.pixels.assign(rgb, rgb + count * 3);
        return frame;
    }
    frame.pixels.resize(count * 4);
    unsigned char* rgba = frame.pixels.data();
    for (std::size_t i = 0; i < count; ++i, rgb += 3, rgba += 4) {
        rgba[0] = rgb[0];
        rgba[1] = rgb[1];
        rgba[2] = rgb[2];
        rgba[3] = rendered.frame.holes[i] ? 0 : 255;
    }
    return frame;
}

// Runs on a worker, drawn as the GIF export draws its frames.
DrawnFrame Draw(std::unique_ptr<wxImage> picture, const FrameDrawing& drawing, bool transparent) {
    const RenderedForExport rendered = RenderForExport(std::move(picture), drawing, transparent);
    if (!rendered.frame.canvas.IsOk() || rendered.frame.canvas.GetSize() != drawing.canvas) return DrawnFrame();
    try {
        return ToBytes(rendered, transparent);
    } catch (const std::bad_alloc&) {
        return DrawnFrame();  // fails like a bad frame
    }
}

}  // namespace

std::optional<DrawnFrame> RenderPipeline::Next() {
    while (m_asked < m_job.frameCount && !m_drawing.Full()) {
        std::unique_ptr<wxImage> picture = m_source(m_asked);
        if (!picture) return std::nullopt;
        m_drawing.Start(Draw, std::move(picture), GifFrameDrawing(m_job, m_asked), m_job.transparent);
        ++m_asked;
    }
    return m_drawing.Next();
}
