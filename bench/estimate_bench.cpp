// The status bar's size estimate as the window computes it: 300 frames of
// 1920 x 1080 in the frame store, estimated on two cores (what the window
// allows it), timed, against the size the whole export writes.
//
// estimate_bench [--frames N]
#include "bench_support.h"
#include "document/sizesearch.h"
#include "framestore/framestore.h"

#include <wx/filename.h>
#include <wx/init.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;
using namespace benchsupport;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// The screen-like frames are 1280 x 720: scaled onto a 1920 x 1080 canvas as
// the window would draw them.
Document Stored(const std::function<wxImage(int)>& picture, int frames) {
    static const std::shared_ptr<FrameStore> store =
        FrameStore::Create(size_t(4) << 30, wxFileName::GetTempDir().ToStdString());
    std::vector<DocumentFrame> list;
    for (int i = 0; i < frames; ++i) {
        DocumentFrame frame;
        frame.picture = store->Store(picture(i));
        frame.delay = 10;
        list.push_back(frame);
    }
    Document document;
    document.InsertFrames(0, std::move(list));
    document.SetCanvas(wxSize(1920, 1080), document.ReferenceSize());
    return document;
}

void Measure(const char* name, const Document& document) {
    const auto start = Clock::now();
    const long long estimate = EstimateGifBytes(document, 2, EstimatePairsFor(document.CanvasSize()), nullptr);
    const double estimateSeconds = Seconds(start);
    const auto whole = Clock::now();
    const SizeFit written = FitGifToSize(document, 1LL << 50, 2, nullptr, nullptr);
    const double wholeSeconds = Seconds(whole);
    const double real = double(written.bytes.size());
    std::printf("%-7s %4zu frames  estimate %10lld bytes in %5.2f s   written %10.0f bytes in %6.2f s   error %+5.1f %%\n",
                name, document.FrameCount(), estimate, estimateSeconds, real, wholeSeconds,
                100.0 * (double(estimate) - real) / real);
}

}  // namespace

int main(int argc, char** argv) {
    wxInitializer toolkit;
    int frames = 300;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--frames") == 0) frames = std::atoi(argv[i + 1]);
    Measure("photo", Stored([](int i) { return Photo(1920, 1080, i); }, frames));
    Measure("screen", Stored([](int i) { return Screen(i); }, frames));
    Measure("flat", Stored([](int i) { return Flat(1920, 1080, i); }, frames));
    return 0;
}
