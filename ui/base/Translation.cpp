#include "ui/base/Translation.h"

#include "ui/base/QtText.h"
#include "ui/settings/Translate.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QWidget>

namespace {

constexpr const char* kBuiltInText = "builtInText";
constexpr const char* kBuiltInFont = "builtInFont";

QString WidgetText(QWidget* w, bool isDialog) {
    if (isDialog) return w->windowTitle();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
    if (auto* p = qobject_cast<QPlainTextEdit*>(w)) return p->toPlainText();
    return w->windowTitle();
}

void SetWidgetText(QWidget* w, bool isDialog, const QString& text) {
    if (isDialog)
        w->setWindowTitle(text);
    else if (auto* b = qobject_cast<QAbstractButton*>(w))
        b->setText(text);
    else if (auto* l = qobject_cast<QLabel*>(w))
        l->setText(text);
    else if (auto* g = qobject_cast<QGroupBox*>(w))
        g->setTitle(text);
    else if (auto* e = qobject_cast<QLineEdit*>(w))
        e->setText(text);
    else if (auto* p = qobject_cast<QPlainTextEdit*>(w))
        p->setPlainText(text);
    else
        w->setWindowTitle(text);
}

void TranslateOne(QWidget* w, bool isDialog, unsigned templateId, unsigned controlId,
                  const std::optional<LanguageFont>& font) {
    if (!w->property(kBuiltInText).isValid()) {
        w->setProperty(kBuiltInText, WidgetText(w, isDialog));
        w->setProperty(kBuiltInFont, w->font());
    }
    if (!IsLanguageActive()) {
        SetWidgetText(w, isDialog, w->property(kBuiltInText).toString());
        w->setFont(w->property(kBuiltInFont).value<QFont>());
        return;
    }
    if (auto text = DialogControlText(templateId, controlId))
        SetWidgetText(w, isDialog, ToQ(*text));
    if (font) {
        QFont f(ToQ(font->faceName));
        if (font->pointSize > 0) f.setPointSize(static_cast<int>(font->pointSize));
        w->setFont(f);
    }
}

} // namespace

void SetControlId(QWidget* widget, unsigned controlId) {
    widget->setProperty(kControlIdProperty, controlId);
}

int ControlId(const QWidget* widget) {
    const QVariant v = widget->property(kControlIdProperty);
    return v.isValid() ? static_cast<int>(v.toUInt()) : -1;
}

void TranslateDialog(QWidget* dialog, unsigned templateId) {
    const std::optional<LanguageFont> font = DialogFont();
    TranslateOne(dialog, true, templateId, 0, font);
    const auto children = dialog->findChildren<QWidget*>();
    for (QWidget* child : children) {
        const int id = ControlId(child);
        if (id < 0) continue;
        TranslateOne(child, false, templateId, static_cast<unsigned>(id), font);
    }
}

void SetBuiltInText(QAction* action, const QString& text) {
    action->setProperty(kBuiltInText, text);
}

void TranslateMenuItems(const QList<QAction*>& items, unsigned menuId,
                        const std::string& parentKey) {
    const bool active = IsLanguageActive();
    unsigned position = 0;
    for (QAction* item : items) {
        const unsigned at = position++;
        if (item->isSeparator()) continue;
        std::string key;
        if (item->menu())
            key = PopupKey(parentKey, at);
        else if (item->property(kCommandIdProperty).isValid())
            key = CommandKey(item->property(kCommandIdProperty).toUInt());
        else
            continue;
        if (!item->property(kBuiltInText).isValid()) item->setProperty(kBuiltInText, item->text());
        std::optional<std::u16string> text;
        if (active) text = MenuItemText(menuId, key);
        if (text)
            item->setText(ToQ(*text));
        else
            item->setText(item->property(kBuiltInText).toString());
        if (item->menu()) TranslateMenuItems(item->menu()->actions(), menuId, key);
    }
}

void TranslateMenuBar(QMenuBar* bar, unsigned menuId) {
    TranslateMenuItems(bar->actions(), menuId, std::string());
}

void TranslateContextMenu(QMenu* popup, unsigned menuId) {
    const std::string key = PopupKey("", 0);
    if (!popup->menuAction()->property(kBuiltInText).isValid())
        popup->menuAction()->setProperty(kBuiltInText, popup->title());
    if (IsLanguageActive()) {
        if (auto text = MenuItemText(menuId, key)) popup->setTitle(ToQ(*text));
    } else {
        popup->setTitle(popup->menuAction()->property(kBuiltInText).toString());
    }
    TranslateMenuItems(popup->actions(), menuId, key);
}
