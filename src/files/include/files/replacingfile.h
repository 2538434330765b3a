// A file written beside its target that takes the target's place only once it
// is complete, so a failed save never destroys what was there before.
//
// The target is the file a symbolic link points to, not the link. Targets that
// are devices, pipes, sockets, folders or loops of links are refused before
// anything is created. The temporary file has no name while it is written
// where the file system allows (a killed save leaves nothing), and gets a
// short name of its own (".loopwright-PID-N.suffix") just before the rename;
// elsewhere it has that name throughout, and its folder is noted
// (files/savefolders.h). Temporaries of that naming (and of the earlier
// "target.PID-N.suffix" naming) that a killed save left behind are removed
// when a save next writes into their folder, and at start in noted folders.
#pragma once

#include <wx/file.h>
#include <wx/string.h>

#include <string>

// Removes the temporaries that killed saves left in folder (with targetName,
// also those of the earlier naming for that target); true when one of a save
// still running remains.
bool RemoveStaleTemporaries(const std::string& folder, const std::string& targetName = std::string());

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

    // Why the target cannot be replaced, told before anything is created.
    enum class Refusal { None, Special, Folder, LinkLoop };
    // The target is not an ordinary file (a device, a pipe, a socket, a
    // folder, a loop of links): nothing was created.
    bool TargetRefused() const { return m_refusal != Refusal::None; }
    Refusal TargetRefusal() const { return m_refusal; }
    bool IsOpened() const { return m_file.IsOpened(); }
    wxFile& File() { return m_file; }

    // Puts the bytes on the disk, then renames the file over the target in one
    // step, so a crash cannot leave an empty file under the old name. A target
    // the user cannot write to is not replaced.
    Result Commit();

private:
    // The named temporary: its descriptor, or -1.
    int CreateNamed(const std::string& folder);
    bool NameUnnamed();

    std::string m_target;  // file-system bytes, links followed
    std::string m_suffix;
    std::string m_path;    // the temporary file
    wxFile m_file;
    Refusal m_refusal = Refusal::None;
    bool m_committed = false;
};
