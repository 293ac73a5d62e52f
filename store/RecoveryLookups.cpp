#include "store/RecoveryLookups.h"

#include "platform/Text.h"
#include "store/DataBase.h"
#include "store/FolderWalkGuard.h"
#include "store/SqlText.h"

uint32_t CountFolderFiles(DataBase& store, uint64_t folderId) {
    const char l = store.Letter();
    CppSQLite3DB& db = store.Db();
    FolderWalkGuard guard;
    std::vector<uint64_t> pending{folderId};
    guard.Enter(folderId);
    uint32_t count = 0;
    while (!pending.empty()) {
        const auto folder = static_cast<long long>(pending.back());
        pending.pop_back();
        count += static_cast<uint32_t>(
            db.scalar(SqlFormat("select Count(*) from %c where pid=%lld and isDir=0", l, folder)));
        CppSQLite3Table folders =
            db.table(SqlFormat("select id from %c where pid=%lld and isDir<>0", l, folder));
        for (int i = 0; i < folders.numRows(); ++i) {
            folders.setRow(i);
            const auto child = static_cast<uint64_t>(folders.getInt64Field(0));
            if (guard.Enter(child)) {
                pending.push_back(child);
            }
        }
    }
    return count;
}

uint32_t CountForRecovery(char letter, uint64_t record) {
    DataBase::EnsureLateIndexes(letter);
    DataBase store(letter);
    CppSQLite3Table table =
        store.Db().table(SqlFormat("select id,isDir from %c where record=%lld", store.Letter(),
                                   static_cast<long long>(record)));
    if (table.numRows() < 1) {
        return 0;
    }
    table.setRow(0);
    const auto id = static_cast<uint64_t>(table.getInt64Field(0));
    if (table.getIntField(1) != 0) {
        return CountFolderFiles(store, id);
    }
    return 1;
}

bool ChildRecords(char letter, uint64_t record, std::vector<uint64_t>& records) {
    DataBase::EnsureLateIndexes(letter);
    records.clear();
    DataBase store(letter);
    const char l = store.Letter();
    long long id = 0;
    {
        CppSQLite3Query q = store.Db().query(
            SqlFormat("select id from %c where record=%lld", l, static_cast<long long>(record)));
        if (q.eof()) {
            return false;
        }
        id = q.getInt64Field(0);
    }
    CppSQLite3Table children =
        store.Db().table(SqlFormat("select record from %c where pid=%lld", l, id));
    for (int i = 0; i < children.numRows(); ++i) {
        children.setRow(i);
        records.push_back(static_cast<uint64_t>(children.getInt64Field(0)));
    }
    return !records.empty();
}

bool FindExtraFolder(char letter, uint64_t record, std::u16string& name) {
    DataBase::EnsureLateIndexes(letter);
    DataBase store(letter);
    CppSQLite3Query q =
        store.Db().query(SqlFormat("select * from %c where record=%lld and fn='%s'", store.Letter(),
                                   static_cast<long long>(record), kExtraFolderName));
    if (q.eof()) {
        return false;
    }
    name = platform::Utf8ToUtf16(kExtraFolderName);
    return true;
}

bool ReadByRecord(char letter, uint64_t record, ScanRow& entry) {
    DataBase::EnsureLateIndexes(letter);
    DataBase store(letter);
    CppSQLite3Table table = store.Db().table(SqlFormat(
        "select * from %c where record=%lld", store.Letter(), static_cast<long long>(record)));
    if (table.numRows() < 1) {
        return false;
    }
    table.setRow(0);
    entry = RowFromTable(table, true);
    return true;
}

bool ForEachChildEntry(char letter, uint64_t folderId, const std::u16string& destination,
                       ChildEntryCallback visit, void* context, StopPredicate stop) {
    DataBase store(letter);
    CppSQLite3Table table = store.Db().table(SqlFormat(
        "select * from %c where pid=%lld", store.Letter(), static_cast<long long>(folderId)));
    if (table.numRows() < 1) {
        return false;
    }
    for (int i = 0; i < table.numRows(); ++i) {
        if (stop != nullptr && stop(context)) {
            break;
        }
        table.setRow(i);
        const ScanRow entry = RowFromTable(table, true);
        if (visit != nullptr) {
            visit(entry, destination, context);
        }
    }
    return true;
}
