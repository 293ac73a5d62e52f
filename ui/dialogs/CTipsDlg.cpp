#include "ui/dialogs/CTipsDlg.h"

#include "ui/base/QtText.h"
#include "ui/base/Translation.h"
#include "ui/resources/DialogIds.h"
#include "ui/settings/Settings.h"
#include "ui/settings/Tips.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

namespace dlg = resources::dlg;

// The tips file wraps its lines by hand; the dialog wraps them itself, keeping blank lines as
// paragraph breaks.
QString TipForDisplay(const std::u16string& tip) {
    QString text = ToQ(tip);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QStringList paragraphs = text.trimmed().split(QStringLiteral("\n\n"));
    for (QString& p : paragraphs)
        p = p.split(QLatin1Char('\n')).join(QLatin1Char(' '));
    return paragraphs.join(QStringLiteral("\n\n"));
}

} // namespace

CTipsDlg::CTipsDlg(QWidget* parent) : CMultiLanguageDlg(dlg::kTips, parent) {
    setWindowTitle(QStringLiteral("Tips of the day"));
    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(QStringLiteral("Did you know..."), this);
    QFont big = heading->font();
    big.setBold(true);
    big.setPointSize(big.pointSize() + 3);
    heading->setFont(big);
    SetControlId(heading, dlg::kTipsHeading);
    layout->addWidget(heading);
    m_text = new QPlainTextEdit(this);
    m_text->setReadOnly(true);
    m_text->setObjectName(QStringLiteral("tipText"));
    QPalette p = m_text->palette();
    p.setColor(QPalette::Base, QColor(0xFF, 0xFB, 0xEA));
    m_text->setPalette(p);
    layout->addWidget(m_text, 1);
    m_dontShow = new QCheckBox(QStringLiteral("&Don't show this the next time"), this);
    SetControlId(m_dontShow, dlg::kTipsDontShow);
    layout->addWidget(m_dontShow);
    auto* row = new QHBoxLayout;
    m_last = new QPushButton(QStringLiteral("<<&Last"), this);
    m_next = new QPushButton(QStringLiteral("&Next>>"), this);
    m_close = new QPushButton(QStringLiteral("&Close"), this);
    SetControlId(m_last, dlg::kTipsLast);
    SetControlId(m_next, dlg::kTipsNext);
    SetControlId(m_close, dlg::kTipsClose);
    row->addStretch(1);
    row->addWidget(m_last);
    row->addWidget(m_next);
    row->addWidget(m_close);
    layout->addLayout(row);
    connect(m_next, &QPushButton::clicked, this,
            [this] { m_text->setPlainText(TipForDisplay(NextTip())); });
    connect(m_last, &QPushButton::clicked, this,
            [this] { m_text->setPlainText(TipForDisplay(PreviousTip())); });
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
    resize(440, 260);
}

bool CTipsDlg::ShowTips(QWidget* parent) {
    if (TipCount() == 0) return false;
    CTipsDlg dialog(parent);
    dialog.exec();
    return true;
}

QString CTipsDlg::TipText() const {
    return m_text->toPlainText();
}

void CTipsDlg::OnInitDialog() {
    m_dontShow->setChecked(!ReadSetting(settings::kShowTips));
    m_text->setPlainText(TipForDisplay(NextTip()));
    m_next->setDefault(true);
    m_next->setFocus();
}

void CTipsDlg::done(int result) {
    WriteSetting(settings::kShowTips, !m_dontShow->isChecked());
    CMultiLanguageDlg::done(result);
}
