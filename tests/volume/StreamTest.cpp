#include "engine/volume/NTFSStream.h"
#include "engine/volume/VolumeGeometry.h"

#include <gtest/gtest.h>

namespace {

TEST(Stream, TypedReadsAreLittleEndianAndStopAtTheEnd) {
    const uint8_t bytes[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0xAA};
    NTFSStream s;
    ASSERT_TRUE(s.InitCopy(bytes, sizeof bytes, 0));
    EXPECT_EQ(s.ReadU8(), 0x01);
    EXPECT_EQ(s.ReadU16(), 0x0302);
    EXPECT_EQ(s.ReadU32(), 0x07060504u);
    EXPECT_EQ(s.ReadU64(), 0u); // three bytes left: no read, no move
    EXPECT_EQ(s.Position(), 7u);
    EXPECT_EQ(s.ReadU16(), 0x0908);
    EXPECT_EQ(s.ReadU16(), 0u); // one byte left
    EXPECT_EQ(s.Position(), 9u);
    EXPECT_EQ(s.ReadU8(), 0xAA);
    EXPECT_EQ(s.U32At(6), 0xAA090807u);
    EXPECT_EQ(s.U32At(7), 0u);
}

TEST(Stream, ReadBytesClampsAndLeavesTheRestOfTheDestination) {
    const uint8_t bytes[] = {1, 2, 3};
    StreamBase s;
    uint8_t dest[6] = {9, 9, 9, 9, 9, 9};
    EXPECT_FALSE(s.ReadBytes(dest, 2)); // no data yet
    ASSERT_TRUE(s.InitCopy(bytes, 3, 0));
    s.Seek(1);
    EXPECT_TRUE(s.ReadBytes(dest, 6));
    EXPECT_EQ(dest[0], 2);
    EXPECT_EQ(dest[1], 3);
    EXPECT_EQ(dest[2], 9);
    EXPECT_EQ(s.Position(), 3u);
    s.Seek(100);
    EXPECT_EQ(s.Position(), 3u);
}

TEST(Stream, WideStringEndsAtNulAndAtTheEndOfTheStream) {
    const uint8_t name[] = {'A', 0, 'b', 0, 0, 0, 'z', 0};
    StreamBase s;
    ASSERT_TRUE(s.InitCopy(name, sizeof name, 0));
    EXPECT_EQ(s.ReadWideString(4), u"Ab");
    s.Seek(2);
    EXPECT_EQ(s.ReadWideString(0), u"");
    EXPECT_EQ(s.Position(), 2u);
    const uint8_t cut[] = {'x', 0, 'y'};
    ASSERT_TRUE(s.InitCopy(cut, sizeof cut, 0));
    EXPECT_EQ(s.ReadWideString(255), u"xy");
    EXPECT_EQ(s.Position(), 3u);
    // The position moves by the units asked for, a NUL or the end notwithstanding.
    ASSERT_TRUE(s.InitCopy(name, sizeof name, 0));
    EXPECT_EQ(s.ReadWideString(3), u"Ab");
    EXPECT_EQ(s.Position(), 6u);
    EXPECT_EQ(s.ReadWideString(1), u"z");
    const uint8_t high[] = {0x00, 0x04, 0x31, 0x04}; // a unit with a zero low byte is no NUL
    ASSERT_TRUE(s.InitCopy(high, sizeof high, 0));
    EXPECT_EQ(s.ReadWideString(2), u"\u0400\u0431");
}

TEST(Stream, GuidText) {
    uint8_t g[16];
    for (int i = 0; i < 16; ++i)
        g[i] = static_cast<uint8_t>(i * 17);
    StreamBase s;
    ASSERT_TRUE(s.InitCopy(g, 16, 0));
    EXPECT_EQ(s.ReadGuidText(), "{11003322-5544-7766-9988-bbaaddccffee}");
}

TEST(Stream, SubViewOfOwnedBufferCopiesAndKeepsOffsets) {
    uint8_t bytes[64];
    for (int i = 0; i < 64; ++i)
        bytes[i] = static_cast<uint8_t>(i);
    VolumeGeometry g;
    g.recordShift = 4;
    StreamBase s, sub, subsub;
    ASSERT_TRUE(s.InitCopy(bytes, 64, 1000));
    s.SetGeometry(&g);
    ASSERT_TRUE(s.SubView(&sub, 8, 40));
    ASSERT_TRUE(sub.SubView(&subsub, 4, 8));
    EXPECT_EQ(subsub.DiskOffset(), 1012u);
    EXPECT_EQ(subsub.U8At(0), 12);
    EXPECT_EQ(subsub.Geometry(), &g);
    subsub.Seek(5);
    EXPECT_EQ(subsub.RecordSlot(), (1012u + 5) >> 4);
    EXPECT_FALSE(sub.SubView(&subsub, 33, 8)); // 41 > 40
    EXPECT_FALSE(sub.SubView(nullptr, 0, 1));
    StreamBase none;
    EXPECT_EQ(none.RecordSlot(), 0u);
}

} // namespace
