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
};

} // namespace orv
