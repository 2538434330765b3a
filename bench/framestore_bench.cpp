// Measures the frame store. Run each case in a process of its own, since the
// peak memory (VmHWM) is the process's:
//
// framestore_bench codecs
//   ratio and speed of zstd and lz4 on flat, screen-like and photo-like
//   1920 x 1080 frames
// framestore_bench open --kind flat|photo --frames N [--decoded] [--export K]
//   opens N pictures of 1920 x 1080 as the import does (decoded from PNG
//   files in /tmp, 10 different ones listed over and over), then exports the
//   first K frames (default 30) and plays the preview at 10 ms delays.
//   --decoded keeps every frame decoded in memory, as the program did before
//   the store. Prints the time to open, peak memory, what the store holds in
//   memory and on disk, the export time and the preview's frame rate.
#include "document/document.h"
#include "framestore/framestore.h"
#include "framestore/pictureahead.h"
#include "gif/export.h"
#include "import/picturedecoder.h"
#include "import/storingqueue.h"
#include "jobs/worksaveasgifthread.h"
#include "support/peakmemory.h"
#include "support/synthetic_pictures.h"

#include <lz4.h>
#include <zstd.h>

#include <wx/filename.h>
#include <wx/init.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using lwtest::PictureKind;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

long PeakMegabytes() { return lwtest::PeakMemoryKiB() / 1024; }

void Codecs() {
    const struct { const char* name; PictureKind kind; } kinds[] = {
        {"flat", PictureKind::Flat}, {"screen", PictureKind::Screen}, {"photo", PictureKind::Photo}};
    std::printf("%-7s %-8s %8s %10s %10s\n", "frame", "codec", "ratio", "comp MB/s", "dec MB/s");
    for (const auto& k : kinds) {
        const wxImage picture = lwtest::SyntheticPicture(k.kind, 1920, 1080, 5);
        const size_t raw = size_t(1920) * 1080 * 3;
        const char* src = reinterpret_cast<const char*>(picture.GetData());
        std::vector<char> packed(std::max<size_t>(ZSTD_compressBound(raw), size_t(LZ4_compressBound(int(raw)))));
        std::vector<char> back(raw);
        for (int codec = 0; codec < 4; ++codec) {
            const char* names[] = {"lz4", "zstd-1", "zstd-3", "zstd-6"};
            const int levels[] = {0, 1, 3, 6};
            const int rounds = 5;
            size_t size = 0;
            auto start = Clock::now();
            for (int r = 0; r < rounds; ++r)
                size = codec == 0 ? size_t(LZ4_compress_default(src, packed.data(), int(raw), int(packed.size())))
                                  : ZSTD_compress(packed.data(), packed.size(), src, raw, levels[codec]);
            const double comp = Seconds(start) / rounds;
            start = Clock::now();
            for (int r = 0; r < rounds; ++r) {
                if (codec == 0) LZ4_decompress_safe(packed.data(), back.data(), int(size), int(raw));
                else ZSTD_decompress(back.data(), raw, packed.data(), size);
            }
            const double dec = Seconds(start) / rounds;
            const bool same = std::memcmp(back.data(), src, raw) == 0;
            std::printf("%-7s %-8s %8.1f %10.0f %10.0f%s\n", k.name, names[codec], double(raw) / size,
                        raw / comp / 1e6, raw / dec / 1e6, same ? "" : "  MISMATCH");
        }
    }
}

