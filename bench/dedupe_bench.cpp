// Remove Duplicates' search as the window runs it: 1,000 frames of 1280 x 720
// in the frame store (a screen recording: runs of equal frames, some frames
// differing by a few pixels), compared as drawn on the canvas, exactly and
// "nearly" (0.5 %). Prints the seconds and what it found.
//
//   dedupe_bench [--frames N]
#include "document/duplicates.h"
#include "support/synthetic_pictures.h"

#include <wx/init.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    wxInitializer init;
    if (!init.IsOk()) return 2;
    int count = 1000;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc) count = std::max(2, std::atoi(argv[++i]));
    // A new screen every 8 frames, its last four with a cursor moved by a few
    // pixels: exactly, 6 of every 8 frames repeat; "nearly", 7 of 8.
    std::vector<DocumentFrame> frames;
    FramePicture screen, moved;
    for (int i = 0; i < count; ++i) {
        if (i % 8 == 0) {
            wxImage picture = lwtest::SyntheticPicture(lwtest::PictureKind::Screen, 1280, 720, unsigned(i / 8));
            screen = StorePicture(picture);
            picture.SetRGB(wxRect(600 + i % 50, 300, 12, 18), 255, 255, 255);
            moved = StorePicture(picture);
        }
        frames.push_back(DocumentFrame{i % 8 >= 4 ? moved : screen, wxString::Format("f%d.png", i), 10, {}, {}});
    }
    Document document;
    document.InsertFrames(0, std::move(frames));
    std::vector<size_t> all(document.FrameCount());
    for (size_t i = 0; i < all.size(); ++i) all[i] = i;
    std::printf("%d frames of 1280 x 720\n", count);
    for (double percent : {0.0, 0.5}) {
        const auto start = std::chrono::steady_clock::now();
        const auto found = FindDuplicates(FramesToCompare(document, all), percent, nullptr);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("  %-9s %6.2f s  %zu duplicates\n", percent == 0 ? "exact" : "0.5 %", seconds,
                    found ? found->size() : 0);
    }
    return 0;
}
