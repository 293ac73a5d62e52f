#include "ui/dialogs/FolderPicker.h"

#include "ui/base/QtText.h"

#include <QDir>
#include <QFileDialog>

namespace {

constexpr unsigned kTextSelectFolderTitle = 3;

FolderPicker& Picker() {
    static FolderPicker picker;
    return picker;
}

} // namespace

void SetFolderPicker(FolderPicker picker) {
    Picker() = std::move(picker);
}

QString BrowseForFolder(QWidget* parent, const QString& start) {
    const QString title = TextOf(kTextSelectFolderTitle);
    QString chosen = Picker() ? Picker()(parent, title, start)
                              : QFileDialog::getExistingDirectory(parent, title, start,
                                                                  QFileDialog::ShowDirsOnly);
    while (chosen.size() > 1 && chosen.endsWith(QLatin1Char('/')))
        chosen.chop(1);
    return QDir::toNativeSeparators(chosen);
}
