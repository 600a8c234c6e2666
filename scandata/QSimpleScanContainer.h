#pragma once

#include "scandata/QScanContainer.h"

namespace orv {

class QDataPacket;

// The containers that keep one current scan record, merged or replaced as records arrive.
class QSimpleScanContainer : public QScanContainer {
public:
    // Notes that new data has arrived since the scan started.
    virtual void MarkPending() = 0;
    // The current record; never null.
    virtual QDataPacket* GetScanPacket() = 0;
    // Project storage has just read the stored scan file into GetScanPacket's record in place. Kinds
    // whose ranges or corrections are derived from the record redo what taking it live does, so that
    // a reopened node shows what it showed before it was saved.
    virtual void AfterStoredScanRead() {}
};

} // namespace orv
