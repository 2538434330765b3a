// A file written beside its target that takes the target's place only once it
// is complete, so a failed save never destroys what was there before.
#pragma once

#include <wx/file.h>
#include <wx/string.h>

class ReplacingFile {
public:
    enum class Result { Replaced, CannotWrite, CannotReplace };

    // Creates the temporary file (IsOpened tells whether that worked), with
    // the target's permissions when the target exists.
    ReplacingFile(const wxString& target, const char* suffix);
    // Removes the temporary file unless it replaced the target.
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    bool IsOpened() const { return m_file.IsOpened(); }
    wxFile& File() { return m_file; }

    // Puts the bytes on the disk, then renames the file over the target in one
    // step, so a crash cannot leave an empty file under the old name. A target
    // the user cannot write to is not replaced.
    Result Commit();

private:
    wxString m_target;
    wxString m_path;
    wxFile m_file;
    bool m_committed = false;
};
