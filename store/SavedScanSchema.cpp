#include "store/SavedScanSchema.h"

#include "store/CppSQLite3Exception.h"
#include "store/SqlText.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <span>
#include <vector>

namespace {

// The tables of a saved scan. A table added to the format is added here (and written by the
// save); columns a later version appends are listed as optional, so that files saved before
// it still load (the column then stays NULL).
struct SavedTable {
    const char* name;
    std::vector<const char*> columns;  // in order
    std::vector<const char*> optional; // may follow, in order
    bool required;
};

const std::vector<SavedTable>& KnownTables() {
    static const std::vector<SavedTable> tables = {
        {"source",
         {"letter", "isNtfs", "rootKey", "path", "size", "bootChecksum"},
         {"volumeOffset", "volumeLength", "partition", "container", "foldersTooDeep", "depthBound"},
         true},
        {"rows",
         {"fn", "fn_ext", "size", "created", "modified", "accessed", "attributes", "id", "pid",
          "isDeleted", "isDir", "record", "firSector", "path", "depth"},
         {"recoverable"},
         true},
    };
    return tables;
}

// Columns of source that hold the note of unread folders (saved since scans kept it).
constexpr size_t kSourceColumnsWithUnread = 12;

bool SameName(const std::string& a, const char* b) {
    return sqlite3_stricmp(a.c_str(), b) == 0;
}

size_t ColumnCount(CppSQLite3DB& db, const char* schema, const char* table) {
    size_t count = 0;
    for (auto q = db.query(SqlFormat("pragma \"%s\".table_xinfo(\"%s\")", schema, table)); !q.eof();
         q.nextRow())
        ++count;
    return count;
}

// The note of unread folders: both columns or neither, integers, no more folders than rows,
// and a depth bound whenever a folder was left.
std::string UnreadProblem(CppSQLite3DB& db, const char* schema, long long rows) {
    const size_t columns = ColumnCount(db, schema, "source");
    if (columns < kSourceColumnsWithUnread - 1) return {}; // saved before scans kept it
    if (columns != kSourceColumnsWithUnread) return "its note of unread folders is incomplete";
    if (db.query(SqlFormat("select typeof(foldersTooDeep) <> 'integer' or "
                           "typeof(depthBound) <> 'integer' or foldersTooDeep < 0 or "
                           "foldersTooDeep > %lld or depthBound < 0 or depthBound > %lld or "
                           "(foldersTooDeep > 0 and depthBound = 0) from \"%s\".source",
                           rows, static_cast<long long>(kMaxSavedDepthBound), schema))
            .getInt64Field(0) != 0)
        return "its note of unread folders is malformed";
    return {};
}

std::string ColumnsProblem(CppSQLite3DB& db, const char* schema, const SavedTable& t) {
    // table_xinfo lists hidden and generated columns too (hidden 2 or 3).
    auto q = db.query(SqlFormat("pragma \"%s\".table_xinfo(\"%s\")", schema, t.name));
    size_t i = 0;
    for (; !q.eof(); q.nextRow(), ++i) {
        const std::string name = q.getStringField(1);
        if (q.getIntField(6) != 0)
            return std::string("its table ") + t.name + " has a generated or hidden column";
        const char* expected = i < t.columns.size() ? t.columns[i]
                               : i - t.columns.size() < t.optional.size()
                                   ? t.optional[i - t.columns.size()]
                                   : nullptr;
        if (!expected || !SameName(name, expected))
            return std::string("its table ") + t.name + " has an unexpected column " + name;
    }
    if (i < t.columns.size())
        return std::string("its table ") + t.name + " lacks the column " + t.columns[i];
    return {};
}

} // namespace

void DistrustSchemas(CppSQLite3DB& db) {
    db.execute("PRAGMA trusted_schema=OFF;");
}

