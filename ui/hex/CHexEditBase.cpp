#include "ui/hex/CHexEditBase.h"

#include "ui/hex/HexBytes.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QRegularExpression>
#include <QScrollBar>

#include <algorithm>
#include <cctype>

namespace {

constexpr int kHexChars = hexview::kBytesPerRow * 3 - 1; // "00 11 ... FF"
constexpr int kBytesPerRow = static_cast<int>(hexview::kBytesPerRow);

QColor Blend(const QColor& a, const QColor& b, double share) {
    return QColor::fromRgbF(static_cast<float>(a.redF() * share + b.redF() * (1 - share)),
                            static_cast<float>(a.greenF() * share + b.greenF() * (1 - share)),
                            static_cast<float>(a.blueF() * share + b.blueF() * (1 - share)));
}

bool IsHexText(const QString& text, int* digits) {
    *digits = 0;
    for (QChar c : text) {
        if (c.isSpace()) continue;
        if (!isxdigit(c.toLatin1()) || c.unicode() > 0x7F) return false;
        ++*digits;
    }
    return *digits > 0 && *digits % 2 == 0;
}

} // namespace

const QString CHexEditBase::kBinaryDataMime =
    QStringLiteral("application/x-qt-windows-mime;value=\"BinaryData\"");

CHexEditBase::CHexEditBase(QWidget* parent) : QAbstractScrollArea(parent) {
    setObjectName(QStringLiteral("hexEdit"));
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setAutoFillBackground(false);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    UpdateMetrics();
}

void CHexEditBase::SetData(std::vector<uint8_t> bytes) {
    if (bytes.size() > hexview::kMaxShown) bytes.resize(hexview::kMaxShown);
    m_data = std::move(bytes);
    m_caret = m_anchor = 0;
    m_selStart = m_selEnd = -1;
    m_downFrom = 0;
    m_upFrom = -1;
    m_inChars = false;
    UpdateScrollBars();
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    viewport()->update();
    Q_EMIT selectionChanged();
}

void CHexEditBase::UpdateMetrics() {
    const QFontMetrics fm(font());
    m_charWidth = std::max(1, fm.horizontalAdvance(QLatin1Char('0')));
    m_lineHeight = std::max(1, fm.height());
    m_ascent = fm.ascent();
    UpdateScrollBars();
}

// Address column: one blank, eight digits, one blank; then a blank, the hex digits, two
// blanks (a rule between them) and the characters.
int CHexEditBase::HexLeft() const {
    return 11 * m_charWidth;
}

int CHexEditBase::CharLeft() const {
    return HexLeft() + (kHexChars + 2) * m_charWidth;
}

int CHexEditBase::ContentWidth() const {
    return CharLeft() + (kBytesPerRow + 1) * m_charWidth;
}

QSize CHexEditBase::sizeHint() const {
    const int frame = 2 * frameWidth();
    return QSize(ContentWidth() + verticalScrollBar()->sizeHint().width() + frame,
                 24 * m_lineHeight + frame);
}

int64_t CHexEditBase::FirstVisibleRow() const {
    return verticalScrollBar()->value();
}

int CHexEditBase::VisibleRowCount() const {
    return std::max(1, viewport()->height() / m_lineHeight);
}

