// The hex viewer over real sources: files (capped at 32 MiB), drives bound to letters, found
// items of scanned volumes (offsets and lengths checked against the image and the manifest),
// finding through the dialog, saving the shown bytes or the selection (never onto a source),
// and "Save As..." of a found item recovering it.
#include "engine/volume/EntryPoints.h"
#include "engine/volume/QueryEntryPoints.h"
#include "jobs/Drives.h"
#include "platform/DriveMap.h"
#include "tests/gui/GuiFixture.h"
#include "tests/gui/ModalHelper.h"
#include "tests/gui/WindowDriver.h"
#include "tests/support/ScratchVolume.h"
#include "tests/support/TestVolumes.h"
#include "ui/base/CommandRegistry.h"
#include "ui/base/FrameState.h"
#include "ui/dialogs/CSelectDriveDlg.h"
#include "ui/dialogs/CSelectFolderDlg.h"
#include "ui/hex/CHexEditBase.h"
#include "ui/hex/CHexEditFindDlg.h"
#include "ui/hex/CHexEditorDlg.h"
#include "ui/hex/HexBytes.h"
#include "ui/resources/CommandIds.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>

#include <fstream>

namespace cmd = resources::cmd;
using tessaly::test::ScratchVolume;

namespace {

// n deterministic bytes of a seed.
std::string Pattern(uint32_t seed, std::size_t n) {
    std::string out(n, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (std::size_t i = 0; i < n; ++i) {
        x = x * 1664525u + 1013904223u;
        out[i] = static_cast<char>(x >> 24);
    }
    return out;
}

std::string FileBytes(const std::string& path, uint64_t offset, uint64_t length) {
    std::ifstream in(path, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(offset));
    std::string out(length, '\0');
    in.read(out.data(), static_cast<std::streamsize>(length));
    out.resize(static_cast<std::size_t>(in.gcount()));
    return out;
}

std::string Shown(const CHexEditorDlg& viewer) {
    const auto& data = viewer.Editor()->Data();
    return std::string(data.begin(), data.end());
}

// Every row of a scanned drive, folders walked from the root.
std::vector<ScanRow> AllRows(char letter) {
    std::vector<ScanRow> rows;
    const DriveCheck drive = CheckDrive(letter);
    if (drive.problem != DriveProblem::kNone) return rows;
    std::vector<uint64_t> folders{drive.drive.rootKey};
    for (std::size_t next = 0; next < folders.size() && next < 10000; ++next) {
        std::vector<ScanRow> listed;
        ListFolderItems(
            letter, folders[next], nullptr,
            [](const ScanRow& row, uint32_t, bool, void* c) {
                static_cast<std::vector<ScanRow>*>(c)->push_back(row);
                return true;
            },
            nullptr, 0, {}, false, &listed);
        for (const ScanRow& row : listed) {
            if (row.isDir != 0 && row.id != row.pid) folders.push_back(row.id);
            rows.push_back(row);
        }
    }
    return rows;
}

// Scans a drive without progress; false when the scan failed.
bool QuickScan(char letter, bool isNtfs) {
    if (isNtfs)
        return ScanNtfsDrive(
            letter, [](uint32_t, uint32_t, uint32_t, void*) {},
            [](uint32_t, uint32_t, void*) { return true; }, [](void*) {}, nullptr, false);
    return QuickScanFatDrive(
        letter, [](const char16_t*, void*) { return true; }, nullptr);
}

// The row of "E:\Docs\a.txt" (a live one before a deleted namesake).
std::optional<ScanRow> RowOf(const std::vector<ScanRow>& rows, const QString& path) {
    std::optional<ScanRow> found;
    for (const ScanRow& row : rows)
        if (QString::fromStdU16String(row.path + row.name) == path &&
            (!found || (found->isDeleted == 1 && row.isDeleted != 1)))
            found = row;
    return found;
}

QString SavePath(const QString& name) {
    return guitest::ScratchFolder() + QLatin1Char('/') + name;
}

// A FAT32 volume holding items of 100 bytes, 1,000 bytes and 40 MiB, bound to G: and scanned.
struct ItemVolume {
    ItemVolume()
        : image(guitest::ScratchFolder().toStdString() + "/items.img"),
          volume(ScratchVolume::Fs::kFat32, image, 48) {
        volume.WriteFile("a100.bin", Pattern(1, 100));
        volume.WriteFile("k1000.bin", Pattern(2, 1000));
        volume.WriteFile("big40.bin", Pattern(3, 40u << 20));
        volume.Close();
        platform::DriveMap::Instance().Bind('G', image);
        scanned = QuickScan('G', false);
        rows = AllRows('G');
    }
    std::string image;
    ScratchVolume volume;
    bool scanned = false;
    std::vector<ScanRow> rows;
};

} // namespace

class HexViewerTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<ItemVolume> m_items;
    QList<CHexEditorDlg::PathPurpose> m_asked;
    QString m_answer;

