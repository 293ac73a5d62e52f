// The hex view on its own: how rows are drawn and which characters stand for which bytes,
// painting only what is in sight of 32 MiB, selection with mouse and keys, the clipboard in
// both formats, and searching down, up and with or without case.
#include "tests/gui/GuiFixture.h"
#include "ui/hex/CHexEditBase.h"
#include "ui/hex/HexBytes.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>

namespace {

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<uint8_t> out;
    for (int v : values)
        out.push_back(static_cast<uint8_t>(v));
    return out;
}

std::vector<uint8_t> Text(const char* text) {
    const std::string s(text);
    return std::vector<uint8_t>(s.begin(), s.end());
}

// A view of a given size, shown, with data.
struct ShownView {
    explicit ShownView(std::vector<uint8_t> data, QSize size = QSize(640, 320)) {
        view.resize(size);
        view.SetData(std::move(data));
        view.show();
        if (!QTest::qWaitForWindowExposed(&view)) qWarning("hex view not exposed");
    }
    // Paints now and returns the rows drawn.
    QStringList Paint() {
        view.viewport()->repaint();
        return view.PaintedRows();
    }
    CHexEditBase view;
};

} // namespace

class HexViewTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void rowIsDrawnWithAddressHexAndAnsiCharacters() {
        ShownView v(Bytes({0x00, 0x41, 0x7F, 0x91, 0xA0, 0xFF}));
        const QStringList rows = v.Paint();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0], QStringLiteral("00000000  00 41 7F 91 A0 FF  .A.\u2018\u00A0\u00FF"));
        guitest::Screenshot(&v.view, QStringLiteral("hex-view-char-rules"));
    }

    void everyByteFollowsTheCharacterRules() {
        for (int b = 0; b < 256; ++b) {
            const char16_t c = hexview::DisplayChar(static_cast<uint8_t>(b));
            const bool shown = (b >= 0x20 && b <= 0x7E) || b >= 0xA0 || b == 0x91 || b == 0x92;
            if (!shown) {
                QCOMPARE(int(c), int(u'.'));
            } else if (b == 0x91) {
                QCOMPARE(int(c), 0x2018);
            } else if (b == 0x92) {
                QCOMPARE(int(c), 0x2019);
            } else {
                QCOMPARE(int(c), b); // ASCII and the Latin-1 half of Windows-1252
            }
        }
        // A row of 16 and a short last row; addresses are 8 upper-case digits.
        std::vector<uint8_t> data(0x1A);
        for (std::size_t i = 0; i < data.size(); ++i)
            data[i] = static_cast<uint8_t>(0xF0 + i);
        const hexview::RowText second = hexview::FormatRow(data.data(), data.size(), 1);
        QCOMPARE(QString::fromStdString(second.address), QStringLiteral("00000010"));
        QCOMPARE(QString::fromStdString(second.hex),
                 QStringLiteral("00 01 02 03 04 05 06 07 08 09"));
        QCOMPARE(QString::fromStdString(hexview::AddressText(0x1FFFFF0)),
                 QStringLiteral("01FFFFF0"));
        QCOMPARE(hexview::RowCount(0), uint64_t{0});
        QCOMPARE(hexview::RowCount(17), uint64_t{2});
    }

    void onlyTheRowsInSightOf32MiBArePainted() {
        std::vector<uint8_t> data(hexview::kMaxShown);
        for (std::size_t i = 0; i < data.size(); i += 16)
            data[i] = static_cast<uint8_t>(i >> 4);
        ShownView v(std::move(data), QSize(700, 400));
        const int visible = v.view.VisibleRowCount();
        QVERIFY(visible > 5);
        QCOMPARE(v.view.verticalScrollBar()->maximum(), 2097152 - visible);

        QStringList rows;
        const int positions[] = {0, 1048576, 2097152 - visible};
        for (int position : positions) {
            v.view.verticalScrollBar()->setValue(position);
            rows = v.Paint();
            QVERIFY(rows.size() <= visible + 1);
            QVERIFY(rows.size() >= visible);
            QCOMPARE(rows.first().left(8),
                     QString::fromStdString(hexview::AddressText(uint64_t(position) * 16)));
        }
        QCOMPARE(rows.last().left(8), QStringLiteral("01FFFFF0"));

        // A figure for the log, not a limit: paints at 64 positions spread over the buffer.
        QElapsedTimer timer;
        qint64 slowest = 0, total = 0;
        const int pages = 64;
        for (int i = 0; i < pages; ++i) {
            v.view.verticalScrollBar()->setValue(v.view.verticalScrollBar()->maximum() / pages * i);
            timer.start();
            v.Paint();
            const qint64 spent = timer.nsecsElapsed();
            slowest = std::max(slowest, spent);
            total += spent;
        }
        qInfo("paint of a 32 MiB view, %d rows in sight: mean %.2f ms, slowest %.2f ms", visible,
              double(total) / pages / 1e6, double(slowest) / 1e6);
    }

    void mouseAndKeysSelect() {
        std::vector<uint8_t> data(64);
        for (std::size_t i = 0; i < data.size(); ++i)
            data[i] = static_cast<uint8_t>(i);
        ShownView v(std::move(data));
        QSignalSpy changed(&v.view, &CHexEditBase::selectionChanged);
        // Drag in the hex digits from byte 3 to byte 18.
        const QPoint from = v.view.HexCell(3).center();
        const QPoint to = v.view.HexCell(18).center();
        QCOMPARE(v.view.ByteAt(from), int64_t{3});
        QCOMPARE(v.view.ByteAt(v.view.CharCell(21).center()), int64_t{21});
        QTest::mousePress(v.view.viewport(), Qt::LeftButton, {}, from);
        QTest::mouseMove(v.view.viewport(), to);
        QTest::mouseRelease(v.view.viewport(), Qt::LeftButton, {}, to);
        QCOMPARE(v.view.SelectionStart(), int64_t{3});
        QCOMPARE(v.view.SelectionEnd(), int64_t{19});
        QCOMPARE(v.view.SelectedBytes().size(), 16);
        QVERIFY(changed.count() > 0);
        guitest::Screenshot(&v.view, QStringLiteral("hex-view-selection"));

        // Shift+Right extends from the anchor; a plain key drops the selection.
        v.view.setFocus();
        QTest::keyClick(&v.view, Qt::Key_Right, Qt::ShiftModifier);
        QCOMPARE(v.view.SelectionEnd(), int64_t{20});
        QTest::keyClick(&v.view, Qt::Key_Down);
        QVERIFY(!v.view.HasSelection());
        QCOMPARE(v.view.Caret(), int64_t{19 + 16});
        QTest::keyClick(&v.view, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(v.view.Caret(), int64_t{63});
        QTest::keyClick(&v.view, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(v.view.SelectionEnd() - v.view.SelectionStart(), int64_t{64});
    }

    void copyPutsBinaryDataAndText() {
        ShownView v(Bytes({0x00, 0x41, 0x7F, 0x91, 0xA0, 0xFF, 0x0D, 0x0A}));
        v.view.SetSelection(0, 6);
        v.view.Copy();
        const QMimeData* mime = QApplication::clipboard()->mimeData();
        QVERIFY(mime);
        QVERIFY(mime->hasFormat(CHexEditBase::kBinaryDataMime));
        QCOMPARE(mime->data(CHexEditBase::kBinaryDataMime), QByteArray::fromHex("00417F91A0FF"));
        QCOMPARE(mime->text(), QStringLiteral("00 41 7F 91 A0 FF"));

        // From the character area the text is what the characters show.
        QTest::mouseClick(v.view.viewport(), Qt::LeftButton, {}, v.view.CharCell(1).center());
        QVERIFY(v.view.CaretInChars());
        v.view.SetSelection(1, 4);
        v.view.Copy();
        QCOMPARE(QApplication::clipboard()->mimeData()->text(), QStringLiteral("A.\u2018"));

        // The context menu offers both, enabled as things stand.
        std::unique_ptr<QMenu> menu(v.view.MakeContextMenu(nullptr));
        QCOMPARE(menu->actions().size(), 2);
        QCOMPARE(menu->actions()[0]->text(), QStringLiteral("Copy"));
        QVERIFY(menu->actions()[0]->isEnabled());
        QCOMPARE(menu->actions()[1]->text(), QStringLiteral("Paste"));
        QVERIFY(menu->actions()[1]->isEnabled());
        v.view.ClearSelection();
        menu.reset(v.view.MakeContextMenu(nullptr));
        QVERIFY(!menu->actions()[0]->isEnabled());
    }

    void pasteOverwritesInPlace() {
        ShownView v(std::vector<uint8_t>(32, 0xEE));
        QSignalSpy changed(&v.view, &CHexEditBase::dataChanged);

        // Raw bytes win over the text that comes with them.
        auto* mime = new QMimeData;
        mime->setData(CHexEditBase::kBinaryDataMime, QByteArray::fromHex("010203"));
        mime->setText(QStringLiteral("ignored"));
        QApplication::clipboard()->setMimeData(mime);
        v.view.SetCaret(4);
        QVERIFY(v.view.CanPaste());
        QTest::keyClick(&v.view, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(v.view.Data().size(), std::size_t{32});
        QCOMPARE(int(v.view.Data()[3]), 0xEE);
        QCOMPARE(int(v.view.Data()[4]), 1);
        QCOMPARE(int(v.view.Data()[6]), 3);
        QCOMPARE(int(v.view.Data()[7]), 0xEE);
        QCOMPARE(v.view.SelectionStart(), int64_t{4});
        QCOMPARE(v.view.SelectionEnd(), int64_t{7});

        // Hex text into the hex digits; past the end the data grows.
        QApplication::clipboard()->setText(QStringLiteral("aa bb\ncc"));
        v.view.SetCaret(30);
        v.view.Paste();
        QCOMPARE(v.view.Data().size(), std::size_t{33});
        QCOMPARE(int(v.view.Data()[30]), 0xAA);
        QCOMPARE(int(v.view.Data()[32]), 0xCC);

        // Other text goes in as Windows-1252 bytes.
        QApplication::clipboard()->setText(QStringLiteral("Hé\u2019"));
        v.view.SetCaret(0);
        v.view.Paste();
        QCOMPARE(int(v.view.Data()[0]), int('H'));
        QCOMPARE(int(v.view.Data()[1]), 0xE9);
        QCOMPARE(int(v.view.Data()[2]), 0x92);

        // Nothing loaded: nothing to paste into.
        CHexEditBase empty;
        QVERIFY(!empty.CanPaste());
        empty.Paste();
        QVERIFY(!empty.HasData());
    }

    void findsDownUpAndWithCase() {
        // "abc" at 0, "ABC" at 10, "abc" at 20.
        std::vector<uint8_t> data = Text("abc.......ABC.......abc...");
        ShownView v(data);
        // The very first search down finds the match at offset 0.
        QVERIFY(v.view.Find("abc", true, true));
        QCOMPARE(v.view.SelectionStart(), int64_t{0});
        QCOMPARE(v.view.SelectionEnd(), int64_t{3});
        QVERIFY(v.view.Find("abc", true, true)); // match case: skips "ABC"
        QCOMPARE(v.view.SelectionStart(), int64_t{20});
        QVERIFY(!v.view.Find("abc", true, true)); // nothing after 20
        QCOMPARE(v.view.SelectionStart(), int64_t{20});
        QVERIFY(v.view.Find("abc", false, false)); // up, any case: "ABC"
        QCOMPARE(v.view.SelectionStart(), int64_t{10});
        QVERIFY(v.view.Find("ABC", false, false));
        QCOMPARE(v.view.SelectionStart(), int64_t{0});
        QVERIFY(!v.view.Find("abc", false, false));

        // A match only before the caret is not found going down.
        v.view.SetCaret(21);
        QTest::keyClick(&v.view, Qt::Key_Right); // a move by the user
        QVERIFY(!v.view.Find("ABC", true, false));
        QVERIFY(v.view.Find("ABC", false, true));
        QCOMPARE(v.view.SelectionStart(), int64_t{10});

        // Loading new data starts the search at 0 again.
        v.view.SetData(Text("xyz"));
        QVERIFY(v.view.Find("XYZ", true, false));
        QCOMPARE(v.view.SelectionStart(), int64_t{0});
    }

    void searchTextRules() {
        QCOMPARE(hexview::PatternBytes(u"abc"), std::string("abc"));
        QCOMPARE(hexview::PatternBytes(u"caf\u00E9\u2018"), std::string("caf\xE9\x91"));
        // A character Windows-1252 lacks: the whole text is searched as UTF-8.
        QCOMPARE(hexview::PatternBytes(u"\u65E5\u672C"), std::string("\xE6\x97\xA5\xE6\x9C\xAC"));
        QCOMPARE(int(hexview::FoldCase('Q')), int('q'));
        QCOMPARE(int(hexview::FoldCase(0xC9)), 0xE9); // É
        QCOMPARE(int(hexview::FoldCase(0xD7)), 0xD7); // ×
        QCOMPARE(int(hexview::FoldCase(0x8A)), 0x9A); // Š
        QCOMPARE(int(hexview::FoldCase(0x9F)), 0xFF); // Ÿ
        const std::string data = "CAF\xC9 caf\xE9";
        const auto* d = reinterpret_cast<const uint8_t*>(data.data());
        QCOMPARE(hexview::FindForward(d, data.size(), "caf\xE9", 0, false), int64_t{0});
        QCOMPARE(hexview::FindForward(d, data.size(), "caf\xE9", 0, true), int64_t{5});
        QCOMPARE(hexview::FindBackward(d, data.size(), "caf", 1000, false), int64_t{5});
        QCOMPARE(hexview::FindBackward(d, data.size(), "caf", -1, false), int64_t{-1});
        QCOMPARE(hexview::FindForward(d, 2, "caf", 0, false), int64_t{-1});
    }

    void foundItemLengths() {
        struct Case {
            uint64_t size, shown, read;
        } cases[] = {
            {1, 512, 512},
            {100, 512, 512},
            {512, 512, 512},
            {513, 513, 1024},
            {1000, 1000, 1024},
            {40 * 1048576ull, hexview::kMaxShown, hexview::kMaxShown},
            {hexview::kMaxShown + 1, hexview::kMaxShown, hexview::kMaxShown},
            {(1ull << 32) + 100, hexview::kMaxShown, hexview::kMaxShown},
        };
        for (const Case& c : cases) {
            const hexview::ItemLengths l = hexview::ItemViewLengths(c.size);
            QCOMPARE(l.shown, c.shown);
            QCOMPARE(l.read, c.read);
        }
    }
};

TESSALY_GUI_TEST_MAIN(HexViewTest)
#include "HexViewTest.moc"
