#include "ui/hex/CHexEditFindDlg.h"

#include "ui/base/Translation.h"
#include "ui/resources/DialogIds.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace dlg = resources::dlg;

CHexEditFindDlg::CHexEditFindDlg(QWidget* parent, const QString& text, bool matchCase, bool down)
    : CMultiLanguageDlg(dlg::kHexFind, parent) {
    setObjectName(QStringLiteral("hexFindDialog"));
    setWindowTitle(QStringLiteral("Find"));
    auto* grid = new QGridLayout(this);
    auto* label = new QLabel(QStringLiteral("Fi&nd what:"), this);
    SetControlId(label, dlg::kHexFindLabel);
    m_text = new QLineEdit(text, this);
    m_text->setObjectName(QStringLiteral("findText"));
    m_text->setMinimumWidth(220);
    m_text->selectAll();
    label->setBuddy(m_text);
    SetControlId(m_text, dlg::kHexFindText);
    grid->addWidget(label, 0, 0);
    grid->addWidget(m_text, 0, 1, 1, 2);

    m_matchCase = new QCheckBox(QStringLiteral("Match &case"), this);
    m_matchCase->setChecked(matchCase);
    SetControlId(m_matchCase, dlg::kHexFindMatchCase);
    grid->addWidget(m_matchCase, 1, 0, 1, 2, Qt::AlignBottom);

    auto* direction = new QGroupBox(QStringLiteral("Direction"), this);
    SetControlId(direction, dlg::kHexFindDirection);
    auto* directionRow = new QHBoxLayout(direction);
    m_up = new QRadioButton(QStringLiteral("&Up"), direction);
    m_down = new QRadioButton(QStringLiteral("&Down"), direction);
    SetControlId(m_up, dlg::kHexFindUp);
    SetControlId(m_down, dlg::kHexFindDown);
    (down ? m_down : m_up)->setChecked(true);
    directionRow->addWidget(m_up);
    directionRow->addWidget(m_down);
    grid->addWidget(direction, 1, 2);

    auto* buttons = new QVBoxLayout;
    m_find = new QPushButton(QStringLiteral("Find &Next"), this);
    m_find->setDefault(true);
    SetControlId(m_find, dlg::kIdOk);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    SetControlId(cancel, dlg::kIdCancel);
    buttons->addWidget(m_find);
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    grid->addLayout(buttons, 0, 3, 2, 1);

    connect(m_find, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto update = [this] { m_find->setEnabled(!m_text->text().isEmpty()); };
    connect(m_text, &QLineEdit::textChanged, this, update);
    update();
    grid->setSizeConstraint(QLayout::SetFixedSize);
}

QString CHexEditFindDlg::Text() const {
    return m_text->text();
}

bool CHexEditFindDlg::MatchCase() const {
    return m_matchCase->isChecked();
}

bool CHexEditFindDlg::Down() const {
    return m_down->isChecked();
}
