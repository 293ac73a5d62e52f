#include "ui/base/CommandRegistry.h"

#include "ui/base/QtText.h"
#include "ui/base/Translation.h"
#include "ui/resources/MenuLayout.h"
#include "ui/settings/LangString.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

namespace {

// The built-in text of a command: its first appearance in the menus, else its toolbar caption.
QString BuiltInCommandText(unsigned id, QString* shortcut) {
    for (unsigned menu : resources::MenuIds())
        for (const resources::MenuEntry& e : resources::MenuEntries(menu))
            if (e.kind == resources::ItemKind::kCommand && e.id == id) {
                *shortcut = ToQ(e.shortcut);
                return ToQ(e.text);
            }
    return ToQ(ToolbarButtonCaption(id));
}

// Builds the items of entries[begin, end) at depth into menu; popups recurse.
template <typename AddPopup, typename AddAction>
void BuildLevel(const std::vector<resources::MenuEntry>& entries, std::size_t begin,
                std::size_t end, int depth, AddPopup addPopup, AddAction addAction) {
    for (std::size_t i = begin; i < end; ++i) {
        const resources::MenuEntry& e = entries[i];
        if (e.depth != depth) continue;
        std::size_t last = i + 1;
        while (last < end && entries[last].depth > depth)
            ++last;
        if (e.kind == resources::ItemKind::kPopup)
            addPopup(e, i + 1, last);
        else
            addAction(e);
    }
}

} // namespace

CommandRegistry::CommandRegistry(FrameState& state, QObject* parent)
    : QObject(parent), m_state(state) {
    connect(&m_state, &FrameState::changed, this, &CommandRegistry::Recompute);
}

CommandRegistry::Command& CommandRegistry::Entry(unsigned id) {
    Command& c = m_commands[id];
    if (!c.action) {
        QString shortcut;
        const QString text = BuiltInCommandText(id, &shortcut);
        c.action = new QAction(text, this);
        c.action->setProperty(kCommandIdProperty, id);
        SetBuiltInText(c.action, text);
        if (!shortcut.isEmpty()) c.action->setShortcut(QKeySequence(shortcut));
        c.action->setStatusTip(ToQ(MenuPrompt(id)));
        connect(c.action, &QAction::triggered, this, [this, id] { Execute(id); });
        Apply(id, c);
    }
    return c;
}

QAction* CommandRegistry::Action(unsigned id) {
    return Entry(id).action;
}

void CommandRegistry::SetHandler(unsigned id, std::function<void()> handler) {
    Command& c = Entry(id);
    c.handler = std::move(handler);
    Apply(id, c);
}

void CommandRegistry::SetEnabledRule(unsigned id, Rule rule) {
    Command& c = Entry(id);
    c.enabled = std::move(rule);
    Apply(id, c);
}

void CommandRegistry::SetCheckedRule(unsigned id, Rule rule) {
    Command& c = Entry(id);
    c.checked = std::move(rule);
    c.action->setCheckable(true);
    Apply(id, c);
}

void CommandRegistry::Apply(unsigned, Command& c) {
    c.action->setEnabled(c.handler && (!c.enabled || c.enabled(m_state)));
    if (c.checked) c.action->setChecked(c.checked(m_state));
}

bool CommandRegistry::IsEnabled(unsigned id) const {
    auto it = m_commands.find(id);
    return it != m_commands.end() && it->second.action->isEnabled();
}

bool CommandRegistry::IsChecked(unsigned id) const {
    auto it = m_commands.find(id);
    return it != m_commands.end() && it->second.action->isChecked();
}

bool CommandRegistry::Execute(unsigned id) {
    auto it = m_commands.find(id);
    if (it == m_commands.end()) return false;
    Command& c = it->second;
    Apply(id, c);
    if (!c.action->isEnabled()) return false;
    c.handler();
    // A checkable action toggles itself when triggered; the rule has the last word.
    if (c.checked) c.action->setChecked(c.checked(m_state));
    Q_EMIT executed(id);
    return true;
}

