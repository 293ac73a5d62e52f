#include "tests/fat/FatTestSupport.h"

#include "platform/DriveMap.h"
#include "store/DataBase.h"

#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>

namespace tessaly::test {

namespace {
// FAT times are local time; the test volumes are written with local time = UTC.
const bool kUtc = [] {
    setenv("TZ", "UTC", 1);
    tzset();
    return true;
}();
} // namespace

std::string BindImage(char letter, const FatImage& image, const TempDir& dir,
                      const std::string& name) {
    (void)kUtc;
    const std::string path = image.WriteTo(dir.File(name));
    const std::string error = platform::DriveMap::Instance().Bind(letter, path);
    EXPECT_EQ(error, "");
    return path;
}

std::vector<ScanRow> RowsOf(char letter) {
    DataBase store(letter);
    CppSQLite3Table table =
        store.Db().table(std::string("select * from ") + store.Letter() + " order by record");
    std::vector<ScanRow> rows;
    for (int i = 0; i < table.numRows(); ++i) {
        table.setRow(i);
        rows.push_back(RowFromTable(table, true));
    }
    return rows;
}

const ScanRow* FindRow(const std::vector<ScanRow>& rows, const std::u16string& name) {
    for (const auto& r : rows)
        if (r.name == name) return &r;
    return nullptr;
}

bool SinkLog::Sink(const uint8_t* data, uint32_t length, void* self) {
    auto* log = static_cast<SinkLog*>(self);
    const int call = static_cast<int>(log->lengths.size());
    log->lengths.push_back(length);
    log->bytes.insert(log->bytes.end(), data, data + length);
    return call != log->refuseAfter;
}

} // namespace tessaly::test
