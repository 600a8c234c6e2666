#include "analyzers/drivers/rs/CSpectrumAnalyzerFPL.h"

namespace orv {

namespace {

RsModelRow ModelRow() {
    RsModelRow row{"R&S-FPL", 100001, 100001, 101, 50, 0.000001, 2, "GatedSweep", -1.0, {"NORM", "PULS"}};
    row.gainOnBeforeTrigger = true;
    row.checksGateBeforeSweep = true;
    return row;
}

} // namespace

CSpectrumAnalyzerFPL::CSpectrumAnalyzerFPL() : CSpectrumAnalyzerFSL(ModelRow()) {}

} // namespace orv
