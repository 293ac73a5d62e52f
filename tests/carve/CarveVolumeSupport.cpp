#include "tests/carve/CarveVolumeSupport.h"

#include "engine/carve/CarveOptions.h"
#include "engine/carve/CarvedRows.h"
#include "engine/volume/EntryPoints.h"
#include "platform/DriveMap.h"
#include "platform/Text.h"
#include "store/CppSQLite3Query.h"
#include "store/DataBase.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

namespace tessaly::test {

namespace {

void Start(uint32_t, uint32_t, uint32_t, void*) {}
bool Progress(uint32_t, uint32_t, void*) {
    return true;
}
void Finish(void*) {}

} // namespace

CarveManifest LoadCarveManifest(const std::string& file) {
    CarveManifest m;
    std::ifstream in(VolumesDir() + "/" + file);
    EXPECT_TRUE(in.good()) << "missing " << file;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string kind, size, md5, name;
        std::getline(fields, kind, '\t');
        std::getline(fields, size, '\t');
        std::getline(fields, md5, '\t');
        std::getline(fields, name, '\t');
        m.all[md5] = name;
        m.sizes[md5] = std::stoull(size);
        if (kind == "carve") m.carved[md5] = name;
    }
    return m;
}

std::vector<CarveRow> CarveRows(char letter) {
    DataBase store(letter);
    std::vector<CarveRow> rows;
    CppSQLite3Query q = store.Db().query(std::string("select fn,size,id,pid,record,firSector,"
                                                     "isDir,isDeleted from [") +
                                         letter + "]");
    for (; !q.eof(); q.nextRow()) {
        CarveRow r;
        r.name = q.getStringField(0, "");
        r.size = static_cast<uint64_t>(q.getInt64Field(1));
        r.id = static_cast<uint64_t>(q.getInt64Field(2));
        r.pid = static_cast<uint64_t>(q.getInt64Field(3));
        r.record = static_cast<uint64_t>(q.getInt64Field(4));
        r.sector = static_cast<uint64_t>(q.getInt64Field(5));
        r.isDir = q.getInt64Field(6) != 0;
        r.deleted = q.getInt64Field(7) == 1;
        rows.push_back(r);
    }
    return rows;
}

bool IsCarved(const CarveRow& r) {
    return !r.isDir && r.pid > kCarvedFolderId && r.pid <= kCarvedFolderId + kCarveFormatCount;
}

std::vector<std::pair<uint64_t, uint64_t>> CarvedSpans(const std::vector<CarveRow>& rows) {
    std::vector<std::pair<uint64_t, uint64_t>> spans;
    for (const CarveRow& r : rows)
        if (IsCarved(r)) spans.emplace_back(r.sector, r.sector + (r.size + 511) / 512);
    std::sort(spans.begin(), spans.end());
    return spans;
}

void PrepareCarveVolume(char letter, const std::string& image) {
    ASSERT_TRUE(fs::exists(image)) << image;
    ASSERT_EQ(platform::DriveMap::Instance().Bind(letter, image), "");
    ResetCarveOptions();
}

void ResetCarveOptions() {
    SetCarveOptions(CarveOptions{});
}

bool CompleteScan(char letter, bool ntfs) {
    return ntfs ? ScanNtfsDrive(letter, Start, Progress, Finish, nullptr, true)
                : AdvancedScanFatDrive(letter, Start, Progress, Finish, nullptr);
}

std::string RecoverMd5(char letter, bool ntfs, const CarveRow& row, const TempDir& out) {
    const std::string folder = out.File(std::to_string(row.record));
    fs::create_directories(folder);
    const std::u16string dest = platform::Utf8ToUtf16(folder);
    g_engineCancel = false;
    const bool ok = RecoverItem(
        letter, ntfs, row.record, dest.c_str(), nullptr, nullptr, nullptr, nullptr,
        [](const char16_t*, uint32_t, int* answer, void*) { *answer = 0; }, nullptr);
    if (!ok) return "recovery failed";
    return Md5OfFile(folder + "/" + row.name);
}

void ExpectAtLeastAsManyAsPhotoRec(char letter, bool ntfs, const std::string& image,
                                   const CarveManifest& manifest) {
    if (std::system("command -v photorec >/dev/null 2>&1") != 0) GTEST_SKIP() << "no photorec";
    TempDir out;
    const std::string command = "photorec /d " + out.File("recup") + " /cmd " + image +
                                " partition_none,options,paranoid,search >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::set<std::string> theirs;
    for (const auto& dir : fs::directory_iterator(out.path()))
        if (dir.is_directory())
            for (const auto& f : fs::directory_iterator(dir.path()))
                if (manifest.all.count(Md5OfFile(f.path().string())))
                    theirs.insert(Md5OfFile(f.path().string()));

    ASSERT_TRUE(CompleteScan(letter, ntfs));
    TempDir mine;
    std::set<std::string> ours;
    for (const CarveRow& r : CarveRows(letter)) {
        if (r.isDir || r.size == 0 || r.name.empty() || r.name[0] == '$') continue;
        const std::string md5 = RecoverMd5(letter, ntfs, r, mine);
        if (manifest.all.count(md5)) ours.insert(md5);
    }
    std::cout << fs::path(image).filename().string() << " byte-exact files: complete scan "
              << ours.size() << ", PhotoRec " << theirs.size() << "\n";
    EXPECT_GE(ours.size(), theirs.size());
}

} // namespace tessaly::test
