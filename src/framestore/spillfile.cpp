#include "framestore/spillfile.h"

#include <dirent.h>
#include <fcntl.h>
#ifdef __linux__
#include <linux/falloc.h>
#endif
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <iterator>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool MakeFolders(const std::string& folder) {
    for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) return true;
    }
}

// The owner's process id from "frames-PID-N.spill"; 0 for other names.
long OwnerOf(const std::string& name) {
    const std::string prefix = "frames-", suffix = ".spill";
    if (name.compare(0, prefix.size(), prefix) != 0 || name.size() <= prefix.size() + suffix.size() ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return 0;
    char* end = nullptr;
    const long pid = std::strtol(name.c_str() + prefix.size(), &end, 10);
    return end && *end == '-' && pid > 0 ? pid : 0;
}

bool ProcessRuns(long pid) { return kill(pid_t(pid), 0) == 0 || errno == EPERM; }

}  // namespace

std::unique_ptr<SpillFile> SpillFile::Create(const std::string& folder, std::string* why) {
    static std::atomic<unsigned> made{0};
    auto fail = [why](const std::string& what) {
        if (why) *why = what + ": " + std::strerror(errno);
        return nullptr;
    };
    if (folder.empty()) {
        if (why) *why = "there is no cache folder (neither XDG_CACHE_HOME nor HOME is set)";
        return nullptr;
    }
    if (!MakeFolders(folder)) return fail(folder);
    // No name at all where the file system allows: no other program can
    // reach the frames, and a killed process leaves nothing behind.
#ifdef O_TMPFILE
    const int unnamed = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (unnamed >= 0) return std::unique_ptr<SpillFile>(new SpillFile(unnamed));
#endif
    // Elsewhere the name goes as soon as the file is open.
    const std::string path = folder + "/frames-" + std::to_string(getpid()) + "-" +
                             std::to_string(made++) + ".spill";
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return fail(path);
    unlink(path.c_str());
    return std::unique_ptr<SpillFile>(new SpillFile(fd));
}

SpillFile::~SpillFile() { close(m_fd); }

std::string SpillFile::Path() const { return "/proc/self/fd/" + std::to_string(m_fd); }

bool SpillFile::Append(const unsigned char* bytes, size_t size, uint64_t* offset) {
    auto hole = m_free.begin();
    while (hole != m_free.end() && hole->second < size) ++hole;
    const uint64_t at = hole != m_free.end() ? hole->first : m_end;
    size_t done = 0;
    while (done < size) {
        const ssize_t wrote = pwrite(m_fd, bytes + done, size - done, off_t(at + done));
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) {
            // A partial record is never read; the space is used again.
            return false;
        }
        done += size_t(wrote);
    }
    if (hole != m_free.end()) {
        const uint64_t left = hole->second - size;
        m_free.erase(hole);
        if (left > 0) m_free.emplace(at + size, left);
    } else {
        m_end += size;
    }
    *offset = at;
    return true;
}

void SpillFile::Free(uint64_t offset, size_t size) {
    if (size == 0) return;
    uint64_t start = offset, length = size;
    // Joined with the free space on either side.
    auto next = m_free.lower_bound(offset);
    if (next != m_free.end() && next->first == start + length) {
        length += next->second;
        next = m_free.erase(next);
    }
    if (next != m_free.begin()) {
        const auto before = std::prev(next);
        if (before->first + before->second == start) {
            start = before->first;
            length += before->second;
            m_free.erase(before);
        }
    }
#ifdef FALLOC_FL_PUNCH_HOLE
    // Failing to give the blocks back only leaves the file larger.
    (void)fallocate(m_fd, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, off_t(offset), off_t(size));
#endif
    if (start + length == m_end) {
        m_end = start;
        if (ftruncate(m_fd, off_t(m_end)) != 0) {
            // The tail stays, punched; the file only looks larger.
        }
    } else {
        m_free.emplace(start, length);
    }
}

bool SpillFile::Read(uint64_t offset, size_t size, unsigned char* out) const {
    size_t done = 0;
    while (done < size) {
        const ssize_t got = pread(m_fd, out + done, size - done, off_t(offset + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        done += size_t(got);
    }
    return true;
}

std::string SpillFolder() {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache && *cache == '/') return std::string(cache) + "/loopwright";
    const char* home = std::getenv("HOME");
    if (home && *home == '/') return std::string(home) + "/.cache/loopwright";
    return std::string();
}

void RemoveStaleSpillFiles(const std::string& folder) {
    DIR* dir = opendir(folder.c_str());
    if (!dir) return;
    while (const dirent* entry = readdir(dir)) {
        const long pid = OwnerOf(entry->d_name);
        if (pid > 0 && !ProcessRuns(pid)) unlink((folder + "/" + entry->d_name).c_str());
    }
    closedir(dir);
}
