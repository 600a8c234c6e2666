#include "analyzers/drivers/rs/CSpectrumAnalyzerFSP.h"

#include <algorithm>
#include <climits>
#include <iterator>

namespace orv {

namespace {

using namespace visa;
using R = RbwComparison;

const RbwRuleTable& TimingA() {
    static const RbwRuleTable table({{R::AtLeast, 0.1f, 2},
                                     {R::AtLeast, 0.03f, 3},
                                     {R::AtLeast, 0.01f, 16},
                                     {R::AtLeast, 0.001f, 120},
                                     {R::Equal, 0.0003f, 380},
                                     {R::Equal, 0.0001f, 1450},
                                     {R::Equal, 0.00003f, 3000}},
                                    1);
    return table;
}

const RbwRuleTable& TimingB() {
    static const RbwRuleTable table(
        {{R::Equal, 0.0003f, 2}, {R::Equal, 0.0001f, 150}, {R::Equal, 0.00003f, 250}}, 2);
    return table;
}

const RbwRuleTable& Gate() {
    static const RbwRuleTable table(
        {{R::Equal, 0.0003f, 200}, {R::Equal, 0.0001f, 2000}, {R::Equal, 0.00003f, 3000}}, 50);
    return table;
}

const RbwRuleTable& ValueA() {
    static const RbwRuleTable table({{R::Equal, 0.0001f, 20}}, 0);
    return table;
}

RsModelRow ModelRow() {
    RsModelRow row{"R&S-FSP", 8001, 8001, 125, -1, 0.000001, 1, "GatedSweep", -1.0, {}};
    row.openWithTimeout = true;
    row.externalTriggerSource = true;
    row.triggeredSweepPauseMs = 50;
    row.settleMs = 300;
    return row;
}

} // namespace

CSpectrumAnalyzerFSP::CSpectrumAnalyzerFSP() : CSpectrumAnalyzerFSL(ModelRow()) {}

RsRbwTables CSpectrumAnalyzerFSP::RbwTables() const {
    return {TimingA(), TimingB(), Gate(), &ValueA()};
}

bool CSpectrumAnalyzerFSP::CheckStatus() {
    m_errorFlag = 0;
    if (WriteCommand(":SYST:ERR?;\n") < 0) {
        return false;
    }
    int32_t code = 0;
    const Status read = m_vi.viScanf(m_session, "%d", &code);
    // Standard errors are negative, device errors positive: either is one.
    if (read >= 0 && code != 0) {
        m_errorFlag = 1;
    }
    FlushBuffers();
    const bool flushed = m_lastStatus >= 0;
    m_lastStatus = read < 0 ? read : m_lastStatus;
    return read >= 0 && flushed;
}

bool CSpectrumAnalyzerFSP::SetResolution(float mhz) {
    // The gated spatial scan cannot run narrower than 100 Hz.
    const bool spatial = m_scanSetup != nullptr && m_scanSetup->GetScanType() == kSpatialScanType;
    return CSpectrumAnalyzerFSL::SetResolution(spatial && mhz <= 0.0001f ? 0.0001f : mhz);
}

int32_t CSpectrumAnalyzerFSP::GetCellsPerSweep(float /*rbw*/) {
    return static_cast<int32_t>(std::min<int64_t>(GetActiveProbeCellCount(), INT32_MAX));
}

bool CSpectrumAnalyzerFSP::SetSpectralSweepPoints(int32_t /*count*/) {
    const int32_t cells = GetCellsPerSweep(0.0f);
    int32_t points = m_sweepPoints; // no cell is measured: the count stays
    if (cells > m_row.maxPoints || cells < 0) {
        points = m_row.maxPoints;
    } else if (cells >= 1 && cells <= m_row.minPoints) {
        points = m_row.minPoints;
    } else if (cells > m_row.minPoints) {
        const int32_t steps[] = {1001, 2001, 3001, 4001, 5001, 6001, 7001, 8001};
        points = *std::find_if(std::begin(steps), std::end(steps),
                               [cells](int32_t step) { return step >= cells; });
    }
    return SendSweepPoints(points);
}

} // namespace orv
