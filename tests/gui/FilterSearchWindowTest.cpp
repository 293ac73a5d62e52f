// The filter dialogs and the advanced search from the window: the boxes' rules, the filter
// applied to listings of a real FAT32 volume, filters saved as on at start-up, the search
// criteria, a search of the real NTFS test volume compared with its manifest, exiting during
// a search, and recovering ticked results.
#include "engine/volume/EntryPoints.h"
#include "engine/volume/QueryEntryPoints.h"
#include "platform/DriveMap.h"
#include "platform/Text.h"
#include "tests/gui/GuiFixture.h"
#include "tests/gui/WindowDriver.h"
#include "tests/support/ScratchVolume.h"
#include "tests/support/TestVolumes.h"
#include "ui/base/QtText.h"
#include "ui/dialogs/CAddFilterDlg.h"
#include "ui/dialogs/CAdvSearchDlg.h"
#include "ui/dialogs/CAdvSearchingDlg.h"
#include "ui/dialogs/CFilterDlg.h"
#include "ui/dialogs/CSelectFolderDlg.h"
#include "ui/list/CCorvaneView.h"
#include "ui/list/CReportCtrl.h"
#include "ui/resources/CommandIds.h"
#include "ui/settings/Ini.h"
#include "ui/settings/Settings.h"
#include "ui/shell/FolderBrowser.h"
#include "ui/shell/WindowTools.h"
#include "ui/tree/DriveTreePane.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTreeView>

#include <set>

using namespace guitest;
namespace cmd = resources::cmd;

namespace {

constexpr char kNtfs = 'F';
constexpr char kFiltered = 'H';

std::vector<std::string> Listed(char letter, uint64_t folder, const ListingFilter& filter) {
    std::vector<std::string> names;
    ListFolderItems(
        letter, folder, nullptr,
        [](const ScanRow& row, uint32_t, bool, void* c) {
            static_cast<std::vector<std::string>*>(c)->push_back(platform::Utf16ToUtf8(row.name));
            return true;
        },
        nullptr, filter.mode, filter.extensions, false, &names);
    return names;
}

bool Has(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

} // namespace

class FilterSearchWindowTest : public QObject {
    Q_OBJECT
    std::unique_ptr<CMainFrame> m_frame;

private Q_SLOTS:
    void initTestCase() {
        BindTestVolumes();
        // A FAT32 volume with the extensions the filters are about, made by mtools.
        const std::string image = ScratchFolder().toStdString() + "/filters.img";
        tessaly::test::ScratchVolume v(tessaly::test::ScratchVolume::Fs::kFat32, image, 34);
        QVERIFY2(v.Ok(), v.Why().c_str());
        QVERIFY(v.WriteFile("a.tmp", "temporary"));
        QVERIFY(v.WriteFile("x.BAK", "backup"));
        QVERIFY(v.WriteFile("keep.txt", "keep"));
        QVERIFY(v.MakeFolder("Folder.tmp"));
        QVERIFY(v.Close());
        QVERIFY(platform::DriveMap::Instance().Bind(kFiltered, image).empty());
        QVERIFY(QuickScanFatDrive(
            kFiltered, [](const char16_t*, void*) { return true; }, nullptr));
        m_frame = OpenFrame();
        QVERIFY(m_frame->DriveTree()->SelectDrive(kNtfs));
        QVERIFY(m_frame->StartScan(false));
        QVERIFY(WaitForScanEnd(*m_frame));
        QVERIFY(m_frame->DriveTree()->SelectDrive(kNtfs));
    }

    void cleanupTestCase() { m_frame.reset(); }

