#include "store/ClusterOwnerRows.h"

#include "store/CppSQLite3Query.h"
#include "store/DataBase.h"
#include "store/SqlText.h"

void ForEachRowInIdRange(DataBase& store, uint64_t firstId, uint64_t endId,
                         const std::function<void(uint64_t id, uint64_t size, bool isDir)>& visit) {
    if (endId <= firstId) return;
    CppSQLite3Query rows = store.ReadRows(
        SqlFormat("select id,size,isDir from [%c] where id>=%lld and id<%lld", store.Letter(),
                  static_cast<long long>(firstId), static_cast<long long>(endId)));
    for (; !rows.eof(); rows.nextRow())
        visit(static_cast<uint64_t>(rows.getInt64Field(0)),
              static_cast<uint64_t>(rows.getInt64Field(1)), rows.getInt64Field(2) != 0);
}

void ForEachRowRecord(DataBase& store,
                      const std::function<void(uint64_t record, bool isDir)>& visit) {
    CppSQLite3Query rows =
        store.ReadRows(SqlFormat("select record,isDir from [%c] where record>=0", store.Letter()));
    for (; !rows.eof(); rows.nextRow())
        visit(static_cast<uint64_t>(rows.getInt64Field(0)), rows.getInt64Field(1) != 0);
}

void ForEachLiveFile(DataBase& store,
                     const std::function<bool(uint64_t id, uint64_t record)>& visit) {
    CppSQLite3Query rows = store.ReadRows(
        SqlFormat("select id,record from [%c] where isDeleted<>1 and isDir=0 order by rowid",
                  store.Letter()));
    for (; !rows.eof(); rows.nextRow())
        if (!visit(static_cast<uint64_t>(rows.getInt64Field(0)),
                   static_cast<uint64_t>(rows.getInt64Field(1))))
            return;
}
