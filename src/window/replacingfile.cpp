#include "window/replacingfile.h"

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/utils.h>

#include <sys/stat.h>

#include <cstdio>

ReplacingFile::ReplacingFile(const wxString& target, const char* suffix) : m_target(target) {
    // A fresh name that nothing else uses.
    for (int attempt = 0; attempt < 100 && !m_file.IsOpened(); ++attempt) {
        const wxString path =
            wxString::Format("%s.%lu-%d.%s", target, wxGetProcessId(), attempt, suffix);
        if (wxFileName::Exists(path, wxFILE_EXISTS_ANY)) continue;
        if (!m_file.Create(path, false, wxS_DEFAULT)) break;
        m_path = path;
    }
    // A replaced file keeps its permissions.
    struct stat existing;
    if (m_file.IsOpened() && ::stat(target.fn_str(), &existing) == 0 && S_ISREG(existing.st_mode))
        ::chmod(m_path.fn_str(), existing.st_mode & 07777);
}

ReplacingFile::~ReplacingFile() {
    if (m_file.IsOpened()) m_file.Close();
    if (!m_committed && !m_path.empty()) wxRemoveFile(m_path);
}

ReplacingFile::Result ReplacingFile::Commit() {
    if (!m_file.Flush() || !m_file.Close()) return Result::CannotWrite;
    // A rename would replace even a file the user protected against writing.
    if (wxFileName::FileExists(m_target) && !wxFileName::IsFileWritable(m_target))
        return Result::CannotReplace;
    // rename() replaces the target at once; no copying fallback that could
    // leave it half written.
    if (std::rename(m_path.fn_str(), m_target.fn_str()) != 0) return Result::CannotReplace;
    m_committed = true;
    return Result::Replaced;
}