std::string SavedScanProblem(CppSQLite3DB& db, const char* schema) {
    const auto& known = KnownTables();
    std::vector<bool> seen(known.size(), false);
    // The schema table itself runs nothing: every entry must be one of the known tables, made
    // by a plain CREATE TABLE (no view, trigger, index or virtual table).
    auto q = db.query(
        SqlFormat("select type, name, coalesce(sql,'') from \"%s\".sqlite_schema", schema));
    for (; !q.eof(); q.nextRow()) {
        const std::string type = q.getStringField(0);
        const std::string name = q.getStringField(1);
        const std::string sql = q.getStringField(2);
        if (type != "table")
            return std::string("it holds ") + (type == "index" ? "an " : "a ") + type + " (" +
                   name + ")";
        auto it = std::find_if(known.begin(), known.end(),
                               [&](const SavedTable& t) { return SameName(name, t.name); });
        if (it == known.end()) return "it holds an unknown table " + name;
        const size_t index = static_cast<size_t>(it - known.begin());
        if (seen[index]) return "it holds the table " + name + " twice";
        seen[index] = true;
        if (sqlite3_strnicmp(sql.c_str(), "CREATE TABLE", 12) != 0)
            return "its table " + name + " is not a plain table";
    }
    q.finalize();
    for (size_t i = 0; i < known.size(); ++i)
        if (known[i].required && !seen[i])
            return std::string("it lacks the table ") + known[i].name;
    for (size_t i = 0; i < known.size(); ++i) {
        if (!seen[i]) continue;
        const std::string problem = ColumnsProblem(db, schema, known[i]);
        if (!problem.empty()) return problem;
    }

    // Sizes: one source row, a bounded number of rows, bounded texts.
    const long long sources =
        db.query(SqlFormat("select count(*) from \"%s\".source", schema)).getInt64Field(0);
    if (sources != 1) return "its source table holds " + std::to_string(sources) + " rows";
    if (db.query(SqlFormat("select length(letter) <> 1 or length(path) > %lld or "
                           "length(bootChecksum) > 64 from \"%s\".source",
                           static_cast<long long>(kMaxSavedSourceBytes), schema))
            .getInt64Field(0) != 0)
        return "its source row is malformed";
    const long long rows = db.query(SqlFormat("select count(*) from (select 1 from \"%s\".rows "
                                              "limit %lld)",
                                              schema, static_cast<long long>(kMaxSavedRows + 1)))
                               .getInt64Field(0);
    if (rows > kMaxSavedRows)
        return "it holds more than " + std::to_string(kMaxSavedRows) + " rows";
    if (std::string problem = UnreadProblem(db, schema, rows); !problem.empty()) return problem;
    if (db.query(SqlFormat("select exists(select 1 from \"%s\".rows where length(fn) > %lld or "
                           "length(fn_ext) > 64 or length(path) > %lld)",
                           schema, static_cast<long long>(kMaxSavedNameBytes),
                           static_cast<long long>(kMaxSavedPathBytes)))
            .getInt64Field(0) != 0)
        return "it holds a name or path longer than any volume allows";
    return {};
}

std::string FileUri(const std::string& path, bool readOnly) {
    std::string uri = "file:";
    static const char* hex = "0123456789ABCDEF";
    for (const unsigned char c : path) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || std::strchr("/-._~", c) != nullptr;
        if (plain && c != 0) {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 15];
        }
    }
    return uri + (readOnly ? "?mode=ro" : "?mode=rw");
}

int64_t CopySavedRows(CppSQLite3DB& db, char letter) {
    // The columns both tables have, by name, in the drive table's order.
    std::vector<std::string> target;
    for (auto q = db.query(SqlFormat("pragma main.table_info(\"%c\")", letter)); !q.eof();
         q.nextRow())
        target.emplace_back(q.getStringField(1));
    std::string columns;
    for (auto q = db.query("pragma saved.table_xinfo(\"rows\")"); !q.eof(); q.nextRow()) {
        const std::string name = q.getStringField(1);
        if (std::none_of(target.begin(), target.end(),
                         [&](const std::string& t) { return SameName(t, name.c_str()); }))
            continue;
        if (!columns.empty()) columns += ',';
        columns += "[" + name + "]";
    }
    if (columns.empty()) throw CppSQLite3Exception(CPPSQLITE_ERROR, "no column to copy");
    return db.execute(SqlFormat("insert into main.[%c](%s) select %s from saved.rows limit %lld",
                                letter, columns.c_str(), columns.c_str(),
                                static_cast<long long>(kMaxSavedRows)));
}
