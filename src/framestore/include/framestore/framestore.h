// Where the frames' full-size pictures live: compressed, in memory up to a
// budget and in a spill file past it, with a few decoded pictures cached for
// what is on screen. A frame's picture is a handle to a stored frame, shared by
// the document, the undo history and the views; any thread may decode it.
#pragma once

#include "framestore/picturecodec.h"

#include <wx/gdicmn.h>
#include <wx/image.h>

#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>

class FrameStore;
class SpillFile;

class StoredPicture {
public:
    ~StoredPicture();
    StoredPicture(const StoredPicture&) = delete;
    StoredPicture& operator=(const StoredPicture&) = delete;

    bool IsOk() const { return m_size.x > 0 && m_size.y > 0; }
    wxSize GetSize() const { return m_size; }
    int GetWidth() const { return m_size.x; }
    int GetHeight() const { return m_size.y; }
    bool HasAlpha() const { return m_alpha; }

    // Main thread: the decoded picture, from the cache when it is there. Read
    // it, never keep a wxImage copy of it: its pixel data may be freed on
    // another thread.
    std::shared_ptr<const wxImage> Image() const;
    // Any thread: a picture of the caller's own (a deep copy from the cache, or
    // freshly decoded); invalid when the stored bytes cannot be read back.
    wxImage Decode() const;

    size_t StoredBytes() const { return m_bytes; }
    bool IsSpilled() const { return m_spill != nullptr; }

private:
    friend class FrameStore;
    StoredPicture(std::shared_ptr<FrameStore> store, uint64_t id, const wxImage& picture);
    wxImage DecodeStored() const;

    std::shared_ptr<FrameStore> m_store;
    uint64_t m_id;
    wxSize m_size;
    bool m_alpha;
    size_t m_bytes = 0;
    PictureBytes m_memory;                // while in memory
    std::shared_ptr<SpillFile> m_spill;   // once spilled
    uint64_t m_offset = 0;
};

using FramePicture = std::shared_ptr<const StoredPicture>;

class FrameStore : public std::enable_shared_from_this<FrameStore> {
public:
    // Compressed frames past budget bytes go to a file in spillFolder.
    static std::shared_ptr<FrameStore> Create(size_t budget, std::string spillFolder);
    // The program's store: the budget from FrameMemoryBudget(), spilling into
    // SpillFolder(), where files left by ended processes are removed first.
    static const std::shared_ptr<FrameStore>& Shared();

    // Any thread. Null for an invalid picture.
    FramePicture Store(const wxImage& picture);

    size_t Budget() const { return m_budget; }
    // Pictures are kept uncompressed while the store's memory stays within
    // bytes (0, the default: always compressed). Storing and decoding them
    // then costs a copy instead of zstd, for a process that reads each
    // picture once or twice and ends, at the price of memory the budget
    // still bounds.
    void KeepPlainWithin(size_t bytes);
    size_t MemoryBytes() const;
    size_t SpilledBytes() const;
    // The spill file in use; empty when nothing is spilled.
    std::string SpillPath() const;

    static constexpr size_t kCachedPictures = 4;

private:
    FrameStore(size_t budget, std::string spillFolder)
        : m_budget(budget), m_spillFolder(std::move(spillFolder)) {}
    friend class StoredPicture;
    // Keeps bytes in memory while the budget allows, else appends them to the
    // spill file; in memory still when the disk refuses.
    // False, with nothing placed, for uncompressed bytes past the room kept for them.
    bool Place(StoredPicture& picture, PictureBytes& bytes);
    void Release(const StoredPicture& picture);
    std::shared_ptr<const wxImage> Cached(uint64_t id);
    void Cache(uint64_t id, std::shared_ptr<const wxImage> image);

    const size_t m_budget;
    const std::string m_spillFolder;
    mutable std::mutex m_mutex;
    uint64_t m_nextId = 1;
    size_t m_memoryBytes = 0;
    size_t m_plainRoom = 0;
    size_t m_spilledBytes = 0;
    size_t m_spilledCount = 0;
    std::shared_ptr<SpillFile> m_spill;
    std::list<std::pair<uint64_t, std::shared_ptr<const wxImage>>> m_cache;  // newest first
};

// The program's store keeps picture.
inline FramePicture StorePicture(const wxImage& picture) { return FrameStore::Shared()->Store(picture); }
