// Reading non-resident data from hand-built records: compression units that are compressed,
// sparse or stored as they are, and the bytes past the initialized size.
#include "engine/ntfs/NTFSDataReader.h"
#include "engine/ntfs/NTFSFileRecovery.h"
#include "platform/Text.h"
#include "tests/ntfs/NtfsImageBuilder.h"
#include "tests/ntfs/NtfsScanSupport.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>

namespace tessaly::test {
namespace {

std::vector<uint8_t> Pattern(uint64_t cluster) {
    std::vector<uint8_t> b(4096);
    for (size_t i = 0; i < b.size(); ++i)
        b[i] = static_cast<uint8_t>(cluster * 17 + i * 3);
    return b;
}

void AnswerZero(const char16_t*, uint32_t, int* answer, void*) {
    *answer = 0;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(NtfsDataReader, CompressionUnitsAndUninitializedTails) {
    TempDir dir;
    NtfsImageBuilder image;
    image.PutRecord(0, MftRecord(image.MftCluster(), 8, image.ClusterSize()));

    // Unit 0: sixteen LZNT1 chunks of "abcabc..." in one cluster, fifteen clusters sparse.
    std::vector<uint8_t> packed;
    for (int chunk = 0; chunk < 16; ++chunk)
        packed.insert(packed.end(), {0x05, 0xB0, 0x08, 'a', 'b', 'c', 0xFA, 0x2F});
    packed.resize(4096, 0);
    image.PutCluster(20, packed);
    // Unit 1 sparse; unit 2 stored as is in clusters 21..36.
    for (uint64_t c = 21; c < 37; ++c)
        image.PutCluster(c, Pattern(c));
    const uint64_t unit = 16 * 4096;
    const uint64_t compressedSize = 3 * unit - 1000;
    image.PutRecord(16, RecordBuilder(16)
                            .StdInfo(1, 2, 3, 4)
                            .FileName(5, u"packed.txt", 1, 0x800)
                            .NonResident(0x80, 5, 0, 47, 3 * unit, compressedSize, compressedSize,
                                         {0x11, 0x01, 0x14, 0x01, 0x1F, 0x11, 0x10, 0x01, 0x00},
                                         0x0001, 4)
                            .End()
                            .Bytes());
    // Three clusters of which only the first 5000 bytes were ever written.
    for (uint64_t c = 40; c < 43; ++c)
        image.PutCluster(c, Pattern(c));
    image.PutRecord(17, RecordBuilder(17)
                            .StdInfo(1, 2, 3, 4)
                            .FileName(5, u"tail.bin")
                            .NonResident(0x80, 5, 0, 2, 3 * 4096, 12000, 5000, OneRun(40, 3))
                            .End()
                            .Bytes());

    ScanLog log;
    ASSERT_TRUE(ScanImage('Q', image.WriteTo(dir.File("data.img")), false, log));
    std::map<std::string, StoredRow> rows;
    for (const auto& r : ReadTable('Q'))
        rows[r.name] = r;
    ASSERT_EQ(rows.count("packed.txt"), 1u);
    EXPECT_EQ(rows["packed.txt"].size, compressedSize); // the real size, not the stored one

    TempDir out;
    auto recover = [&](const std::string& name) {
        g_engineCancel = false;
        NTFSFileRecovery writer;
        EXPECT_TRUE(writer.Recover('Q', rows[name].record,
                                   platform::Utf8ToUtf16(out.path()).c_str(), nullptr, nullptr,
                                   nullptr, AnswerZero, nullptr));
        return ReadFile(out.File(name));
    };

    std::vector<uint8_t> expected;
    std::string chunk;
    while (chunk.size() < 4096)
        chunk += "abc";
    for (int i = 0; i < 16; ++i)
        expected.insert(expected.end(), chunk.begin(), chunk.begin() + 4096);
    expected.resize(2 * unit, 0);
    for (uint64_t c = 21; c < 37; ++c) {
        const auto p = Pattern(c);
        expected.insert(expected.end(), p.begin(), p.end());
    }
    expected.resize(compressedSize);
    EXPECT_EQ(recover("packed.txt"), expected);

    std::vector<uint8_t> tail;
    for (uint64_t c = 40; c < 43; ++c) {
        const auto p = Pattern(c);
        tail.insert(tail.end(), p.begin(), p.end());
    }
    tail.resize(5000);
    tail.resize(12000, 0);
    EXPECT_EQ(recover("tail.bin"), tail);
}

bool Count(const uint8_t*, uint32_t length, void* total) {
    *static_cast<uint64_t*>(total) += length;
    return true;
}

TEST(NtfsDataReader, CompressedRunAtAnImpossibleClusterFails) {
    TempDir dir;
    NtfsImageBuilder image;
    image.PutRecord(0, MftRecord(image.MftCluster(), 8, image.ClusterSize()));
    // One unit of sixteen clusters at LCN -2^52: times the cluster size that wraps to byte 0.
    image.PutRecord(16,
                    RecordBuilder(16)
                        .StdInfo(1, 2, 3, 4)
                        .FileName(5, u"wrapped.bin")
                        .NonResident(0x80, 5, 0, 15, 16 * 4096, 16 * 4096, 16 * 4096,
                                     {0x81, 0x10, 0, 0, 0, 0, 0, 0, 0xF0, 0xFF, 0x00}, 0x0001, 4)
                        .End()
                        .Bytes());
    NTFSVolume volume;
    ASSERT_TRUE(volume.OpenPath(image.WriteTo(dir.File("wrapped.img")), true));
    auto rec = volume.ReadRecord(image.SlotOfRecord(16));
    ASSERT_TRUE(rec);
    NTFSAttribute* data = FindAttribute(rec->attributes, 0x80);
    ASSERT_TRUE(data && data->IsCompressed());
    uint64_t delivered = 0;
    EXPECT_EQ(ReadAttributeData(&volume, data, Count, &delivered), ReadOutcome::kReadFailed);
    EXPECT_EQ(delivered, 0u);
}

} // namespace
} // namespace tessaly::test
