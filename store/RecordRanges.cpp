#include "store/RecordRanges.h"

#include "store/DataBase.h"
#include "store/SqlText.h"

#include <cstdint>
#include <string>

uint64_t DeleteRecordRanges(DataBase& store, const std::vector<RecordRange>& ranges) {
    // A freshly loaded table has no index by record yet: each statement reads the whole table
    // once, so the ranges go a few hundred to a statement.
    constexpr size_t kPerStatement = 200;
    uint64_t deleted = 0;
    std::string where;
    size_t inStatement = 0;
    auto run = [&] {
        if (where.empty()) return;
        deleted += static_cast<uint64_t>(store.Db().execute(
            SqlFormat("DELETE FROM %c WHERE %s;", store.Letter(), where.c_str())));
        where.clear();
        inStatement = 0;
    };
    auto add = [&](long long first, long long last) {
        where +=
            SqlFormat("%srecord BETWEEN %lld AND %lld", where.empty() ? "" : " OR ", first, last);
        if (++inStatement == kPerStatement) run();
    };
    // Records are stored as the 64-bit signed values they were inserted as: those from 2^63 up
    // are negative, and a range across that boundary is two ranges of stored values.
    constexpr uint64_t kSignedMax = static_cast<uint64_t>(INT64_MAX);
    for (const RecordRange& range : ranges) {
        if (range.last < range.first) continue;
        if (range.first <= kSignedMax && range.last > kSignedMax) {
            add(static_cast<long long>(range.first), INT64_MAX);
            add(INT64_MIN, static_cast<long long>(range.last));
        } else {
            add(static_cast<long long>(range.first), static_cast<long long>(range.last));
        }
    }
    run();
    return deleted;
}
