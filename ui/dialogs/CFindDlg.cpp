#include "ui/dialogs/CFindDlg.h"

#include "ui/base/Translation.h"
#include "ui/resources/DialogIds.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace dlg = resources::dlg;

CFindDlg::CFindDlg(const QString& pattern, bool down, QWidget* parent)
    : CMultiLanguageDlg(dlg::kFind, parent), m_initial(pattern), m_initialDown(down) {
    setObjectName(QStringLiteral("findDialog"));
    setWindowTitle(QStringLiteral("Find Matching file or folder"));
    auto* layout = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("Find Content:"), this);
    SetControlId(label, dlg::kFindLabel);
    m_text = new QLineEdit(this);
    m_text->setObjectName(QStringLiteral("findText"));
    m_text->setMinimumWidth(220);
    SetControlId(m_text, dlg::kFindText);
    label->setBuddy(m_text);
    row->addWidget(label);
    row->addWidget(m_text, 1);
    left->addLayout(row);
    auto* direction = new QGroupBox(QStringLiteral("Direction"), this);
    SetControlId(direction, dlg::kFindDirection);
    auto* buttons = new QHBoxLayout(direction);
    m_up = new QRadioButton(QStringLiteral("&Up"), direction);
    m_down = new QRadioButton(QStringLiteral("&Down"), direction);
    SetControlId(m_up, dlg::kFindUp);
    SetControlId(m_down, dlg::kFindDown);
    buttons->addWidget(m_up);
    buttons->addWidget(m_down);
    buttons->addStretch(1);
    left->addWidget(direction, 0, Qt::AlignRight);
    layout->addLayout(left, 1);
    auto* right = new QVBoxLayout;
    m_findNext = new QPushButton(QStringLiteral("Find &Next"), this);
    m_findNext->setDefault(true);
    SetControlId(m_findNext, dlg::kFindNextButton);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    SetControlId(cancel, dlg::kIdCancel);
    right->addWidget(m_findNext);
    right->addWidget(cancel);
    right->addStretch(1);
    layout->addLayout(right);
    connect(m_findNext, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CFindDlg::OnInitDialog() {
    m_text->setText(m_initial);
    m_text->selectAll();
    m_text->setFocus();
    (m_initialDown ? m_down : m_up)->setChecked(true);
}

QString CFindDlg::Pattern() const {
    return m_text->text().toLower();
}

bool CFindDlg::Down() const {
    return m_down->isChecked();
}
