#pragma once

// The R&S FPL: the FSL's commands, tables and filter-type capture over up to 100,001 points.

#include "analyzers/drivers/rs/CSpectrumAnalyzerFSL.h"

#include <cstdint>
#include <string>

namespace orv {

class CSpectrumAnalyzerFPL : public CSpectrumAnalyzerFSL {
public:
    CSpectrumAnalyzerFPL();
};

} // namespace orv
