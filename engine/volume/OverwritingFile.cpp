#include "engine/volume/OverwritingFile.h"

#include "platform/Text.h"
#include "store/CppSQLite3Exception.h"
#include "store/CppSQLite3Query.h"
#include "store/DataBase.h"
#include "store/SqlText.h"

std::u16string OverwritingFile(char letter, FileSystemKind kind, uint64_t record) {
    try {
        switch (kind) {
        case FileSystemKind::kNtfs:
            return NtfsOverwritingFile(letter, record);
        case FileSystemKind::kFat32:
            return FatOverwritingFile(letter, record);
        case FileSystemKind::kExfat:
            return ExfatOverwritingFile(letter, record);
        default:
            return {};
        }
    } catch (const CppSQLite3Exception&) {
        return {};
    }
}

bool ReadPastFreedChain(char letter, FileSystemKind kind, uint64_t record) {
    try {
        return kind == FileSystemKind::kExfat && ExfatReadPastFreedChain(letter, record);
    } catch (const CppSQLite3Exception&) {
        return false;
    }
}

std::u16string PathOfRowId(char letter, uint64_t id, bool liveOnly) {
    DataBase store(letter);
    CppSQLite3DB& db = store.Db();
    std::string path;
    uint64_t current = id;
    bool first = true;
    // Folders deeper than this are not expected; a damaged table may hold a cycle.
    for (int depth = 0; depth < 512; ++depth) {
        const std::string sql =
            first ? SqlFormat("select fn,pid from [%c] where id=%lld %s order by isDir limit 1",
                              store.Letter(), static_cast<long long>(current),
                              liveOnly ? "and isDeleted<>1" : "")
                  : SqlFormat("select fn,pid from [%c] where id=%lld and isDir<>0 limit 1",
                              store.Letter(), static_cast<long long>(current));
        auto q = db.query(sql);
        if (q.eof()) {
            if (first) return {};
            break; // above the top folder: the root
        }
        const std::string name = q.getStringField(0);
        const auto parent = static_cast<uint64_t>(q.getInt64Field(1));
        if (name == ".") break; // the NTFS root's own row
        path = first ? name : name + "\\" + path;
        first = false;
        if (parent == current) break;
        current = parent;
    }
    return platform::Utf8ToUtf16(std::string(1, store.Letter()) + ":\\" + path);
}