std::vector<wxString> WritePictures(PictureKind kind, const char* name) {
    std::vector<wxString> paths;
    const std::string folder = std::string("/tmp/framestore_bench_") + name;
    wxFileName::Mkdir(folder, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    for (unsigned i = 0; i < 10; ++i) {
        const wxString path = wxString::Format("%s/%u.png", folder, i);
        if (!wxFileExists(path)) {
            wxImage picture = lwtest::SyntheticPicture(kind, 1920, 1080, i + 1);
            picture.SetOption(wxIMAGE_OPTION_PNG_COMPRESSION_LEVEL, 1);
            picture.SaveFile(path, wxBITMAP_TYPE_PNG);
        }
        paths.push_back(path);
    }
    return paths;
}

// Frames as the program holds them: stored, or (before the store) decoded.
struct Opened {
    std::vector<FramePicture> stored;
    std::vector<std::shared_ptr<const wxImage>> decoded;
    size_t Count() const { return decoded.empty() ? stored.size() : decoded.size(); }
};

Opened Open(const std::vector<wxString>& files, int frames, bool keepDecoded) {
    Opened opened;
    // No import budget: how much memory the frames take is what is measured.
    PictureDecoder decoder(1LL << 40);
    StoringQueue storing;  // compressing each picture while the next is decoded, as the import thread does
    for (int i = 0; i < frames; ++i)
        decoder.Decode(files[size_t(i) % files.size()], [&](DecodedPicture&& picture) {
            if (keepDecoded) {
                opened.decoded.push_back(std::shared_ptr<const wxImage>(picture.picture.release()));
                return true;
            }
            const long long pixels = PixelCount(*picture.picture);
            storing.Add(std::move(picture.picture), [&, pixels](FramePicture stored) {
                opened.stored.push_back(std::move(stored));
                decoder.Release(pixels);
            });
            return true;
        });
    storing.Finish();
    return opened;
}

struct Written {
    size_t size = 0;
    unsigned long long fnv = 1469598103934665603ull;  // FNV-1a of the bytes
    long peakMegabytes = 0;  // the process's peak when the export ended
};

// Writes the first count frames as the export does; the file's size and hash,
// read in small pieces so that reading it does not raise the peak.
Written Export(const Opened& opened, int count, const std::string& path) {
    GifExportJob job;
    job.path = path;
    job.frameCount = count;
    job.canvasWidth = 1920;
    job.canvasHeight = 1080;
    job.delays = {10};
    job.parallelism = DefaultExportParallelism();
    GifExportStatus status;
    if (opened.decoded.empty()) {
        ExportFrameFeed feed(nullptr, std::vector<FramePicture>(opened.stored.begin(), opened.stored.begin() + count),
                             2 * job.parallelism);
        status = WriteGifAnimation(job, [&](int i) { return feed.Take(i, nullptr); },
                                   [&](int i) { feed.FrameWritten(i); return true; });
    } else {
        // As before: a copy of each decoded picture for the export thread.
        status = WriteGifAnimation(
            job, [&](int i) { return std::make_unique<wxImage>(opened.decoded[size_t(i)]->Copy()); },
            [](int) { return true; });
    }
    if (status != GifExportStatus::Written) std::printf("export failed\n");
    Written written;
    written.peakMegabytes = PeakMegabytes();
    std::ifstream in(path, std::ios::binary);
    char piece[1 << 16];
    while (in.read(piece, sizeof piece) || in.gcount() > 0) {
        for (std::streamsize i = 0; i < in.gcount(); ++i)
            written.fnv = (written.fnv ^ static_cast<unsigned char>(piece[i])) * 1099511628211ull;
        written.size += size_t(in.gcount());
    }
    return written;
}

// Frames shown per second with a tick every 10 ms, each scaled to a preview
// panel of 960 x 540 (the conversion to a bitmap needs a display and is left out).
double PreviewRate(const Opened& opened, int ticks) {
    const wxSize panel(960, 540);
    PictureAhead ahead;
    const auto start = Clock::now();
    auto due = start;
    for (int t = 0; t < ticks; ++t) {
        const size_t i = size_t(t) % opened.Count();
        wxImage shown;
        if (opened.decoded.empty()) {
            shown = ahead.Get(opened.stored[i], panel);
            for (size_t next = 1; next <= PictureAhead::kDepth; ++next)
                ahead.Prepare(opened.stored[(i + next) % opened.Count()], panel);
        } else {
            shown = opened.decoded[i]->Scale(panel.x, panel.y, wxIMAGE_QUALITY_NORMAL);
        }
        due += std::chrono::milliseconds(10);
        std::this_thread::sleep_until(due);  // the next tick is due 10 ms after this one was
        if (Clock::now() > due) due = Clock::now();
    }
    return ticks / Seconds(start);
}

int OpenCase(int argc, char** argv) {
    std::string kind = "photo";
    int frames = 300, exported = 30;
    bool decoded = false;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--kind" && i + 1 < argc) kind = argv[++i];
        else if (arg == "--frames" && i + 1 < argc) frames = std::atoi(argv[++i]);
        else if (arg == "--export" && i + 1 < argc) exported = std::atoi(argv[++i]);
        else if (arg == "--decoded") decoded = true;
    }
    const auto files = WritePictures(kind == "flat" ? PictureKind::Flat : PictureKind::Photo, kind.c_str());
    const long before = PeakMegabytes();
    auto start = Clock::now();
    const Opened opened = Open(files, frames, decoded);
    const double openTime = Seconds(start);
    const long openPeak = PeakMegabytes();
    const auto& store = *FrameStore::Shared();
    std::printf("%s %s x%d: open %.1f s, peak %ld MB (%ld MB before opening); store: %zu MB in memory "
                "(budget %zu MB), %zu MB spilled\n",
                decoded ? "decoded" : "stored", kind.c_str(), frames, openTime, openPeak, before,
                store.MemoryBytes() >> 20, store.Budget() >> 20, store.SpilledBytes() >> 20);
    exported = std::min<int>(exported, int(opened.Count()));
    start = Clock::now();
    const std::string path = "/tmp/framestore_bench_" + kind + (decoded ? "_decoded.gif" : "_stored.gif");
    const Written gif = Export(opened, exported, path);
    const double exportTime = Seconds(start);
    std::remove(path.c_str());
    std::printf("  export of %d frames %.1f s (%zu bytes, fnv %016llx), peak now %ld MB\n", exported,
                exportTime, gif.size, gif.fnv, gif.peakMegabytes);
    std::printf("  preview at 10 ms delays: %.1f frames/s (100 due)\n", PreviewRate(opened, 300));
    if (!opened.stored.empty()) {
        // What the preview's worker does for each frame, the last (spilled) frames first.
        const size_t count = std::min<size_t>(30, opened.stored.size());
        start = Clock::now();
        for (size_t i = 0; i < count; ++i) PictureAtSize(*opened.stored[opened.stored.size() - 1 - i], wxSize(960, 540));
        std::printf("  one preview frame made from the store: %.1f ms\n", 1000 * Seconds(start) / count);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    wxInitializer toolkit;
    wxInitAllImageHandlers();
    if (argc > 1 && std::string(argv[1]) == "codecs") {
        Codecs();
        return 0;
    }
    if (argc > 1 && std::string(argv[1]) == "open") return OpenCase(argc, argv);
    std::fprintf(stderr, "usage: framestore_bench codecs | open --kind flat|photo --frames N [--decoded] [--export K]\n");
    return 2;
}