    void filterDialogRulesAndListing() {
        CFilterDlg dialog(m_frame.get());
        QTimer::singleShot(0, &dialog, [&] {
            // Nothing ticked: both lists and their buttons are disabled.
            QVERIFY(!dialog.NoDisplayBox()->isChecked() && !dialog.OnlyDisplayBox()->isChecked());
            QVERIFY(!dialog.NoDisplayList()->isEnabled());
            QVERIFY(!dialog.Button(1, 0)->isEnabled());
            dialog.OnlyDisplayBox()->click();
            QVERIFY(dialog.OnlyDisplayList()->isEnabled() && dialog.Button(1, 2)->isEnabled());
            QVERIFY(!dialog.NoDisplayList()->isEnabled());
            // Ticking the other clears the first.
            dialog.NoDisplayBox()->click();
            QVERIFY(dialog.NoDisplayBox()->isChecked());
            QVERIFY(!dialog.OnlyDisplayBox()->isChecked());
            QVERIFY(dialog.NoDisplayList()->isEnabled() && dialog.Button(0, 1)->isEnabled());
            QVERIFY(!dialog.OnlyDisplayList()->isEnabled() && !dialog.Button(1, 0)->isEnabled());
            // Add: OK only for more than blanks.
            OnShown<CAddFilterDlg> add(
                [&](CAddFilterDlg* a) {
                    QVERIFY(!a->OkButton()->isEnabled());
                    a->Edit()->setText(QStringLiteral("   "));
                    QVERIFY(!a->OkButton()->isEnabled());
                    a->Edit()->setText(QStringLiteral(".TMP"));
                    QVERIFY(a->OkButton()->isEnabled());
                    QCOMPARE(a->windowTitle(), TextOf(47));
                    Screenshot(a, QStringLiteral("filter-add-dialog"));
                    a->OkButton()->click();
                },
                1);
            dialog.Button(0, 0)->click();
            OnShown<CAddFilterDlg> add2([&](CAddFilterDlg* a) {
                a->Edit()->setText(QStringLiteral("bk"));
                a->OkButton()->click();
            });
            dialog.Button(0, 0)->click();
            // Edit replaces the selected entry in place.
            dialog.NoDisplayList()->setCurrentRow(1);
            OnShown<CAddFilterDlg> edit([&](CAddFilterDlg* a) {
                QCOMPARE(a->windowTitle(), TextOf(48));
                QCOMPARE(a->Edit()->text(), QStringLiteral("bk"));
                a->Edit()->setText(QStringLiteral(" bak"));
                a->OkButton()->click();
            });
            dialog.Button(0, 1)->click();
            dialog.NoDisplayList()->addItem(QStringLiteral("gone"));
            dialog.NoDisplayList()->setCurrentRow(2);
            dialog.Button(0, 2)->click(); // deletes at once
            QCOMPARE(dialog.NoDisplayList()->count(), 2);
            QCOMPARE(dialog.NoDisplayList()->item(0)->text(), QStringLiteral(".TMP"));
            QCOMPARE(dialog.NoDisplayList()->item(1)->text(), QStringLiteral(" bak"));
            Screenshot(&dialog, QStringLiteral("filter-dialog"));
            dialog.accept();
        });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QCOMPARE(CFilterDlg::Active().mode, int(kFilterHideListed));
        QCOMPARE(CFilterDlg::Active().clause, std::string("('TMP','bak')"));

        // Listings follow "Use Filters".
        m_frame->State().Set(&FrameState::useFilters, false);
        std::vector<std::string> names =
            Listed(kFiltered, 2, ActiveListingFilter(m_frame->State()));
        QVERIFY(Has(names, "a.tmp") && Has(names, "x.BAK"));
        m_frame->Commands().Execute(cmd::kUseFilters);
        QVERIFY(m_frame->State().useFilters);
        names = Listed(kFiltered, 2, ActiveListingFilter(m_frame->State()));
        QVERIFY(!Has(names, "a.tmp"));
        QVERIFY(!Has(names, "x.BAK"));
        QVERIFY(Has(names, "keep.txt"));
        QVERIFY(Has(names, "Folder.tmp")); // folders are never filtered
        // The file list itself, listing the drive's root.
        auto* browser = m_frame->findChild<FolderBrowser*>();
        QVERIFY(browser);
        QVERIFY(m_frame->DriveTree()->SelectDrive(kFiltered));
        QTRY_VERIFY(!browser->Listing());
        std::vector<std::string> shown;
        for (int i = 0; i < browser->View()->Rows()->Count(); ++i)
            shown.push_back(platform::Utf16ToUtf8(browser->View()->Rows()->Row(i).name));
        QVERIFY2(!Has(shown, "a.tmp") && !Has(shown, "x.BAK") && Has(shown, "keep.txt"),
                 qPrintable(QString::number(shown.size())));
        Screenshot(m_frame.get(), QStringLiteral("filtered-file-list"));

        // An empty list with its box ticked filters nothing.
        CFilterDlg empty(m_frame.get());
        QTimer::singleShot(0, &empty, [&] {
            empty.NoDisplayList()->clear();
            empty.accept();
        });
        empty.exec();
        QCOMPARE(CFilterDlg::Active().mode, int(kFilterNone));
        QCOMPARE(Listed(kFiltered, 2, ActiveListingFilter(m_frame->State())).size(), size_t{4});
    }

