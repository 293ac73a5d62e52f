// The passes that turn the loaded rows into a tree: adopting rows without a parent folder,
// marking folders that hold deleted rows or sub-folders, and filling paths folder by folder.
#include "store/CppSQLite3Exception.h"
#include "store/DataBase.h"
#include "store/IdList.h"
#include "store/SqlText.h"

#include <sqlite3.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace {

// Runs a step of a repair transaction; on failure the transaction is rolled back so that the
// shared connection is left without an open transaction, and the error travels on.
template <typename Step> void InTransactionStep(CppSQLite3DB& db, Step&& step) {
    try {
        step();
    } catch (const CppSQLite3Exception&) {
        if (sqlite3_get_autocommit(db.handle()) == 0) {
            try {
                db.execute("rollback transaction;");
            } catch (const CppSQLite3Exception&) {
            }
        }
        throw;
    }
}

// Runs sql with the list bound to its ?1, which id_list(?1) reads.
void ExecuteWithList(CppSQLite3DB& db, const std::string& sql, const std::vector<int64_t>& list) {
    if (!RegisterIdList(db.handle()))
        throw CppSQLite3Exception(CPPSQLITE_ERROR, "Cannot register id_list");
    CppSQLite3Statement statement = db.prepare(sql);
    statement.bindPointer(1, const_cast<std::vector<int64_t>*>(&list), kIdListPointer);
    statement.execute();
}

} // namespace

void DataBase::AdoptOrphans(uint64_t rootId) {
    EnsureTable();
    const char l = m_letter;
    const auto root = static_cast<long long>(rootId);
    // The rows just loaded say whether any is an orphan; with none the table stays as it is.
    if (m_facts && !m_facts->Sealed()) m_facts.reset();
    if (m_facts && !m_facts->HasOrphans(root)) return;
    if (!m_facts) {
        NoteRepair(false);
        // A row has a parent only when a folder row (isDir=1) carries its pid as id. Whether
        // any row lacks one is asked of the distinct parent ids (through the pid index) and
        // each is looked up by id, instead of testing every row of the table against every
        // folder.
        const int orphans = m_db->scalar(SqlFormat(
            "select exists(select 1 from (select distinct pid from %c where pid<>%lld) "
            "as p where not exists(select 1 from %c as f where f.id=p.pid and f.isDir=1))",
            l, root, l));
        if (orphans < 1) {
            return;
        }
    }

    long long extraId = 0;
    long long extraRecord = 0;
    {
        CppSQLite3Query q =
            m_db->query(SqlFormat("select max(id),max(pid),max(record) from %c", l));
        // Ids and records come from the volume and may be the largest number there is: the
        // next one wraps around instead of overflowing.
        auto next = [](long long v) {
            return static_cast<long long>(static_cast<unsigned long long>(v) + 1);
        };
        if (!q.eof()) {
            extraId = next(std::max(q.getInt64Field(0), q.getInt64Field(1)));
            extraRecord = next(q.getInt64Field(2));
        }
    }

    // The notes go on through the adoption when the new folder's id is a number no row uses
    // as a folder id or a pid (only ids at the end of their range wrap around to one).
    if (m_facts && (m_facts->Known(extraId) || extraId == root)) m_facts.reset();
    if (!m_facts) NoteRepair(false);

    const char* separator = "\t\t\t\t\t ";
    std::string batch;
    if (!m_facts) {
        batch = "begin transaction;";
        batch += separator;
        batch += SqlFormat("UPDATE %c SET pid = %lld,isDeleted=1 WHERE pid NOT IN(select id from "
                           "%c where isDir=1) AND pid <> %lld;",
                           l, extraId, l, root);
    }
    batch += separator;
    batch += SqlFormat("DELETE FROM %c WHERE (size = 0 OR size > 1024*1024*1000) AND pid = %lld "
                       "AND isDir=0;",
                       l, extraId);
    batch += separator;
    batch += SqlFormat("DELETE FROM %c WHERE (attributes=0 OR id=0) AND pid = %lld;", l, extraId);
    batch += separator;
    batch += "commit transaction;";
    if (m_facts) {
        // The orphans' parents are known: their rows are found through the pid index.
        m_db->execute("begin transaction;");
        InTransactionStep(*m_db, [&] {
            ExecuteWithList(*m_db,
                            SqlFormat("update %c set pid=%lld,isDeleted=1 where pid in(select "
                                      "value from id_list(?1))",
                                      l, extraId),
                            m_facts->OrphanParents(root));
            m_db->execute(batch);
        });
    } else {
        InTransactionStep(*m_db, [&] { m_db->execute(batch); });
    }

    if (m_db->scalar(SqlFormat("select count(*) from %c where pid=%lld", l, extraId)) > 0) {
        m_db->execute(SqlFormat("INSERT INTO %c(fn,id,pid,isdir,isDeleted,record,attributes) "
                                "\t\t\t\t\t\t  VALUES('%s',%lld,%lld,1,1,%lld,%d)",
                                l, kExtraFolderName, extraId, root, extraRecord,
                                static_cast<int>(kExtraFolderAttributes)));
        if (m_facts)
            m_facts->Adopted(extraId, root,
                             m_db->scalar(SqlFormat("select exists(select 1 from %c where "
                                                    "pid=%lld and isDir=1 and fn<>'.')",
                                                    l, extraId)) > 0);
    }
}

