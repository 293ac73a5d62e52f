#include "SyntheticVolume.h"

#include "platform/Text.h"
#include "store/DataBase.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <random>

SyntheticVolume MakeSyntheticVolume(size_t rowCount, uint32_t seed) {
    static const char* const kExtensions[] = {"txt", "jpg",    "doc", "dll", "exe",
                                              "png", "TAR.GZ", "mp3", "",    "html"};
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    SyntheticVolume volume;
    volume.rows.reserve(rowCount);
    uint64_t nextId = 3; // FAT-like: the root folder is cluster 2
    uint64_t record = 0;

    auto add = [&](uint64_t pid, bool isDir, const std::string& name) -> SyntheticRow& {
        SyntheticRow row;
        row.utf8Name = name;
        row.name = platform::Utf8ToUtf16(name);
        row.ext = ExtensionOf(name);
        row.isDir = isDir;
        row.isDeleted = unit(random) < 0.2;
        row.size = isDir ? 0 : static_cast<uint64_t>(std::exp(unit(random) * 16.0));
        row.created = 130000000000000000ULL + random() % 10000000000000ULL;
        row.modified = row.created + random() % 1000000000ULL;
        row.accessed = row.modified;
        row.attributes = isDir ? 0x10 : 0x20;
        row.id = nextId++;
        row.pid = pid;
        row.record = ++record;
        row.firSector = row.id * 8;
        volume.rows.push_back(std::move(row));
        return volume.rows.back();
    };

    // Folders waiting for their entries, with the number of entries each gets.
    std::deque<std::pair<uint64_t, size_t>> folders;
    const size_t bigEntries = std::min<size_t>(10000, rowCount / 2);
    {
        SyntheticRow& big = add(volume.rootId, true, "Big Folder");
        big.isDeleted = false;
        volume.bigFolderId = big.id;
        volume.bigFolderRecord = big.record;
        volume.bigFolderEntries = bigEntries;
        folders.emplace_back(big.id, bigEntries);
    }
    folders.emplace_back(volume.rootId, 50);
    size_t fileNumber = 0;
    while (volume.rows.size() < rowCount) {
        if (folders.empty()) {
            folders.emplace_back(volume.rootId, 50);
        }
        const auto [folderId, entries] = folders.front();
        folders.pop_front();
        for (size_t i = 0; i < entries && volume.rows.size() < rowCount; ++i) {
            const double pick = unit(random);
            if (pick < 0.01 && folderId != volume.bigFolderId) {
                // An entry whose parent folder was lost: it lands under the extra folder.
                add(900000000 + random() % 1000, false,
                    "lost" + std::to_string(++fileNumber) + ".dat");
            } else if (pick < 0.06 && folderId != volume.bigFolderId) {
                SyntheticRow& folder = add(folderId, true, "dir" + std::to_string(++fileNumber));
                // 10 to 10,000 entries, most folders small.
                const auto count =
                    static_cast<size_t>(10.0 * std::pow(1000.0, unit(random) * unit(random)));
                folders.emplace_back(folder.id, count);
            } else {
                const char* ext = kExtensions[random() % 10];
                std::string name = "file" + std::to_string(++fileNumber);
                if (*ext != '\0') {
                    name += std::string(".") + ext;
                }
                add(folderId, false, name);
            }
        }
    }
    return volume;
}
