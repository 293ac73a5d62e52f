#pragma once
// Every command of the main window by its identifier: one QAction each (shared by the menu bar
// and the toolbar), its handler, and the rules that enable and check it. A command without a
// handler is shown but disabled. Rules read FrameState and are re-evaluated on every change.
//
// Adding a command's behaviour: registry.SetHandler(id, fn) and, if it depends on state,
// registry.SetEnabledRule(id, rule) / SetCheckedRule(id, rule).
#include "ui/base/FrameState.h"

#include <QObject>

#include <functional>
#include <map>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

class CommandRegistry : public QObject {
    Q_OBJECT
public:
    using Rule = std::function<bool(const FrameState&)>;

    explicit CommandRegistry(FrameState& state, QObject* parent = nullptr);

    // The command's shared action, made on first use with its built-in text, shortcut and
    // status prompt.
    QAction* Action(unsigned id);
    bool Has(unsigned id) const { return m_commands.count(id) != 0; }

    void SetHandler(unsigned id, std::function<void()> handler);
    void SetEnabledRule(unsigned id, Rule rule);
    // Makes the command checkable; its check mark follows the rule.
    void SetCheckedRule(unsigned id, Rule rule);

    bool IsEnabled(unsigned id) const;
    bool IsChecked(unsigned id) const;
    // Runs the handler when the command is enabled; false otherwise.
    bool Execute(unsigned id);

    // Re-evaluates every rule now (also done on every FrameState change).
    void Recompute();
    // Re-reads every action's status-bar prompt (after a language change).
    void RefreshPrompts();

    // Fills a menu bar from a menu resource with the shared actions. Pop-ups tagged in the
    // layout are returned by TaggedPopup.
    void FillMenuBar(QMenuBar* bar, unsigned menuId);
    QMenu* TaggedPopup(const char* tag) const;
    // A context menu from a menu resource (its pop-up "|0"), with actions of its own that run
    // the registry's commands, enabled as the rules say now, translated. The caller owns it.
    QMenu* BuildContextMenu(unsigned menuId, QWidget* parent);

    const FrameState& State() const { return m_state; }

Q_SIGNALS:
    // After a command ran (for tests and logs).
    void executed(unsigned id);

private:
    struct Command {
        QAction* action = nullptr;
        std::function<void()> handler;
        Rule enabled;
        Rule checked;
    };
    Command& Entry(unsigned id);
    void Apply(unsigned id, Command& c);

    FrameState& m_state;
    std::map<unsigned, Command> m_commands;
    std::map<std::string, QMenu*> m_tagged;
};
