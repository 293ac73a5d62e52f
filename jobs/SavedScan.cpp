#include "jobs/SavedScan.h"

#include "jobs/VolumeBinder.h"
#include "platform/VolumeSource.h"
#include "platform/WriteGuard.h"
#include "store/CppSQLite3Exception.h"
#include "store/CppSQLite3Query.h"
#include "store/DataBase.h"
#include "store/SavedScanSchema.h"
#include "store/SqlText.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string BootChecksum(const DriveBootInfo& info) {
    uint64_t h = 1469598103934665603ULL; // FNV-1a
    for (uint8_t b : info.bootSector)
        h = (h ^ b) * 1099511628211ULL;
    char text[20];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    return text;
}

// Bytes of the volume a drive reads: its window on the source.
uint64_t SourceSize(const CheckedDrive& drive) {
    platform::DriveSource binding = drive.binding;
    if (binding.path.empty()) binding = platform::DriveSource(drive.letter, drive.source, true);
    const platform::OpenedVolume volume = platform::OpenVolume(binding);
    return volume.source ? volume.source->Size() : 0;
}

// Which volume of its source a scan came from: "partition 2 (40.0 MiB at 25.0 MiB)", "the
// volume found at 1.0 MiB" or "the whole source".
std::string VolumeWords(uint32_t partition, uint64_t offset, uint64_t length) {
    if (partition != 0)
        return "partition " + std::to_string(partition) + " (" + FormatBytes(length) + " at " +
               FormatBytes(offset) + ")";
    if (offset != 0) return "the volume found at " + FormatBytes(offset);
    return "the whole source";
}

// Attaches file as "saved": read-only when it is a scan to load (never changed, not even by
// rolling back a journal left beside it), read-write when it is the file being saved.
struct Attached {
    Attached(CppSQLite3DB& db, const std::string& file, bool readOnly) : m_db(db) {
        DistrustSchemas(db);
        db.execute("attach database '" + QuoteSql(FileUri(file, readOnly)) + "' as saved");
    }
    ~Attached() {
        try {
            m_db.execute("detach database saved");
        } catch (const CppSQLite3Exception&) {
        }
    }
    CppSQLite3DB& m_db;
};

} // namespace

// Opens a saved scan on a connection of its own and refuses it unless its shape is that of a
// saved scan (nothing in it has run yet).
void OpenChecked(CppSQLite3DB& db, const std::string& file) {
    db.openReadOnly(file.c_str());
    DistrustSchemas(db);
    const std::string problem = SavedScanProblem(db, "main");
    if (!problem.empty()) throw SavedScanError{file + " is refused as a saved scan: " + problem};
}

bool IsSavedScan(const std::string& file) {
    try {
        CppSQLite3DB db;
        OpenChecked(db, file);
        return !db.query("select letter from source").eof();
    } catch (const SavedScanError&) {
        return false;
    } catch (const CppSQLite3Exception&) {
        return false;
    }
}

void CheckSaveTarget(const CheckedDrive& drive, const std::string& file, bool overwrite) {
    const platform::WriteCheck check =
        platform::CheckWriteTarget(file, platform::WriteTarget::kFile, {drive.source});
    if (!check.Ok()) throw SavedScanError{"cannot save the scan: " + check.Message()};
    struct stat st {};
    if (::lstat(file.c_str(), &st) != 0) return;
    if (S_ISREG(st.st_mode) && IsSavedScan(file)) return; // an older save is replaced
    if (!overwrite)
        throw SavedScanError{file +
                             " exists and is not a saved scan; it is left alone (use --overwrite "
                             "to replace it)"};
    if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode))
        throw SavedScanError{"cannot save the scan: " + file + " is not a regular file"};
}

