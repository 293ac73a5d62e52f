#include "store/Listing.h"

#include "platform/Text.h"
#include "store/DataBase.h"
#include "store/SqlText.h"
#include "store/StoreOwner.h"

#include <sqlite3.h>

#include <chrono>

namespace {

ListBusyCallback g_busy = nullptr;
void* g_busyContext = nullptr;

// Calls the busy callback from SQLite's progress handler while it is installed.
class BusyPulse {
public:
    explicit BusyPulse(sqlite3* db) : m_db(g_busy != nullptr ? db : nullptr) {
        if (m_db != nullptr) {
            sqlite3_progress_handler(m_db, kOpsPerCheck, &BusyPulse::Tick, this);
        }
    }
    ~BusyPulse() {
        if (m_db != nullptr) {
            sqlite3_progress_handler(m_db, 0, nullptr, nullptr);
        }
    }
    BusyPulse(const BusyPulse&) = delete;
    BusyPulse& operator=(const BusyPulse&) = delete;

private:
    static constexpr int kOpsPerCheck = 2000;
    static constexpr std::chrono::milliseconds kEvery{25};

    static int Tick(void* self) {
        auto* pulse = static_cast<BusyPulse*>(self);
        const auto now = std::chrono::steady_clock::now();
        if (pulse->m_first || now - pulse->m_last >= kEvery) {
            pulse->m_first = false;
            pulse->m_last = now;
            if (g_busy != nullptr) {
                const InsideProgressHandler inside;
                g_busy(g_busyContext);
            }
        }
        return 0; // never interrupts the query
    }

    sqlite3* m_db;
    bool m_first = true;
    std::chrono::steady_clock::time_point m_last{};
};

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
        // Appended piece by piece: "'" + a temporary makes GCC 12 at -O3 warn of an overlapping
        // copy inside std::string that cannot happen (-Wrestrict, a known false alarm).
        list += '\'';
        list += QuoteSql(ext);
        list += '\'';
    }
    if (!list.empty()) {
        list += ")";
    }
    return list;
}

void SetListingBusyCallback(ListBusyCallback busy, void* context) {
    g_busy = busy;
    g_busyContext = context;
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

    CppSQLite3Table table;
    {
        const BusyPulse pulse(store.Db().handle());
        store.FillChildPaths(folderId);
        table = store.Db().table(
            SqlFormat("select * from %c where pid=%lld %s group by rowid order by isDir DESC,fn", l,
                      folder, clause.c_str()));
    }
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
