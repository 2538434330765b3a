#include "gif/animationfile.h"

#include "files/replacingfile.h"

#include <wx/log.h>
#include <wx/wfstream.h>

#include <new>
#include <system_error>

namespace {

GifExportStatus RefusalStatus(ReplacingFile::Refusal refusal) {
    switch (refusal) {
        case ReplacingFile::Refusal::Folder: return GifExportStatus::IsAFolder;
        case ReplacingFile::Refusal::LinkLoop: return GifExportStatus::LinkLoop;
        default: return GifExportStatus::NotAFile;
    }
}

GifExportStatus CommitStatus(ReplacingFile::Result result) {
    switch (result) {
        case ReplacingFile::Result::Replaced: return GifExportStatus::Written;
        case ReplacingFile::Result::CannotReplace: return GifExportStatus::CannotReplace;
        default: return GifExportStatus::CannotWrite;
    }
}

}  // namespace

GifExportStatus WriteAnimationFile(const GifExportJob& job, const AnimationBytesWriter& write) {
    if (job.frameCount <= 0) return GifExportStatus::NothingToWrite;
    // Failures come back as the result; the toolkit's own messages would only
    // repeat them (and from a worker thread would pop up later).
    wxLogNull quiet;
    ReplacingFile file(job.path, "part");
    if (file.TargetRefused()) return RefusalStatus(file.TargetRefusal());
    if (!file.IsOpened()) return GifExportStatus::CannotCreate;
    GifExportStatus status;
    {
        wxFileOutputStream stream(file.File());
        try {
            status = write(stream);
        } catch (const std::system_error&) {
            // No thread could be started for a frame.
            status = GifExportStatus::BadFrame;
        } catch (const std::bad_alloc&) {
            // A frame's encoding did not fit in the memory: it fails like a bad one.
            status = GifExportStatus::BadFrame;
        }
        if (status == GifExportStatus::Written && !stream.IsOk()) status = GifExportStatus::CannotWrite;
    }
    return status == GifExportStatus::Written ? CommitStatus(file.Commit()) : status;
}
