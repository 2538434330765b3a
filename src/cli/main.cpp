// Entry point of loopwright-cli: makes a GIF from pictures or a project
// without a window. A console application: the toolkit's GUI is never
// initialised, so no display is needed.
#include "base/filenames.h"
#include "base/folders.h"
#include "cli/clidocument.h"
#include "cli/cliexport.h"
#include "cli/cliline.h"
#include "files/savefolders.h"
#include "framestore/framestore.h"
#include "framestore/storenotices.h"

#include <wx/image.h>
#include <wx/init.h>
#include <wx/log.h>

#include <iostream>
#include <string>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

// A run decodes, renders and quantises frame after frame in buffers of a
// few megabytes. By default glibc maps each such buffer afresh and gives
// freed memory back at once, so every frame pays for zeroed new pages (a
// tenth of the screen-like corpus's export); keeping it for the next frame
// costs nothing in a process that ends when the file is written.
void KeepFreedMemoryForReuse() {
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 128 << 20);
#endif
}

// Messages for scripts and logs are in English.
std::string StoreNoticeLine(const StoreNotice& notice) {
    switch (notice.problem) {
        case StoreProblem::CacheUnusable:
            return "the cache folder cannot be used (" + notice.detail + "): frames stay in memory";
        case StoreProblem::MemorySettingIgnored:
            return "LOOPWRIGHT_FRAME_MEMORY=\"" + notice.detail + "\" is not a size: the default is used";
    }
    return std::string();
}

}  // namespace

int main(int argc, char** argv) {
    KeepFreedMemoryForReuse();
    wxDisableAsserts();
    UseByteExactFileNames();
    const CliOptions options = ReadCliLine(argc, argv);
    if (options.exitCode >= 0) return options.exitCode;
    wxInitializer toolkit;
    if (!toolkit.IsOk()) {
        std::cerr << "loopwright-cli: the toolkit could not be initialised" << std::endl;
        return kCliWriteFailure;
    }
    wxLog::SetLogLevel(wxLOG_Warning);
    KeepSaveFolderList(GetSaveFolderListPath());
    SweepSaveFolders();
    wxInitAllImageHandlers();
    // Each picture is stored once and read back once or twice: half the
    // budget uncompressed spares the run zstd (a tenth of the screen-like
    // corpus's export), the other half still holds compressed frames.
    FrameStore::Shared()->KeepPlainWithin(FrameStore::Shared()->Budget() / 2);
    if (!options.quiet)
        SetStoreNoticeHandler([](const StoreNotice& notice) {
            std::cerr << "loopwright-cli: " << StoreNoticeLine(notice) << std::endl;
        });

    CliDocument input;
    if (options.project)
        BuildProjectDocument(options, input);
    else
        BuildPictureDocument(options, input);
    if (!options.quiet)
        for (const wxString& warning : input.warnings)
            std::cerr << "loopwright-cli: " << SystemBytes(warning) << "\n";
    if (!input.problem.empty()) {
        std::cerr << "loopwright-cli: " << SystemBytes(input.problem) << std::endl;
        return input.usage ? kCliUsage : kCliInputProblem;
    }
    if (options.estimate) return EstimateCliDocument(input.document);
    return ExportCliDocument(input.document, options.quiet);
}
