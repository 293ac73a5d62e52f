#include "store/Search.h"

#include "platform/Text.h"
#include "store/DataBase.h"
#include "store/FolderWalkGuard.h"
#include "store/SqlText.h"

#include <limits>
#include <vector>

namespace {

// KB to bytes in 64 bits, held at the largest value the column can compare with.
long long KbToBytes(uint64_t kb) {
    constexpr auto kMax = static_cast<uint64_t>(std::numeric_limits<long long>::max());
    if (kb > kMax / 1024) {
        return std::numeric_limits<long long>::max();
    }
    return static_cast<long long>(kb * 1024);
}

} // namespace

// Rows leave the statement one at a time: a search that matches the whole table holds one row
// in memory, not a copy of the table.
void SelectWhere(DataBase& store, const std::string& clause, SearchRowCallback row, void* context) {
    for (CppSQLite3Query q = store.Db().query(
             SqlFormat("select * from %c where %s", store.Letter(), clause.c_str()));
         !q.eof(); q.nextRow()) {
        if (row != nullptr && !row(RowFromQuery(q, false), context)) {
            break;
        }
    }
}

bool ListChildrenWhere(DataBase& store, uint64_t folderId, const std::string& clause,
                       SearchRowCallback row, void* context, const std::string& path) {
    CppSQLite3Query q =
        store.Db().query(SqlFormat("select * from %c where pid=%lld %s", store.Letter(),
                                   static_cast<long long>(folderId), clause.c_str()));
    if (q.eof()) {
        return false;
    }
    for (; !q.eof(); q.nextRow()) {
        if (row != nullptr && !row(RowFromQuery(q, false, path), context)) {
            break;
        }
    }
    return true;
}

void SearchFolder(DataBase& store, uint64_t folderId, const std::string& clause,
                  const std::string& path, bool recurse, SearchFolderCallback folder,
                  SearchRowCallback row, void* context) {
    // A folder waiting its turn keeps its name and the length of its parent's path, not a
    // path of its own: the walk is depth first, so when a folder comes off the stack the path
    // being built still starts with its parent's. Memory grows with the folders waiting, not
    // with their depth.
    struct Pending {
        uint64_t id;
        size_t parentLength;
        std::string name;
    };
    FolderWalkGuard guard;
    guard.Enter(folderId);
    std::string current = path;
    std::vector<Pending> stack;
    std::vector<Pending> subFolders;
    bool first = true;
    while (first || !stack.empty()) {
        uint64_t id = folderId;
        if (!first) {
            Pending next = std::move(stack.back());
            stack.pop_back();
            id = next.id;
            current.resize(next.parentLength);
            current += next.name;
            current += '\\';
        }
        first = false;
        if (folder != nullptr && !folder(platform::Utf8ToUtf16(current), context)) {
            continue;
        }
        ListChildrenWhere(store, id, clause, row, context, current);
        if (!recurse) {
            continue;
        }
        // Only the sub-folders are needed, in table order; the first is searched next.
        subFolders.clear();
        for (CppSQLite3Query q =
                 store.Db().query(SqlFormat("select id,fn from %c where pid=%lld and isDir<>0",
                                            store.Letter(), static_cast<long long>(id)));
             !q.eof(); q.nextRow()) {
            const auto child = static_cast<uint64_t>(q.getInt64Field(0));
            if (guard.Enter(child)) {
                subFolders.push_back({child, current.size(), q.getStringField(1)});
            }
        }
        for (auto it = subFolders.rbegin(); it != subFolders.rend(); ++it) {
            stack.push_back(std::move(*it));
        }
    }
}

int64_t ResolvePath(DataBase& store, uint64_t startId, const std::string& path) {
    std::vector<std::string> pieces;
    size_t start = 0;
    while (start <= path.size()) {
        size_t stop = path.find('\\', start);
        if (stop == std::string::npos) {
            stop = path.size();
        }
        if (stop > start) {
            pieces.push_back(path.substr(start, stop - start));
        }
        start = stop + 1;
    }
    auto current = static_cast<int64_t>(startId);
    if (pieces.size() < 2) {
        return current;
    }
    for (size_t i = 1; i < pieces.size(); ++i) {
        CppSQLite3Query q = store.Db().query(
            SqlFormat("Select id from %c where pid=%lld and isDir<>0 and fn='%s'", store.Letter(),
                      static_cast<long long>(current), QuoteSql(pieces[i]).c_str()));
        if (q.eof()) {
            return -1;
        }
        current = q.getInt64Field(0);
    }
    return current;
}

bool Search(char letter, SearchBeginCallback begin, SearchFolderCallback folder,
            SearchRowCallback row, SearchEndCallback end, std::u16string_view pattern,
            std::u16string_view lookIn, bool useGlob, int deletionFilter, bool recurse,
            bool useSize, uint64_t minKb, uint64_t maxKb, int dateField, uint64_t dateFrom,
            uint64_t dateTo, uint64_t startId, void* context) {
    DataBase store(letter);
    std::string name = platform::Utf16ToUtf8(pattern);
    std::string lookInPath = platform::Utf16ToUtf8(lookIn);
    // Row paths end in a backslash; a look-in path given without one gets it, so that the
    // paths of the folders below it join whole.
    if (!lookInPath.empty() && lookInPath.back() != '\\') {
        lookInPath += '\\';
    }

    const bool flat = name.size() > 2 && name.compare(name.size() - 2, 2, "/q") == 0;
    if (flat) {
        name.resize(name.size() - 2);
    }

    std::string clause = SqlFormat("%s fn %s '%s' ", flat ? "" : " and", useGlob ? "glob" : "like",
                                   QuoteSql(name).c_str());
    if (useSize) {
        clause += SqlFormat("and size>=%lld and size<=%lld ", KbToBytes(minKb), KbToBytes(maxKb));
    }
    if (deletionFilter == kSearchDeletedOnly) {
        clause += "and isDeleted =1 ";
    } else if (deletionFilter == kSearchNotDeletedOnly) {
        clause += "and isDeleted <>1 ";
    }
    static const char* const kDateColumns[] = {"created", "modified", "accessed"};
    if (dateField >= kSearchCreated && dateField <= kSearchAccessed) {
        const char* column = kDateColumns[dateField];
        clause += SqlFormat("and %s>=%lld and %s<=%lld ", column, static_cast<long long>(dateFrom),
                            column, static_cast<long long>(dateTo));
    }

    const int64_t startFolder = ResolvePath(store, startId, lookInPath);
    if (begin != nullptr) {
        begin(context);
    }
    if (flat) {
        SelectWhere(store, clause, row, context);
    } else {
        SearchFolder(store, static_cast<uint64_t>(startFolder), clause, lookInPath, recurse, folder,
                     row, context);
    }
    if (end != nullptr) {
        end(context);
    }
    return true;
}
