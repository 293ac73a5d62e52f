#pragma once
// The file list of the main window (control 1000): a report list whose check boxes mark rows
// for recovery. Changing a row's check box makes that row the selected, focused one.
#include "ui/list/CReportCtrl.h"

class CMainListCtrl : public CReportCtrl {
    Q_OBJECT
public:
    explicit CMainListCtrl(QWidget* parent = nullptr);

Q_SIGNALS:
    // After a check box changed and its row became the selected one.
    void checkBoxChanged(int row);
};
