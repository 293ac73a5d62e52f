#include "ui/list/MarkedRows.h"

#include <algorithm>

MarkedRows& MarkedRows::Instance() {
    static MarkedRows* marks = new MarkedRows; // lives until exit, like the store
    return *marks;
}

bool MarkedRows::IsMarked(char letter, const ScanRow& row) const {
    const auto drive = m_marks.find(letter);
    return drive != m_marks.end() && drive->second.count(KeyOf(row)) != 0;
}

void MarkedRows::Set(char letter, const std::vector<ScanRow>& rows, bool marked) {
    if (letter == 0 || rows.empty()) return;
    auto& drive = m_marks[letter];
    bool changedAny = false;
    for (const ScanRow& row : rows) {
        if (marked)
            changedAny |= drive.emplace(KeyOf(row), Mark{m_next++, row}).second;
        else
            changedAny |= drive.erase(KeyOf(row)) != 0;
    }
    if (changedAny) Q_EMIT changed(letter);
}

void MarkedRows::Clear(char letter) {
    const auto drive = m_marks.find(letter);
    if (drive == m_marks.end() || drive->second.empty()) return;
    drive->second.clear();
    Q_EMIT changed(letter);
}

void MarkedRows::ClearAll() {
    std::vector<char> letters;
    for (const auto& [letter, marks] : m_marks)
        if (!marks.empty()) letters.push_back(letter);
    m_marks.clear();
    for (char letter : letters)
        Q_EMIT changed(letter);
}

int MarkedRows::Count(char letter) const {
    const auto drive = m_marks.find(letter);
    return drive == m_marks.end() ? 0 : static_cast<int>(drive->second.size());
}

std::vector<ScanRow> MarkedRows::Rows(char letter) const {
    std::vector<ScanRow> rows;
    const auto drive = m_marks.find(letter);
    if (drive == m_marks.end()) return rows;
    std::vector<const Mark*> marks;
    marks.reserve(drive->second.size());
    for (const auto& [key, mark] : drive->second)
        marks.push_back(&mark);
    std::sort(marks.begin(), marks.end(),
              [](const Mark* a, const Mark* b) { return a->order < b->order; });
    rows.reserve(marks.size());
    for (const Mark* mark : marks)
        rows.push_back(mark->row);
    return rows;
}
