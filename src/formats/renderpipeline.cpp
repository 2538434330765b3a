#include "formats/renderpipeline.h"

#include "gif/colour_index.h"
#include "gif/render.h"

#include <memory>
#include <new>

namespace {

// The drawn canvas in bytes; holes become pixels of alpha 0.
DrawnFrame ToBytes(const RenderedFrame& rendered, bool transparent) {
    DrawnFrame frame;
    frame.width = rendered.canvas.GetWidth();
    frame.height = rendered.canvas.GetHeight();
    frame.channels = transparent ? 4 : 3;
    const std::size_t count = std::size_t(frame.width) * std::size_t(frame.height);
    const unsigned char* rgb = rendered.canvas.GetData();
    frame.fewColours = DistinctColours(rgb, count, 256).size() <= 256;
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
        rgba[3] = rendered.holes[i] ? 0 : 255;
    }
    return frame;
}

// Runs on a worker: the picture and every image drawn from it belong to this
// task alone, since the toolkit's images share their pixels with an unguarded
// reference count.
DrawnFrame Draw(std::unique_ptr<wxImage> picture, const FrameDrawing& drawing, bool transparent) {
    try {
        RenderedFrame rendered;
        if (transparent) rendered = DrawFrameWithHoles(*picture, drawing);
        else rendered.canvas = DrawFrame(*picture, drawing);
        picture.reset();
        if (!rendered.canvas.IsOk() || rendered.canvas.GetSize() != drawing.canvas) return DrawnFrame();
        return ToBytes(rendered, transparent);
    } catch (const std::bad_alloc&) {
        // A canvas too large for the memory fails like a bad frame.
        return DrawnFrame();
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
