#include "platform/LiveMount.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

std::string Table(const std::string& text) {
    char name[] = "/tmp/mountinfo.XXXXXX";
    const int fd = ::mkstemp(name);
    EXPECT_GE(fd, 0);
    ::close(fd);
    std::ofstream(name) << text;
    return name;
}

TEST(LiveMount, AFuseMountOfTheImageIsFoundByItsSource) {
    char image[] = "/tmp/volume.XXXXXX";
    const int fd = ::mkstemp(image);
    ASSERT_GE(fd, 0);
    ::close(fd);
    const std::string table = Table("22 1 0:21 / /proc rw,nosuid - proc proc rw\n"
                                    "40 22 0:45 / /mnt/with\\040space rw - fuseblk " +
                                    std::string(image) +
                                    " rw,user_id=0\n"
                                    "41 22 0:46 /sub /mnt/part rw - fuseblk " +
                                    std::string(image) + " rw\n");
    EXPECT_EQ(platform::MountPointOf(image, table), "/mnt/with space");
    EXPECT_EQ(platform::MountPointOf("/no/such/image", table), "");
    EXPECT_EQ(platform::MountPointOf("", table), "");
    std::remove(table.c_str());
    std::remove(image);
}

TEST(LiveMount, LivePathsStayBelowTheMountPoint) {
    using platform::LivePath;
    EXPECT_EQ(LivePath("/mnt/e", u"E:\\Docs\\Reports\\", u"a.txt"), "/mnt/e/Docs/Reports/a.txt");
    EXPECT_EQ(LivePath("/mnt/e/", u"E:\\", u"R\u00e9sum\u00e9.txt"),
              "/mnt/e/R\xc3\xa9sum\xc3\xa9.txt");
    EXPECT_EQ(LivePath("/", u"\\Docs\\", u"x"), "/Docs/x");
    EXPECT_EQ(LivePath("/mnt/e", u"E:\\..\\", u"passwd"), "");
    EXPECT_EQ(LivePath("/mnt/e", u"E:\\", u".."), "");
    EXPECT_EQ(LivePath("/mnt/e", u"E:\\", u"a/b"), "");
    EXPECT_EQ(LivePath("", u"E:\\", u"a"), "");
    EXPECT_EQ(LivePath("/mnt/e", u"E:\\", u""), "");
}

} // namespace
