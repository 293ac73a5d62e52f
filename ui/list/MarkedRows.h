#pragma once
// The rows the user has ticked for recovery, per drive letter, kept by row (id and record)
// whatever list showed them: a folder listing, a filtered one, the search results. A list
// shows the mark of every row it lists; a new scan of the drive forgets its marks.
// Window-thread only.
#include "store/ScanRow.h"

#include <QObject>

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

class MarkedRows : public QObject {
    Q_OBJECT
public:
    static MarkedRows& Instance();

    using Key = std::pair<uint64_t, uint64_t>; // id, record
    static Key KeyOf(const ScanRow& row) { return {row.id, row.record}; }

    bool IsMarked(char letter, const ScanRow& row) const;
    // Marks or unmarks rows of a drive; one change signal for all of them.
    void Set(char letter, const std::vector<ScanRow>& rows, bool marked);
    void Clear(char letter);
    // Forgets the marks of every drive (a new main window).
    void ClearAll();
    int Count(char letter) const;
    // Copies of the marked rows of a drive, in the order they were marked.
    std::vector<ScanRow> Rows(char letter) const;

Q_SIGNALS:
    // The marks of a drive changed.
    void changed(char letter);

private:
    MarkedRows() = default;
    struct Mark {
        uint64_t order = 0;
        ScanRow row;
    };
    std::map<char, std::map<Key, Mark>> m_marks;
    uint64_t m_next = 0;
};
