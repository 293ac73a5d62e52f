#include "ui/format/ColumnLayout.h"

namespace columnlayout {

namespace {

std::vector<std::u16string_view> Split(std::u16string_view text, char16_t separator) {
    std::vector<std::u16string_view> pieces;
    while (true) {
        const std::size_t cut = text.find(separator);
        std::u16string_view piece = text.substr(0, cut);
        if (!piece.empty()) pieces.push_back(piece);
        if (cut == std::u16string_view::npos) break;
        text.remove_prefix(cut + 1);
    }
    return pieces;
}

// A decimal number after leading blanks; fallback when there is no digit.
int Number(std::u16string_view text, int fallback) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    if (i == text.size() || text[i] < u'0' || text[i] > u'9') return fallback;
    long value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9' && value < 100000; ++i)
        value = value * 10 + (text[i] - u'0');
    return static_cast<int>(value);
}

} // namespace

std::vector<Column> Parse(std::u16string_view text) {
    std::vector<Column> columns;
    for (std::u16string_view entry : Split(text, u';')) {
        const std::vector<std::u16string_view> pieces = Split(entry, u',');
        if (pieces.empty()) continue;
        Column c;
        c.title = std::u16string(pieces[0]);
        if (pieces.size() > 1) c.width = Number(pieces[1], 0);
        if (pieces.size() > 2) {
            const int a = Number(pieces[2], 0);
            c.align = a == 1 ? Align::kCenter : a == 2 ? Align::kRight : Align::kLeft;
        }
        columns.push_back(std::move(c));
    }
    return columns;
}

} // namespace columnlayout
