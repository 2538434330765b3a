// The GIF reader on any bytes, every frame it keeps drawn as the preview and
// the export draw it, and the same frames streamed as the import reads them.
// The reader reads from a path, so each input is written to one file in a
// folder of this process's own.
#include "fuzz_support.h"

#include "gif/reader.h"
#include "gif/render.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

// Some 65,000 composed pixels keep each run short; larger screens are
// refused as over the budget, as the import refuses them past its own.
constexpr long long kPixelBudget = 1LL << 16;

// Draws the frame as the preview does (on a canvas whose size the GIF's own
// screen chooses, turned and cropped as the frame's number chooses) and as
// the export with a transparent background does.
void Render(const wxImage& picture, int frame, const wxSize& screen) {
    using lwfuzz::Check;
    const wxSize canvas(screen.x % 61 + 1, screen.y % 47 + 1);
    FrameDrawing drawing;
    drawing.plane = screen;
    drawing.turn.quarterTurns = frame % 4;
    drawing.turn.mirrored = frame / 4 % 2 != 0;
    if (frame % 2 != 0)
        drawing.crop = wxRect(screen.x / 4, screen.y / 4, std::max(1, screen.x / 2), std::max(1, screen.y / 2));
    drawing.canvas = canvas;
    const wxImage drawn = DrawFrame(picture, drawing);
    Check(drawn.IsOk() && drawn.GetSize() == canvas && !drawn.HasAlpha(), "a drawn frame fills the canvas");
    const RenderedFrame holed = RenderFrameWithHoles(picture, canvas.x, canvas.y);
    Check(holed.canvas.IsOk() && holed.canvas.GetSize() == canvas, "a frame with holes fills the canvas");
    Check(holed.holes.size() == static_cast<size_t>(canvas.x) * canvas.y, "one hole mark per pixel");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    lwfuzz::Initialise();
    lwfuzz::MakeInputFile("loopwright-fuzz-gif", "input.gif");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using lwfuzz::Check;
    lwfuzz::WriteInputFile(data, size);
    GifReader reader(kPixelBudget);
    const bool loaded = reader.Load(lwfuzz::InputPath());
    const int frames = reader.GetFrameCount();
    Check(loaded == (frames > 0), "Load gives true exactly when it read a frame");
    Check(reader.GetOutcome() != GifReader::Outcome::NotGif || frames == 0, "no frames from what is no GIF");
    const wxSize screen = reader.GetScreenSize();
    for (int i = 0; i < frames; ++i) {
        Check(reader.GetDelay(i) >= 0, "a frame read has a delay");
        const std::unique_ptr<wxImage> picture = reader.TakeFrame(i);
        Check(picture && picture->GetSize() == screen && picture->HasAlpha(),
              "a frame is a picture of the screen's size with alpha");
        wxImage copy;
        Check(reader.ConvertToImage(i, &copy) && copy.GetSize() == screen, "a frame converts");
        Render(*picture, i, screen);
    }
    Check(reader.GetDelay(frames) == -1 && !reader.TakeFrame(frames), "no frame past the last");

    // The import streams a GIF's frames instead: the same pictures, and no
    // fewer, as only the frame in hand counts against the budget.
    GifReader streaming;
    int streamed = 0;
    streaming.Stream(lwfuzz::InputPath(), kPixelBudget, [&](std::unique_ptr<wxImage> picture, int delay) {
        Check(picture && picture->GetSize() == screen && picture->HasAlpha(), "a streamed frame is like a kept one");
        if (streamed < frames) {
            const std::unique_ptr<wxImage> kept = reader.TakeFrame(streamed);
            const size_t pixels = static_cast<size_t>(screen.x) * screen.y;
            Check(delay == reader.GetDelay(streamed) &&
                      std::memcmp(picture->GetData(), kept->GetData(), 3 * pixels) == 0 &&
                      std::memcmp(picture->GetAlpha(), kept->GetAlpha(), pixels) == 0,
                  "a streamed frame is the frame kept");
        }
        ++streamed;
        return true;
    });
    Check(streamed >= frames && streaming.GetFrameCount() == streamed, "streaming gives every frame kept");
    return 0;
}
