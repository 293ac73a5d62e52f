#include "platform/DriveMap.h"
#include "tests/support/ByteImage.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

using namespace tessaly::test;

namespace {

TEST(DriveMap, ExplicitBindingsResolveDevicePaths) {
    TempDir dir;
    const std::string image = ByteImage(1024).WriteTo(dir.File("a.img"));
    platform::DriveMap map;
    EXPECT_EQ(map.BindSpec("e=" + image), "");
    EXPECT_EQ(platform::DevicePath('E'), "\\\\.\\E:");
    EXPECT_EQ(map.Resolve("\\\\.\\E:"), image);
    EXPECT_EQ(map.Resolve("E:"), image);
    EXPECT_EQ(map.Resolve("\\\\.\\F:"), std::nullopt);
    EXPECT_EQ(map.Resolve("\\\\.\\E:\\x"), std::nullopt);
    EXPECT_EQ(map.BindSpec("F:=" + image), "");
    EXPECT_EQ(map.PathFor('f'), image);
}

TEST(DriveMap, BadBindingsNameThePath) {
    platform::DriveMap map;
    const std::string err = map.Bind('E', "/no/such/image.img");
    EXPECT_NE(err.find("/no/such/image.img"), std::string::npos) << err;
    EXPECT_NE(map.Bind('A', "/dev/null"), "");
    EXPECT_NE(map.BindSpec("E"), "");
    EXPECT_NE(map.BindSpec("EE=/x"), "");
    TempDir dir;
    EXPECT_NE(map.Bind('E', dir.path()), ""); // a folder is no volume
    EXPECT_TRUE(map.Sources().empty());
}

TEST(DriveMap, DetectedPartitionsFillFreeLettersAfterExplicitOnes) {
    TempDir dir;
    const std::string image = ByteImage(1024).WriteTo(dir.File("a.img"));
    platform::DriveMap map;
    ASSERT_EQ(map.Bind('C', image), "");
    map.DetectLocalPartitions();
    const auto sources = map.Sources();
    ASSERT_FALSE(sources.empty());
    EXPECT_EQ(sources[0].letter, 'C');
    EXPECT_EQ(sources[0].path, image);
    EXPECT_TRUE(sources[0].explicitBinding);
    const auto partitions = platform::DriveMap::LocalPartitions();
    ASSERT_EQ(sources.size(), 1 + std::min<size_t>(partitions.size(), 23));
    for (size_t i = 1; i < sources.size(); ++i) {
        EXPECT_FALSE(sources[i].explicitBinding);
        EXPECT_EQ(sources[i].letter, static_cast<char>('C' + i));
        EXPECT_EQ(sources[i].path, partitions[i - 1]);
    }
    map.DetectLocalPartitions(); // stable
    EXPECT_EQ(map.Sources().size(), sources.size());
}

} // namespace
