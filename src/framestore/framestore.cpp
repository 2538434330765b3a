#include "framestore/framestore.h"

#include "framestore/memorybudget.h"
#include "framestore/spillfile.h"
#include "framestore/storenotices.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

StoredPicture::StoredPicture(std::shared_ptr<FrameStore> store, uint64_t id, const wxImage& picture)
    : m_store(std::move(store)), m_id(id), m_size(picture.GetSize()), m_alpha(picture.HasAlpha()) {}

StoredPicture::~StoredPicture() { m_store->Release(*this); }

wxImage StoredPicture::DecodeStored() const {
    wxImage picture;
    if (m_spill) {
        // Only compressed pictures, whose checksum finds damage, are ever spilled.
        PictureBytes bytes(m_bytes);
        if (m_spill->Read(m_offset, m_bytes, bytes.data()) && !IsPlainPicture(bytes))
            DecompressPicture(bytes.data(), bytes.size(), &picture);
    } else {
        DecompressPicture(m_memory.data(), m_memory.size(), &picture);
    }
    return picture;
}

std::shared_ptr<const wxImage> StoredPicture::Image() const {
    if (auto cached = m_store->Cached(m_id)) return cached;
    auto decoded = std::make_shared<const wxImage>(DecodeStored());
    if (decoded->IsOk()) m_store->Cache(m_id, decoded);
    return decoded;
}

wxImage StoredPicture::Decode() const {
    // Copy() reads the cached pixels without touching their reference count.
    if (auto cached = m_store->Cached(m_id)) return cached->Copy();
    return DecodeStored();
}

std::shared_ptr<FrameStore> FrameStore::Create(size_t budget, std::string spillFolder) {
    return std::shared_ptr<FrameStore>(new FrameStore(budget, std::move(spillFolder)));
}

const std::shared_ptr<FrameStore>& FrameStore::Shared() {
    static const std::shared_ptr<FrameStore> shared = [] {
        const std::string folder = SpillFolder();
        RemoveStaleSpillFiles(folder);
        return Create(FrameMemoryBudget(), folder);
    }();
    return shared;
}

void FrameStore::KeepPlainWithin(size_t bytes) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_plainRoom = std::min(bytes, m_budget);
}

FramePicture FrameStore::Store(const wxImage& picture) {
    if (!picture.IsOk()) return nullptr;
    const size_t plainSize = PlainPictureSize(picture);
    uint64_t id;
    bool plain;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        id = m_nextId++;
        plain = m_memoryBytes + plainSize <= m_plainRoom;
    }
    PictureBytes bytes = plain ? PlainPicture(picture) : CompressPicture(picture);
    if (bytes.empty()) return nullptr;
    std::shared_ptr<StoredPicture> stored(new StoredPicture(shared_from_this(), id, picture));
    // Other pictures may have taken the room meanwhile: Place looks again.
    if (!Place(*stored, bytes)) {
        bytes = CompressPicture(picture);
        if (bytes.empty() || !Place(*stored, bytes)) return nullptr;
    }
    return stored;
}

bool FrameStore::Place(StoredPicture& picture, PictureBytes& bytes) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (IsPlainPicture(bytes) && m_memoryBytes + bytes.size() > m_plainRoom) return false;
    picture.m_bytes = bytes.size();
    if (m_memoryBytes + bytes.size() > m_budget) {
        std::string why;
        if (!m_spill) m_spill = SpillFile::Create(m_spillFolder, &why);
        uint64_t offset = 0;
        if (m_spill && m_spill->Append(bytes.data(), bytes.size(), &offset)) {
            picture.m_spill = m_spill;
            picture.m_offset = offset;
            m_spilledBytes += bytes.size();
            ++m_spilledCount;
            return true;
        }
        // Memory grows past the budget from here: say so once.
        if (m_spill) why = m_spillFolder + ": " + std::strerror(errno);
        NoticeStoreProblem(StoreProblem::CacheUnusable, why);
    }
    picture.m_memory = std::move(bytes);
    m_memoryBytes += picture.m_bytes;
    return true;
}

void FrameStore::Release(const StoredPicture& picture) {
    std::shared_ptr<const wxImage> dropped;  // freed after the lock is let go
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto found = std::find_if(m_cache.begin(), m_cache.end(),
                                    [&](const auto& entry) { return entry.first == picture.m_id; });
    if (found != m_cache.end()) {
        dropped = std::move(found->second);
        m_cache.erase(found);
    }
    if (!picture.m_spill) {
        m_memoryBytes -= picture.m_bytes;
    } else {
        picture.m_spill->Free(picture.m_offset, picture.m_bytes);
        m_spilledBytes -= picture.m_bytes;
        // The file goes once no frame is in it (the last spilled picture holds it until then).
        if (--m_spilledCount == 0) m_spill.reset();
    }
}

std::shared_ptr<const wxImage> FrameStore::Cached(uint64_t id) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto found =
        std::find_if(m_cache.begin(), m_cache.end(), [&](const auto& entry) { return entry.first == id; });
    if (found == m_cache.end()) return nullptr;
    m_cache.splice(m_cache.begin(), m_cache, found);
    return m_cache.front().second;
}

void FrameStore::Cache(uint64_t id, std::shared_ptr<const wxImage> image) {
    std::list<std::pair<uint64_t, std::shared_ptr<const wxImage>>> evicted;
    std::lock_guard<std::mutex> lock(m_mutex);
    // Two threads may have decoded the same picture; one entry is enough.
    if (std::any_of(m_cache.begin(), m_cache.end(), [&](const auto& entry) { return entry.first == id; }))
        return;
    m_cache.emplace_front(id, std::move(image));
    while (m_cache.size() > kCachedPictures) evicted.splice(evicted.end(), m_cache, std::prev(m_cache.end()));
}

size_t FrameStore::MemoryBytes() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_memoryBytes;
}

size_t FrameStore::SpilledBytes() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_spilledBytes;
}

std::string FrameStore::SpillPath() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_spill ? m_spill->Path() : std::string();
}
