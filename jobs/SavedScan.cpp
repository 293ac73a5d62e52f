#include "jobs/SavedScan.h"

#include "platform/RawDevice.h"
#include "platform/WriteGuard.h"
#include "store/CppSQLite3Exception.h"
#include "store/CppSQLite3Query.h"
#include "store/DataBase.h"
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

uint64_t SourceSize(const std::string& path) {
    platform::RawDevice d;
    return d.Open(path) ? d.Size() : 0;
}

struct Attached {
    Attached(CppSQLite3DB& db, const std::string& file) : m_db(db) {
        db.execute("attach database '" + QuoteSql(file) + "' as saved");
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

bool IsSavedScan(const std::string& file) {
    try {
        CppSQLite3DB db;
        db.openReadOnly(file.c_str());
        if (!db.tableExists("source") || !db.tableExists("rows")) return false;
        return !db.query("select letter from source").eof();
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
        Attached attached(store.Db(), temp);
        auto& db = store.Db();
        db.execute("create table saved.source(letter text, isNtfs integer, rootKey integer, "
                   "path text, size integer, bootChecksum text)");
        db.execute(SqlFormat("insert into saved.source values('%c', %d, %u, '%s', %llu, '%s')",
                             drive.letter, drive.isNtfs ? 1 : 0, drive.rootKey,
                             QuoteSql(drive.source).c_str(),
                             static_cast<unsigned long long>(SourceSize(drive.source)),
                             BootChecksum(drive.info).c_str()));
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
        db.openReadOnly(file.c_str());
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
        Attached attached(store.Db(), file);
        auto& db = store.Db();
        auto q = db.query("select isNtfs, size, bootChecksum, path from saved.source");
        const bool isNtfs = q.getIntField(0) != 0;
        const auto size = static_cast<uint64_t>(q.getInt64Field(1));
        const std::string checksum = q.getStringField(2);
        const std::string path = q.getStringField(3);
        q.finalize();
        if (isNtfs != drive.isNtfs || size != SourceSize(drive.source) ||
            checksum != BootChecksum(drive.info))
            throw SavedScanError{file + " was saved from " + path + ", which no longer matches " +
                                 drive.source + " (size or boot sector differ)"};
        store.DropTable();
        store.EnsureTable();
        store.BeginInsert();
        // Scans saved before the recoverable column existed load with it NULL.
        bool hasRecoverable = false;
        {
            auto columns = db.query("pragma saved.table_info(rows)");
            for (; !columns.eof(); columns.nextRow())
                if (std::strcmp(columns.getStringField(1), "recoverable") == 0)
                    hasRecoverable = true;
        }
        const char* kColumns = "fn,fn_ext,size,created,modified,accessed,attributes,id,pid,"
                               "isDeleted,isDir,record,firSector,path,depth";
        db.execute(SqlFormat("insert into main.%c (%s%s) select %s%s from saved.rows", drive.letter,
                             kColumns, hasRecoverable ? ",recoverable" : "", kColumns,
                             hasRecoverable ? ",recoverable" : ""));
        store.EndInsert();
    } catch (const CppSQLite3Exception& e) {
        throw SavedScanError{"cannot load " + file + ": " + e.errorMessage()};
    }
}

std::string SavedScanSource(const std::string& file) {
    SavedScanLetter(file); // refuses what is not a saved scan
    try {
        CppSQLite3DB db;
        db.openReadOnly(file.c_str());
        auto q = db.query("select path from source");
        return q.eof() ? std::string() : std::string(q.getStringField(0));
    } catch (const CppSQLite3Exception&) {
        throw SavedScanError{file + " is not a saved scan"};
    }
}
