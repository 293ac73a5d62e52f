#pragma once
// Small real volumes with what the round-1 volumes lack, built once per build tree (beside the
// round-1 volumes) with the file systems' own tools (ScratchVolume), for fat32 and ntfs alike:
//   Docs/Quarterly report.txt  live (kSecondVersion) and a deleted namesake (kFirstVersion),
//                              as an editor's save leaves them
//   Docs/other.txt
//   Long/<200 x U+65E5>AAAA.txt and Long/<200 x U+65E5>BBBB.txt   names of 612 UTF-8 bytes
//   Nest/L1/L2/.../L10/leaf.txt
#include <string>

namespace tessaly::test {

struct FaultVolume {
    std::string image;
    std::string why; // set when it could not be built
};

extern const char* const kFirstVersion;
extern const char* const kSecondVersion;
extern const char* const kOtherText;
extern const char* const kLeafText;
constexpr int kNestDepth = 10;
// The two long names (UTF-8).
std::string LongName(char variant); // 'A' or 'B'
std::string LongText(char variant);

// The volume of fs ("fat32" or "ntfs"), built on first use. Tests read it, never change it.
const FaultVolume& GetFaultVolume(const std::string& fs);

} // namespace tessaly::test
