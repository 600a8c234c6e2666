#include "project/QScanThread.h"

namespace orv {

QScanThread::~QScanThread() = default;
QScanThreadHost::~QScanThreadHost() = default;

} // namespace orv