    ItemVolume& Items() {
        if (!m_items) m_items = std::make_unique<ItemVolume>();
        platform::DriveMap::Instance().Bind('G', m_items->image); // other tests rebind
        return *m_items;
    }

private Q_SLOTS:
    void initTestCase() {
        guitest::BindTestVolumes();
        CHexEditorDlg::SetPathChooser([this](QWidget*, CHexEditorDlg::PathPurpose purpose) {
            m_asked << purpose;
            return m_answer;
        });
    }

    void cleanupTestCase() {
        CHexEditorDlg::SetPathChooser({});
        m_items.reset();
    }

    void emptyViewerFromTheToolsMenu() {
        guitest::BindTestVolumes();
        auto frame = guitest::OpenFrame();
        // What the viewer showed; looked at after it has closed.
        struct Seen {
            bool opened = false;
            QString title;
            bool loaded = true;
            QList<bool> enabled;
            QStringList menus;
            QKeySequence saveSelectionKey, findPreviousKey;
        } seen;
        const unsigned ids[] = {cmd::kHexOpenFile,      cmd::kHexOpenDrive, cmd::kHexSaveAs,
                                cmd::kHexSaveSelection, cmd::kHexFind,      cmd::kHexFindNext,
                                cmd::kHexClose};
        guitest::WhenModal<CHexEditorDlg>([&](CHexEditorDlg* viewer) {
            seen.opened = true;
            seen.title = viewer->windowTitle();
            seen.loaded = viewer->IsLoaded();
            for (unsigned id : ids)
                seen.enabled << viewer->Commands().IsEnabled(id);
            for (QAction* top : viewer->MenuBar()->actions())
                seen.menus << top->text();
            seen.saveSelectionKey = viewer->Commands().Action(cmd::kHexSaveSelection)->shortcut();
            seen.findPreviousKey = viewer->Commands().Action(cmd::kHexFindPrevious)->shortcut();
            viewer->Commands().Execute(cmd::kHexClose);
        });
        QVERIFY(frame->Commands().Execute(cmd::kHexEditor));
        QVERIFY(seen.opened);
        QCOMPARE(seen.title, QStringLiteral("Hex Editor"));
        QVERIFY(!seen.loaded);
        QCOMPARE(seen.enabled, (QList<bool>{true, true, false, false, false, false, true}));
        // Menu 157 with its keys.
        QCOMPARE(seen.menus, (QStringList{QStringLiteral("&File"), QStringLiteral("&Edit")}));
        QCOMPARE(seen.saveSelectionKey, QKeySequence(QStringLiteral("Ctrl+Shift+S")));
        QCOMPARE(seen.findPreviousKey, QKeySequence(Qt::Key_F4));
    }

