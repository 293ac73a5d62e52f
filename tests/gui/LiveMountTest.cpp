// Preview and Explore against a mounted copy of the NTFS test volume: they open entries of the
// live file system through the desktop opener, map the scan's paths below the mount point, and
// never hand a program or script to the desktop. Skipped when FUSE mounts are refused here.
#include "platform/DriveMap.h"
#include "tests/gui/GuiFixture.h"
#include "ui/base/QtText.h"
#include "ui/base/UrlOpener.h"
#include "ui/list/CCorvaneView.h"
#include "ui/resources/CommandIds.h"
#include "ui/shell/FileCommands.h"
#include "ui/shell/FolderBrowser.h"
#include "ui/tree/CTreeCtrlL.h"
#include "ui/tree/DriveTreePane.h"

#include <QDir>
#include <QFile>
#include <QProcess>

namespace cmd = resources::cmd;

namespace {

bool Run(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

void Unmount(const QString& folder) {
    if (!Run(QStringLiteral("fusermount"), {QStringLiteral("-u"), folder}))
        Run(QStringLiteral("umount"), {folder});
}

// Unmounts whatever is mounted at the folder when the test ends, passed or failed.
struct MountGuard {
    QString folder;
    ~MountGuard() { Unmount(folder); }
};

int RowNamed(CCorvaneView* view, const QString& name) {
    for (int i = 0; i < view->Rows()->rowCount(); ++i)
        if (ToQ(view->Rows()->Row(i).name) == name) return i;
    return -1;
}

} // namespace

class LiveMountTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void previewAndExploreOpenTheLiveEntries() {
        // A copy of the NTFS volume with a script and a program added, made with ntfs-3g.
        const QString copy = guitest::ScratchFolder() + QStringLiteral("/live.img");
        const QString mnt = guitest::ScratchFolder() + QStringLiteral("/mnt");
        QFile::remove(copy);
        QVERIFY(QFile::copy(QString::fromStdString(guitest::VolumePath("ntfs.img")), copy));
        QFile(copy).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        QDir().mkpath(mnt);
        if (!Run(QStringLiteral("ntfs-3g"), {copy, mnt}))
            QSKIP("ntfs-3g cannot mount here (no FUSE)");
        {
            QFile script(mnt + QStringLiteral("/Docs/run-me.sh"));
            QVERIFY(script.open(QIODevice::WriteOnly));
            script.write("#!/bin/sh\necho hello\n");
            QFile program(mnt + QStringLiteral("/Docs/setup.exe"));
            QVERIFY(program.open(QIODevice::WriteOnly));
            program.write("MZ\x90\x00", 4);
        }
        Unmount(mnt);
        QTest::qWait(500); // the driver may still be writing its last changes
        // Read-only from now on, as a user's mounted volume would be while it is scanned.
        QVERIFY(Run(QStringLiteral("ntfs-3g"),
                    {QStringLiteral("-o"), QStringLiteral("ro"), copy, mnt}));
        MountGuard guard{mnt};
        auto& map = platform::DriveMap::Instance();
        map.Clear();
        QVERIFY(map.Bind('G', copy.toStdString()).empty());
        QList<QUrl> opened;
        SetUrlOpener([&opened](const QUrl& url) {
            opened << url;
            return true;
        });
        {
            auto frame = guitest::OpenFrame();
            QVERIFY(frame->DriveTree()->SelectDrive('G'));
            QVERIFY(frame->StartScan(false));
            QVERIFY(guitest::WaitForScanEnd(*frame));
            auto* browser = frame->findChild<FolderBrowser*>();
            auto* files = frame->findChild<FileCommands*>();
            CCorvaneView* view = browser->View();
            const int docs = RowNamed(view, QStringLiteral("Docs"));
            QVERIFY(docs >= 0);
            view->List()->SelectOnly(docs);
            QVERIFY(frame->Commands().IsEnabled(cmd::kExploreFolder));
            QVERIFY(frame->Commands().Execute(cmd::kExploreFolder));
            QCOMPARE(opened.value(0), QUrl::fromLocalFile(mnt + QStringLiteral("/Docs")));
            QVERIFY(frame->Commands().Execute(cmd::kOpenFolder));
            QCOMPARE(frame->DriveTree()->Tree()->currentItem()->text(0), QStringLiteral("Docs"));

            const int readme = RowNamed(view, QStringLiteral("readme.txt"));
            QVERIFY(readme >= 0);
            view->List()->SelectOnly(readme);
            QVERIFY(frame->Commands().IsEnabled(cmd::kPreviewFile));
            QVERIFY(frame->Commands().Execute(cmd::kPreviewFile));
            QCOMPARE(opened.value(1),
                     QUrl::fromLocalFile(mnt + QStringLiteral("/Docs/readme.txt")));
            // A long name with characters beyond ASCII maps to the same name below the mount.
            const int resume = RowNamed(view, QString::fromUtf8("Résumé – final.txt"));
            QVERIFY(resume >= 0);
            view->List()->SelectOnly(resume);
            QVERIFY(frame->Commands().IsEnabled(cmd::kPreviewFile));
            for (const QString& name : {QStringLiteral("run-me.sh"), QStringLiteral("setup.exe")}) {
                const int at = RowNamed(view, name);
                QVERIFY2(at >= 0, qPrintable(name));
                view->List()->SelectOnly(at);
                QVERIFY2(!frame->Commands().IsEnabled(cmd::kPreviewFile), qPrintable(name));
                QCOMPARE(files->PreviewRefusal(view->Rows()->Row(at)),
                         std::string("a program or script"));
                QVERIFY(!frame->Commands().Execute(cmd::kPreviewFile));
            }
            QCOMPARE(opened.size(), 2);
            // A search result: a live file shows its folder, a deleted one nothing.
            ScanRow found = view->Rows()->Row(readme);
            files->ExploreRow(found);
            QCOMPARE(opened.value(2), QUrl::fromLocalFile(mnt + QStringLiteral("/Docs")));
            found.isDeleted = 1;
            files->ExploreRow(found);
            QCOMPARE(opened.size(), 3);
        }
        SetUrlOpener({});
        map.Clear();
    }
};

TESSALY_GUI_TEST_MAIN(LiveMountTest)
#include "LiveMountTest.moc"
