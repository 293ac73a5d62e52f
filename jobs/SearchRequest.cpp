#include "jobs/SearchRequest.h"

#include "engine/volume/QueryEntryPoints.h"

#include <algorithm>

std::u16string StorePattern(const std::u16string& pattern, bool caseSensitive) {
    if (caseSensitive) return pattern;
    std::u16string out = pattern;
    for (char16_t& c : out) {
        if (c == u'*')
            c = u'%';
        else if (c == u'?')
            c = u'_';
    }
    return out;
}

SearchRequest BuildSearchRequest(const SearchCriteria& criteria, char letter, uint64_t rootKey) {
    SearchRequest r;
    r.letter = letter;
    r.rootKey = rootKey;
    r.folder = criteria.folder;
    r.pattern = StorePattern(criteria.pattern, criteria.caseSensitive);
    r.useGlob = criteria.caseSensitive;
    r.deletionFilter = criteria.deletedOnly    ? kSearchDeletedOnly
                       : criteria.existingOnly ? kSearchNotDeletedOnly
                                               : kSearchAny;
    r.intactOnly = criteria.intactOnly;
    r.recursive = criteria.recursive;
    r.useSize = criteria.bySize;
    r.minKb = std::min(criteria.sizeFrom, criteria.sizeTo);
    r.maxKb = std::max(criteria.sizeFrom, criteria.sizeTo);
    if (criteria.byDate) {
        r.dateField = criteria.dateKind >= kSearchCreated && criteria.dateKind <= kSearchAccessed
                          ? criteria.dateKind
                          : kSearchCreated;
        r.dateFrom = std::min(criteria.dateFrom, criteria.dateTo);
        r.dateTo = std::max(criteria.dateFrom, criteria.dateTo);
    }
    return r;
}

bool RunSearch(const SearchRequest& r, SearchBeginCallback begin, SearchFolderCallback folder,
               SearchRowCallback row, SearchEndCallback end, void* context) {
    return AdvancedSearch(r.letter, begin, folder, row, end, r.pattern, r.folder, r.useGlob,
                          r.deletionFilter, r.recursive, r.useSize, r.minKb, r.maxKb, r.dateField,
                          r.dateFrom, r.dateTo, r.rootKey, context);
}
