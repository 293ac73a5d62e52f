#pragma once
// The pages of the right docking bar: "Help" (the built-in page) and "Properties View" (two
// columns, name and value, whose layout comes from text key 7), and the placeholder the client
// area shows until a file list takes its place.
#include <QLabel>
#include <QTextBrowser>
#include <QTreeWidget>

class HelpPage : public QTextBrowser {
    Q_OBJECT
public:
    explicit HelpPage(QWidget* parent = nullptr);
    // Shows the built-in page again.
    void ShowBuiltInPage();

Q_SIGNALS:
    // A link of the page asks for a command (e.g. "tessaly:quickscan").
    void commandRequested(unsigned commandId);
};

class PropertiesPage : public QTreeWidget {
    Q_OBJECT
public:
    explicit PropertiesPage(QWidget* parent = nullptr);
    // Re-creates the columns from text key 7 (which empties the list).
    void SetColumns();
};

// The client area's message while no file list is shown: what to do next, or what a scan found.
class ClientMessage : public QLabel {
    Q_OBJECT
public:
    explicit ClientMessage(QWidget* parent = nullptr);
};