void CHexEditBase::UpdateScrollBars() {
    const auto rows = static_cast<int64_t>(hexview::RowCount(m_data.size()));
    const int visible = VisibleRowCount();
    verticalScrollBar()->setRange(0, static_cast<int>(std::max<int64_t>(0, rows - visible)));
    verticalScrollBar()->setPageStep(visible);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setRange(0, std::max(0, ContentWidth() - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setSingleStep(m_charWidth);
}

QRect CHexEditBase::HexCell(int64_t offset) const {
    const int64_t row = offset / kBytesPerRow - FirstVisibleRow();
    const int col = static_cast<int>(offset % kBytesPerRow);
    return QRect(HexLeft() + col * 3 * m_charWidth - horizontalScrollBar()->value(),
                 static_cast<int>(row) * m_lineHeight, 2 * m_charWidth, m_lineHeight);
}

QRect CHexEditBase::CharCell(int64_t offset) const {
    const int64_t row = offset / kBytesPerRow - FirstVisibleRow();
    const int col = static_cast<int>(offset % kBytesPerRow);
    return QRect(CharLeft() + col * m_charWidth - horizontalScrollBar()->value(),
                 static_cast<int>(row) * m_lineHeight, m_charWidth, m_lineHeight);
}

int64_t CHexEditBase::ByteAt(const QPoint& point, bool* chars) const {
    if (m_data.empty()) return -1;
    const int x = point.x() + horizontalScrollBar()->value();
    const int64_t row = FirstVisibleRow() + std::max(0, point.y()) / m_lineHeight;
    int col = 0;
    const bool inChars = x >= CharLeft() - m_charWidth;
    if (inChars)
        col = (x - CharLeft()) / m_charWidth;
    else
        col = (x - HexLeft() + m_charWidth / 2) / (3 * m_charWidth);
    col = std::clamp(col, 0, kBytesPerRow - 1);
    if (chars) *chars = inChars;
    const int64_t offset = row * kBytesPerRow + col;
    return std::min<int64_t>(offset, static_cast<int64_t>(m_data.size()) - 1);
}

void CHexEditBase::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    p.setFont(font());
    const QPalette& pal = palette();
    const int dx = -horizontalScrollBar()->value();
    const int height = viewport()->height();
    p.fillRect(viewport()->rect(), pal.color(QPalette::Base));
    p.fillRect(QRect(dx, 0, 10 * m_charWidth, height), AddressBackground());
    p.setPen(pal.color(QPalette::Button).darker(115));
    const int rule = CharLeft() - m_charWidth + dx;
    p.drawLine(rule, 0, rule, height);

    m_painted.clear();
    const int64_t rows = static_cast<int64_t>(hexview::RowCount(m_data.size()));
    const int64_t first = FirstVisibleRow();
    const int64_t last = std::min(rows, first + height / m_lineHeight + 1);
    const QColor text = pal.color(QPalette::Text);
    const QColor highlight = pal.color(QPalette::Highlight);
    const QColor highlightText = pal.color(QPalette::HighlightedText);
    const QColor otherArea = Blend(highlight, pal.color(QPalette::Base), 0.35);
    const bool selection = HasSelection();
    for (int64_t row = first; row < last; ++row) {
        const int y = static_cast<int>(row - first) * m_lineHeight;
        const hexview::RowText t =
            hexview::FormatRow(m_data.data(), m_data.size(), static_cast<uint64_t>(row));
        const QString address = QString::fromLatin1(t.address.c_str());
        const QString hex = QString::fromLatin1(t.hex.c_str());
        const QString chars = QString::fromStdU16String(t.chars);
        m_painted << address + QStringLiteral("  ") + hex + QStringLiteral("  ") + chars;

        p.setPen(AddressText());
        p.drawText(dx + m_charWidth, y + m_ascent, address);

        const int64_t rowStart = row * kBytesPerRow;
        const int count = static_cast<int>(chars.size());
        const bool rowSelected = selection && m_selStart < rowStart + count && m_selEnd > rowStart;
        if (!rowSelected) {
            p.setPen(text);
            p.drawText(dx + HexLeft(), y + m_ascent, hex);
        }
        for (int i = 0; i < count; ++i) {
            const int64_t offset = rowStart + i;
            const bool selected = rowSelected && offset >= m_selStart && offset < m_selEnd;
            const QRect hexCell = HexCell(offset);
            const QRect charCell = CharCell(offset);
            if (selected) {
                // The blank after a selected byte is part of the selection when the next byte is.
                const int widen = (offset + 1 < m_selEnd && i + 1 < count) ? m_charWidth : 0;
                p.fillRect(hexCell.adjusted(0, 0, widen, 0), m_inChars ? otherArea : highlight);
                p.fillRect(charCell, m_inChars ? highlight : otherArea);
            }
            if (rowSelected) {
                p.setPen(selected && !m_inChars ? highlightText : text);
                p.drawText(hexCell.left(), y + m_ascent, hex.mid(i * 3, 2));
            }
            p.setPen(selected && m_inChars ? highlightText : text);
            p.drawText(charCell.left(), y + m_ascent, chars.mid(i, 1));
        }
    }
    if (!m_data.empty() && m_caret / kBytesPerRow >= first && m_caret / kBytesPerRow < last) {
        p.setPen(QPen(hasFocus() ? text : pal.color(QPalette::Mid), 1));
        const QRect cell = m_inChars ? CharCell(m_caret) : HexCell(m_caret);
        p.setBrush(Qt::NoBrush);
        p.drawRect(cell.adjusted(0, 0, -1, -1));
    }
}

void CHexEditBase::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void CHexEditBase::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) UpdateMetrics();
}

