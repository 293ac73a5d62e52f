#pragma once
// The hex view: a private copy of up to 32 MiB of bytes drawn 16 to a row (address, hex digits,
// characters), of which only the rows in sight are painted. A caret, a selection made with the
// mouse or with Shift and the arrow keys, "Copy" and "Paste" (raw bytes in the "BinaryData"
// clipboard format, plus text), and searching for bytes. Paste overwrites from the selection
// or the caret onwards, so every byte keeps its address.
#include <QAbstractScrollArea>
#include <QByteArray>

#include <cstdint>
#include <string>
#include <vector>

class QMenu;
class QMimeData;

class CHexEditBase : public QAbstractScrollArea {
    Q_OBJECT
public:
    // The clipboard format of the raw bytes: a format registered under the name "BinaryData",
    // which is what the toolkit calls it on every platform.
    static const QString kBinaryDataMime;

    explicit CHexEditBase(QWidget* parent = nullptr);

    // Replaces the bytes (at most 32 MiB are kept): caret at 0, no selection, search anew.
    void SetData(std::vector<uint8_t> bytes);
    const std::vector<uint8_t>& Data() const { return m_data; }
    bool HasData() const { return !m_data.empty(); }

    int64_t Caret() const { return m_caret; }
    // Moves the caret (extend: the selection runs from the anchor to the new position) and
    // scrolls it into view. The next search starts from the caret.
    void SetCaret(int64_t position, bool extend = false);
    bool HasSelection() const { return m_selEnd > m_selStart; }
    // The selection [start, end); both -1 when there is none.
    int64_t SelectionStart() const { return HasSelection() ? m_selStart : -1; }
    int64_t SelectionEnd() const { return HasSelection() ? m_selEnd : -1; }
    void SetSelection(int64_t start, int64_t end);
    void ClearSelection();
    QByteArray SelectedBytes() const;
    // Scrolls so that the row of offset is in sight.
    void EnsureVisible(int64_t offset);

    // Searches for pattern: down from the byte after the previous match (from the caret, 0 at
    // first), up from the byte before it. A match becomes the selection and the view scrolls to
    // it. False, and nothing moves, when there is none.
    bool Find(const std::string& pattern, bool down, bool matchCase);

    void Copy() const;
    bool CanPaste() const;
    void Paste();
    // The context menu ("Copy", "Paste"), enabled as things stand now. The caller owns it.
    QMenu* MakeContextMenu(QWidget* parent);

    // Whether the caret is in the character area (else in the hex digits).
    bool CaretInChars() const { return m_inChars; }

    // What the last paint drew, for tests: the rows in sight, each as
    // "ADDRESS  HEX  CHARS" exactly as drawn.
    const QStringList& PaintedRows() const { return m_painted; }
    int64_t FirstVisibleRow() const;
    int VisibleRowCount() const;
    // The byte at a point of the viewport, -1 for none; chars: the point lies in the
    // character area.
    int64_t ByteAt(const QPoint& point, bool* chars = nullptr) const;
    // Where a byte's hex digits are drawn, in viewport coordinates.
    QRect HexCell(int64_t offset) const;
    QRect CharCell(int64_t offset) const;

    // Wide enough for a whole row and the scroll bar; 24 rows high.
    QSize sizeHint() const override;

    // Colours of the address column.
    static QColor AddressBackground() { return QColor(255, 255, 249); }
    static QColor AddressText() { return QColor(0, 0, 191); }

Q_SIGNALS:
    void selectionChanged();
    // The bytes were changed by a paste.
    void dataChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void UpdateMetrics();
    void UpdateScrollBars();
    void MoveCaretBy(int64_t delta, bool extend);
    std::vector<uint8_t> BytesFromClipboard(const QMimeData* mime) const;
    int HexLeft() const;
    int CharLeft() const;
    int ContentWidth() const;

    std::vector<uint8_t> m_data;
    int64_t m_caret = 0;
    int64_t m_anchor = 0;
    int64_t m_selStart = -1;
    int64_t m_selEnd = -1;
    bool m_inChars = false;
    bool m_dragging = false;
    // Where the next search down and up starts.
    int64_t m_downFrom = 0;
    int64_t m_upFrom = -1;
    int m_charWidth = 8;
    int m_lineHeight = 16;
    int m_ascent = 12;
    QStringList m_painted;
};
