#pragma once
// Translating windows with the active language file. Dialog controls carry their control
// identifier as the widget property "controlId" (SetControlId); menu items carry their
// command identifier as the action property "commandId". With no active language file both
// walkers put back the built-in texts, which they remember the first time they see an item.
// A menu item that the active file does not translate shows its built-in text; a dialog
// control keeps the text it has (code may have set it).
#include <QList>
#include <string>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

inline constexpr const char* kControlIdProperty = "controlId";
inline constexpr const char* kCommandIdProperty = "commandId";

void SetControlId(QWidget* widget, unsigned controlId);
// The control identifier of a widget, or -1 when it has none.
int ControlId(const QWidget* widget);

// The dialog itself (its caption, key 0) and every descendant with a control identifier get
// the value of [templateId] <id>; then the language file's font, if it names one.
void TranslateDialog(QWidget* dialog, unsigned templateId);

// Walks menu items: separators are skipped; a pop-up's key is "<parentKey>|<position>", a
// command's key its identifier; a non-empty value of [menuId] replaces the text; pop-ups are
// walked with their own key.
void TranslateMenuItems(const QList<QAction*>& items, unsigned menuId,
                        const std::string& parentKey);
void TranslateMenuBar(QMenuBar* bar, unsigned menuId);
// A context menu built from a menu resource: the pop-up is item "|0" of the resource.
void TranslateContextMenu(QMenu* popup, unsigned menuId);

// Remembers an item's built-in text (done when the item is made).
void SetBuiltInText(QAction* action, const QString& text);
