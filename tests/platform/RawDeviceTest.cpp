#include "platform/RawDevice.h"
#include "tests/support/ByteImage.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tessaly::test;

namespace {

TEST(RawDevice, ShortReadsAreZeroFilled) {
    TempDir dir;
    ByteImage img(1000);
    img.Fill(0, 1000, 0xAB);
    platform::RawDevice dev;
    ASSERT_TRUE(dev.Open(img.WriteTo(dir.File("x.img"))));
    EXPECT_EQ(dev.Size(), 1000u);
    std::vector<uint8_t> buf(4096, 0xCD);
    EXPECT_EQ(dev.ReadAt(900, buf.data(), buf.size()), 100);
    EXPECT_EQ(buf[99], 0xAB);
    for (size_t i = 100; i < buf.size(); ++i)
        ASSERT_EQ(buf[i], 0) << i;
    std::fill(buf.begin(), buf.end(), 0xCD);
    EXPECT_EQ(dev.ReadAt(5000, buf.data(), 16), 0);
    EXPECT_EQ(buf[0], 0);
    EXPECT_EQ(dev.ReadAt(1ULL << 63, buf.data(), 16), 0);
}

TEST(RawDevice, OpenFailuresKeepTheReason) {
    platform::RawDevice dev;
    EXPECT_FALSE(dev.Open("/no/such/file"));
    EXPECT_FALSE(dev.Error().empty());
    uint8_t b;
    EXPECT_EQ(dev.ReadAt(0, &b, 1), -1);
    TempDir dir;
    EXPECT_FALSE(dev.Open(dir.path()));
}

} // namespace
