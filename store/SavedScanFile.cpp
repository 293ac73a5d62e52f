#include "store/SavedScanFile.h"

#include "store/CppSQLite3Exception.h"
#include "store/DataBase.h"
#include "store/SavedScanSchema.h"
#include "store/SqlText.h"

namespace {

// Attaches file as "saved": read-only when it is a scan to load (never changed, not even by
// rolling back a journal left beside it), read-write when it is the file being saved.
void Attach(CppSQLite3DB& db, const std::string& file, bool readOnly) {
    DistrustSchemas(db);
    db.execute("attach database '" + QuoteSql(FileUri(file, readOnly)) + "' as saved");
}

void Detach(CppSQLite3DB& db) {
    try {
        db.execute("detach database saved");
    } catch (const CppSQLite3Exception&) {
    }
}

} // namespace

void WriteSavedScan(DataBase& store, const std::string& file, const SavedSource& source) {
    CppSQLite3DB& db = store.Db();
    Attach(db, file, false);
    struct Detacher {
        CppSQLite3DB& db;
        ~Detacher() { Detach(db); }
    } detacher{db};
    db.execute("create table saved.source(letter text, isNtfs integer, rootKey integer, "
               "path text, size integer, bootChecksum text, volumeOffset integer, "
               "volumeLength integer, partition integer, container text, foldersTooDeep integer, "
               "depthBound integer)");
    db.execute(SqlFormat(
        "insert into saved.source values('%c', %d, %u, '%s', %llu, '%s', %llu, "
        "%llu, %u, '%s', %llu, %u)",
        source.letter, source.isNtfs ? 1 : 0, source.rootKey, QuoteSql(source.path).c_str(),
        static_cast<unsigned long long>(source.size), QuoteSql(source.bootChecksum).c_str(),
        static_cast<unsigned long long>(source.volumeOffset),
        static_cast<unsigned long long>(source.volumeLength), source.partition,
        QuoteSql(source.container).c_str(), static_cast<unsigned long long>(source.unread.count),
        source.unread.depthBound));
    db.execute(SqlFormat("create table saved.rows as select * from main.%c order by rowid",
                         store.Letter()));
}

std::string OpenSavedScan(CppSQLite3DB& db, const std::string& file) {
    db.openReadOnly(file.c_str());
    DistrustSchemas(db);
    return SavedScanProblem(db, "main");
}

std::optional<SavedSource> ReadSavedSource(CppSQLite3DB& db, const char* schema) {
    SavedSource source;
    {
        auto q = db.query(SqlFormat(
            "select letter, isNtfs, rootKey, path, size, bootChecksum from \"%s\".source", schema));
        if (q.eof()) return std::nullopt;
        source.letter = q.getStringField(0)[0];
        source.isNtfs = q.getIntField(1) != 0;
        source.rootKey = static_cast<uint32_t>(q.getInt64Field(2));
        source.path = q.getStringField(3);
        source.size = static_cast<uint64_t>(q.getInt64Field(4));
        source.bootChecksum = q.getStringField(5);
    }
    try {
        auto q = db.query(
            SqlFormat("select volumeOffset, volumeLength, partition from \"%s\".source", schema));
        if (!q.eof()) {
            source.volumeOffset = static_cast<uint64_t>(q.getInt64Field(0));
            source.volumeLength = static_cast<uint64_t>(q.getInt64Field(1));
            source.partition = static_cast<uint32_t>(q.getInt64Field(2));
        }
    } catch (const CppSQLite3Exception&) {
        // Saved before scans named their volume: the whole source.
    }
    try {
        // Checked by SavedScanProblem: integers within bounds.
        auto q =
            db.query(SqlFormat("select foldersTooDeep, depthBound from \"%s\".source", schema));
        if (!q.eof() && q.getInt64Field(0) > 0) {
            source.unread.count = static_cast<uint64_t>(q.getInt64Field(0));
            source.unread.depthBound = static_cast<uint32_t>(q.getInt64Field(1));
        }
    } catch (const CppSQLite3Exception&) {
        // Saved before scans kept what they left unread: nothing is known of it.
    }
    return source;
}

AttachedSavedScan::AttachedSavedScan(DataBase& store, const std::string& file)
    : m_store(store), m_db(store.Db()) {
    Attach(m_db, file, true);
}

AttachedSavedScan::~AttachedSavedScan() {
    Detach(m_db);
}

std::string AttachedSavedScan::Problem() {
    return SavedScanProblem(m_db, "saved");
}

std::optional<SavedSource> AttachedSavedScan::Source() {
    return ReadSavedSource(m_db, "saved");
}

int64_t AttachedSavedScan::LoadRows() {
    m_store.DropTable();
    m_store.EnsureTable();
    m_store.BeginInsert();
    const int64_t rows = CopySavedRows(m_db, m_store.Letter());
    m_store.EndInsert();
    return rows;
}
