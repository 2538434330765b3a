#include "framestore/framestore.h"
#include "framestore/memorybudget.h"
#include "framestore/pictureahead.h"
#include "framestore/spillfile.h"
#include "framestore/storenotices.h"
#include "import/storingqueue.h"
#include "support/synthetic_pictures.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>

namespace {

using lwtest::PictureKind;

void ExpectSame(const wxImage& want, const wxImage& got, const std::string& what) {
    ASSERT_TRUE(got.IsOk()) << what;
    ASSERT_EQ(got.GetSize(), want.GetSize()) << what;
    const size_t pixels = size_t(want.GetWidth()) * want.GetHeight();
    EXPECT_EQ(0, std::memcmp(got.GetData(), want.GetData(), pixels * 3)) << what;
    ASSERT_EQ(got.HasAlpha(), want.HasAlpha()) << what;
    if (want.HasAlpha()) {
        EXPECT_EQ(0, std::memcmp(got.GetAlpha(), want.GetAlpha(), pixels)) << what;
    }
    ASSERT_EQ(got.HasMask(), want.HasMask()) << what;
    if (want.HasMask()) {
        EXPECT_EQ(wxColour(got.GetMaskRed(), got.GetMaskGreen(), got.GetMaskBlue()),
                  wxColour(want.GetMaskRed(), want.GetMaskGreen(), want.GetMaskBlue())) << what;
    }
}

}  // namespace

// Whatever a frame holds comes back bit for bit, from memory and from the
// spill file, through the cache and around it.
TEST(FrameStore, PicturesComeBackBitExact) {
    const std::string folder = lwtest::MakeTempDir("store");
    // Uncompressed in memory too, and where the budget leaves no room for them.
    const std::pair<size_t, size_t> stores[] = {{size_t(1) << 30, 0}, {0, 0}, {size_t(1) << 30, size_t(1) << 30},
                                                {0, size_t(1) << 30}};
    for (const auto& [budget, plainRoom] : stores) {
        auto store = FrameStore::Create(budget, folder);
        store->KeepPlainWithin(plainRoom);
        for (const PictureKind kind : {PictureKind::Flat, PictureKind::Screen, PictureKind::Photo, PictureKind::Random})
            for (const bool alpha : {false, true})
                for (const wxSize size : {wxSize(1, 1), wxSize(37, 23), wxSize(640, 360)}) {
                    wxImage picture = lwtest::SyntheticPicture(kind, size.x, size.y, 7, alpha);
                    if (kind == PictureKind::Flat && !alpha) picture.SetMaskColour(1, 2, 3);
                    const std::string what = "kind " + std::to_string(int(kind)) + " alpha " +
                                             std::to_string(alpha) + " " + std::to_string(size.x) +
                                             " budget " + std::to_string(budget) + " plain " +
                                             std::to_string(plainRoom);
                    const FramePicture stored = store->Store(picture);
                    ASSERT_TRUE(stored) << what;
                    EXPECT_EQ(stored->IsSpilled(), budget == 0) << what;
                    EXPECT_EQ(stored->GetSize(), size);
                    EXPECT_EQ(stored->HasAlpha(), alpha);
                    ExpectSame(picture, stored->Decode(), what + " decoded");
                    ExpectSame(picture, *stored->Image(), what + " cached");
                    ExpectSame(picture, stored->Decode(), what + " copied from the cache");
                }
        EXPECT_EQ(store->MemoryBytes(), 0u) << "every picture let go";
        EXPECT_EQ(store->SpilledBytes(), 0u);
        EXPECT_EQ(store->SpillPath(), "");
    }
    EXPECT_FALSE(FrameStore::Create(0, folder)->Store(wxImage())) << "nothing to store";
    wxImage out;
    const PictureBytes bytes = CompressPicture(lwtest::SyntheticPicture(PictureKind::Photo, 50, 50, 1));
    EXPECT_FALSE(DecompressPicture(bytes.data(), bytes.size() - 1, &out)) << "cut short";
    EXPECT_FALSE(DecompressPicture(bytes.data() + 4, bytes.size() - 4, &out)) << "not a picture";
    EXPECT_FALSE(out.IsOk());
}

