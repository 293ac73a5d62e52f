// A FAT16 card and a FAT12 floppy in the window: the drive tree names their file systems, a
// scan from the menu fills the tree, and every folder of the card's manifest, opened through
// the tree, lists exactly its live and deleted entries. Screenshot of the scanned card with a
// folder of deleted files selected.
#include "platform/DriveMap.h"
#include "tests/gui/GuiFixture.h"
#include "ui/base/QtText.h"
#include "ui/list/CCorvaneView.h"
#include "ui/resources/CommandIds.h"
#include "ui/shell/FolderBrowser.h"
#include "ui/tree/CTreeCtrlL.h"
#include "ui/tree/DriveTreePane.h"

#include <QFile>
#include <QTextStream>
#include <QTreeWidget>

#include <map>

namespace cmd = resources::cmd;

namespace {

constexpr char kCard = 'G';
constexpr char kFloppy = 'H';

// folder ("" for the root) -> names as the scan shows them, " (deleted)" appended when deleted.
std::map<QString, QStringList> LoadManifest(const std::string& name) {
    std::map<QString, QStringList> m;
    QFile file(QString::fromStdString(guitest::VolumePath(name)));
    if (!file.open(QIODevice::ReadOnly)) return m;
    QTextStream in(&file);
    std::map<QString, bool> deletedFolders;
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        const QStringList f = line.split(QLatin1Char('\t'));
        if (f.size() < 7) continue;
        const QString path = f[6];
        const int cut = path.lastIndexOf(QLatin1Char('/'));
        const QString parent = cut < 0 ? QString() : path.left(cut);
        const bool deleted = f[1] == QLatin1String("deleted");
        if (f[5].contains(QLatin1String("deletedparent"))) continue; // below a deleted folder
        // A deleted entry without a long name has lost its first character to the mark.
        QString shown = path.mid(cut + 1);
        if (deleted && !f[5].contains(QLatin1String("longname"))) shown[0] = QLatin1Char('_');
        m[parent] << shown + (deleted ? QStringLiteral(" (deleted)") : QString());
        if (f[0] == QLatin1String("d") && !deleted) m[path];
    }
    for (auto& [folder, names] : m)
        names.sort();
    return m;
}

QTreeWidgetItem* Walk(CMainFrame& frame, char letter, const QString& path) {
    QTreeWidget* tree = frame.DriveTree()->Tree();
    QTreeWidgetItem* item = frame.DriveTree()->DriveItem(letter);
    tree->setCurrentItem(item);
    if (path.isEmpty()) return item;
    for (const QString& part : path.split(QLatin1Char('/'))) {
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < item->childCount(); ++i)
            if (item->child(i)->text(0) == part && CTreeCtrlL::FolderRow(item->child(i)))
                next = item->child(i);
        if (!next) return nullptr;
        tree->setCurrentItem(next);
        item = next;
    }
    return item;
}

QStringList Listed(CCorvaneView* view) {
    QStringList names;
    for (int i = 0; i < view->Rows()->rowCount(); ++i) {
        const ScanRow& r = view->Rows()->Row(i);
        if (r.name == u"!!!ADVANCED - EXTRA!!!") continue;
        names << ToQ(r.name) + (r.isDeleted == 1 ? QStringLiteral(" (deleted)") : QString());
    }
    names.sort();
    return names;
}

} // namespace

class Fat16WindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        guitest::BindTestVolumes();
        auto& map = platform::DriveMap::Instance();
        QVERIFY(map.Bind(kCard, guitest::VolumePath("fat16.img")).empty());
        QVERIFY(map.Bind(kFloppy, guitest::VolumePath("fat12.img")).empty());
    }

    void driveTreeNamesTheFatTypes() {
        auto frame = guitest::OpenFrame();
        QTreeWidgetItem* card = frame->DriveTree()->DriveItem(kCard);
        QTreeWidgetItem* floppy = frame->DriveTree()->DriveItem(kFloppy);
        QVERIFY(card && floppy);
        QCOMPARE(card->text(0), QStringLiteral("TESSAFAT16 (G:)(FAT16)"));
        QCOMPARE(floppy->text(0), QStringLiteral("TESSAFAT12 (H:)(FAT12)"));
        QVERIFY(frame->DriveTree()->DriveItem('E')->text(0).endsWith(QStringLiteral("(FAT32)")));
    }

    void scanAndBrowseTheCard_data() {
        QTest::addColumn<bool>("advanced");
        QTest::newRow("quick") << false;
        QTest::newRow("full") << true;
    }
    void scanAndBrowseTheCard() {
        QFETCH(bool, advanced);
        const auto manifest = LoadManifest("fat16.manifest");
        QVERIFY(manifest.size() >= 6);
        auto frame = guitest::OpenFrame();
        QVERIFY(frame->DriveTree()->SelectDrive(kCard));
        frame->Commands().Action(advanced ? cmd::kFullScan : cmd::kQuickScan)->trigger();
        ScanOutcome outcome;
        QVERIFY(guitest::WaitForScanEnd(*frame, &outcome));
        QVERIFY(!outcome.Failed());
        QVERIFY(outcome.rows >= 90);
        CCorvaneView* view = frame->findChild<FolderBrowser*>()->View();
        QStringList problems;
        for (const auto& [folder, names] : manifest) {
            if (!Walk(*frame, kCard, folder)) {
                problems << QStringLiteral("no tree item for ") + folder;
                continue;
            }
            const QStringList listed = Listed(view);
            if (listed != names)
                problems << folder + QStringLiteral(": lists ") + listed.join(QLatin1Char('|')) +
                                QStringLiteral("; manifest ") + names.join(QLatin1Char('|'));
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
        if (!advanced) {
            QVERIFY(Walk(*frame, kCard, QStringLiteral("Trash")));
            guitest::Screenshot(frame.get(), QStringLiteral("fat16-card-trash"));
        }
    }
};

TESSALY_GUI_TEST_MAIN(Fat16WindowTest)
#include "Fat16WindowTest.moc"
