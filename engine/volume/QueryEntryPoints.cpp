#include "engine/volume/QueryEntryPoints.h"

#include "store/CppSQLite3Exception.h"

bool ListFolderItems(char letter, uint64_t folderId, ListBeginCallback begin, ListRowCallback row,
                     ListEndCallback end, int filterType,
                     const std::vector<std::u16string>& extensions, bool hideEmptyFolders,
                     void* context) {
    try {
        return ListFolder(letter, folderId, begin, row, end, filterType, extensions,
                          hideEmptyFolders, context);
    } catch (const CppSQLite3Exception&) {
        return false;
    }
}

bool AdvancedSearch(char letter, SearchBeginCallback begin, SearchFolderCallback folder,
                    SearchRowCallback row, SearchEndCallback end, std::u16string_view pattern,
                    std::u16string_view lookIn, bool useGlob, int deletionFilter, bool recurse,
                    bool useSize, uint64_t minKb, uint64_t maxKb, int dateField, uint64_t dateFrom,
                    uint64_t dateTo, uint64_t startId, void* context) {
    try {
        return Search(letter, begin, folder, row, end, pattern, lookIn, useGlob, deletionFilter,
                      recurse, useSize, minKb, maxKb, dateField, dateFrom, dateTo, startId,
                      context);
    } catch (const CppSQLite3Exception&) {
        return false;
    }
}