void CHexEditBase::scrollContentsBy(int, int) {
    viewport()->update();
}

void CHexEditBase::EnsureVisible(int64_t offset) {
    const int64_t row = offset / kBytesPerRow;
    const int64_t first = FirstVisibleRow();
    const int visible = VisibleRowCount();
    if (row < first)
        verticalScrollBar()->setValue(static_cast<int>(row));
    else if (row >= first + visible)
        verticalScrollBar()->setValue(static_cast<int>(row - visible + 1));
}

void CHexEditBase::SetCaret(int64_t position, bool extend) {
    if (m_data.empty()) return;
    position = std::clamp<int64_t>(position, 0, static_cast<int64_t>(m_data.size()) - 1);
    if (!extend) {
        m_anchor = position;
        m_selStart = m_selEnd = -1;
    } else {
        m_selStart = std::min(m_anchor, position);
        m_selEnd = std::max(m_anchor, position) + 1;
    }
    m_caret = position;
    // The next search starts from here.
    m_downFrom = position;
    m_upFrom = position - 1;
    EnsureVisible(position);
    viewport()->update();
    Q_EMIT selectionChanged();
}

void CHexEditBase::SetSelection(int64_t start, int64_t end) {
    const auto size = static_cast<int64_t>(m_data.size());
    start = std::clamp<int64_t>(start, 0, size);
    end = std::clamp<int64_t>(end, start, size);
    if (end == start) {
        ClearSelection();
        return;
    }
    m_selStart = start;
    m_selEnd = end;
    m_anchor = start;
    m_caret = start;
    viewport()->update();
    Q_EMIT selectionChanged();
}

void CHexEditBase::ClearSelection() {
    m_selStart = m_selEnd = -1;
    viewport()->update();
    Q_EMIT selectionChanged();
}

QByteArray CHexEditBase::SelectedBytes() const {
    if (!HasSelection()) return {};
    return QByteArray(reinterpret_cast<const char*>(m_data.data() + m_selStart),
                      static_cast<qsizetype>(m_selEnd - m_selStart));
}

void CHexEditBase::MoveCaretBy(int64_t delta, bool extend) {
    SetCaret(m_caret + delta, extend);
}

bool CHexEditBase::Find(const std::string& pattern, bool down, bool matchCase) {
    const int64_t at =
        down ? hexview::FindForward(m_data.data(), m_data.size(), pattern,
                                    static_cast<uint64_t>(std::max<int64_t>(0, m_downFrom)),
                                    matchCase)
             : hexview::FindBackward(m_data.data(), m_data.size(), pattern, m_upFrom, matchCase);
    if (at < 0) return false;
    m_downFrom = at + 1;
    m_upFrom = at - 1;
    m_selStart = at;
    m_selEnd = at + static_cast<int64_t>(pattern.size());
    m_anchor = m_caret = at;
    EnsureVisible(at);
    viewport()->update();
    Q_EMIT selectionChanged();
    return true;
}

void CHexEditBase::Copy() const {
    if (!HasSelection()) return;
    const QByteArray bytes = SelectedBytes();
    auto* mime = new QMimeData;
    mime->setData(kBinaryDataMime, bytes);
    QString text;
    if (m_inChars) {
        for (char b : bytes)
            text += QChar(hexview::DisplayChar(static_cast<uint8_t>(b)));
    } else {
        text = QString::fromLatin1(bytes.toHex(' ').toUpper());
    }
    mime->setText(text);
    QApplication::clipboard()->setMimeData(mime);
}

