#pragma once
// What the advanced search dialog asks for, and the request the store's search takes: the
// name pattern in the store's wildcard syntax, the deletion kind and the size and date bounds
// in order.
#include "store/Search.h"

#include <cstdint>
#include <string>

struct SearchCriteria {
    std::u16string folder;           // the look-in path, "E:\Docs\"
    std::u16string pattern = u"*.*"; // "*" any run, "?" one character
    bool deletedOnly = false;
    bool existingOnly = false;
    bool intactOnly = false; // only files whose data no live file has taken
    bool caseSensitive = false;
    bool recursive = true;
    bool bySize = false;
    uint64_t sizeFrom = 0; // KB; either order
    uint64_t sizeTo = 1024;
    bool byDate = false;
    int dateKind = kSearchCreated; // kSearchCreated, kSearchModified or kSearchAccessed
    uint64_t dateFrom = 0;         // FILETIME values; either order
    uint64_t dateTo = 0;
};

struct SearchRequest {
    char letter = 0;
    uint64_t rootKey = 0;
    std::u16string folder;
    std::u16string pattern;
    bool useGlob = false;
    int deletionFilter = kSearchAny;
    // Only files whose data no live file has taken: the store's search finds the rows, the
    // receiver of the rows keeps those that pass IsIntactFile.
    bool intactOnly = false;
    bool recursive = true;
    bool useSize = false;
    uint64_t minKb = 0;
    uint64_t maxKb = 0;
    int dateField = kSearchNoDate;
    uint64_t dateFrom = 0;
    uint64_t dateTo = 0;
};

// Case-blind patterns become SQL LIKE patterns ("*" -> "%", "?" -> "_"); case-sensitive ones
// stay as they are, for GLOB.
std::u16string StorePattern(const std::u16string& pattern, bool caseSensitive);

SearchRequest BuildSearchRequest(const SearchCriteria& criteria, char letter, uint64_t rootKey);

// Runs the request through the engine's search entry point.
bool RunSearch(const SearchRequest& request, SearchBeginCallback begin, SearchFolderCallback folder,
               SearchRowCallback row, SearchEndCallback end, void* context);