void SaveScan(const CheckedDrive& drive, const std::string& file, bool overwrite) {
    CheckSaveTarget(drive, file, overwrite);
    std::string temp = file + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        throw SavedScanError{"cannot save the scan to " + file + ": " + std::strerror(errno)};
    ::close(fd);
    try {
        DataBase store(drive.letter);
        Attached attached(store.Db(), temp, false);
        auto& db = store.Db();
        db.execute("create table saved.source(letter text, isNtfs integer, rootKey integer, "
                   "path text, size integer, bootChecksum text, volumeOffset integer, "
                   "volumeLength integer, partition integer, container text)");
        db.execute(SqlFormat(
            "insert into saved.source values('%c', %d, %u, '%s', %llu, '%s', %llu, %llu, %u, "
            "'%s')",
            drive.letter, drive.isNtfs ? 1 : 0, drive.rootKey, QuoteSql(drive.source).c_str(),
            static_cast<unsigned long long>(SourceSize(drive)), BootChecksum(drive.info).c_str(),
            static_cast<unsigned long long>(drive.binding.offset),
            static_cast<unsigned long long>(drive.binding.length), drive.binding.partitionNumber,
            platform::ContainerName(drive.binding.container)));
        db.execute(SqlFormat("create table saved.rows as select * from main.%c order by rowid",
                             drive.letter));
    } catch (const CppSQLite3Exception& e) {
        ::unlink(temp.c_str());
        throw SavedScanError{"cannot save the scan to " + file + ": " + e.errorMessage()};
    }
    if (::rename(temp.c_str(), file.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        throw SavedScanError{"cannot save the scan to " + file + ": " + std::strerror(error)};
    }
}

char SavedScanLetter(const std::string& file) {
    if (::access(file.c_str(), R_OK) != 0)
        throw SavedScanError{"cannot read " + file + ": " + std::strerror(errno)};
    try {
        CppSQLite3DB db;
        OpenChecked(db, file);
        auto q = db.query("select letter from source");
        if (q.eof()) throw SavedScanError{file + " holds no saved scan"};
        return q.getStringField(0)[0];
    } catch (const CppSQLite3Exception&) {
        throw SavedScanError{file + " is not a saved scan"};
    }
}

void LoadScan(const CheckedDrive& drive, const std::string& file) {
    if (SavedScanLetter(file) != drive.letter)
        throw SavedScanError{file + " holds a scan of another drive letter"};
    try {
        DataBase store(drive.letter);
        Attached attached(store.Db(), file, true);
        auto& db = store.Db();
        // Checked again as attached: the file may have changed since it was first looked at.
        const std::string problem = SavedScanProblem(db, "saved");
        if (!problem.empty())
            throw SavedScanError{file + " is refused as a saved scan: " + problem};
        auto q = db.query("select isNtfs, size, bootChecksum, path from saved.source");
        const bool isNtfs = q.getIntField(0) != 0;
        const auto size = static_cast<uint64_t>(q.getInt64Field(1));
        const std::string checksum = q.getStringField(2);
        const std::string path = q.getStringField(3);
        q.finalize();
        const SavedVolume saved = SavedScanVolume(file);
        if (saved.partition != drive.binding.partitionNumber ||
            saved.offset != drive.binding.offset)
            throw SavedScanError{file + " holds a scan of " +
                                 VolumeWords(saved.partition, saved.offset, saved.length) + " of " +
                                 path + "; drive " + std::string(1, drive.letter) + ": is " +
                                 VolumeWords(drive.binding.partitionNumber, drive.binding.offset,
                                             drive.binding.length) +
                                 " of " + drive.source + " (bind that volume, e.g. --drive " +
                                 std::string(1, drive.letter) + "=" + path +
                                 (saved.partition != 0 ? "#" + std::to_string(saved.partition)
                                  : saved.offset != 0  ? "#@" + std::to_string(saved.offset)
                                                       : "") +
                                 ")"};
        if (isNtfs != drive.isNtfs || size != SourceSize(drive) ||
            checksum != BootChecksum(drive.info))
            throw SavedScanError{file + " was saved from " + path + ", which no longer matches " +
                                 drive.source + " (size or boot sector differ)"};
        store.DropTable();
        store.EnsureTable();
        store.BeginInsert();
        CopySavedRows(db, drive.letter);
        store.EndInsert();
    } catch (const CppSQLite3Exception& e) {
        throw SavedScanError{"cannot load " + file + ": " + e.errorMessage()};
    }
}

std::string SavedScanSource(const std::string& file) {
    SavedScanLetter(file); // refuses what is not a saved scan
    try {
        CppSQLite3DB db;
        OpenChecked(db, file);
        auto q = db.query("select path from source");
        return q.eof() ? std::string() : std::string(q.getStringField(0));
    } catch (const CppSQLite3Exception&) {
        throw SavedScanError{file + " is not a saved scan"};
    }
}

SavedVolume SavedScanVolume(const std::string& file) {
    SavedScanLetter(file); // refuses what is not a saved scan
    SavedVolume v;
    try {
        CppSQLite3DB db;
        db.openReadOnly(file.c_str());
        auto q = db.query("select volumeOffset, volumeLength, partition from source");
        if (!q.eof()) {
            v.offset = static_cast<uint64_t>(q.getInt64Field(0));
            v.length = static_cast<uint64_t>(q.getInt64Field(1));
            v.partition = static_cast<uint32_t>(q.getInt64Field(2));
        }
    } catch (const CppSQLite3Exception&) {
        // Saved before scans named their volume: the whole source.
    }
    return v;
}
