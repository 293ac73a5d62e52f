#include "store/LiveRows.h"

#include "store/CppSQLite3Query.h"
#include "store/DataBase.h"
#include "store/SqlText.h"

void ForEachLiveRow(char letter, const std::function<bool(const LiveRowPlace&)>& visit) {
    DataBase store(letter);
    CppSQLite3Query q = store.Db().query(
        SqlFormat("select id,size,firSector,isDir from [%c] where isDeleted<>1 order by rowid",
                  store.Letter()));
    for (; !q.eof(); q.nextRow()) {
        LiveRowPlace place;
        place.id = static_cast<uint64_t>(q.getInt64Field(0));
        place.size = static_cast<uint64_t>(q.getInt64Field(1));
        place.firSector = static_cast<uint64_t>(q.getInt64Field(2));
        place.isDir = q.getInt64Field(3) != 0;
        if (!visit(place)) break;
    }
}
