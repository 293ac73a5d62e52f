#pragma once
// The values a report list of found rows can show, one per column, and how rows compare when
// such a list is sorted by a column.
#include "store/ScanRow.h"
#include "ui/format/ColumnLayout.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rowcolumns {

enum class Field {
    kName,
    kPath,
    kSize,
    kCreated,
    kModified,
    kAccessed,
    kAttributes,
    kId,
    kPid,
    kCondition, // the share of the data no live file has taken: "100%", empty when unknown
};

// The columns of the file list and of the search results, in order.
const std::vector<Field>& FileListFields();
const std::vector<Field>& SearchResultFields();

// The title, width and alignment of a column that the language's layout text does not name
// (columns added after the layout texts were written); empty for the others.
std::optional<columnlayout::Column> ExtraColumn(Field field);

// The text of a cell: sizes, dates and attribute letters as rowformat shows them.
std::u16string CellText(const ScanRow& row, Field field);

// Ascending order of two rows by a column: a folder sorts before a file; then sizes, ids and
// times by value, names and attribute letters by code value (upper case before lower case).
// attributesA and attributesB are the rows' attribute texts, used for kAttributes only.
bool Less(const ScanRow& a, const ScanRow& b, Field field, std::u16string_view attributesA = {},
          std::u16string_view attributesB = {});

} // namespace rowcolumns
