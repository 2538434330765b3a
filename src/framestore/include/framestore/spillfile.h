// Compressed frames that do not fit in memory, appended to a temporary file
// in the user's cache folder. The file is named for the process that owns it
// (frames-PID-N.spill) so that a later start can remove what a crash left.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

class SpillFile {
public:
    // Null when the folder or the file cannot be made.
    static std::unique_ptr<SpillFile> Create(const std::string& folder);
    ~SpillFile();  // closes and removes the file
    SpillFile(const SpillFile&) = delete;
    SpillFile& operator=(const SpillFile&) = delete;

    // Writes the bytes into the first freed space that holds them, else at
    // the end; false when the disk refuses (full, gone). Append and Free are
    // called by one thread at a time.
    bool Append(const unsigned char* bytes, size_t size, uint64_t* offset);
    // What Append wrote there is no longer needed: the space is used again,
    // and its disk blocks are given back meanwhile.
    void Free(uint64_t offset, size_t size);
    // Any thread: reads back what Append wrote.
    bool Read(uint64_t offset, size_t size, unsigned char* out) const;
    const std::string& Path() const { return m_path; }

private:
    SpillFile(int fd, std::string path) : m_fd(fd), m_path(std::move(path)) {}
    int m_fd;
    std::string m_path;
    uint64_t m_end = 0;
    std::map<uint64_t, uint64_t> m_free;  // freed space before m_end: offset -> size, none adjacent
};

// $XDG_CACHE_HOME/loopwright, else ~/.cache/loopwright.
std::string SpillFolder();
// Removes the spill files in folder whose owning process has ended.
void RemoveStaleSpillFiles(const std::string& folder);
