#pragma once
// The pages of the right docking bar: "Help" (the built-in page) and "Properties View" (two
// columns, name and value, whose layout comes from text key 7), and the placeholder the client
// area shows until a file list takes its place.
#include "store/ScanRow.h"

#include <QLabel>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QUrl>

#include <optional>

class HelpPage : public QTextBrowser {
    Q_OBJECT
public:
    explicit HelpPage(QWidget* parent = nullptr);
    // Shows the built-in page again.
    void ShowBuiltInPage();
    // Adds a link to the product web site's news page to the built-in page (the page itself is
    // never fetched into the window: the link opens in the user's browser).
    void ShowNewsLink(const QUrl& url);
    const QUrl& NewsLink() const { return m_news; }

Q_SIGNALS:
    // A link of the page asks for a command (e.g. "tessaly:quickscan").
    void commandRequested(unsigned commandId);

private:
    QUrl m_news;
};

class PropertiesPage : public QTreeWidget {
    Q_OBJECT
public:
    explicit PropertiesPage(QWidget* parent = nullptr);
    // Re-creates the columns from text key 7 (which empties the list).
    void SetColumns();
    // The row the page shows, kept so that a language switch can show it again.
    void SetShownRow(const ScanRow& row) { m_shown = row; }
    const std::optional<ScanRow>& ShownRow() const { return m_shown; }

private:
    std::optional<ScanRow> m_shown;
};

// The client area's message while no file list is shown: what to do next, or what a scan found.
class ClientMessage : public QLabel {
    Q_OBJECT
public:
    explicit ClientMessage(QWidget* parent = nullptr);
};