void CommandRegistry::Recompute() {
    for (auto& [id, c] : m_commands)
        Apply(id, c);
}

void CommandRegistry::RefreshPrompts() {
    for (auto& [id, c] : m_commands)
        c.action->setStatusTip(ToQ(MenuPrompt(id)));
}

void CommandRegistry::FillMenuBar(QMenuBar* bar, unsigned menuId) {
    const auto& entries = resources::MenuEntries(menuId);
    std::function<void(QMenu*, std::size_t, std::size_t, int)> fill =
        [&](QMenu* menu, std::size_t begin, std::size_t end, int depth) {
            BuildLevel(
                entries, begin, end, depth,
                [&](const resources::MenuEntry& e, std::size_t b, std::size_t l) {
                    QMenu* sub = menu->addMenu(ToQ(e.text));
                    SetBuiltInText(sub->menuAction(), ToQ(e.text));
                    if (!e.tag.empty()) m_tagged[std::string(e.tag)] = sub;
                    fill(sub, b, l, depth + 1);
                },
                [&](const resources::MenuEntry& e) {
                    if (e.kind == resources::ItemKind::kSeparator)
                        menu->addSeparator();
                    else
                        menu->addAction(Action(e.id));
                });
        };
    BuildLevel(
        entries, 0, entries.size(), 0,
        [&](const resources::MenuEntry& e, std::size_t b, std::size_t l) {
            QMenu* sub = bar->addMenu(ToQ(e.text));
            SetBuiltInText(sub->menuAction(), ToQ(e.text));
            if (!e.tag.empty()) m_tagged[std::string(e.tag)] = sub;
            fill(sub, b, l, 1);
        },
        [&](const resources::MenuEntry& e) {
            if (e.kind == resources::ItemKind::kSeparator)
                bar->addSeparator();
            else
                bar->addAction(Action(e.id));
        });
}

QMenu* CommandRegistry::TaggedPopup(const char* tag) const {
    auto it = m_tagged.find(tag);
    return it == m_tagged.end() ? nullptr : it->second;
}

QMenu* CommandRegistry::BuildContextMenu(unsigned menuId, QWidget* parent) {
    const auto& entries = resources::MenuEntries(menuId);
    if (entries.empty() || entries[0].kind != resources::ItemKind::kPopup) return nullptr;
    auto* popup = new QMenu(ToQ(entries[0].text), parent);
    SetBuiltInText(popup->menuAction(), ToQ(entries[0].text));
    std::function<void(QMenu*, std::size_t, std::size_t, int)> fill =
        [&](QMenu* menu, std::size_t begin, std::size_t end, int depth) {
            BuildLevel(
                entries, begin, end, depth,
                [&](const resources::MenuEntry& e, std::size_t b, std::size_t l) {
                    QMenu* sub = menu->addMenu(ToQ(e.text));
                    SetBuiltInText(sub->menuAction(), ToQ(e.text));
                    fill(sub, b, l, depth + 1);
                },
                [&](const resources::MenuEntry& e) {
                    if (e.kind == resources::ItemKind::kSeparator) {
                        menu->addSeparator();
                        return;
                    }
                    QAction* shared = Action(e.id);
                    QAction* own = menu->addAction(ToQ(e.text));
                    own->setProperty(kCommandIdProperty, e.id);
                    SetBuiltInText(own, ToQ(e.text));
                    own->setEnabled(shared->isEnabled());
                    own->setCheckable(shared->isCheckable());
                    own->setChecked(shared->isChecked());
                    own->setStatusTip(shared->statusTip());
                    const unsigned id = e.id;
                    connect(own, &QAction::triggered, this, [this, id] { Execute(id); });
                });
        };
    std::size_t end = 1;
    while (end < entries.size() && entries[end].depth > 0)
        ++end;
    fill(popup, 1, end, 1);
    TranslateContextMenu(popup, menuId);
    return popup;
}
