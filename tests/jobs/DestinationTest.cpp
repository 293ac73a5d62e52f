#include "platform/Destination.h"
#include "jobs/RecoveryJob.h"
#include "tests/support/ByteImage.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

using namespace tessaly::test;

namespace {

TEST(Destination, Verdicts) {
    TempDir dir;
    const std::string image = ByteImage(4096).WriteTo(dir.File("source.img"));
    EXPECT_EQ(CheckDestination(dir.path(), image), DestinationVerdict::kOk);
    EXPECT_EQ(CheckDestination(dir.File("new/deeper"), image), DestinationVerdict::kMissing);
    EXPECT_EQ(CheckDestination(image, image), DestinationVerdict::kInvalid); // a file
    EXPECT_EQ(CheckDestination(image + "/below", image), DestinationVerdict::kInvalid);
    EXPECT_EQ(CheckDestination("", image), DestinationVerdict::kInvalid);
    // An image file is never "the same drive": writing beside it cannot change its bytes.
    EXPECT_FALSE(platform::IsOnSource(dir.path(), image));
    EXPECT_EQ(platform::ExistingAncestor(dir.File("a/b/c")), dir.path());
}

} // namespace
