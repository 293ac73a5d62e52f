#include "tests/condition/ConditionSupport.h"

#include "engine/volume/EntryPoints.h"
#include "engine/volume/OverwritingFile.h"
#include "platform/DriveMap.h"
#include "platform/Text.h"
#include "store/CppSQLite3Query.h"
#include "store/DataBase.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace tessaly::test {

ConditionVolume LoadConditionVolume(const std::string& name) {
    ConditionVolume volume;
    volume.image = VolumesDir() + "/" + name + ".img";
    std::ifstream in(VolumesDir() + "/" + name + ".manifest");
    EXPECT_TRUE(in.good()) << "missing " << name << ".manifest (scripts/make-condition-volumes)";
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string state, size, percent;
        ConditionEntry e;
        std::getline(fields, state, '\t');
        std::getline(fields, size, '\t');
        std::getline(fields, percent, '\t');
        std::getline(fields, e.takenBy, '\t');
        std::getline(fields, e.path);
        e.deleted = state == "deleted";
        e.size = std::stoull(size);
        e.percent = std::stoi(percent);
        volume.entries.push_back(e);
    }
    return volume;
}

std::vector<ConditionRow> ConditionRows(char letter) {
    DataBase store(letter);
    auto q = store.Db().query(
        std::string("select fn,size,isDeleted,isDir,recoverable,record,id from [") + letter + "]");
    std::vector<ConditionRow> rows;
    for (; !q.eof(); q.nextRow()) {
        ConditionRow r;
        r.name = q.getStringField(0);
        r.size = static_cast<uint64_t>(q.getInt64Field(1));
        r.deleted = q.getIntField(2) == 1;
        r.isDir = q.getIntField(3) != 0;
        if (!q.fieldIsNull(4)) r.recoverable = q.getIntField(4);
        r.record = static_cast<uint64_t>(q.getInt64Field(5));
        r.id = static_cast<uint64_t>(q.getInt64Field(6));
        rows.push_back(r);
    }
    return rows;
}

const ConditionRow* FindRow(const std::vector<ConditionRow>& rows, const ConditionEntry& entry) {
    const std::string name = entry.Name();
    for (const ConditionRow& r : rows) {
        if (r.isDir || r.deleted != entry.deleted || r.size != entry.size) continue;
        if (r.name == name) return &r;
        if (entry.deleted && r.name.size() == name.size() && name.size() > 1 &&
            r.name.compare(1, std::string::npos, name, 1) == 0)
            return &r;
    }
    return nullptr;
}

namespace {

bool AnyFolder(const char16_t*, void*) {
    return true;
}
void OnStart(uint32_t, uint32_t, uint32_t, void*) {}
bool OnProgress(uint32_t, uint32_t, void*) {
    return true;
}
void OnFinish(void*) {}

} // namespace

void ScanImage(char letter, const std::string& image, bool ntfs, bool complete) {
    ASSERT_EQ(platform::DriveMap::Instance().Bind(letter, image), "");
    if (ntfs)
        ASSERT_TRUE(ScanNtfsDrive(letter, OnStart, OnProgress, OnFinish, nullptr, complete));
    else if (complete)
        ASSERT_TRUE(AdvancedScanFatDrive(letter, OnStart, OnProgress, OnFinish, nullptr));
    else
        ASSERT_TRUE(QuickScanFatDrive(letter, AnyFolder, nullptr));
}

ShareCounts ExpectShares(const ConditionVolume& volume, const std::vector<ConditionRow>& rows,
                         bool deletedOnly) {
    ShareCounts counts;
    for (const ConditionEntry& e : volume.entries) {
        if (deletedOnly && !e.deleted) continue;
        const ConditionRow* row = FindRow(rows, e);
        if (!row) {
            ADD_FAILURE() << "no row for " << e.path;
            continue;
        }
        EXPECT_EQ(row->recoverable, std::optional<int>(e.percent)) << e.path;
        if (e.deleted)
            ++(e.percent == 100 ? counts.intact : e.percent == 0 ? counts.wholly : counts.partly);
    }
    for (const ConditionRow& r : rows)
        if (r.isDir) {
            EXPECT_FALSE(r.recoverable.has_value()) << r.name;
        }
    return counts;
}

int ExpectOverwritingFiles(char letter, FileSystemKind kind, const ConditionVolume& volume,
                           const std::vector<ConditionRow>& rows) {
    int named = 0;
    for (const ConditionEntry& e : volume.entries) {
        if (!e.deleted) continue;
        const ConditionRow* row = FindRow(rows, e);
        if (!row) {
            ADD_FAILURE() << "no row for " << e.path;
            continue;
        }
        const std::string by = platform::Utf16ToUtf8(OverwritingFile(letter, kind, row->record));
        if (e.takenBy == "-") {
            EXPECT_EQ(by, "") << e.path;
        } else {
            EXPECT_EQ(by, std::string(1, letter) + ":" + e.takenBy) << e.path;
            ++named;
        }
    }
    return named;
}

} // namespace tessaly::test
