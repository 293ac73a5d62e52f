// The Condition column of the file list over a real scan of a FAT32 volume on which later
// files took over deleted files' clusters: its cells, sorting by it, the Properties line that
// names the file that took the clusters (on exFAT too), and the intact-only search box.
#include "engine/exfat/ExfatEntrySet.h"
#include "platform/DriveMap.h"
#include "tests/gui/GuiFixture.h"
#include "ui/base/QtText.h"
#include "ui/dialogs/CAdvSearchDlg.h"
#include "ui/list/CCorvaneView.h"
#include "ui/list/CReportCtrl.h"
#include "ui/list/ScanRowModel.h"
#include "ui/recovery/WindowRecovery.h"
#include "ui/settings/BuiltinTexts.h"
#include "ui/settings/LangText.h"
#include "ui/shell/FolderBrowser.h"
#include "ui/shell/SidePages.h"
#include "ui/tree/DriveTreePane.h"

#include <QCheckBox>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTreeWidget>

namespace {

QTreeWidgetItem* ChildNamed(QTreeWidgetItem* parent, const QString& name) {
    for (int i = 0; parent && i < parent->childCount(); ++i)
        if (parent->child(i)->text(0) == name) return parent->child(i);
    return nullptr;
}

int ColumnTitled(ScanRowModel* model, const QString& title) {
    for (int c = 0; c < model->columnCount(); ++c)
        if (model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString() == title) return c;
    return -1;
}

QString PropertiesValue(CMainFrame& frame, const QString& name) {
    QTreeWidget* page = frame.Properties();
    for (int i = 0; i < page->topLevelItemCount(); ++i)
        if (page->topLevelItem(i)->text(0) == name) return page->topLevelItem(i)->text(1);
    return {};
}

} // namespace

class ConditionColumnTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        auto& map = platform::DriveMap::Instance();
        map.Clear();
        QVERIFY(map.Bind('E', guitest::VolumePath("cond-fat32.img")).empty());
    }

    void conditionColumnSortsAndPropertiesNameTheNewOwner() {
        auto frame = guitest::OpenFrame();
        DriveTreePane* pane = frame->DriveTree();
        QVERIFY(pane->SelectDrive('E'));
        QVERIFY(frame->StartScan(false));
        QVERIFY(guitest::WaitForScanEnd(*frame));
        QTreeWidgetItem* old = ChildNamed(pane->DriveItem('E'), QStringLiteral("Old"));
        QVERIFY(old);
        pane->Tree()->setCurrentItem(old);
        FolderBrowser* browser = frame->findChild<FolderBrowser*>();
        CCorvaneView* view = browser->View();
        ScanRowModel* rows = view->Rows();
        QCOMPARE(rows->rowCount(), 12);
        const int column = ColumnTitled(rows, QStringLiteral("Condition"));
        QVERIFY(column > 0);

        view->List()->SortColumn(column); // ascending: the worst first
        QStringList cells;
        for (int r = 0; r < rows->rowCount(); ++r)
            cells << rows->data(rows->index(r, column), Qt::DisplayRole).toString();
        QCOMPARE(cells.first(), QStringLiteral("0%"));
        QCOMPARE(cells.last(), QStringLiteral("100%"));
        QCOMPARE(cells.count(QStringLiteral("100%")), 2);
        QCOMPARE(cells.count(QStringLiteral("0%")), 4);
        QVERIFY(cells.contains(QStringLiteral("50%")));
        for (int r = 1; r < rows->rowCount(); ++r)
            QVERIFY(rows->Row(r - 1).recoverable <= rows->Row(r).recoverable);
        view->List()->scrollToTop();
        // The list scrolled to its right end, so that the column shows beside the names' sizes.
        view->List()->horizontalHeader()->hideSection(3);
        view->List()->horizontalHeader()->hideSection(5);
        view->List()->horizontalScrollBar()->setValue(
            view->List()->horizontalScrollBar()->maximum());
        QTest::qWait(20);
        guitest::Screenshot(frame.get(), QStringLiteral("condition-column-sorted"));
        view->List()->horizontalHeader()->showSection(3);
        view->List()->horizontalHeader()->showSection(5);

        // A half-taken file: Properties say how much is left and which file took the rest.
        int half = -1;
        for (int r = 0; r < rows->rowCount(); ++r)
            if (rows->Row(r).recoverable == 50 && rows->Row(r).size == 4000) half = r;
        QVERIFY(half >= 0);
        view->List()->SelectOnly(half);
        QCOMPARE(PropertiesValue(*frame, QStringLiteral("Condition")),
                 QStringLiteral("50% untouched, overwritten by E:\\New\\N2.BIN"));
        view->List()->SelectOnly(rows->rowCount() - 1);
        QCOMPARE(PropertiesValue(*frame, QStringLiteral("Condition")),
                 QStringLiteral("100% (no live file claims its data)"));
        guitest::Screenshot(frame.get(), QStringLiteral("condition-properties"));

        view->List()->SortColumn(column); // descending
        QCOMPARE(rows->data(rows->index(0, column), Qt::DisplayRole).toString(),
                 QStringLiteral("100%"));
    }

    void exfatPropertiesNameTheNewOwner() {
        // The same on exFAT, whose allocation bitmap tells which clusters are taken.
        QVERIFY(platform::DriveMap::Instance()
                    .Bind('F', guitest::VolumePath("cond-exfat.img"))
                    .empty());
        auto frame = guitest::OpenFrame();
        DriveTreePane* pane = frame->DriveTree();
        QVERIFY(pane->SelectDrive('F'));
        QVERIFY(frame->StartScan(false));
        QVERIFY(guitest::WaitForScanEnd(*frame));
        QTreeWidgetItem* old = ChildNamed(pane->DriveItem('F'), QStringLiteral("Old"));
        QVERIFY(old);
        pane->Tree()->setCurrentItem(old);
        CCorvaneView* view = frame->findChild<FolderBrowser*>()->View();
        ScanRowModel* rows = view->Rows();
        const int column = ColumnTitled(rows, QStringLiteral("Condition"));
        QVERIFY(column > 0);
        int partly = -1, whole = -1;
        for (int r = 0; r < rows->rowCount(); ++r) {
            const ScanRow& row = rows->Row(r);
            if (row.isDeleted == 1 && row.size == 37000) partly = r;
            if (row.isDeleted == 1 && row.size == 46000) whole = r;
        }
        QVERIFY(partly >= 0 && whole >= 0);
        QCOMPARE(rows->data(rows->index(partly, column), Qt::DisplayRole).toString(),
                 QStringLiteral("10%"));
        view->List()->SelectOnly(partly);
        QCOMPARE(PropertiesValue(*frame, QStringLiteral("Condition")),
                 QStringLiteral("10% untouched, overwritten by F:\\New\\N2.bin"));
        frame->RightPages()->setCurrentWidget(frame->Properties());
        guitest::Screenshot(frame.get(), QStringLiteral("condition-exfat-properties"));
        view->List()->SelectOnly(whole);
        QCOMPARE(PropertiesValue(*frame, QStringLiteral("Condition")),
                 QStringLiteral("100% (no live file claims its data)"));
    }

    void exfatPropertiesSayAFreedChainWasReadAsOnePiece() {
        // A copy of the volume in which the deleted 46000-byte file had a FAT chain (its
        // NoFatChain flag cleared, the set checksum made anew): its chain went with it.
        QFile in(QString::fromStdString(guitest::VolumePath("cond-exfat.img")));
        QVERIFY(in.open(QIODevice::ReadOnly));
        QByteArray image = in.readAll();
        auto* bytes = reinterpret_cast<uint8_t*>(image.data());
        qsizetype at = -1;
        for (qsizetype i = 0; i + 64 <= image.size() && at < 0; i += 32) {
            uint64_t length = 0;
            for (int k = 7; k >= 0; --k)
                length = length << 8 | bytes[i + 32 + 24 + k];
            if (bytes[i] == 0x05 && bytes[i + 32] == 0x40 && length == 46000) at = i;
        }
        QVERIFY(at >= 0);
        bytes[at + 32 + 1] &= static_cast<uint8_t>(~exfat::kFlagNoFatChain);
        const uint16_t sum = ExfatSetChecksum(bytes + at, bytes[at + 1] + 1u, true);
        bytes[at + 2] = static_cast<uint8_t>(sum);
        bytes[at + 3] = static_cast<uint8_t>(sum >> 8);
        QTemporaryDir dir;
        QFile out(dir.filePath(QStringLiteral("chained.img")));
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(image) == image.size());
        out.close();
        QVERIFY(platform::DriveMap::Instance().Bind('G', out.fileName().toStdString()).empty());

        auto frame = guitest::OpenFrame();
        DriveTreePane* pane = frame->DriveTree();
        QVERIFY(pane->SelectDrive('G'));
        QVERIFY(frame->StartScan(false));
        QVERIFY(guitest::WaitForScanEnd(*frame));
        QTreeWidgetItem* old = ChildNamed(pane->DriveItem('G'), QStringLiteral("Old"));
        QVERIFY(old);
        pane->Tree()->setCurrentItem(old);
        CCorvaneView* view = frame->findChild<FolderBrowser*>()->View();
        ScanRowModel* rows = view->Rows();
        int chained = -1;
        for (int r = 0; r < rows->rowCount(); ++r)
            if (rows->Row(r).isDeleted == 1 && rows->Row(r).size == 46000) chained = r;
        QVERIFY(chained >= 0);
        view->List()->SelectOnly(chained);
        QCOMPARE(PropertiesValue(*frame, QStringLiteral("Condition")),
                 QStringLiteral("100% (no live file claims its data); its cluster chain was "
                                "freed: read as one piece, wrong if it was fragmented"));
        frame->RightPages()->setCurrentWidget(frame->Properties());
        guitest::Screenshot(frame.get(), QStringLiteral("condition-exfat-freed-chain"));
    }

    void recoverySummaryCountsOverwrittenFilesApart() {
        RecoveryRunResult r;
        r.started = true;
        r.destination = "/tmp/out";
        r.items = 15;
        r.counts.filesWritten = 15;
        r.counts.itemsComplete = 15;
        r.counts.filesPartlyOverwritten = 2;
        r.counts.filesWhollyOverwritten = 1;
        FileReport report;
        report.path = u"/tmp/out/D02.BIN";
        report.recoverable = 50;
        r.overwritten.push_back(report);
        const QString text = RecoverySummary(r);
        // Not a clean "Recovered 15 of 15 items": some of the bytes are not the files' own.
        QVERIFY(!text.startsWith(ToQ(LangText(kTextRecoverySummary)).left(9)));
        QVERIFY2(text.contains(QStringLiteral(
                     "12 recovered intact, 2 partly overwritten, 1 wholly overwritten.")),
                 qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("/tmp/out/D02.BIN: 50%")), qPrintable(text));
        r.counts.filesPartlyOverwritten = r.counts.filesWhollyOverwritten = 0;
        r.overwritten.clear();
        QVERIFY(RecoverySummary(r).startsWith(ToQ(LangText(kTextRecoverySummary)).left(9)));
    }

    void advancedSearchOffersIntactOnly() {
        CAdvSearchDlg::ResetCriteria();
        CAdvSearchDlg dialog(nullptr);
        dialog.show();
        QVERIFY(dialog.IntactBox());
        QVERIFY(!dialog.IntactBox()->isChecked());
        dialog.IntactBox()->setChecked(true);
        dialog.NameEdit()->setText(QStringLiteral("*"));
        dialog.accept();
        QVERIFY(CAdvSearchDlg::Criteria().intactOnly);
        const SearchRequest request = BuildSearchRequest(CAdvSearchDlg::Criteria(), 'E', 2);
        QVERIFY(request.intactOnly);
        guitest::Screenshot(&dialog, QStringLiteral("condition-search-dialog"));
        CAdvSearchDlg::ResetCriteria();
    }
};

TESSALY_GUI_TEST_MAIN(ConditionColumnTest)
#include "ConditionColumnTest.moc"
