#include "tests/fat/FatTestSupport.h"

#include "platform/DriveMap.h"
#include "platform/Text.h"
#include "store/DataBase.h"

#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>

namespace tessaly::test {

namespace {
// FAT times are local time; the test volumes are written with local time = UTC.
const bool kUtc = [] {
    setenv("TZ", "UTC", 1);
    tzset();
    return true;
}();
} // namespace

std::string BindImage(char letter, const FatImage& image, const TempDir& dir,
                      const std::string& name) {
    (void)kUtc;
    const std::string path = image.WriteTo(dir.File(name));
    const std::string error = platform::DriveMap::Instance().Bind(letter, path);
    EXPECT_EQ(error, "");
    return path;
}

std::vector<ScanRow> RowsOf(char letter) {
    DataBase store(letter);
    CppSQLite3Table table =
        store.Db().table(std::string("select * from ") + store.Letter() + " order by record");
    std::vector<ScanRow> rows;
    for (int i = 0; i < table.numRows(); ++i) {
        table.setRow(i);
        rows.push_back(RowFromTable(table, true));
    }
    return rows;
}

const ScanRow* FindRow(const std::vector<ScanRow>& rows, const std::u16string& name) {
    for (const auto& r : rows)
        if (r.name == name) return &r;
    return nullptr;
}

std::string ShownName(const ManifestEntry& e) {
    const auto slash = e.path.rfind('/');
    std::string name = slash == std::string::npos ? e.path : e.path.substr(slash + 1);
    if (e.deleted && !e.HasFlag("longname")) name[0] = '_';
    return name;
}

std::string ShownPath(const TestVolume& volume, const ManifestEntry& e) {
    const auto slash = e.path.rfind('/');
    std::string parent;
    if (slash != std::string::npos) {
        const ManifestEntry* p = volume.Find(e.path.substr(0, slash));
        parent = p ? ShownPath(volume, *p) + "/" : e.path.substr(0, slash + 1);
    }
    return parent + ShownName(e);
}

std::multimap<std::string, const ScanRow*> RowsByPath(const std::vector<ScanRow>& rows,
                                                      uint64_t root) {
    std::map<uint64_t, const ScanRow*> folders;
    for (const auto& r : rows) {
        if (!r.isDir) continue;
        auto [it, added] = folders.emplace(r.id, &r);
        if (!added && it->second->isDeleted == 1 && r.isDeleted != 1) it->second = &r;
    }
    std::multimap<std::string, const ScanRow*> byPath;
    for (const auto& r : rows) {
        std::string path = platform::Utf16ToUtf8(r.name);
        uint64_t pid = r.pid;
        for (int depth = 0; pid != root && depth < 64; ++depth) {
            auto it = folders.find(pid);
            if (it == folders.end()) {
                path = "?/" + path;
                break;
            }
            path = platform::Utf16ToUtf8(it->second->name) + "/" + path;
            pid = it->second->pid;
        }
        byPath.emplace(path, &r);
    }
    return byPath;
}

bool SinkLog::Sink(const uint8_t* data, uint32_t length, void* self) {
    auto* log = static_cast<SinkLog*>(self);
    const int call = static_cast<int>(log->lengths.size());
    log->lengths.push_back(length);
    log->bytes.insert(log->bytes.end(), data, data + length);
    return call != log->refuseAfter;
}

} // namespace tessaly::test