    void savedFiltersApplyFromStartUp() {
        WriteSetting(settings::kUseFilters, true);
        WriteSetting(settings::kNoDisplay, true);
        WriteSetting(settings::kNoDisplayFilters, {"tmp"});
        auto frame = std::make_unique<CMainFrame>();
        QVERIFY(frame->State().useFilters);
        const ListingFilter f = ActiveListingFilter(frame->State());
        QCOMPARE(f.mode, int(kFilterHideListed));
        QVERIFY(!Has(Listed(kFiltered, 2, f), "a.tmp"));
        frame.reset();
        WriteSetting(settings::kUseFilters, false);
        m_frame->State().Set(&FrameState::useFilters, false);
    }

    void criteriaDialogRules() {
        CAdvSearchDlg::ResetCriteria();
        WriteSetting(settings::kSearchSubdirectories, false);
        CAdvSearchDlg dialog(m_frame.get());
        QTimer::singleShot(0, &dialog, [&] {
            QCOMPARE(dialog.NameEdit()->text(), QStringLiteral("*.*"));
            QVERIFY(!dialog.RecursiveBox()->isChecked());
            QVERIFY(!dialog.SizeFrom()->isEnabled() && !dialog.DateFrom()->isEnabled());
            QCOMPARE(dialog.DateKind()->count(), 3);
            QCOMPARE(dialog.DateKind()->itemText(0), TextOf(43));
            QCOMPARE(dialog.DateFrom()->dateTime().time(), QTime(0, 0));
            QCOMPARE(dialog.DateFrom()->date(), QDate(QDate::currentDate().year(), 1, 1));
            dialog.SizeBox()->click();
            dialog.DateBox()->click();
            QVERIFY(dialog.SizeFrom()->isEnabled() && dialog.DateTo()->isEnabled());
            dialog.DeletedBox()->click();
            dialog.ExistingBox()->click();
            QVERIFY(!dialog.DeletedBox()->isChecked() && dialog.ExistingBox()->isChecked());
            dialog.DeletedBox()->click();
            QVERIFY(dialog.DeletedBox()->isChecked() && !dialog.ExistingBox()->isChecked());
            dialog.NameEdit()->clear();
            QVERIFY(!dialog.OkButton()->isEnabled());
            dialog.NameEdit()->setText(QStringLiteral("a*b?.txt"));
            QVERIFY(dialog.OkButton()->isEnabled());
            dialog.SizeFrom()->setValue(500);
            dialog.SizeTo()->setValue(100);
            dialog.RecursiveBox()->setChecked(true);
            Screenshot(&dialog, QStringLiteral("search-criteria-dialog"));
            dialog.OkButton()->click();
        });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QVERIFY(ReadSetting(settings::kSearchSubdirectories));
        const SearchRequest r = BuildSearchRequest(CAdvSearchDlg::Criteria(), kNtfs, 5);
        QCOMPARE(r.pattern, std::u16string(u"a%b_.txt"));
        QCOMPARE(r.minKb, uint64_t{100});
        QCOMPARE(r.maxKb, uint64_t{500});
        QCOMPARE(r.deletionFilter, int(kSearchDeletedOnly));
        QCOMPARE(r.dateField, int(kSearchCreated));
        QVERIFY(r.dateFrom <= r.dateTo);
        CAdvSearchDlg::ResetCriteria();
    }

