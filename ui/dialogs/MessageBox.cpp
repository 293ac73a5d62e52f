#include "ui/dialogs/MessageBox.h"

#include "ui/base/QtText.h"

#include <QAbstractButton>

namespace {

constexpr unsigned kTextYes = 8;
constexpr unsigned kTextNo = 9;

QMessageBox* Make(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                  QMessageBox::StandardButtons buttons) {
    auto* box = new QMessageBox(icon, QStringLiteral("Tessaly"), text, buttons, parent);
    if (QAbstractButton* yes = box->button(QMessageBox::Yes)) yes->setText(TextOf(kTextYes));
    if (QAbstractButton* no = box->button(QMessageBox::No)) no->setText(TextOf(kTextNo));
    return box;
}

} // namespace

QMessageBox* MakeQuestion(QWidget* parent, const QString& text) {
    QMessageBox* box =
        Make(parent, QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No);
    box->setDefaultButton(QMessageBox::No);
    return box;
}

bool AskYesNo(QWidget* parent, const QString& text) {
    QMessageBox* box = MakeQuestion(parent, text);
    const int answer = box->exec();
    delete box;
    return answer == QMessageBox::Yes;
}

void Warn(QWidget* parent, const QString& text) {
    QMessageBox* box = Make(parent, QMessageBox::Warning, text, QMessageBox::Ok);
    box->exec();
    delete box;
}

void ShowError(QWidget* parent, const QString& text) {
    QMessageBox* box = Make(parent, QMessageBox::Critical, text, QMessageBox::Ok);
    box->exec();
    delete box;
}

void Inform(QWidget* parent, const QString& text) {
    QMessageBox* box = Make(parent, QMessageBox::Information, text, QMessageBox::Ok);
    box->exec();
    delete box;
}

QMessageBox* WarnLater(QWidget* parent, const QString& text, const QString& title) {
    QMessageBox* box = Make(parent, QMessageBox::Warning, text, QMessageBox::Ok);
    if (!title.isEmpty()) box->setWindowTitle(title);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->show();
    return box;
}
