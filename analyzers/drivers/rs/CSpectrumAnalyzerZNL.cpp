#include "analyzers/drivers/rs/CSpectrumAnalyzerZNL.h"

#include "platform/CLocale.h"

namespace orv {

namespace {

RsModelRow ModelRow() {
    RsModelRow row{"R&S-ZNL", 100001, 100001, 1, 50, 0.0003, 2, "GatedSweep", -1.0, {}};
    row.externalTriggerSource = true;
    return row;
}

} // namespace

CSpectrumAnalyzerZNL::CSpectrumAnalyzerZNL() : CSpectrumAnalyzerFSV3(ModelRow()) {}

bool CSpectrumAnalyzerZNL::SetReferenceLevel(float level) {
    return SendVerified(FormatC(":Display:Trace:y:RLEV %f;\n", static_cast<double>(level)));
}

} // namespace orv
