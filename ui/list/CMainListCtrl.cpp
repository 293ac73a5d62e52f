#include "ui/list/CMainListCtrl.h"

namespace {

constexpr int kListControlId = 1000;

} // namespace

CMainListCtrl::CMainListCtrl(QWidget* parent) : CReportCtrl(parent) {
    setObjectName(QStringLiteral("fileList"));
    setProperty("controlId", kListControlId);
    connect(Rows(), &ScanRowModel::checkChanged, this, [this](int row, bool) {
        SelectOnly(row);
        Q_EMIT checkBoxChanged(row);
    });
}
