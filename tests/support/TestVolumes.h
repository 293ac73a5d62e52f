#pragma once
// Access to the real FAT32 and NTFS volumes that scripts/make-test-volumes builds in the
// build tree, and to the manifest of what each holds.
#include <cstdint>
#include <string>
#include <vector>

namespace tessaly::test {

struct ManifestEntry {
    bool isDir = false;
    bool deleted = false;
    uint64_t size = 0;
    std::string md5;                // "-" for folders
    int64_t mtime = 0;              // seconds since 1970 UTC
    std::vector<std::string> flags; // fragmented, sparse, compressed, resident, hardlinks, ...
    std::string path;               // relative to the volume root, "/"-separated

    bool HasFlag(const std::string& flag) const;
};

struct TestVolume {
    std::string image;    // path of the image file
    std::string manifest; // path of the manifest file
    std::vector<ManifestEntry> entries;

    const ManifestEntry* Find(const std::string& path) const;
};

// Folder holding the images (the build tree's "volumes" folder, or $TESSALY_VOLUMES).
std::string VolumesDir();
// Loads "<name>.img" and "<name>.manifest" from VolumesDir(): "fat32" and "ntfs" (from
// scripts/make-test-volumes), "fat-foreign", "fat-nodates", "ntfs512" and "ntfsfrag" (from
// scripts/make-foreign-volumes).
// Fails the calling test (GTEST_SKIP is not used: the volumes are a required fixture).
const TestVolume& LoadVolume(const std::string& name);

// MD5 of a file's bytes as lower-case hex, for comparing recovered data with the manifest.
std::string Md5OfFile(const std::string& path);
std::string Md5OfBytes(const void* data, size_t size);

} // namespace tessaly::test
