#include "tests/condition/ConditionSupport.h"

#include "store/CppSQLite3Query.h"
#include "store/DataBase.h"
#include "tests/support/TestVolumes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace tessaly::test {

ConditionVolume LoadConditionVolume(const std::string& name) {
    ConditionVolume volume;
    volume.image = VolumesDir() + "/" + name + ".img";
    std::ifstream in(VolumesDir() + "/" + name + ".manifest");
    EXPECT_TRUE(in.good()) << "missing " << name << ".manifest (scripts/make-condition-volumes)";
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string state, size, percent;
        ConditionEntry e;
        std::getline(fields, state, '\t');
        std::getline(fields, size, '\t');
        std::getline(fields, percent, '\t');
        std::getline(fields, e.takenBy, '\t');
        std::getline(fields, e.path);
        e.deleted = state == "deleted";
        e.size = std::stoull(size);
        e.percent = std::stoi(percent);
        volume.entries.push_back(e);
    }
    return volume;
}

std::vector<ConditionRow> ConditionRows(char letter) {
    DataBase store(letter);
    auto q = store.Db().query(
        std::string("select fn,size,isDeleted,isDir,recoverable,record from [") + letter + "]");
    std::vector<ConditionRow> rows;
    for (; !q.eof(); q.nextRow()) {
        ConditionRow r;
        r.name = q.getStringField(0);
        r.size = static_cast<uint64_t>(q.getInt64Field(1));
        r.deleted = q.getIntField(2) == 1;
        r.isDir = q.getIntField(3) != 0;
        if (!q.fieldIsNull(4)) r.recoverable = q.getIntField(4);
        r.record = static_cast<uint64_t>(q.getInt64Field(5));
        rows.push_back(r);
    }
    return rows;
}

const ConditionRow* FindRow(const std::vector<ConditionRow>& rows, const ConditionEntry& entry) {
    const std::string name = entry.Name();
    for (const ConditionRow& r : rows) {
        if (r.isDir || r.deleted != entry.deleted || r.size != entry.size) continue;
        if (r.name == name) return &r;
        if (entry.deleted && r.name.size() == name.size() && name.size() > 1 &&
            r.name.compare(1, std::string::npos, name, 1) == 0)
            return &r;
    }
    return nullptr;
}

} // namespace tessaly::test