// Pictures are kept uncompressed only while memory stays within their room;
// past it they are compressed again, so that the budget holds more of them.
TEST(FrameStore, PlainPicturesStayWithinTheirRoom) {
    const wxImage screen = lwtest::SyntheticPicture(PictureKind::Screen, 320, 240, 5);
    const size_t plain = PlainPicture(screen).size();
    auto store = FrameStore::Create(size_t(1) << 30, lwtest::MakeTempDir("plain"));
    store->KeepPlainWithin(plain * 5 / 2);
    std::vector<FramePicture> frames;
    for (int i = 0; i < 3; ++i) frames.push_back(store->Store(screen));
    EXPECT_EQ(store->MemoryBytes(), 2 * plain + CompressPicture(screen).size());
    for (const FramePicture& frame : frames) ExpectSame(screen, frame->Decode(), "kept plain or compressed");
}

// Past the budget frames go to a file without a name, which goes when its
// last frame does; named files that ended processes left are removed at start.
TEST(FrameStore, SpillsPastTheBudgetAndCleansUp) {
    const std::string folder = lwtest::MakeTempDir("spill") + "/cache/loopwright";
    const wxImage photo = lwtest::SyntheticPicture(PictureKind::Photo, 320, 240, 3);
    auto store = FrameStore::Create(CompressPicture(photo).size() * 2, folder);
    std::vector<FramePicture> frames;
    for (unsigned i = 0; i < 5; ++i) frames.push_back(store->Store(photo));
    EXPECT_FALSE(frames[1]->IsSpilled());
    EXPECT_TRUE(frames[2]->IsSpilled());
    EXPECT_LE(store->MemoryBytes(), store->Budget());
    const std::string spill = store->SpillPath();
    EXPECT_TRUE(lwtest::FileExists(spill));
    EXPECT_TRUE(lwtest::FolderContents(folder).empty()) << "no other program can find the frames";
    ExpectSame(photo, frames[4]->Decode(), "spilled");
    frames.erase(frames.begin() + 2, frames.end());
    EXPECT_FALSE(lwtest::FileExists(spill)) << "no spilled frame left";

    // A process id that cannot be running (above the kernel's limit).
    const std::string stale = folder + "/frames-2147483646-0.spill";
    const std::string other = folder + "/notes.txt";
    lwtest::WriteFile(stale, "x");
    lwtest::WriteFile(other, "x");
    frames.push_back(store->Store(photo));
    RemoveStaleSpillFiles(folder);
    EXPECT_FALSE(lwtest::FileExists(stale));
    EXPECT_TRUE(lwtest::FileExists(other));
    EXPECT_TRUE(lwtest::FileExists(store->SpillPath())) << "this process's own file stays";
}

// A spilled frame changed or cut short by another program is found by its
// checksum and read as nothing, never as another picture; a cache folder that
// cannot be used is said once, and the frames stay in memory.
TEST(FrameStore, DamageIsFoundAndAnUnusableCacheIsSaid) {
    const std::string folder = lwtest::MakeTempDir("damage");
    const wxImage photo = lwtest::SyntheticPicture(PictureKind::Photo, 160, 120, 5);
    auto store = FrameStore::Create(0, folder);
    const FramePicture first = store->Store(photo), second = store->Store(photo);
    ASSERT_TRUE(first->IsSpilled() && second->IsSpilled());
    const int fd = open(store->SpillPath().c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    const off_t size = lseek(fd, 0, SEEK_END);
    ASSERT_EQ(pwrite(fd, "\x5a\xa5", 2, size / 4), 2);  // inside the first frame
    EXPECT_FALSE(first->Decode().IsOk());
    ASSERT_EQ(ftruncate(fd, size - 100), 0);  // the second one cut short
    EXPECT_FALSE(second->Decode().IsOk());
    close(fd);

    std::vector<StoreNotice> told;
    SetStoreNoticeHandler([&](const StoreNotice& notice) { told.push_back(notice); });
    lwtest::WriteFile(folder + "/file", "a file where the cache folder should be");
    auto blocked = FrameStore::Create(0, folder + "/file/loopwright");
    std::vector<FramePicture> kept;
    for (int i = 0; i < 3; ++i) kept.push_back(blocked->Store(photo));
    SetStoreNoticeHandler(nullptr);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].problem, StoreProblem::CacheUnusable);
    EXPECT_NE(told[0].detail.find(folder + "/file"), std::string::npos) << told[0].detail;
    EXPECT_FALSE(kept[2]->IsSpilled());
    ExpectSame(photo, kept[2]->Decode(), "kept in memory");
}

