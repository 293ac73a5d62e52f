#pragma once
// Taking back rows a scan wrote, by their record numbers: a scan that learns late how some of
// what it read should have been read deletes the rows it wrote for it and writes them again.
#include <cstdint>
#include <vector>

class DataBase;

// Records first to last, both included.
struct RecordRange {
    uint64_t first = 0;
    uint64_t last = 0;
};

// Deletes every row of the store's table whose record lies in one of the ranges (a range
// whose last is below its first holds nothing). May run while the store is loading: the rows
// handed to it so far are in the table first. Returns the number of rows deleted.
uint64_t DeleteRecordRanges(DataBase& store, const std::vector<RecordRange>& ranges);
