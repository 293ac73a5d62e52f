#pragma once
// The state the main window's commands depend on, in one place. Every change emits changed(),
// and the command registry recomputes every command's enabled and checked state at once, so
// menus, toolbar and tests always read current values.
#include <QObject>

class FrameState : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // A drive (or folder) other than "My Computer" is selected and no scan runs.
    bool canAct = false;
    // At least one row of the file list is ticked.
    bool itemsMarked = false;
    // The file list holds at least one row.
    bool listNotEmpty = false;
    // The file list's selection, not the tree's, is the object of folder commands.
    bool listFocus = false;
    // A scan runs on the worker.
    bool scanning = false;
    // A folder listing runs on the window thread (the store is in use).
    bool listing = false;
    // In-memory copy of Options UseFilters.
    bool useFilters = false;
    bool toolbarVisible = true;
    bool statusbarVisible = true;
    bool propertiesVisible = true;

    // Sets a flag and announces the change (nothing when the value is the same).
    void Set(bool FrameState::*flag, bool value) {
        if (this->*flag == value) return;
        this->*flag = value;
        Q_EMIT changed();
    }

Q_SIGNALS:
    void changed();
};