void DataBase::FinishTree(uint64_t rootId) {
    EnsureTable();
    const char l = m_letter;
    const auto root = static_cast<long long>(rootId);
    // With the facts of the rows just loaded, each statement below finds its rows by rowid or
    // id instead of reading the whole table, and one with no rows to change is not run.
    std::optional<TreeFacts> facts = std::move(m_facts);
    m_facts.reset();
    if (facts && !facts->Sealed()) facts.reset();
    NoteRepair(facts.has_value());
    m_db->execute("begin transaction;");
    InTransactionStep(*m_db, [&] {
        if (facts) {
            if (!facts->DotFolderRows().empty())
                ExecuteWithList(*m_db,
                                SqlFormat("delete from %c where rowid in(select value from "
                                          "id_list(?1)) and fn='.' and isDir=1",
                                          l),
                                facts->DotFolderRows());
        } else if (m_mayHoldDotFolders) {
            m_db->execute(SqlFormat("delete from %c where fn='.' and isDir=1", l));
        }
        m_db->execute(SqlFormat("update %c set depth=1,path = '%c:\\' where pid=%lld", l, l, root));
        // Every live folder that holds a deleted row, directly or below other live folders,
        // is marked. The ids to mark are gathered in one climb from the deleted rows up
        // through the live folders, so the statement reads the table once and finds the rest
        // by id, whatever the depth of the tree (a pass per level would read the table once
        // per level). Gathering stops at ids already gathered, so folders linked in a loop
        // end the climb.
        const std::string climb =
            SqlFormat("union select f.pid from %c as f join holder on f.id=holder.id "
                      "where f.isDir=1 and f.isDeleted=0) "
                      "update %c set isDeleted=2 where isDir=1 and isDeleted=0 and "
                      "id in(select id from holder)",
                      l, l);
        if (!facts)
            m_db->execute(
                SqlFormat("WITH RECURSIVE holder(id) AS (select pid from %c where isDeleted>0 ",
                          l) +
                climb);
        else if (!facts->DeletedRowParents().empty())
            ExecuteWithList(*m_db,
                            "WITH RECURSIVE holder(id) AS (select value from id_list(?1) " + climb,
                            facts->DeletedRowParents());
        // Folders that are the parent of a folder, as the table stood before this statement.
        if (!facts)
            m_db->execute(SqlFormat("update %c set isDir=2 \t\t\t\t\t\t  where isDir=1 and "
                                    "\t\t\t\t\t\t  id in(select pid from %c where isDir=1)",
                                    l, l));
        else if (!facts->FolderParents().empty())
            ExecuteWithList(*m_db,
                            SqlFormat("update %c set isDir=2 where isDir=1 and id in(select "
                                      "value from id_list(?1))",
                                      l),
                            facts->FolderParents());
        m_db->execute("commit transaction;");
    });
}

void DataBase::FillChildPaths(uint64_t folderId) {
    EnsureTable();
    const char l = m_letter;
    const auto folder = static_cast<long long>(folderId);
    if (m_db->scalar(
            SqlFormat("select count(*) from %c where pid=%lld and path is null", l, folder)) <= 0) {
        return;
    }
    CppSQLite3Query q =
        m_db->query(SqlFormat("select depth,path||fn||'\\' from %c where id=%lld", l, folder));
    if (q.eof()) {
        return;
    }
    const int depth = q.getIntField(0, 0);
    const std::string path = QuoteSql(q.getStringField(1, ""));
    try {
        m_db->execute(SqlFormat("update %c set depth=%d,path='%s' where pid=%lld", l, depth + 1,
                                path.c_str(), folder));
    } catch (const CppSQLite3Exception&) {
        // A folder whose children cannot take a path keeps listing with empty paths.
    }
}
