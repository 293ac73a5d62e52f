#pragma once
// ScanOutcome travels in queued signals between the worker and the window thread.
#include "jobs/ScanJob.h"

#include <QMetaType>

Q_DECLARE_METATYPE(ScanOutcome)
