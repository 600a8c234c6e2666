#include "analyzers/drivers/rs/CSpectrumAnalyzerFSQ.h"

#include "analyzers/drivers/scpi/ScpiBlockData.h"
#include "platform/CLocale.h"
#include "platform/clock/Clock.h"
#include "platform/log/InformationLog.h"

#include <chrono>
#include <vector>

namespace orv {

namespace {

using namespace visa;
using R = RbwComparison;

const RbwRuleTable& TimingA() {
    static const RbwRuleTable table({{R::AtLeast, 0.03f, 0},
                                     {R::AtLeast, 0.01f, 10},
                                     {R::AtLeast, 0.003f, 15},
                                     {R::AtLeast, 0.001f, 35},
                                     {R::Equal, 0.0003f, 79},
                                     {R::Equal, 0.0001f, 400, 50},
                                     {R::Equal, 0.00003f, 1500, 2000}},
                                    1);
    return table;
}

const RbwRuleTable& TimingB() {
    static const RbwRuleTable table({{R::Above, 0.01f, 0},
                                     {R::Equal, 0.01f, 5},
                                     {R::Equal, 0.003f, 10},
                                     {R::AtLeast, 0.0003f, 10},
                                     {R::AtLeast, 0.0001f, 50},
                                     {R::AtMost, 0.00003f, 50}},
                                    1000);
    return table;
}

const RbwRuleTable& Gate() {
    static const RbwRuleTable table({{R::Equal, 0.01f, 15},
                                     {R::Equal, 0.003f, 45},
                                     {R::Equal, 0.001f, 80},
                                     {R::Equal, 0.0003f, 200},
                                     {R::Equal, 0.0001f, 1000},
                                     {R::AtMost, 0.00003f, 3000}},
                                    10);
    return table;
}

RsModelRow ModelRow() {
    RsModelRow row{"R&S-FSQ", 32001, 30001, 155, -1, 0.00003, 2, "GatedSweep", -1.0, {}};
    row.openWithTimeout = true;
    row.settleMs = 10;
    return row;
}

} // namespace

CSpectrumAnalyzerFSQ::CSpectrumAnalyzerFSQ() : CSpectrumAnalyzerFSL(ModelRow()) {}

RsRbwTables CSpectrumAnalyzerFSQ::RbwTables() const {
    return {TimingA(), TimingB(), Gate()};
}

bool CSpectrumAnalyzerFSQ::SetSpectralSweepPoints(int32_t count) {
    const int64_t clamped = ClampSweepPoints(static_cast<int64_t>(count) * GetPointsPerCell());
    // The count read back sizes the trace, so a count past the maximum (30001 gives 30101) is harmless.
    return SendSweepPoints(static_cast<int32_t>(clamped / 100 * 100 + 101));
}

bool CSpectrumAnalyzerFSQ::TriggeredSweep() {
    if (!SetContinuousSweep(true)) {
        return false;
    }
    if (!PollUntilOne("*OPC?\n", false)) {
        return false;
    }
    ClockSleep(std::chrono::milliseconds(50));
    return SendStatusOnly(":INIT; *WAI;\n");
}

const float* CSpectrumAnalyzerFSQ::QueryScan() {
    m_queryValid = 1;
    if (m_sweepPoints < 0 || m_sweepPoints > kMaxTracePoints || WriteCommand(":Trace? trace1;\n") < 0) {
        AddInformationMessage(1, "QueryScan():: failed --- 1");
        m_queryValid = 0;
        return nullptr;
    }
    const int32_t bytes = m_sweepPoints * 4;
    std::vector<unsigned char>& block = RawBlock();
    block.assign(static_cast<size_t>(bytes) + 1000, 0);
    int32_t received = bytes;
    const bool read = ScanBlock(block.data(), received);
    const Status status = m_lastStatus;
    FlushBuffers();
    m_lastStatus = status;
    if (!read || received < bytes) {
        // A block shorter than the trace would leave values unmeasured.
        AddInformationMessage(1, FormatC("QueryScan():: failed --- %d", static_cast<int>(status)));
        return KeepPreviousTrace(m_sweepPoints);
    }
    if (!CheckStatus()) {
        AddInformationMessage(1, "QueryScan():: failed --- 3");
        return KeepPreviousTrace(m_sweepPoints);
    }
    if (m_errorFlag == 1) {
        AddInformationMessage(1, "QueryScan():: failed --- 4");
        return KeepPreviousTrace(m_sweepPoints);
    }
    m_traceA.resize(static_cast<size_t>(m_sweepPoints));
    DecodeLittleEndianSingles(block.data(), static_cast<size_t>(bytes), m_traceA.data(), m_traceA.size());
    return m_traceA.data();
}

} // namespace orv
