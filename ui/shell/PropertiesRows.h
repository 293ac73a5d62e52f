#pragma once
// The rows of the "Properties View" list for one found file or folder: a "General" group (ids,
// name, times, size, path) and an "Attributes" group of Yes/No rows. Group rows are drawn on
// light yellow with a dark red name; every value is green.
#include "store/ScanRow.h"

#include <QColor>

#include <string>

class PropertiesPage;

namespace propertiesrows {

inline QColor GroupBackground() {
    return QColor(255, 255, 206);
}
inline QColor GroupText() {
    return QColor(99, 20, 16);
}
inline QColor ValueText() {
    return QColor(24, 125, 49);
}
// Widest name column; the value column takes the rest of the list's width.
inline constexpr int kNameColumnWidth = 180;

// What the volume tells of a deleted file's data beyond its row.
struct ConditionDetails {
    // The live file that took the first of its taken clusters, when one is known.
    std::u16string overwrittenBy;
    // Its chain was freed with it: the clusters after its first are read in a row.
    bool readPastFreedChain = false;
};

// Clears the list and fills it with the rows of row, its condition with details.
void Fill(PropertiesPage* page, const ScanRow& row, const ConditionDetails& details = {});
// Fills the list again with the row it showed (after its columns were made anew).
void Refill(PropertiesPage* page);
// Keeps the value column filling the list's width from now on: the name column takes what its
// names need, at most kNameColumnWidth and half the width.
void FollowWidth(PropertiesPage* page);
// Sets the two columns' widths for the list's width now.
void FitColumns(PropertiesPage* page);

} // namespace propertiesrows
