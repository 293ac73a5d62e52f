#include "store/Listing.h"

#include "platform/Text.h"
#include "store/DataBase.h"
#include "store/SqlText.h"

namespace {

bool IsBlank(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

} // namespace

std::string BuildExtensionList(const std::vector<std::u16string>& extensions) {
    std::string list;
    for (const std::u16string& entry : extensions) {
        size_t begin = 0;
        size_t end = entry.size();
        while (begin < end && IsBlank(entry[begin])) {
            ++begin;
        }
        while (end > begin && IsBlank(entry[end - 1])) {
            --end;
        }
        if (begin < end && entry[begin] == u'.') {
            ++begin;
        }
        if (begin == end) {
            continue;
        }
        const std::string ext =
            platform::Utf16ToUtf8(std::u16string_view(entry).substr(begin, end - begin));
        list += list.empty() ? "(" : ",";
        list += "'" + QuoteSql(ext) + "'";
    }
    if (!list.empty()) {
        list += ")";
    }
    return list;
}

bool ListFolder(char letter, uint64_t folderId, ListBeginCallback begin, ListRowCallback row,
                ListEndCallback end, int filterType, const std::vector<std::u16string>& extensions,
                bool hideEmptyFolders, void* context) {
    DataBase store(letter);
    const char l = store.Letter();
    if (folderId == 0) {
        folderId = 5;
    }
    const auto folder = static_cast<long long>(folderId);

    std::string clause;
    const std::string list = BuildExtensionList(extensions);
    if (!list.empty()) {
        // Extensions compare without regard to ASCII case, as FAT and NTFS names do: ".TMP"
        // hides "a.tmp" and "B.Tmp".
        if (filterType == kFilterHideListed) {
            clause =
                SqlFormat(" and (isDir<>0 or fn_ext collate nocase not in %s or fn_ext is null) ",
                          list.c_str());
        } else if (filterType == kFilterShowListed) {
            clause = SqlFormat(" and (isDir<>0 or fn_ext collate nocase in %s) ", list.c_str());
        }
    }

    store.FillChildPaths(folderId);
    CppSQLite3Table table = store.Db().table(
        SqlFormat("select * from %c where pid=%lld %s group by rowid order by isDir DESC,fn", l,
                  folder, clause.c_str()));
    const int rows = table.numRows();
    if (rows <= 0) {
        return false;
    }
    const int step = rows / 100 > 0 ? rows / 100 : 1;
    if (begin != nullptr) {
        begin(static_cast<uint32_t>(rows), 100, context);
    }
    for (int i = 0; i < rows; ++i) {
        table.setRow(i);
        const ScanRow scanRow = RowFromTable(table, true);
        if (hideEmptyFolders && scanRow.isDir > 0) {
            const int children = store.Db().scalar(SqlFormat(
                "select count(*) from %c where pid=%lld", l, static_cast<long long>(scanRow.id)));
            if (children < 1) {
                continue;
            }
        }
        if (row != nullptr && !row(scanRow, static_cast<uint32_t>(i), i % step == 0, context)) {
            break;
        }
    }
    table.finalize();
    if (end != nullptr) {
        end(context);
    }
    return true;
}