TEST(FrameStore, BudgetFromTheEnvironment) {
    EXPECT_EQ(ParseMemorySize("512M"), size_t(512) << 20);
    EXPECT_EQ(ParseMemorySize("2g"), size_t(2) << 30);
    EXPECT_EQ(ParseMemorySize("300000000"), size_t(300000000));
    EXPECT_EQ(ParseMemorySize("64KiB"), size_t(64) << 10);
    for (const char* bad : {"", "M", "-5", "12X", "1.5G", "99999999999999999999999G"})
        EXPECT_FALSE(ParseMemorySize(bad)) << bad;
    setenv("LOOPWRIGHT_FRAME_MEMORY", "300M", 1);
    EXPECT_EQ(FrameMemoryBudget(), size_t(300) << 20);
    setenv("LOOPWRIGHT_FRAME_MEMORY", "lots", 1);
    EXPECT_EQ(FrameMemoryBudget(), DefaultFrameMemory()) << "a bad value keeps the default";
    unsetenv("LOOPWRIGHT_FRAME_MEMORY");
    EXPECT_GT(DefaultFrameMemory(), 0u);
    EXPECT_LE(DefaultFrameMemory(), size_t(2) << 30);
}

// What the preview gets is the same picture whether it was made ahead, is
// still being made, or was never asked for.
TEST(FrameStore, PicturesAheadMatchPicturesMadeOnTheSpot) {
    auto store = FrameStore::Create(size_t(1) << 30, lwtest::MakeTempDir("ahead"));
    std::vector<FramePicture> frames;
    for (unsigned i = 0; i < 4; ++i)
        frames.push_back(store->Store(lwtest::SyntheticPicture(PictureKind::Photo, 400, 300, i)));
    PictureAhead ahead;
    for (size_t i = 0; i < 12; ++i) {
        const FramePicture& next = frames[(i + 1) % frames.size()];
        const wxSize size = i % 3 ? wxSize(200, 150) : wxSize(400, 300);
        ahead.Prepare(next, size);
        ahead.Prepare(frames[(i + 2) % frames.size()], size);  // two ahead, as the preview asks
        if (i % 4 == 3) ahead.Prepare(frames[0], wxSize(10, 10));  // asked for another meanwhile
        ExpectSame(PictureAtSize(*next, size), ahead.Get(next, size), "frame " + std::to_string(i));
    }
}

// The import's storing queue hands pictures back in the order they were
// added, each stored bit-exact, with no more than its limit in flight.
TEST(FrameStore, StoringQueueHandsBackInOrder) {
    std::vector<wxImage> pictures;
    for (int i = 0; i < 7; ++i)
        pictures.push_back(lwtest::SyntheticPicture(i % 2 ? PictureKind::Photo : PictureKind::Flat, 40 + i, 30, unsigned(i)));
    std::vector<int> order;
    size_t added = 0;
    {
        StoringQueue queue(2);
        for (int i = 0; i < 7; ++i) {
            queue.Add(std::make_unique<wxImage>(pictures[size_t(i)].Copy()), [&, i](FramePicture stored) {
                order.push_back(i);
                ASSERT_TRUE(stored);
                ExpectSame(pictures[size_t(i)], stored->Decode(), "picture " + std::to_string(i));
            });
            ++added;
            EXPECT_LE(added - order.size(), 2u);
        }
        queue.Finish();
        EXPECT_EQ(order.size(), 7u);
        queue.Add(std::make_unique<wxImage>(pictures[0].Copy()), [&](FramePicture) { order.push_back(7); });
    }  // the queue's end hands back the last one
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
}

// Frames deleted and added again, as an editing session does, reuse the
// spill file's freed space instead of growing it; what stays reads back exact.
TEST(FrameStore, SpillSpaceIsUsedAgain) {
    const std::string folder = lwtest::MakeTempDir("respill");
    auto store = FrameStore::Create(0, folder);
    std::vector<wxImage> pictures;
    std::vector<FramePicture> frames;
    for (unsigned i = 0; i < 12; ++i) {
        pictures.push_back(lwtest::SyntheticPicture(i % 3 ? PictureKind::Photo : PictureKind::Screen, 160, 120, i));
        frames.push_back(store->Store(pictures.back()));
        ASSERT_TRUE(frames.back()->IsSpilled());
    }
    const std::string spill = store->SpillPath();
    const auto sizeOf = [&] { struct stat st{}; stat(spill.c_str(), &st); return st.st_size; };
    const off_t full = sizeOf();
    for (int round = 0; round < 5; ++round) {
        for (size_t i = 1; i < frames.size(); i += 2) frames[i].reset();  // every other one
        for (size_t i = 1; i < frames.size(); i += 2) frames[i] = store->Store(pictures[i]);
    }
    EXPECT_LE(sizeOf(), full);
    for (size_t i = 0; i < frames.size(); ++i) ExpectSame(pictures[i], frames[i]->Decode(), std::to_string(i));
}
