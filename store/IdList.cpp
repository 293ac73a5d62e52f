#include "store/IdList.h"

#include "store/BoundListTable.h"

namespace {

struct IdListColumns {
    using Data = std::vector<int64_t>;
    static constexpr const char* kName = "id_list";
    static constexpr const char* kPointerType = kIdListPointer;
    static constexpr const char* kColumns = "value";
    static constexpr int kColumnCount = 1;
    static constexpr const char* kArgument = "list";
    // Few values against a whole table: the planner looks each up by index.
    static constexpr double kEstimatedCost = 10;
    static constexpr sqlite3_int64 kEstimatedRows = 10;

    static size_t Count(const Data& list) { return list.size(); }
    static void Column(const Data& list, size_t row, int, sqlite3_context* context) {
        sqlite3_result_int64(context, list[row]);
    }
};

} // namespace

bool RegisterIdList(sqlite3* db) {
    return BoundListTable<IdListColumns>::Register(db);
}
