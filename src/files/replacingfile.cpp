#include "files/replacingfile.h"

#include "files/savefolders.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

const char kPrefix[] = ".loopwright-";

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file at the end of a chain of symbolic links (which need not exist
// yet); a loop of links ends as a link.
std::string FollowLinks(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info;
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
        std::vector<char> link(4096);
        const ssize_t length = ::readlink(path.c_str(), link.data(), link.size());
        if (length <= 0 || size_t(length) >= link.size()) return path;
        const std::string to(link.data(), size_t(length));
        path = to[0] == '/' ? to : FolderOf(path) + "/" + to;
    }
    return path;
}

// Something that is there and is neither a file nor a folder.
bool IsSpecial(const std::string& path) {
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode);
}

// The process id in "PID-N.suffix" when the text is exactly that; 0 otherwise.
long TemporaryOwner(const char* text) {
    char* end = nullptr;
    errno = 0;
    const long pid = std::strtol(text, &end, 10);
    if (end == text || *end != '-' || errno != 0 || pid <= 0) return 0;
    const char* n = end + 1;
    const long attempt = std::strtol(n, &end, 10);
    if (end == n || attempt < 0 || (std::strcmp(end, ".part") != 0 && std::strcmp(end, ".tmp") != 0))
        return 0;
    return pid;
}

bool Running(long pid) { return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH; }

}  // namespace

bool RemoveStaleTemporaries(const std::string& folder, const std::string& targetName) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return false;
    const std::string oldPrefix = targetName + ".";
    bool live = false;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        long owner = 0;
        if (std::strncmp(name, kPrefix, sizeof kPrefix - 1) == 0)
            owner = TemporaryOwner(name + sizeof kPrefix - 1);
        else if (!targetName.empty() && std::strncmp(name, oldPrefix.c_str(), oldPrefix.size()) == 0)
            owner = TemporaryOwner(name + oldPrefix.size());
        if (owner == 0) continue;
        if (Running(owner)) {
            live = true;
            continue;
        }
        const std::string path = folder + "/" + name;
        struct stat info;
        if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) ::unlink(path.c_str());
    }
    ::closedir(dir);
    return live;
}


ReplacingFile::ReplacingFile(const wxString& target, const char* suffix)
    : m_target(FollowLinks(std::string(target.fn_str()))) {
    // Renaming over a device or a pipe would put a file in its place, and
    // over a folder would fail only after all the work: refused first.
    struct stat info;
    if (::lstat(m_target.c_str(), &info) == 0) {
        if (S_ISLNK(info.st_mode)) m_refusal = Refusal::LinkLoop;  // links still: a loop
        else if (S_ISDIR(info.st_mode)) m_refusal = Refusal::Folder;
        else if (!S_ISREG(info.st_mode)) m_refusal = Refusal::Special;
        if (m_refusal != Refusal::None) return;
    }
    const std::string folder = FolderOf(m_target);
    m_suffix = suffix;
    RemoveStaleTemporaries(folder, NameOf(m_target));
#ifdef O_TMPFILE
    // Without a name until it is complete: a save that is killed leaves nothing.
    const int unnamed = ::open(folder.c_str(), O_WRONLY | O_TMPFILE | O_CLOEXEC, 0666);
    if (unnamed >= 0) m_file.Attach(unnamed);
#endif
    // Where the file system has no unnamed files: a fresh name nothing else uses.
    if (!m_file.IsOpened()) {
        const int fd = CreateNamed(folder);
        if (fd >= 0) m_file.Attach(fd);
    }
    // A replaced file keeps its permissions.
    struct stat existing;
    if (m_file.IsOpened() && ::stat(m_target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
        ::fchmod(m_file.fd(), existing.st_mode & 07777);
}

int ReplacingFile::CreateNamed(const std::string& folder) {
    // Listed first: a save killed from here on leaves a file to be removed.
    NoteSaveFolder(folder);
    const long pid = static_cast<long>(::getpid());
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[64];
        std::snprintf(name, sizeof name, "%s%ld-%d.%s", kPrefix, pid, attempt, m_suffix.c_str());
        const std::string path = folder + "/" + name;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd >= 0) m_path = path;
        return fd;
    }
    return -1;
}

// Gives the unnamed file a fresh name in its folder, for the rename.
bool ReplacingFile::NameUnnamed() {
    const std::string folder = FolderOf(m_target);
    const std::string open = "/proc/self/fd/" + std::to_string(m_file.fd());
    const long pid = static_cast<long>(::getpid());
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[64];
        std::snprintf(name, sizeof name, "%s%ld-%d.%s", kPrefix, pid, attempt, m_suffix.c_str());
        const std::string path = folder + "/" + name;
        if (::linkat(AT_FDCWD, open.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            m_path = path;
            return true;
        }
        if (errno != EEXIST) return false;
    }
    return false;
}

ReplacingFile::~ReplacingFile() {
    if (m_file.IsOpened()) m_file.Close();
    if (!m_committed && !m_path.empty()) ::unlink(m_path.c_str());
}

ReplacingFile::Result ReplacingFile::Commit() {
    // On the disk first (Flush syncs), so that a power cut after the rename
    // finds the new bytes, not an empty file.
    if (!m_file.IsOpened() || !m_file.Flush()) return Result::CannotWrite;
    if (m_path.empty() && !NameUnnamed()) return Result::CannotWrite;
    if (!m_file.Close()) return Result::CannotWrite;
    // Something else may have taken the target's name meanwhile.
    if (IsSpecial(m_target)) return Result::CannotReplace;
    // A rename would replace even a file the user protected against writing.
    struct stat info;
    if (::stat(m_target.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        ::access(m_target.c_str(), W_OK) != 0)
        return Result::CannotReplace;
    // rename() replaces the target at once; no copying fallback that could
    // leave it half written.
    if (std::rename(m_path.c_str(), m_target.c_str()) != 0) return Result::CannotReplace;
    m_committed = true;
    // The rename itself is on the disk once the folder is.
    const int folder = ::open(FolderOf(m_target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return Result::Replaced;
}