    void openFileIsCappedAt32MiB() {
        const QString path = SavePath(QStringLiteral("large.bin"));
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.resize((33 << 20) + 1000));
            file.seek(0);
            file.write("HEAD");
            file.seek((32 << 20) - 4);
            file.write("TAIL");
            file.write("PAST");
        }
        CHexEditorDlg viewer(nullptr);
        m_answer = path;
        m_asked.clear();
        QVERIFY(viewer.Commands().Execute(cmd::kHexOpenFile));
        QCOMPARE(m_asked, QList<CHexEditorDlg::PathPurpose>{CHexEditorDlg::PathPurpose::kOpenFile});
        QCOMPARE(viewer.Editor()->Data().size(), std::size_t{hexview::kMaxShown});
        const std::string shown = Shown(viewer);
        QCOMPARE(shown.substr(0, 4), std::string("HEAD"));
        QCOMPARE(shown.substr(shown.size() - 4), std::string("TAIL"));
        QCOMPARE(viewer.windowTitle(),
                 QStringLiteral("Hex Editor - %1 (the first 32 MB of 33.00 MB)").arg(path));

        // A small file shows whole, under its path; a missing one leaves the viewer as it was.
        const QString small = SavePath(QStringLiteral("small.txt"));
        {
            QFile file(small);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("hello");
        }
        QVERIFY(viewer.OpenFile(small));
        QCOMPARE(Shown(viewer), std::string("hello"));
        QCOMPARE(viewer.windowTitle(), QStringLiteral("Hex Editor - %1").arg(small));
        QVERIFY(!viewer.OpenFile(SavePath(QStringLiteral("missing.bin"))));
        QCOMPARE(Shown(viewer), std::string("hello"));
        // Nothing that cannot be read at an offset (it might never end).
        QVERIFY(!viewer.OpenFile(QStringLiteral("/dev/zero")));
        QFile::remove(path);
    }

    void openDriveShowsItsFirst32MiB() {
        guitest::BindTestVolumes();
        CHexEditorDlg viewer(nullptr);
        viewer.show();
        int offered = -1;
        guitest::WhenModal<CSelectDriveDlg>([&offered](CSelectDriveDlg* picker) {
            offered = picker->List()->count();
            picker->List()->setCurrentRow(0); // E:, the FAT32 volume
            picker->OkButton()->click();
        });
        QVERIFY(viewer.Commands().Execute(cmd::kHexOpenDrive));
        QCOMPARE(offered, 2);
        QCOMPARE(viewer.windowTitle(), QStringLiteral("Hex Editor - E:"));
        const std::string image = guitest::VolumePath("fat32.img");
        QCOMPARE(viewer.Editor()->Data().size(), std::size_t{hexview::kMaxShown});
        QVERIFY(Shown(viewer) == FileBytes(image, 0, hexview::kMaxShown));
        QCOMPARE(viewer.SourcePath(), image);

        // A volume smaller than 32 MiB shows what it holds.
        QVERIFY(viewer.OpenDrive('F'));
        const std::string ntfs = guitest::VolumePath("ntfs.img");
        QVERIFY(viewer.Editor()->Data().size() < hexview::kMaxShown);
        QCOMPARE(viewer.Editor()->Data().size(), std::size_t(QFileInfo(ntfs.c_str()).size()));
        QCOMPARE(Shown(viewer).substr(3, 8), std::string("NTFS    "));

        // Cancel in the picker changes nothing; an unbound letter cannot be opened.
        guitest::WhenModal<CSelectDriveDlg>([](CSelectDriveDlg* picker) { picker->reject(); });
        QVERIFY(viewer.Commands().Execute(cmd::kHexOpenDrive));
        QCOMPARE(viewer.windowTitle(), QStringLiteral("Hex Editor - F:"));
        QVERIFY(!viewer.OpenDrive('Y'));
        QCOMPARE(viewer.windowTitle(), QStringLiteral("Hex Editor - F:"));
    }

    void foundItemsShowTheirSectors() {
        ItemVolume& v = Items();
        QVERIFY2(v.volume.Ok(), v.volume.Why().c_str());
        QVERIFY(v.scanned);
        struct Case {
            const char* name;
            std::string content;
            std::size_t shown;
        } cases[] = {
            {"a100.bin", Pattern(1, 100), 512},
            {"k1000.bin", Pattern(2, 1000), 1000},
            {"big40.bin", Pattern(3, 40u << 20), hexview::kMaxShown},
        };
        for (const Case& c : cases) {
            const auto row = RowOf(v.rows, QStringLiteral("G:\\%1").arg(QLatin1String(c.name)));
            QVERIFY2(row, c.name);
            CHexEditorDlg viewer(nullptr);
            QVERIFY(viewer.OpenItem('G', false, *row));
            QVERIFY(viewer.IsFromItem());
            QCOMPARE(viewer.windowTitle(), QStringLiteral("Hex Editor - G:\\%1").arg(c.name));
            const std::string shown = Shown(viewer);
            QCOMPARE(shown.size(), c.shown);
            QVERIFY2(shown == FileBytes(v.image, row->firSector * 512, c.shown), c.name);
            const std::size_t common = std::min(shown.size(), c.content.size());
            QVERIFY2(shown.substr(0, common) == c.content.substr(0, common), c.name);
        }
        // An empty item opens nothing.
        ScanRow empty = *RowOf(v.rows, QStringLiteral("G:\\a100.bin"));
        empty.size = 0;
        CHexEditorDlg viewer(nullptr);
        QVERIFY(!viewer.OpenItem('G', false, empty));
        QVERIFY(!OpenItemInHexViewer(nullptr, 'G', false, empty));
        // An item whose sector lies past the end of the volume shows nothing of what is not there.
        ScanRow beyond = *RowOf(v.rows, QStringLiteral("G:\\k1000.bin"));
        beyond.firSector = (48u << 20) / 512 - 1;
        QVERIFY(viewer.OpenItem('G', false, beyond));
        QCOMPARE(viewer.Editor()->Data().size(), std::size_t{512});
        beyond.firSector = ~uint64_t{0};
        QVERIFY(viewer.OpenItem('G', false, beyond));
        QCOMPARE(viewer.Editor()->Data().size(), std::size_t{0});
    }

    void foundItemsOfTheTestVolumesMatchTheManifest() {
        guitest::BindTestVolumes();
        QVERIFY(QuickScan('E', false));
        QVERIFY(QuickScan('F', true));
        const std::vector<ScanRow> fat = AllRows('E');
        const std::vector<ScanRow> ntfs = AllRows('F');
        const auto& fatManifest = tessaly::test::LoadVolume("fat32");
        const auto& ntfsManifest = tessaly::test::LoadVolume("ntfs");
        struct Case {
            char letter;
            const std::vector<ScanRow>* rows;
            const tessaly::test::TestVolume* manifest;
            const char* path;
        } cases[] = {
            {'E', &fat, &fatManifest, "Data/big-1MiB.bin"},
            {'E', &fat, &fatManifest, "Trash/deleted-100k.bin"},
            {'E', &fat, &fatManifest, "Trash/deleted-small.txt"},
            {'F', &ntfs, &ntfsManifest, "Data/big-1MiB.bin"},
            {'F', &ntfs, &ntfsManifest, "Trash/deleted-100k.bin"},
        };
        for (const Case& c : cases) {
            const auto* entry = c.manifest->Find(c.path);
            QVERIFY2(entry, c.path);
            QString windowsPath = QStringLiteral("%1:\\%2").arg(QChar(c.letter), c.path);
            windowsPath.replace(QLatin1Char('/'), QLatin1Char('\\'));
            const auto row = RowOf(*c.rows, windowsPath);
            QVERIFY2(row, qPrintable(windowsPath));
            QCOMPARE(row->size, entry->size);
            CHexEditorDlg viewer(nullptr);
            QVERIFY(viewer.OpenItem(c.letter, c.letter == 'F', *row));
            const std::string shown = Shown(viewer);
            QCOMPARE(shown.size(), std::max<std::size_t>(entry->size, 512));
            QCOMPARE(tessaly::test::Md5OfBytes(shown.data(), entry->size), entry->md5);
        }
        // A resident NTFS file has no data sectors: its first sector is its file record's.
        const auto resident = RowOf(ntfs, QStringLiteral("F:\\Data\\resident.bin"));
        QVERIFY(resident);
        CHexEditorDlg viewer(nullptr);
        QVERIFY(viewer.OpenItem('F', true, *resident));
        QCOMPARE(Shown(viewer).substr(0, 4), std::string("FILE"));
        QVERIFY(Shown(viewer) ==
                FileBytes(guitest::VolumePath("ntfs.img"), resident->firSector * 512, 512));
    }

    void openByHexEditorCommandOpensTheSelectedItem() {
        ItemVolume& v = Items();
        const auto row = RowOf(v.rows, QStringLiteral("G:\\k1000.bin"));
        QVERIFY(row);
        FrameState state;
        CommandRegistry commands(state);
        std::optional<FoundItem> selected;
        InstallOpenItemCommand(commands, nullptr, [&selected] { return selected; });
        commands.Recompute();
        QVERIFY(!commands.IsEnabled(cmd::kOpenInHexEditor)); // nothing selected
        selected = FoundItem{'G', false, *row};
        commands.Recompute();
        QVERIFY(commands.IsEnabled(cmd::kOpenInHexEditor));
        std::size_t shown = 0;
        QString title;
        guitest::WhenModal<CHexEditorDlg>([&](CHexEditorDlg* viewer) {
            shown = viewer->Editor()->Data().size();
            title = viewer->windowTitle();
            viewer->reject();
        });
        QVERIFY(commands.Execute(cmd::kOpenInHexEditor));
        QCOMPARE(shown, std::size_t{1000});
        QCOMPARE(title, QStringLiteral("Hex Editor - G:\\k1000.bin"));
        // A folder or an empty file is not opened.
        selected->row.size = 0;
        commands.Recompute();
        QVERIFY(!commands.IsEnabled(cmd::kOpenInHexEditor));
    }

    void findThroughTheDialog() {
        CHexEditorDlg viewer(nullptr);
        viewer.show();
        const QString path = SavePath(QStringLiteral("find.txt"));
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("Needle at zero, then hay, then NEEDLE again");
        }
        QVERIFY(viewer.OpenFile(path));
        guitest::MessageBoxAnswerer answers(QMessageBox::Ok);
        // Find Next without a remembered text opens the dialog; the first search down finds
        // the match at offset 0.
        QList<bool> states;
        guitest::WhenModal<CHexEditFindDlg>([&states](CHexEditFindDlg* find) {
            states << find->DownButton()->isChecked() << find->FindButton()->isEnabled();
            find->TextEdit()->setText(QStringLiteral("needle"));
            states << find->FindButton()->isEnabled();
            guitest::Screenshot(find, QStringLiteral("hex-find-dialog"));
            find->FindButton()->click();
        });
        QVERIFY(viewer.Commands().Execute(cmd::kHexFindNext));
        QCOMPARE(states, (QList<bool>{true, false, true}));
        QCOMPARE(viewer.Editor()->SelectionStart(), int64_t{0});
        QCOMPARE(viewer.Editor()->SelectionEnd(), int64_t{6});
        QVERIFY(viewer.Commands().IsEnabled(cmd::kHexSaveSelection));
        QVERIFY(viewer.Commands().Execute(cmd::kHexFindNext)); // F3: "NEEDLE", any case
        QCOMPARE(viewer.Editor()->SelectionStart(), int64_t{31});
        QVERIFY(viewer.Commands().Execute(cmd::kHexFindNext));
        QCOMPARE(answers.texts, QStringList{QStringLiteral("Could not find data.")});
        QCOMPARE(viewer.Editor()->SelectionStart(), int64_t{31});
        QVERIFY(viewer.Commands().Execute(cmd::kHexFindPrevious)); // F4
        QCOMPARE(viewer.Editor()->SelectionStart(), int64_t{0});

        // Match case, searching up from the end.
        viewer.Editor()->SetCaret(43);
        QString remembered;
        guitest::WhenModal<CHexEditFindDlg>([&remembered](CHexEditFindDlg* find) {
            remembered = find->TextEdit()->text();
            find->TextEdit()->setText(QStringLiteral("Needle"));
            find->MatchCaseBox()->setChecked(true);
            find->UpButton()->setChecked(true);
            find->FindButton()->click();
        });
        QVERIFY(viewer.Commands().Execute(cmd::kHexFind));
        QCOMPARE(remembered, QStringLiteral("needle"));
        QCOMPARE(viewer.Editor()->SelectionStart(), int64_t{0});
        QCOMPARE(answers.Count(), 1);
    }

    void savesNeverTouchTheSource() {
        guitest::BindTestVolumes();
        CHexEditorDlg viewer(nullptr);
        QVERIFY(viewer.OpenDrive('E'));
        QVERIFY(!viewer.Commands().IsEnabled(cmd::kHexSaveSelection));
        const std::string image = guitest::VolumePath("fat32.img");
        const std::string before = tessaly::test::Md5OfFile(image);

        // Onto the bound image itself: refused, with the reason.
        guitest::MessageBoxAnswerer answers(QMessageBox::Ok);
        QVERIFY(!viewer.SaveAllTo(QString::fromStdString(image)));
        QCOMPARE(answers.Count(), 1);
        QVERIFY(answers.texts[0].contains(QStringLiteral("Nothing is ever written to it")));
        QCOMPARE(tessaly::test::Md5OfFile(image), before);

        // Another source, not the one shown, is refused as well.
        viewer.Editor()->SetSelection(0, 512);
        QVERIFY(viewer.Commands().IsEnabled(cmd::kHexSaveSelection));
        QVERIFY(!viewer.SaveSelectionTo(QString::fromStdString(guitest::VolumePath("ntfs.img"))));
        QCOMPARE(answers.Count(), 2);

        // Elsewhere: the bytes shown, or the selection, and nothing else.
        const QString all = SavePath(QStringLiteral("all.bin"));
        m_answer = all;
        m_asked.clear();
        QVERIFY(viewer.Commands().Execute(cmd::kHexSaveAs));
        QCOMPARE(m_asked, QList<CHexEditorDlg::PathPurpose>{CHexEditorDlg::PathPurpose::kSaveFile});
        QCOMPARE(QFileInfo(all).size(), qint64(hexview::kMaxShown));
        QCOMPARE(tessaly::test::Md5OfFile(all.toStdString()),
                 tessaly::test::Md5OfBytes(viewer.Editor()->Data().data(), hexview::kMaxShown));
        const QString part = SavePath(QStringLiteral("part.bin"));
        viewer.Editor()->SetSelection(0x52, 0x5A);
        m_answer = part;
        QVERIFY(viewer.Commands().Execute(cmd::kHexSaveSelection));
        QCOMPARE(FileBytes(part.toStdString(), 0, 100), std::string("FAT32   "));
        QCOMPARE(answers.Count(), 2);
        // A folder that does not exist: told, nothing written.
        QVERIFY(!viewer.SaveAllTo(SavePath(QStringLiteral("no/such/folder.bin"))));
        QCOMPARE(answers.Count(), 3);
        QCOMPARE(tessaly::test::Md5OfFile(image), before);
        QFile::remove(all);
    }

    void saveOntoAFileSystemStoredOnTheSourceAsksFirst() {
        const std::string image = guitest::ScratchFolder().toStdString() + "/mounted.img";
        ScratchVolume volume(ScratchVolume::Fs::kNtfs, image, 8);
        if (!volume.Ok())
            QSKIP(qPrintable(QStringLiteral("no NTFS mount here: ") +
                             QString::fromStdString(volume.Why())));
        QVERIFY(platform::DriveMap::Instance().Bind('H', image).empty());
        CHexEditorDlg viewer(nullptr);
        QVERIFY(viewer.OpenDrive('H'));
        const QString target = QString::fromStdString(image + ".mnt/dump.bin");
        guitest::MessageBoxAnswerer answers(QMessageBox::No);
        QVERIFY(!viewer.SaveAllTo(target));
        QCOMPARE(answers.Count(), 1);
        QVERIFY(answers.texts[0].contains(QStringLiteral("lies on a file system stored on")));
        QVERIFY(!QFile::exists(target));
        answers.SetButton(QMessageBox::Yes);
        viewer.Editor()->SetSelection(0, 16);
        QVERIFY(viewer.SaveSelectionTo(target));
        QCOMPARE(answers.Count(), 2);
        QCOMPARE(QFileInfo(target).size(), qint64(16));
        platform::DriveMap::Instance().Clear();
        guitest::BindTestVolumes();
    }

    void saveAsOfAFoundItemRecoversIt() {
        ItemVolume& v = Items();
        const auto row = RowOf(v.rows, QStringLiteral("G:\\k1000.bin"));
        QVERIFY(row);
        CHexEditorDlg viewer(nullptr);
        viewer.show();
        QVERIFY(viewer.OpenItem('G', false, *row));
        viewer.Editor()->SetSelection(10, 300);
        guitest::Screenshot(&viewer, QStringLiteral("hex-viewer-found-item"));

        const QString folder = SavePath(QStringLiteral("recovered"));
        QDir().mkpath(folder);
        m_asked.clear();
        CSelectFolderDlg::ResetValues();
        guitest::MessageBoxAnswerer answers(QMessageBox::Ok);
        {
            // The window's destination dialog asks for the folder and what to do with
            // existing items; its OK runs the window's recovery job.
            guitest::OnShown<CSelectFolderDlg> choose([&](CSelectFolderDlg* d) {
                d->PathEdit()->setText(folder);
                d->ChoiceButton(ExistingChoice::kOverwrite)->click();
                d->OkButton()->click();
            });
            QVERIFY(viewer.Commands().Execute(cmd::kHexSaveAs));
            QCOMPARE(choose.Runs(), 1);
        }
        // Never a file dialog for the shown bytes: the item itself is recovered.
        QVERIFY(m_asked.isEmpty());
        QCOMPARE(FileBytes((folder + QStringLiteral("/k1000.bin")).toStdString(), 0, 2000),
                 Pattern(2, 1000));
        // The job's summary closes it, as it does in the window.
        QCOMPARE(answers.Count(), 1);
        QVERIFY(answers.texts[0].contains(folder));

        // The source image itself as the destination is refused by the dialog.
        {
            guitest::OnShown<CSelectFolderDlg> choose([&](CSelectFolderDlg* d) {
                d->PathEdit()->setText(QString::fromStdString(v.image));
                d->OkButton()->click();
                d->reject();
            });
            QVERIFY(viewer.Commands().Execute(cmd::kHexSaveAs));
            QCOMPARE(choose.Runs(), 1);
        }
        QCOMPARE(answers.Count(), 2);
        QVERIFY(answers.texts[1].startsWith(
            QStringLiteral("Invalid path. Please verify the correct path was given.")));
        QVERIFY(m_asked.isEmpty());
    }
};

TESSALY_GUI_TEST_MAIN(HexViewerTest)
#include "HexViewerTest.moc"
