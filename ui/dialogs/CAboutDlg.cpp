#include "ui/dialogs/CAboutDlg.h"

#include "ui/base/QtText.h"
#include "ui/base/Translation.h"
#include "ui/resources/DialogIds.h"
#include "ui/resources/Site.h"
#include "ui/widgets/HyperlinkLabel.h"
#include "ui/widgets/Icons.h"

#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include <algorithm>

namespace dlg = resources::dlg;

CAboutDlg::CAboutDlg(QWidget* parent) : CMultiLanguageDlg(dlg::kAbout, parent) {
    setWindowTitle(QStringLiteral("About Tessaly"));
    m_header = new QWidget(this);
    auto* grid = new QGridLayout(m_header);
    grid->setContentsMargins(10, 8, 10, 8);
    grid->setVerticalSpacing(2);
    auto* icon = new QLabel(m_header);
    icon->setPixmap(icons::Application().pixmap(40, 40));
    grid->addWidget(icon, 0, 0, 3, 1, Qt::AlignTop);
    auto* product =
        new QLabel(QStringLiteral("%1 Version %2")
                       .arg(ToQ(resources::kProductName), ToQ(resources::kProductVersion)),
                   m_header);
    QFont bold = product->font();
    bold.setBold(true);
    product->setFont(bold);
    SetControlId(product, dlg::kAboutProduct);
    grid->addWidget(product, 0, 1);
    auto* copyright = new QLabel(QStringLiteral("Copyright (C) 2007-2008"), m_header);
    SetControlId(copyright, dlg::kAboutCopyright);
    grid->addWidget(copyright, 1, 1);
    auto* siteLabel = new QLabel(QStringLiteral("Web site:"), m_header);
    SetControlId(siteLabel, dlg::kAboutSiteLabel);
    m_link = new HyperlinkLabel(m_header);
    m_link->setText(ToQ(resources::kWebsite));
    SetControlId(m_link, dlg::kAboutLink);
    auto* siteRow = new QHBoxLayout;
    siteRow->addWidget(siteLabel);
    siteRow->addWidget(m_link, 1);
    grid->addLayout(siteRow, 2, 1);
    auto* ok = new QPushButton(QStringLiteral("OK"), m_header);
    ok->setDefault(true);
    SetControlId(ok, dlg::kIdOk);
    grid->addWidget(ok, 0, 2, Qt::AlignTop);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    m_log = new QPlainTextEdit(this);
    m_log->setReadOnly(true);
    m_log->setPlainText(ToQ(resources::ChangeLog()));
    SetControlId(m_log, dlg::kAboutLog);
    resize(420, 320);
}

void CAboutDlg::resizeEvent(QResizeEvent* event) {
    // The header keeps the upper part; the change log lies below it, out of view at the
    // short height.
    m_header->setGeometry(0, 0, width(), kShortHeight);
    const int logTop = kShortHeight + 4;
    m_log->setGeometry(10, logTop, width() - 20, std::max(0, height() - logTop - 10));
    m_log->setVisible(height() - logTop - 10 >= 24);
    CMultiLanguageDlg::resizeEvent(event);
}

void CAboutDlg::OnTranslated() {
    // The link's target is its own text, translated or not.
    const QString text = m_link->text();
    if (!text.startsWith(QLatin1String("<a "))) m_link->SetLink(text, text);
    resize(width(), kShortHeight);
}
