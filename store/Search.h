#pragma once
// The advanced search: by name pattern, size, deletion state and date range, over one folder,
// a folder and everything below it, or the whole table.
#include "store/ScanRow.h"

#include <cstdint>
#include <string>
#include <string_view>

class DataBase;

using SearchBeginCallback = void (*)(void* context);
// Called with the path of each folder before it is searched; false skips it and all below.
using SearchFolderCallback = bool (*)(const std::u16string& path, void* context);
// Called for each match; false ends the rows of the current folder (or of a flat search).
using SearchRowCallback = bool (*)(const ScanRow& row, void* context);
using SearchEndCallback = void (*)(void* context);

enum SearchDeletionFilter : int {
    kSearchAny = 0,
    kSearchDeletedOnly = 1,
    kSearchNotDeletedOnly = 2,
};

enum SearchDateField : int {
    kSearchNoDate = -1,
    kSearchCreated = 0,
    kSearchModified = 1,
    kSearchAccessed = 2,
};

// Rows of the whole table matching an SQL condition; their path is empty.
void SelectWhere(DataBase& store, const std::string& clause, SearchRowCallback row, void* context);

// Rows of one folder matching " and ..." conditions; each row gets the given path. False
// when none matched.
bool ListChildrenWhere(DataBase& store, uint64_t folderId, const std::string& clause,
                       SearchRowCallback row, void* context, const std::string& path);

// Searches a folder (path is its UTF-8 path text, ending in a backslash) and, with recurse,
// every folder below it, depth first in table order. Each folder id is entered once.
void SearchFolder(DataBase& store, uint64_t folderId, const std::string& clause,
                  const std::string& path, bool recurse, SearchFolderCallback folder,
                  SearchRowCallback row, void* context);

// The folder id of a path such as "C:\Windows\System32" (the first piece is the drive),
// starting at startId; startId for "C:" and "C:\"; -1 when a piece is not found.
int64_t ResolvePath(DataBase& store, uint64_t startId, const std::string& path);

// Runs one search. A pattern ending in "/q" searches the whole table without the look-in
// folder. useGlob selects GLOB (case-sensitive, * and ?) over LIKE (ASCII case-blind, % and
// _). Size bounds are in KB, inclusive; date bounds are FILETIME values, inclusive, on the
// column named by dateField (any other value: no date test). begin, folder and end may be
// null. Always true.
bool Search(char letter, SearchBeginCallback begin, SearchFolderCallback folder,
            SearchRowCallback row, SearchEndCallback end, std::u16string_view pattern,
            std::u16string_view lookIn, bool useGlob, int deletionFilter, bool recurse,
            bool useSize, uint64_t minKb, uint64_t maxKb, int dateField, uint64_t dateFrom,
            uint64_t dateTo, uint64_t startId, void* context);
