#include "store/RowReader.h"

#include "store/CppSQLite3Exception.h"
#include "store/DataBase.h"
#include "store/SqlText.h"

#include <sqlite3.h>

namespace {

const char* Condition(RowSet rows) {
    switch (rows) {
    case RowSet::kFolders:
        return "isDir<>0";
    case RowSet::kFiles:
        return "isDir=0";
    case RowSet::kDeleted:
        return "isDeleted=1";
    case RowSet::kChildrenOf:
        return "pid=?";
    case RowSet::kWithRecord:
        return "record=?";
    case RowSet::kAll:
        break;
    }
    return "";
}

} // namespace

RowReader::RowReader(DataBase& store, RowSet rows) : m_db(store.Db().handle()) {
    const std::string condition = Condition(rows);
    const std::string sql =
        SqlFormat("select fn,size,created,modified,accessed,attributes,id,pid,isDeleted,isDir,"
                  "record,firSector,recoverable from [%c]%s%s order by rowid",
                  store.Letter(), condition.empty() ? "" : " where ", condition.c_str());
    const int rc = sqlite3_prepare_v2(m_db, sql.c_str(), -1, &m_vm, nullptr);
    if (rc != SQLITE_OK) {
        throw CppSQLite3Exception(rc, sqlite3_errmsg(m_db));
    }
}

RowReader::~RowReader() {
    sqlite3_finalize(m_vm);
}

bool RowReader::Next(RowFields& row) {
    if (m_done) {
        return false;
    }
    const int rc = sqlite3_step(m_vm);
    if (rc == SQLITE_DONE) {
        m_done = true;
        return false;
    }
    if (rc != SQLITE_ROW) {
        const int resetRc = sqlite3_reset(m_vm);
        throw CppSQLite3Exception(resetRc != SQLITE_OK ? resetRc : rc, sqlite3_errmsg(m_db));
    }
    // A NULL column reads as 0, or as "" for the name, as the materialised results do. A name
    // ends at its first NUL, as C text does.
    const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(m_vm, 0));
    row.name = name != nullptr ? std::string_view(name) : std::string_view();
    row.size = static_cast<uint64_t>(sqlite3_column_int64(m_vm, 1));
    row.created = static_cast<uint64_t>(sqlite3_column_int64(m_vm, 2));
    row.modified = static_cast<uint64_t>(sqlite3_column_int64(m_vm, 3));
    row.accessed = static_cast<uint64_t>(sqlite3_column_int64(m_vm, 4));
    row.attributes = static_cast<uint32_t>(sqlite3_column_int64(m_vm, 5));
    row.id = static_cast<uint64_t>(sqlite3_column_int64(m_vm, 6));
    row.pid = static_cast<uint64_t>(sqlite3_column_int64(m_vm, 7));
    row.isDeleted = sqlite3_column_int(m_vm, 8);
    row.isDir = sqlite3_column_int(m_vm, 9);
    row.record = static_cast<uint64_t>(sqlite3_column_int64(m_vm, 10));
    row.firSector = static_cast<uint64_t>(sqlite3_column_int64(m_vm, 11));
    row.recoverable =
        sqlite3_column_type(m_vm, 12) == SQLITE_NULL ? -1 : sqlite3_column_int(m_vm, 12);
    return true;
}

void RowReader::Restart(uint64_t value) {
    sqlite3_reset(m_vm); // the outcome of the last run was reported by Next
    m_done = false;
    const int rc = sqlite3_bind_int64(m_vm, 1, static_cast<sqlite3_int64>(value));
    if (rc != SQLITE_OK) {
        throw CppSQLite3Exception(rc, "Error binding int param");
    }
}
