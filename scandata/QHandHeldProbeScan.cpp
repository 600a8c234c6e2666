#include "scandata/QHandHeldProbeScan.h"

namespace orv {

void QHandHeldProbeScan::WriteBody(QDataWriter& writer) const {
    WriteLead(writer);
    WriteLevels(writer);
}

void QHandHeldProbeScan::ReadBody(QDataReader& reader) {
    const Lead lead = ReadLead(reader);
    std::vector<int16_t> levels = ReadLevels(reader);
    Assign(lead, levels);
}

} // namespace orv