std::vector<uint8_t> CHexEditBase::BytesFromClipboard(const QMimeData* mime) const {
    std::vector<uint8_t> out;
    if (!mime) return out;
    if (mime->hasFormat(kBinaryDataMime)) {
        const QByteArray raw = mime->data(kBinaryDataMime);
        out.assign(raw.begin(), raw.end());
        return out;
    }
    if (!mime->hasText()) return out;
    const QString text = mime->text();
    int digits = 0;
    if (!m_inChars && IsHexText(text, &digits)) {
        QString compact = text;
        compact.remove(QRegularExpression(QStringLiteral("\\s")));
        const QByteArray raw = QByteArray::fromHex(compact.toLatin1());
        out.assign(raw.begin(), raw.end());
        return out;
    }
    const std::string bytes = hexview::PatternBytes(text.toStdU16String());
    out.assign(bytes.begin(), bytes.end());
    return out;
}

bool CHexEditBase::CanPaste() const {
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    return HasData() && mime && (mime->hasFormat(kBinaryDataMime) || mime->hasText());
}

void CHexEditBase::Paste() {
    if (!HasData()) return;
    const std::vector<uint8_t> bytes = BytesFromClipboard(QApplication::clipboard()->mimeData());
    if (bytes.empty()) return;
    const int64_t at = HasSelection() ? m_selStart : m_caret;
    const auto room = static_cast<int64_t>(hexview::kMaxShown) - at;
    const int64_t count = std::min<int64_t>(static_cast<int64_t>(bytes.size()), room);
    if (count <= 0) return;
    if (static_cast<uint64_t>(at + count) > m_data.size())
        m_data.resize(static_cast<std::size_t>(at + count));
    std::copy_n(bytes.begin(), count, m_data.begin() + at);
    UpdateScrollBars();
    m_selStart = at;
    m_selEnd = at + count;
    m_anchor = m_caret = at;
    viewport()->update();
    Q_EMIT dataChanged();
    Q_EMIT selectionChanged();
}

QMenu* CHexEditBase::MakeContextMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    QAction* copy = menu->addAction(QStringLiteral("Copy"), this, [this] { Copy(); });
    copy->setEnabled(HasSelection());
    QAction* paste = menu->addAction(QStringLiteral("Paste"), this, [this] { Paste(); });
    paste->setEnabled(CanPaste());
    return menu;
}

void CHexEditBase::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = MakeContextMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void CHexEditBase::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    bool chars = false;
    const int64_t at = ByteAt(event->position().toPoint(), &chars);
    if (at < 0) return;
    m_inChars = chars;
    SetCaret(at, event->modifiers().testFlag(Qt::ShiftModifier));
    m_dragging = true;
}

void CHexEditBase::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging || !(event->buttons() & Qt::LeftButton)) return;
    const int64_t at = ByteAt(event->position().toPoint());
    if (at < 0) return;
    SetCaret(at, true);
}

void CHexEditBase::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) m_dragging = false;
}

void CHexEditBase::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        Copy();
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        Paste();
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        SetSelection(0, static_cast<int64_t>(m_data.size()));
        return;
    }
    const bool extend = event->modifiers().testFlag(Qt::ShiftModifier);
    const bool ctrl = event->modifiers().testFlag(Qt::ControlModifier);
    const int64_t page = static_cast<int64_t>(VisibleRowCount()) * kBytesPerRow;
    switch (event->key()) {
    case Qt::Key_Left:
        MoveCaretBy(-1, extend);
        break;
    case Qt::Key_Right:
        MoveCaretBy(1, extend);
        break;
    case Qt::Key_Up:
        MoveCaretBy(-kBytesPerRow, extend);
        break;
    case Qt::Key_Down:
        MoveCaretBy(kBytesPerRow, extend);
        break;
    case Qt::Key_PageUp:
        MoveCaretBy(-page, extend);
        break;
    case Qt::Key_PageDown:
        MoveCaretBy(page, extend);
        break;
    case Qt::Key_Home:
        MoveCaretBy(ctrl ? -m_caret : -(m_caret % kBytesPerRow), extend);
        break;
    case Qt::Key_End:
        MoveCaretBy(ctrl ? static_cast<int64_t>(m_data.size()) - m_caret
                         : kBytesPerRow - 1 - m_caret % kBytesPerRow,
                    extend);
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
    }
}
