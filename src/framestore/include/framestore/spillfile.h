// Compressed frames that do not fit in memory, appended to a temporary file
// in the user's cache folder. The file has no name: another program cannot
// find it, and nothing is left when the process ends, even when killed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

class SpillFile {
public:
    // Null when the folder or the file cannot be made (why says so).
    static std::unique_ptr<SpillFile> Create(const std::string& folder, std::string* why = nullptr);
    ~SpillFile();  // closes the file, which then goes
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
    // A name that reaches the open file from this process only.
    std::string Path() const;

private:
    explicit SpillFile(int fd) : m_fd(fd) {}
    int m_fd;
    uint64_t m_end = 0;
    std::map<uint64_t, uint64_t> m_free;  // freed space before m_end: offset -> size, none adjacent
};

// $XDG_CACHE_HOME/loopwright, else ~/.cache/loopwright.
std::string SpillFolder();
// Removes the named spill files (frames-PID-N.spill) in folder whose owning
// process has ended: what earlier versions, or a crash between the file's
// creation and its unlinking, left.
void RemoveStaleSpillFiles(const std::string& folder);
