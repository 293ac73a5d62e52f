#pragma once
// Entry points of the shell that read a scanned drive's table: listing one folder and the
// advanced search. They hand their arguments to the store unchanged and answer false, instead
// of throwing, when the store fails (for example a drive that was never scanned).
#include "store/Listing.h"
#include "store/Search.h"

bool ListFolderItems(char letter, uint64_t folderId, ListBeginCallback begin, ListRowCallback row,
                     ListEndCallback end, int filterType,
                     const std::vector<std::u16string>& extensions, bool hideEmptyFolders,
                     void* context);

bool AdvancedSearch(char letter, SearchBeginCallback begin, SearchFolderCallback folder,
                    SearchRowCallback row, SearchEndCallback end, std::u16string_view pattern,
                    std::u16string_view lookIn, bool useGlob, int deletionFilter, bool recurse,
                    bool useSize, uint64_t minKb, uint64_t maxKb, int dateField, uint64_t dateFrom,
                    uint64_t dateTo, uint64_t startId, void* context);
