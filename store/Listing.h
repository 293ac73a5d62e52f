#pragma once
// Listing one folder of a drive's table for the file list and the folder tree.
#include "store/ScanRow.h"

#include <cstdint>
#include <string>
#include <vector>

// begin(row count, progress range 100, context) before the first row.
using ListBeginCallback = void (*)(uint32_t rowCount, uint32_t range, void* context);
// row(row, index, is-step, context) -> false ends the listing. is-step is true about a hundred
// times per listing, for progress displays.
using ListRowCallback = bool (*)(const ScanRow& row, uint32_t index, bool isStep, void* context);
using ListEndCallback = void (*)(void* context);

// Called now and then (at most every 25 ms, the first time at once) while a listing's queries
// run before its first row: reading and sorting a folder of 100,000 rows takes a second, and
// the caller may keep its window painted meanwhile. It runs inside SQLite on the listing's
// thread and must not use the store. One callback for the whole program; nullptr removes it.
using ListBusyCallback = void (*)(void* context);
void SetListingBusyCallback(ListBusyCallback busy, void* context);

enum ListFilterType : int {
    kFilterNone = 0,
    kFilterHideListed = 1, // hide files whose extension is listed
    kFilterShowListed = 2, // show only files whose extension is listed
};

// The SQL value list of extensions, ('tmp','bak'): entries trimmed of white space, one
// leading "." removed, empty entries skipped, each quoted; "" when no entry remains. Letters
// keep their case; the listing compares without regard to ASCII case.
std::string BuildExtensionList(const std::vector<std::u16string>& extensions);

// Lists the rows of one folder (folder id 0 means the NTFS root, 5): every row once, also
// rows that share a name (a live file and its deleted namesake), folders with sub-folders
// first, then folders, then files, each by name. Folders always pass the filter; extensions
// match without regard to ASCII case; an empty extension list means no filtering. With
// hideEmptyFolders, folder rows without any child are left out. Returns false, without calling
// back, when the folder has no rows.
bool ListFolder(char letter, uint64_t folderId, ListBeginCallback begin, ListRowCallback row,
                ListEndCallback end, int filterType, const std::vector<std::u16string>& extensions,
                bool hideEmptyFolders, void* context);
