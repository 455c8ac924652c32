#include "core/words/blob.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <ios>
#include <memory>
#include <sstream>
#include <string>

#include "support/temp_dir.h"

namespace tarvolen {
namespace {

using Bytes = std::string;

Bytes Store(CBlob& blob) {
    std::stringstream stream(std::ios::in | std::ios::out | std::ios::binary);
    CArchive archive(stream, CArchive::Mode::Store);
    blob.Serialize(archive);
    return stream.str();
}

void Load(CBlob& blob, const Bytes& bytes) {
    std::stringstream stream(bytes, std::ios::in | std::ios::out | std::ios::binary);
    CArchive archive(stream, CArchive::Mode::Load);
    blob.Serialize(archive);
}

Bytes Contents(const CBlob& blob) {
    return Bytes(reinterpret_cast<const char*>(blob.GetData()), blob.GetLength());
}

TEST(Blob, StartsEmpty) {
    CBlob blob;
    EXPECT_EQ(blob.GetCapacity(), 0u);
    EXPECT_EQ(blob.GetLength(), 0u);
    EXPECT_EQ(blob.GetData(), nullptr);
}

TEST(Blob, AttachBorrowsWithoutTakingOwnership) {
    // Heap bytes, so that a wrong release by the blob shows up as a double free.
    auto owned = std::make_unique<unsigned char[]>(4);
    std::memcpy(owned.get(), "word", 4);
    {
        CBlob blob;
        blob.Attach(owned.get(), 4);
        EXPECT_EQ(blob.GetData(), owned.get());
        EXPECT_EQ(blob.GetLength(), 4u);
        EXPECT_EQ(blob.GetCapacity(), 0u);
        blob.Free();
        EXPECT_EQ(blob.GetData(), nullptr);
        blob.Attach(owned.get(), 2);
    }
    EXPECT_EQ(std::memcmp(owned.get(), "word", 4), 0);
}

TEST(Blob, AttachReleasesAnOwnedBufferFirst) {
    unsigned char borrowed[3] = {'a', 'b', 'c'};
    CBlob blob;
    blob.Allocate(100);  // leaked unless Attach frees it; LeakSanitizer would tell
    blob.Attach(borrowed, 3);
    EXPECT_EQ(blob.GetCapacity(), 0u);
    EXPECT_EQ(Contents(blob), "abc");
}

struct CapacityCase {
    std::uint32_t length;
    std::uint32_t capacity;
};

class BlobAllocateTest : public ::testing::TestWithParam<CapacityCase> {};

TEST_P(BlobAllocateTest, AddsAQuarterButAtLeastEightBytes) {
    CBlob blob;
    blob.Allocate(GetParam().length);
    EXPECT_EQ(blob.GetLength(), GetParam().length);
    EXPECT_EQ(blob.GetCapacity(), GetParam().capacity);
    ASSERT_NE(blob.GetData(), nullptr);
    // The whole capacity must be usable; ASan checks the last byte.
    blob.GetData()[blob.GetCapacity() - 1] = 0xFF;
}

INSTANTIATE_TEST_SUITE_P(Lengths, BlobAllocateTest,
                         ::testing::Values(CapacityCase{0, 8}, CapacityCase{4, 8},
                                           CapacityCase{7, 8}, CapacityCase{8, 10},
                                           CapacityCase{100, 125}, CapacityCase{103, 128}));

TEST(Blob, AllocateBeyondThirtyTwoBitCapacityThrowsAndLeavesTheBlobEmpty) {
    CBlob blob;
    blob.Allocate(16);
    // 4,000,000,000 plus a quarter does not fit the 32-bit capacity.
    EXPECT_THROW(blob.Allocate(4000000000u), std::bad_alloc);
    EXPECT_EQ(blob.GetCapacity(), 0u);
    EXPECT_EQ(blob.GetLength(), 0u);
    EXPECT_EQ(blob.GetData(), nullptr);
}

TEST(Blob, StoresLittleEndianLengthThenBytes) {
    unsigned char text[] = {'a', 'b', 'c'};
    CBlob blob;
    blob.Attach(text, 3);
    EXPECT_EQ(Store(blob), Bytes("\x03\x00\x00\x00"
                                 "abc",
                                 7));
}

TEST(Blob, StoresAnEmptyBlobAsZeroLength) {
    CBlob blob;
    EXPECT_EQ(Store(blob), Bytes(4, '\0'));
}

TEST(Blob, RoundTripIsByteExact) {
    Bytes payload;
    for (int i = 0; i < 300; ++i) {
        payload.push_back(static_cast<char>(i));  // every byte value, NULs included
    }
    CBlob source;
    source.Attach(reinterpret_cast<unsigned char*>(payload.data()),
                  static_cast<std::uint32_t>(payload.size()));
    const Bytes stored = Store(source);
    EXPECT_EQ(stored.substr(0, 4), Bytes("\x2c\x01\x00\x00", 4));

    CBlob loaded;
    Load(loaded, stored);
    EXPECT_EQ(loaded.GetCapacity(), 375u);  // loading owns its bytes
    EXPECT_EQ(Contents(loaded), payload);
    EXPECT_EQ(Store(loaded), stored);
}

TEST(Blob, RoundTripThroughAFile) {
    testing::TempDir dir;
    const std::string path = (dir.path() / "blob.bin").string();
    unsigned char text[] = {'x', '\0', 'y'};
    {
        std::fstream file(path, std::ios::out | std::ios::binary | std::ios::trunc);
        CArchive archive(file, CArchive::Mode::Store);
        CBlob blob;
        blob.Attach(text, 3);
        blob.Serialize(archive);
    }
    EXPECT_EQ(testing::TempDir::Read(path), Bytes("\x03\x00\x00\x00x\0y", 7));

    std::fstream file(path, std::ios::in | std::ios::binary);
    CArchive archive(file, CArchive::Mode::Load);
    CBlob blob;
    blob.Serialize(archive);
    EXPECT_EQ(Contents(blob), Bytes("x\0y", 3));
}

TEST(Blob, LoadReplacesABorrowedBufferWithoutTouchingIt) {
    unsigned char borrowed[] = {'o', 'l', 'd'};
    CBlob blob;
    blob.Attach(borrowed, 3);
    Load(blob, Bytes("\x02\x00\x00\x00hi", 6));
    EXPECT_NE(blob.GetData(), borrowed);
    EXPECT_EQ(Contents(blob), "hi");
    EXPECT_EQ(std::memcmp(borrowed, "old", 3), 0);
}

struct TruncatedCase {
    const char* name;
    Bytes bytes;
};

class BlobTruncatedLoadTest : public ::testing::TestWithParam<TruncatedCase> {};

TEST_P(BlobTruncatedLoadTest, ThrowsAndLeavesTheBlobEmpty) {
    CBlob blob;
    blob.Allocate(4);
    EXPECT_THROW(Load(blob, GetParam().bytes), std::ios_base::failure);
    EXPECT_EQ(blob.GetLength(), 0u);
    EXPECT_EQ(blob.GetCapacity(), 0u);
    EXPECT_EQ(blob.GetData(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Archives, BlobTruncatedLoadTest,
    ::testing::Values(TruncatedCase{"Empty", Bytes()},
                      TruncatedCase{"HalfALength", Bytes("\x05\x00", 2)},
                      TruncatedCase{"ShortPayload", Bytes("\x0a\x00\x00\x00"
                                                          "abc",
                                                          7)},
                      TruncatedCase{"NoPayload", Bytes("\x01\x00\x00\x00", 4)}),
    [](const ::testing::TestParamInfo<TruncatedCase>& info) { return info.param.name; });

}  // namespace
}  // namespace tarvolen
