#pragma once

// The R&S FSG8: a system preset at the narrowest RBWs, spectral points in hundreds of probe cells,
// the input coupling, and the user's manual timing in place of its tables.

#include "analyzers/drivers/rs/CSpectrumAnalyzerFSL.h"

#include <cstdint>
#include <string>

namespace orv {

class CSpectrumAnalyzerFSG8 : public CSpectrumAnalyzerFSL {
public:
    CSpectrumAnalyzerFSG8();

    bool SetupSpectrumAnalyzer() override;
    bool SetSpectralSweepPoints(int32_t /*count*/) override { return SetSpectralPointsByCells(); }
    int32_t GetCellsPerSweep(float /*rbw*/) override { return CellsInHundreds(); }

protected:
    RsRbwTables RbwTables() const override;
};

} // namespace orv
