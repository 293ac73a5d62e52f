// LZNT1 decompression of hand-made compression units.
#include "engine/ntfs/LZNT1.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(Lznt1, StoredChunkIsCopied) {
    std::vector<uint8_t> in{0xFF, 0x3F};
    for (int i = 0; i < 4096; ++i)
        in.push_back(static_cast<uint8_t>(i * 13));
    std::vector<uint8_t> out(8192, 0);
    EXPECT_EQ(Lznt1Decompress(in.data(), in.size(), out.data(), out.size()), 4096);
    for (int i = 0; i < 4096; ++i)
        ASSERT_EQ(out[i], static_cast<uint8_t>(i * 13));
}

TEST(Lznt1, BackReferencesRepeatEarlierBytes) {
    // Three literals, then "copy 9 bytes from 3 back"; a zero header ends the unit.
    const std::vector<uint8_t> in{0x05, 0xB0, 0x08, 'a', 'b', 'c', 0x06, 0x20, 0x00, 0x00};
    std::vector<uint8_t> out(4096, 0);
    EXPECT_EQ(Lznt1Decompress(in.data(), in.size(), out.data(), out.size()), 4096);
    EXPECT_EQ(std::string(out.begin(), out.begin() + 13), std::string("abcabcabcabc") + '\0');
}

TEST(Lznt1, OffsetBitsGrowWithThePosition) {
    // 17 literals, then a reference at position 17 (5 offset bits, 11 length bits):
    // offset 17, length 3 -> token ((17 - 1) << 11) | 0.
    std::vector<uint8_t> chunk{0x00};
    for (int i = 0; i < 8; ++i)
        chunk.push_back(static_cast<uint8_t>('A' + i));
    chunk.push_back(0x00);
    for (int i = 8; i < 16; ++i)
        chunk.push_back(static_cast<uint8_t>('A' + i));
    chunk.push_back(0x02); // literal, then reference
    chunk.push_back('Q');
    chunk.push_back(0x00);
    chunk.push_back(0x80);
    std::vector<uint8_t> in{static_cast<uint8_t>(chunk.size() - 1),
                            static_cast<uint8_t>(0xB0 | ((chunk.size() - 1) >> 8))};
    in.insert(in.end(), chunk.begin(), chunk.end());
    std::vector<uint8_t> out(4096, 0);
    ASSERT_EQ(Lznt1Decompress(in.data(), in.size(), out.data(), out.size()), 4096);
    EXPECT_EQ(std::string(out.begin(), out.begin() + 20), "ABCDEFGHIJKLMNOPQABC");
}

TEST(Lznt1, MalformedUnitsFail) {
    std::vector<uint8_t> out(4096, 0);
    // A reference before anything was written.
    const std::vector<uint8_t> early{0x02, 0xB0, 0x01, 0x00, 0x00};
    EXPECT_EQ(Lznt1Decompress(early.data(), early.size(), out.data(), out.size()), -1);
    // A reference further back than the chunk's start.
    const std::vector<uint8_t> far{0x03, 0xB0, 0x02, 'a', 0x00, 0x70};
    EXPECT_EQ(Lznt1Decompress(far.data(), far.size(), out.data(), out.size()), -1);
    // A chunk longer than the input.
    const std::vector<uint8_t> cut{0xFF, 0xBF, 0x00, 'a'};
    EXPECT_EQ(Lznt1Decompress(cut.data(), cut.size(), out.data(), out.size()), -1);
}

TEST(Lznt1, OutputNeverPassesItsCapacity) {
    const std::vector<uint8_t> in{0x05, 0xB0, 0x08, 'a', 'b', 'c', 0xFF, 0x2F};
    std::vector<uint8_t> out(10, 0);
    EXPECT_EQ(Lznt1Decompress(in.data(), in.size(), out.data(), out.size()), 10);
    EXPECT_EQ(std::string(out.begin(), out.end()), "abcabcabca");
}

} // namespace
