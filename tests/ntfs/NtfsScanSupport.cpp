#include "tests/ntfs/NtfsScanSupport.h"

#include "engine/volume/EntryPoints.h"
#include "platform/DriveMap.h"
#include "store/DataBase.h"

#include <gtest/gtest.h>

#include <deque>
#include <set>

namespace tessaly::test {
namespace {

void OnStart(uint32_t low, uint32_t high, uint32_t range, void* context) {
    auto* log = static_cast<ScanLog*>(context);
    log->total = (static_cast<uint64_t>(high) << 32) | low;
    log->range = range;
}

bool OnProgress(uint32_t low, uint32_t high, void* context) {
    auto* log = static_cast<ScanLog*>(context);
    log->progress.push_back((static_cast<uint64_t>(high) << 32) | low);
    return log->cancelAt < 0 || static_cast<int64_t>(log->progress.size()) - 1 != log->cancelAt;
}

void OnFinish(void* context) {
    ++static_cast<ScanLog*>(context)->finished;
}

} // namespace

bool ScanImage(char letter, const std::string& image, bool advanced, ScanLog& log) {
    const std::string error = platform::DriveMap::Instance().Bind(letter, image);
    EXPECT_EQ(error, "");
    return ScanNtfsDrive(letter, OnStart, OnProgress, OnFinish, &log, advanced);
}

std::vector<StoredRow> ReadTable(char letter, uint64_t rootId) {
    DataBase store(letter);
    CppSQLite3DB& db = SharedDatabase();
    // Breadth-first over the folders, so that each folder's own path is there first.
    std::deque<uint64_t> folders{rootId};
    std::set<uint64_t> seen{rootId};
    while (!folders.empty()) {
        const uint64_t folder = folders.front();
        folders.pop_front();
        store.FillChildPaths(folder);
        CppSQLite3Table t = db.table("select id from " + std::string(1, letter) +
                                     " where isDir>0 and pid=" + std::to_string(folder));
        for (int r = 0; r < t.numRows(); ++r) {
            t.setRow(r);
            const auto id = static_cast<uint64_t>(t.getInt64Field(0));
            if (seen.insert(id).second) folders.push_back(id);
        }
    }
    std::vector<StoredRow> rows;
    CppSQLite3Table t = db.table("select fn,path,size,created,modified,accessed,attributes,id,"
                                 "pid,isDeleted,isDir,record,firSector from " +
                                 std::string(1, letter));
    for (int r = 0; r < t.numRows(); ++r) {
        t.setRow(r);
        StoredRow row;
        row.name = t.getStringField(0);
        row.path = t.getStringField(1);
        row.size = static_cast<uint64_t>(t.getInt64Field(2));
        row.created = static_cast<uint64_t>(t.getInt64Field(3));
        row.modified = static_cast<uint64_t>(t.getInt64Field(4));
        row.accessed = static_cast<uint64_t>(t.getInt64Field(5));
        row.attributes = static_cast<uint32_t>(t.getInt64Field(6));
        row.id = static_cast<uint64_t>(t.getInt64Field(7));
        row.pid = static_cast<uint64_t>(t.getInt64Field(8));
        row.isDeleted = t.getIntField(9);
        row.isDir = t.getIntField(10);
        row.record = static_cast<uint64_t>(t.getInt64Field(11));
        row.firSector = t.getInt64Field(12);
        rows.push_back(row);
    }
    return rows;
}

std::string RelativePath(const StoredRow& row) {
    std::string p = row.path;
    if (p.size() >= 3 && p[1] == ':' && p[2] == '\\') p = p.substr(3);
    for (char& c : p)
        if (c == '\\') c = '/';
    return p + row.name;
}

} // namespace tessaly::test
