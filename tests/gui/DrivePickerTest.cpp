// The drive picker over bound images: the entry texts, the first entry selected, OK and a
// double click giving the letter, Cancel giving nothing, and no OK when there is no drive.
#include "platform/DriveMap.h"
#include "tests/gui/GuiFixture.h"
#include "tests/gui/ModalHelper.h"
#include "tests/support/Mounts.h"
#include "ui/dialogs/CSelectDriveDlg.h"
#include "ui/hex/CHexEditFindDlg.h"
#include "ui/resources/CommandIds.h"
#include "ui/settings/Languages.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>

#include <QListWidget>
#include <QPushButton>

namespace {

// A FAT32 volume made without a label ("NO NAME" in its boot sector, no label entry).
std::string UnlabelledFat() {
    const std::string image = guitest::ScratchFolder().toStdString() + "/nolabel.img";
    const std::string command = "truncate -s 34M " + tessaly::test::ShellQuote(image) +
                                " && mkfs.fat -F 32 -S 512 -s 1 " +
                                tessaly::test::ShellQuote(image) + " >/dev/null";
    std::string output;
    if (tessaly::test::RunShell(command, &output) != 0) qWarning("%s", output.c_str());
    return image;
}

} // namespace

class DrivePickerTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void oneUnlabelledFatVolumeGivesOneEntry() {
        auto& map = platform::DriveMap::Instance();
        map.Clear();
        QVERIFY(map.Bind('E', UnlabelledFat()).empty());
        CSelectDriveDlg picker(nullptr);
        picker.show();
        QVERIFY(QTest::qWaitForWindowExposed(&picker));
        QCOMPARE(picker.windowTitle(), QStringLiteral("Please select a drive"));
        QCOMPARE(picker.List()->count(), 1);
        QCOMPARE(picker.List()->item(0)->text(), QStringLiteral("NO NAME (E:)(FAT32)"));
        QCOMPARE(picker.List()->currentRow(), 0);
        QVERIFY(picker.List()->item(0)->isSelected());
        QVERIFY(picker.OkButton()->isEnabled());
        guitest::Screenshot(&picker, QStringLiteral("drive-picker-unlabelled"));
        picker.OkButton()->click();
        QCOMPARE(picker.result(), int(QDialog::Accepted));
        QCOMPARE(picker.ChosenLetter(), std::optional<char>('E'));

        // A double click on the entry gives its letter as well.
        guitest::WhenModal<CSelectDriveDlg>([](CSelectDriveDlg* shown) {
            QWidget* viewport = shown->List()->viewport();
            const QPoint at = shown->List()->visualItemRect(shown->List()->item(0)).center();
            QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
            QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
            if (shown->isVisible()) shown->reject();
        });
        QCOMPARE(PickDrive(nullptr), std::optional<char>('E'));
    }

    void doubleClickOkAndCancel() {
        guitest::BindTestVolumes();
        // Double click on the second entry gives its letter.
        std::optional<char> letter;
        QStringList texts;
        guitest::WhenModal<CSelectDriveDlg>([&texts](CSelectDriveDlg* picker) {
            for (int i = 0; i < picker->List()->count(); ++i)
                texts << picker->List()->item(i)->text();
            guitest::Screenshot(picker, QStringLiteral("drive-picker"));
            QListWidgetItem* item = picker->List()->item(picker->List()->count() - 1);
            const QRect r = picker->List()->visualItemRect(item);
            QWidget* viewport = picker->List()->viewport();
            QTest::mouseClick(viewport, Qt::LeftButton, {}, r.center());
            QTest::mouseDClick(viewport, Qt::LeftButton, {}, r.center());
            if (picker->isVisible()) picker->reject();
        });
        letter = PickDrive(nullptr);
        QCOMPARE(texts, (QStringList{QStringLiteral("TESSALYFAT (E:)(FAT32)"),
                                     QStringLiteral("TESSALYNTFS (F:)(NTFS)")}));
        QCOMPARE(letter, std::optional<char>('F'));

        // OK takes the selected entry, the first unless the user chose another.
        guitest::WhenModal<CSelectDriveDlg>(
            [](CSelectDriveDlg* picker) { picker->OkButton()->click(); });
        QCOMPARE(PickDrive(nullptr), std::optional<char>('E'));

        // Cancel (or Escape) gives nothing.
        guitest::WhenModal<CSelectDriveDlg>([](CSelectDriveDlg* picker) {
            for (QPushButton* b : picker->findChildren<QPushButton*>())
                if (b != picker->OkButton()) b->click();
        });
        QCOMPARE(PickDrive(nullptr), std::nullopt);
        guitest::WhenModal<CSelectDriveDlg>(
            [](CSelectDriveDlg* picker) { QTest::keyClick(picker, Qt::Key_Escape); });
        QCOMPARE(PickDrive(nullptr), std::nullopt);
    }

    void translatedWithTheLanguageFile() {
        auto& map = platform::DriveMap::Instance();
        map.Clear();
        QVERIFY(map.Bind('E', UnlabelledFat()).empty());
        unsigned deutsch = 0;
        for (const LanguageFile& file : ListLanguages().files)
            if (file.name == "Deutsch") deutsch = file.menuId;
        QVERIFY(deutsch != 0);
        ::SwitchLanguage(deutsch);
        CSelectDriveDlg picker(nullptr);
        picker.show();
        QCOMPARE(picker.windowTitle(), QStringLiteral("Bitte wählen Sie ein Laufwerk"));
        QCOMPARE(picker.List()->item(0)->text(), QStringLiteral("OHNE NAMEN (E:)(FAT32)"));
        QCOMPARE(picker.OkButton()->text(), QStringLiteral("&OK"));
        guitest::Screenshot(&picker, QStringLiteral("drive-picker-deutsch"));
        picker.reject();

        CHexEditFindDlg find(nullptr, QString(), false, true);
        find.show();
        QCOMPARE(find.windowTitle(), QStringLiteral("Suchen"));
        QCOMPARE(find.MatchCaseBox()->text(), QStringLiteral("&Groß-/Kleinschreibung beachten"));
        QCOMPARE(find.UpButton()->text(), QStringLiteral("Nach &oben"));
        guitest::Screenshot(&find, QStringLiteral("hex-find-dialog-deutsch"));
        find.reject();
        ::SwitchLanguage(resources::cmd::kLanguageDefault);
        guitest::BindTestVolumes();
    }

    void noDriveNoOk() {
        platform::DriveMap::Instance().Clear();
        CSelectDriveDlg picker(nullptr);
        picker.show();
        QCOMPARE(picker.List()->count(), 0);
        QVERIFY(!picker.OkButton()->isEnabled());
        // Return on the default button does nothing either.
        QTest::keyClick(&picker, Qt::Key_Return);
        QCOMPARE(picker.ChosenLetter(), std::nullopt);
        QVERIFY(picker.isVisible());
        guitest::Screenshot(&picker, QStringLiteral("drive-picker-empty"));
        picker.reject();
        guitest::BindTestVolumes();
    }
};

TESSALY_GUI_TEST_MAIN(DrivePickerTest)
#include "DrivePickerTest.moc"
