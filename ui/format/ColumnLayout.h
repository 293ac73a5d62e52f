#pragma once
// Column layouts of the report lists, as the language texts spell them:
// "Name, 170; Size, 60,2; ..." - entries separated by ";", each "title[,width[,alignment]]".
#include <string>
#include <string_view>
#include <vector>

namespace columnlayout {

enum class Align { kLeft, kCenter, kRight };

struct Column {
    std::u16string title; // exactly as written, leading blanks included
    int width = 100;      // pixels
    Align align = Align::kLeft;
};

// Empty entries and empty pieces are skipped; a missing width is 100, alignment 1 centres,
// 2 right-aligns, anything else (or none) left-aligns.
std::vector<Column> Parse(std::u16string_view text);

} // namespace columnlayout