    void searchFromTheWindowMatchesTheManifest() {
        const auto& manifest = tessaly::test::LoadVolume("ntfs");
        std::set<std::string> expected;
        for (const auto& e : manifest.entries)
            if (!e.isDir && e.deleted && e.path.size() > 4 &&
                e.path.compare(e.path.size() - 4, 4, ".bin") == 0)
                expected.insert(e.path.substr(e.path.rfind('/') + 1));
        auto* browser = m_frame->findChild<FolderBrowser*>();
        QVERIFY(m_frame->DriveTree()->SelectDrive(kNtfs));
        QTRY_VERIFY(!browser->Listing());
        m_frame->State().Set(&FrameState::listNotEmpty, true);
        OnShown<CAdvSearchDlg> criteria([](CAdvSearchDlg* d) {
            d->NameEdit()->setText(QStringLiteral("*.BIN"));
            if (!d->DeletedBox()->isChecked()) d->DeletedBox()->click();
            if (d->SizeBox()->isChecked()) d->SizeBox()->click();
            if (d->DateBox()->isChecked()) d->DateBox()->click();
            d->OkButton()->click();
        });
        std::set<std::string> found;
        QString folderText;
        const QString out = ScratchFolder() + QStringLiteral("/from-search");
        OnShown<CAdvSearchingDlg> results([&](CAdvSearchingDlg* d) {
            struct Closer {
                CAdvSearchingDlg* d;
                ~Closer() { d->ExitButton()->click(); }
            } closer{d};
            folderText = ToQ(d->Request().folder);
            QSignalSpy done(d, &CAdvSearchingDlg::searchFinished);
            if (!d->Searched()) QVERIFY(done.wait(60000));
            QVERIFY(!d->StopButton()->isEnabled());
            QVERIFY(d->RecoverButton()->isEnabled());
            QVERIFY(d->PathLine()->text().startsWith(TextOf(54).left(13)));
            for (int i = 0; i < d->Model()->rowCount(); ++i)
                found.insert(platform::Utf16ToUtf8(d->Model()->Row(i).name));
            QCOMPARE(d->Model()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
                     QStringLiteral("Path"));
            Screenshot(d, QStringLiteral("search-results"));
            // Find: the file list's patterns, case-blind.
            const int match = d->Find(QStringLiteral("*100K*"), true, 0);
            QVERIFY(match >= 0);
            QCOMPARE(d->Model()->Row(match).name, std::u16string(u"deleted-100k.bin"));
            QCOMPARE(d->List()->FirstSelectedRow(), match);
            {
                MessageBoxAnswerer ok(QMessageBox::Ok);
                QCOMPARE(d->Find(QStringLiteral("no such name"), true, 0), -1);
                QCOMPARE(ok.texts.value(0), TextOf(41));
            }
            // Tick two results and recover them.
            int ticked = 0;
            for (int i = 0; i < d->Model()->rowCount() && ticked < 2; ++i) {
                const std::u16string& name = d->Model()->Row(i).name;
                if (name == u"deleted-100k.bin" || name == u"logo.bin") {
                    d->Model()->setData(d->Model()->index(i, 0), Qt::Checked, Qt::CheckStateRole);
                    ++ticked;
                }
            }
            QCOMPARE(ticked, 2);
            OnShown<CSelectFolderDlg> choose([&](CSelectFolderDlg* s) {
                s->PathEdit()->setText(out);
                s->ChoiceButton(ExistingChoice::kOverwrite)->click();
                s->OkButton()->click();
            });
            MessageBoxAnswerer yes(QMessageBox::Yes);
            d->RecoverButton()->click();
            QVERIFY(yes.Count() >= 2); // create the folder; the summary
        });
        QVERIFY(m_frame->Commands().Execute(cmd::kAdvancedSearch));
        QCOMPARE(results.Runs(), 1);
        QCOMPARE(folderText, QStringLiteral("F:\\"));
        QCOMPARE(found, expected);
        for (const auto& e : manifest.entries) {
            if (e.path != "Trash/deleted-100k.bin" && e.path != "OldProject/Assets/logo.bin")
                continue;
            // Each result below its own folders (the dialog's default).
            const std::string file = out.toStdString() + "/" + e.path;
            QCOMPARE(tessaly::test::Md5OfFile(file), e.md5);
        }
    }

    void exitDuringASearchClosesWhenItReturns() {
        SearchCriteria c;
        c.folder = u"F:\\";
        c.pattern = u"*";
        SearchDrive drive{kNtfs, true, 5, VolumePath("ntfs.img")};
        CAdvSearchingDlg d(m_frame.get(), drive, c);
        int folders = 0;
        bool recoverDisabled = true;
        connect(&d, &CAdvSearchingDlg::folderEntered, &d, [&] {
            if (d.RecoverButton()->isEnabled()) recoverDisabled = false;
            if (++folders == 2) d.ExitButton()->click();
        });
        QCOMPARE(d.exec(), int(QDialog::Rejected));
        QCOMPARE(folders, 2); // the search stopped at the folder where Exit was pressed
        QVERIFY(recoverDisabled);
        QVERIFY(!d.Searching());
        QCOMPARE(d.Model()->rowCount(), 0);

        // Stop keeps the rows found so far and the dialog open.
        CAdvSearchingDlg s(m_frame.get(), drive, c);
        int seen = 0;
        connect(&s, &CAdvSearchingDlg::folderEntered, &s, [&] {
            if (++seen == 3) s.StopButton()->click();
        });
        QSignalSpy done(&s, &CAdvSearchingDlg::searchFinished);
        s.show();
        QVERIFY(done.wait(30000));
        QVERIFY(s.isVisible());
        QCOMPARE(seen, 3);
        QVERIFY(s.Model()->rowCount() > 0);
        QVERIFY(!s.StopButton()->isEnabled());
        s.ExitButton()->click();
        QVERIFY(!s.isVisible());
    }
};

TESSALY_GUI_TEST_MAIN(FilterSearchWindowTest)
#include "FilterSearchWindowTest.moc"
