#pragma once
// Where a row sits in its volume's tree, worked out from the table alone.
#include <cstdint>
#include <string>

// The full path of the row with this id ("E:\New\report.doc"), walking its parents up
// through the folder rows of the table (at most a few hundred levels, so that a damaged table
// with a cycle ends); empty when there is no such row. With liveOnly, a deleted row (isDeleted
// 1) with the id is not taken. Of several rows with the id, a file is taken before a folder.
std::u16string PathOfRowId(char letter, uint64_t id, bool liveOnly);
