#include "scandata/QGeneralModuleScan.h"

namespace orv {

void QGeneralModuleScan::ReadBody(QDataReader& reader) {
    LevelsAndModule read = ReadLevelsAndModule(reader);
    Assign(read);
}

} // namespace orv
