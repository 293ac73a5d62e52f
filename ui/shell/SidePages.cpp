#include "ui/shell/SidePages.h"

#include "ui/base/QtText.h"
#include "ui/base/UrlOpener.h"
#include "ui/base/WindowTexts.h"
#include "ui/format/ColumnLayout.h"
#include "ui/resources/CommandIds.h"
#include "ui/resources/Site.h"
#include "ui/settings/BuiltinTexts.h"

#include <QHeaderView>

namespace {

constexpr unsigned kTextPropertiesColumns = 7;
constexpr int kPropertiesControlId = 12340;

} // namespace

HelpPage::HelpPage(QWidget* parent) : QTextBrowser(parent) {
    setObjectName(QStringLiteral("helpPage"));
    setOpenLinks(false);
    setFrameShape(QFrame::NoFrame);
    setContextMenuPolicy(Qt::NoContextMenu);
    setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette p = palette();
    p.setColor(QPalette::Base, QColor(0xFF, 0xFB, 0xEA));
    setPalette(p);
    connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        if (url.scheme() == QLatin1String("http") && url == m_news) {
            OpenUrl(url);
            return;
        }
        if (url.scheme() != QLatin1String("tessaly")) return;
        if (url.path() == QLatin1String("quickscan"))
            Q_EMIT commandRequested(resources::cmd::kQuickScan);
        if (url.path() == QLatin1String("fullscan"))
            Q_EMIT commandRequested(resources::cmd::kFullScan);
    });
    ShowBuiltInPage();
}

namespace {

// The built-in page in the active language: its style and closing line from the page, the rest
// from the language texts.
QString LocalHelpPage() {
    using namespace windowtext;
    const QString page = ToQ(resources::HelpPageHtml());
    const int tableAt = page.indexOf(QLatin1String("<table"));
    const int tableEnd = page.indexOf(QLatin1Char('>'), tableAt);
    const int lastRow = page.lastIndexOf(QLatin1String("<tr>"));
    if (tableAt < 0 || tableEnd < 0 || lastRow < tableEnd) return page;
    auto row = [](const QString& cell) {
        return QStringLiteral("<tr><td>%1</td></tr>\n").arg(cell);
    };
    auto step = [&](int n, const QString& text) {
        return row(QStringLiteral("<b>%1.</b> %2").arg(n).arg(text));
    };
    auto plain = [](const Text& t) { return Q(t).toHtmlEscaped(); };
    auto link = [](const char* href, const Text& t) {
        return QStringLiteral("<a href=\"%1\">%2</a>")
            .arg(QLatin1String(href), Q(t).toHtmlEscaped());
    };
    QString scans = plain(kHelpStep2);
    const int first = scans.indexOf(QLatin1String("%s"));
    const int second = first < 0 ? -1 : scans.indexOf(QLatin1String("%s"), first + 2);
    if (second > first) {
        scans.replace(second, 2, link("tessaly:fullscan", kHelpFullScan));
        scans.replace(first, 2, link("tessaly:quickscan", kHelpQuickScan));
    }
    QString rows = row(QStringLiteral("<h3>%1</h3>").arg(plain(kHelpHeading)));
    rows += step(1, plain(kHelpStep1)) + step(2, scans) + step(3, plain(kHelpStep3)) +
            step(4, plain(kHelpStep4)) + row(plain(kHelpReadOnly)) + row(QStringLiteral("&nbsp;"));
    return page.left(tableEnd + 1) + QLatin1Char('\n') + rows + page.mid(lastRow);
}

} // namespace

void HelpPage::ShowBuiltInPage() {
    QString html = LocalHelpPage();
    if (m_news.isValid()) {
        const QString address = m_news.toString().toHtmlEscaped();
        const QString row = QStringLiteral("<tr><td><b>%1</b><br><a href=\"%2\">%2</a></td></tr>\n")
                                .arg(TextOf(kTextNewsLink).toHtmlEscaped(), address);
        const int first = html.indexOf(QLatin1String("<tr>"));
        html.insert(first < 0 ? 0 : first, row);
    }
    setHtml(html);
}

void HelpPage::ShowNewsLink(const QUrl& url) {
    m_news = url;
    ShowBuiltInPage();
}

PropertiesPage::PropertiesPage(QWidget* parent) : QTreeWidget(parent) {
    setObjectName(QStringLiteral("propertiesList"));
    setProperty("controlId", kPropertiesControlId);
    setRootIsDecorated(false);
    setAlternatingRowColors(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setAllColumnsShowFocus(true);
    SetColumns();
}

void PropertiesPage::SetColumns() {
    clear();
    const auto columns = columnlayout::Parse(LangText(kTextPropertiesColumns));
    setColumnCount(static_cast<int>(columns.size()));
    QStringList titles;
    for (const auto& c : columns)
        titles << ToQ(c.title);
    setHeaderLabels(titles);
    for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
        header()->resizeSection(i, columns[static_cast<std::size_t>(i)].width);
        const auto a = columns[static_cast<std::size_t>(i)].align;
        headerItem()->setTextAlignment(i, a == columnlayout::Align::kRight    ? Qt::AlignRight
                                          : a == columnlayout::Align::kCenter ? Qt::AlignHCenter
                                                                              : Qt::AlignLeft);
    }
}

ClientMessage::ClientMessage(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("clientMessage"));
    setAlignment(Qt::AlignCenter);
    setWordWrap(true);
    setMargin(24);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(255, 255, 249));
    setPalette(p);
}
