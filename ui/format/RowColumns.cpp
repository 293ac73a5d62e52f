#include "ui/format/RowColumns.h"

#include "ui/format/RowFormat.h"

namespace rowcolumns {

namespace {

std::u16string Widen(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

template <typename T> int Order(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

} // namespace

const std::vector<Field>& FileListFields() {
    static const std::vector<Field> fields = {
        Field::kName,       Field::kSize, Field::kCreated, Field::kModified, Field::kAccessed,
        Field::kAttributes, Field::kId,   Field::kPid,     Field::kCondition};
    return fields;
}

const std::vector<Field>& SearchResultFields() {
    static const std::vector<Field> fields = {Field::kName,    Field::kPath,     Field::kSize,
                                              Field::kCreated, Field::kModified, Field::kAccessed};
    return fields;
}

std::optional<columnlayout::Column> ExtraColumn(Field field) {
    if (field != Field::kCondition) return std::nullopt;
    columnlayout::Column c;
    c.title = u"Condition";
    c.width = 70;
    c.align = columnlayout::Align::kRight;
    return c;
}

std::u16string CellText(const ScanRow& row, Field field) {
    switch (field) {
    case Field::kName:
        return row.name;
    case Field::kPath:
        return row.path;
    case Field::kSize:
        return Widen(rowformat::Size(row.size));
    case Field::kCreated:
        return Widen(rowformat::Date(row.created));
    case Field::kModified:
        return Widen(rowformat::Date(row.modified));
    case Field::kAccessed:
        return Widen(rowformat::Date(row.accessed));
    case Field::kAttributes:
        return Widen(rowformat::Attributes(row.attributes));
    case Field::kId:
        return Widen(std::to_string(static_cast<long long>(row.id)));
    case Field::kPid:
        return Widen(std::to_string(static_cast<long long>(row.pid)));
    case Field::kCondition:
        return row.recoverable >= 0 ? Widen(std::to_string(row.recoverable) + "%")
                                    : std::u16string();
    }
    return {};
}

bool Less(const ScanRow& a, const ScanRow& b, Field field, std::u16string_view attributesA,
          std::u16string_view attributesB) {
    const bool folderA = a.isDir != 0;
    const bool folderB = b.isDir != 0;
    if (folderA != folderB) return folderA;
    int order = 0;
    switch (field) {
    case Field::kName:
        order = a.name.compare(b.name);
        break;
    case Field::kPath:
        order = a.path.compare(b.path);
        break;
    case Field::kSize:
        order = Order(a.size, b.size);
        break;
    case Field::kCreated:
        order = Order(a.created, b.created);
        break;
    case Field::kModified:
        order = Order(a.modified, b.modified);
        break;
    case Field::kAccessed:
        order = Order(a.accessed, b.accessed);
        break;
    case Field::kAttributes:
        order = attributesA.compare(attributesB);
        break;
    case Field::kId:
        order = Order(a.id, b.id);
        break;
    case Field::kPid:
        order = Order(a.pid, b.pid);
        break;
    case Field::kCondition:
        order = Order(a.recoverable, b.recoverable); // unknown (-1) before 0%
        break;
    }
    return order < 0;
}

} // namespace rowcolumns
