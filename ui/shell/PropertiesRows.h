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
// Width of the name column; the value column takes the rest of the list's width.
inline constexpr int kNameColumnWidth = 180;

// Clears the list and fills it with the rows of row. overwrittenBy names the live file that
// took the first of a deleted file's clusters, when one is known.
void Fill(PropertiesPage* page, const ScanRow& row, const std::u16string& overwrittenBy = {});
// Keeps the value column at the list's width minus the name column from now on.
void FollowWidth(PropertiesPage* page);

} // namespace propertiesrows
