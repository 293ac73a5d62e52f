#include "tests/exfat/ExfatTestSupport.h"

#include "engine/exfat/ExfatVolume.h"
#include "engine/volume/EntryPoints.h"
#include "platform/DriveMap.h"
#include "platform/Text.h"
#include "tests/fat/FatTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

namespace tessaly::test {

uint64_t ExfatRootCluster(const std::string& image) {
    ExfatVolume volume;
    if (!volume.OpenPath(image, true)) return 0;
    return volume.Boot().rootCluster;
}

void ScanExfat(char letter, const std::string& image, bool complete, ExfatScan& out) {
    ASSERT_EQ(platform::DriveMap::Instance().Bind(letter, image), "");
    if (complete) {
        ASSERT_TRUE(AdvancedScanFatDrive(
            letter, [](uint32_t, uint32_t, uint32_t, void*) {},
            [](uint32_t, uint32_t, void*) { return true; }, [](void*) {}, nullptr));
    } else {
        ASSERT_TRUE(QuickScanFatDrive(
            letter, [](const char16_t*, void*) { return true; }, nullptr));
    }
    out.rows = RowsOf(letter);
    out.root = ExfatRootCluster(image);
    out.byPath = RowsByPath(out.rows, out.root);
}

std::string RecoverRecord(char letter, uint64_t record, const std::string& dir, bool* ok) {
    const std::string target = dir + "/" + std::to_string(record);
    std::filesystem::create_directories(target);
    const std::u16string folder = platform::Utf8ToUtf16(target);
    g_engineCancel = false;
    *ok = RecoverItem(
        letter, false, record, folder.c_str(), nullptr, nullptr, nullptr, nullptr,
        [](const char16_t*, uint32_t, int* answer, void*) { *answer = 0; }, nullptr);
    return target;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::vector<uint8_t> bytes(in ? static_cast<size_t>(in.tellg()) : 0);
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

} // namespace tessaly::test
