#pragma once

#include "project/QScanDataRecord.h"
#include "scandata/CScanData.h"
#include "scandata/QScanDataMediator.h"

namespace orv {

// The fields every display-side scan takes from its record: ID, texts, levels, area and grid. The
// frequency span and the views' peak settings are the caller's, since a compared spatial scan keeps
// its own.
void CopyCommonRecordFields(CScanData& scan, const QScanDataRecord& record, QScanDataMediator* mediator);

} // namespace orv
