#pragma once
// Recovering one found item from the window: a destination folder chosen by the user and
// checked (never the source, a question when it lies on a file system stored on the source, an
// offer to create a missing folder), then the recovery job with the progress dialog, the
// overwrite question and a message naming the first file that failed.
#include "store/ScanRow.h"

class QWidget;

void RunItemRecovery(QWidget* parent, char letter, bool isNtfs, const ScanRow& row);
