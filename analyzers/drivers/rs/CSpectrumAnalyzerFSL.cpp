#include "analyzers/drivers/rs/CSpectrumAnalyzerFSL.h"

#include "analyzers/CVisaConnection.h"
#include "platform/CLocale.h"
#include "platform/clock/Clock.h"
#include "platform/log/InformationLog.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <utility>

namespace orv {

namespace {

using namespace visa;
using R = RbwComparison;

// FSL: the pauses (in brackets in the tables) let the analyser settle at the narrow RBWs.
const RbwRuleTable& FslTimingA() {
    static const RbwRuleTable table({{R::AtLeast, 0.01f, 0},
                                     {R::AtLeast, 0.003f, 2},
                                     {R::AtLeast, 0.001f, 10, 100},
                                     {R::Equal, 0.0003f, 20, 100},
                                     {R::Equal, 0.0001f, 250}},
                                    1);
    return table;
}

const RbwRuleTable& FslTimingB() {
    static const RbwRuleTable table(
        {{R::Equal, 0.003f, 5}, {R::Equal, 0.001f, 10}, {R::Equal, 0.0003f, 51}, {R::Equal, 0.0001f, 50}}, 0);
    return table;
}

const RbwRuleTable& FslGate() {
    static const RbwRuleTable table({{R::Equal, 0.003f, 80},
                                     {R::Equal, 0.001f, 80},
                                     {R::Equal, 0.0003f, 2500},
                                     {R::Equal, 0.0001f, 5000}},
                                    10);
    return table;
}

RsModelRow FslRow() {
    RsModelRow row{"R&S-FSL", 32001, 32001, 125, 50, 0.0003, 2, "GatedSweep", -1.0, {"NORM", "PULS"}};
    row.gainOnBeforeTrigger = true;
    row.checksGateBeforeSweep = true;
    return row;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return std::string(text);
}

} // namespace

CSpectrumAnalyzerFSL::CSpectrumAnalyzerFSL() : CSpectrumAnalyzerFSL(FslRow()) {}

CSpectrumAnalyzerFSL::CSpectrumAnalyzerFSL(RsModelRow row) : m_row(std::move(row)) {
    m_sweepPoints = m_row.pointCount;
    m_gateLength = std::max(m_row.gateLength, 0);
    m_smallestRbw = m_row.minRbw;
    if (m_row.narrowRbwThreshold >= 0.0) {
        m_narrowRbwThreshold = m_row.narrowRbwThreshold;
    }
}

RsRbwTables CSpectrumAnalyzerFSL::FslRbwTables() {
    return {FslTimingA(), FslTimingB(), FslGate()};
}

RsRbwTables CSpectrumAnalyzerFSL::RbwTables() const {
    return FslRbwTables();
}

int32_t CSpectrumAnalyzerFSL::ClampSweepPoints(int64_t count) const {
    if (count > m_row.maxPoints || count < 0) {
        return m_row.maxPoints;
    }
    if (count >= 1 && count < m_row.minPoints) {
        return m_row.minPoints;
    }
    return static_cast<int32_t>(count);
}

bool CSpectrumAnalyzerFSL::OpenConnection(const std::string& text) {
    if (!OpenSession(text, m_row.logName)) {
        return false;
    }
    if (!m_row.openWithTimeout) {
        return true;
    }
    m_lastStatus = m_vi.viSetAttribute(m_session, kAttrTimeoutValue, 5000);
    if (m_lastStatus < 0) {
        return false;
    }
    m_vi.viFlush(m_session, kFlushReadBuffer);
    m_vi.viFlush(m_session, kFlushWriteBuffer);
    return true;
}

void CSpectrumAnalyzerFSL::ReadRbwFilterType() {
    m_rbwFilterTypeKnown = 0;
    m_rbwFilterType = kRbwFilterTypeCommand;
    if (m_row.rbwFilterTypes.empty() || QueryInstrumentMode().find("SA") == std::string::npos) {
        return;
    }
    if (WriteCommand(":SENS:BAND:RES:TYPE?;\n") < 0) {
        return;
    }
    if (m_visaConnection != nullptr) {
        m_visaConnection->SetTimeout(3000);
    }
    const std::string reply = ReadReply(128);
    const Status status = m_lastStatus;
    if (m_visaConnection != nullptr) {
        m_visaConnection->SetTimeout(0);
    }
    m_lastStatus = status;
    if (status < 0) {
        return;
    }
    // Given back as data after the preset: its own line end, whatever the reply ended in.
    const std::string type = Trimmed(reply);
    AddInformationMessage(1, "BAND:TYPE " + type);
    const bool accepted =
        std::any_of(m_row.rbwFilterTypes.begin(), m_row.rbwFilterTypes.end(),
                    [&type](const std::string& known) { return type.find(known) != std::string::npos; });
    if (accepted) {
        m_rbwFilterType = kRbwFilterTypeCommand + type + "\n";
        m_rbwFilterTypeKnown = 1;
    }
}

bool CSpectrumAnalyzerFSL::SetupSpectrumAnalyzer() {
    ReadRbwFilterType();
    if (!SendVerifiedAll({"*RST;\n", "INST SAN;\n", ":SYST:DISP:UPD ON;\n"})) {
        return false;
    }
    if (m_rbwFilterTypeKnown != 0) {
        WriteCommand(m_rbwFilterType);
    }
    return true;
}

bool CSpectrumAnalyzerFSL::SetPreAmp(bool on) {
    m_preAmp = on ? 1 : 0;
    return SendVerified(on ? ":INP:GAIN:STAT ON;\n" : ":INP:GAIN:STAT OFF;\n");
}

bool CSpectrumAnalyzerFSL::SetInternalTriger(int32_t internal) {
    if (m_row.gainOnBeforeTrigger && !SendVerified(":INP:GAIN:STAT ON;\n")) {
        return false;
    }
    if (internal != 0) {
        return SendVerified(":Trigger:Source Immediate; :Initiate:Continuous on;\n");
    }
    if (IsNarrowRbw()) {
        // Below the gate's reach the sweep runs free; the gate is never set up.
        WriteCommand(":Trigger:Source Immediate; \n");
        return true;
    }
    if (!SendVerifiedAll(
            {m_row.externalTriggerSource ? ":Trigger:Source External;\n" : ":SWE:EGAT:SOUR EXT;\n",
             ":Sweep:Egate on;\n", ":Sweep:Egate:Type EDGE;\n",
             FormatC(":SWE:EGAT:Hold %d US;\n", static_cast<int>(GetGateDelay()))})) {
        return false;
    }
    const float rbw = ReadResolution();
    if (!IsQueryValid()) {
        // A gate computed from a failed read would be a wrong one.
        m_commandValid = 0;
        AddInformationMessage(1, "Spectrum analyzer: the RBW could not be read; no gate length is set.");
        return false;
    }
    const int64_t length = static_cast<int64_t>(GetGateLength(rbw)) * GetPointsPerCell();
    return SendVerified(FormatC(":SWE:EGAT:LENG %lld US;\n", static_cast<long long>(length)));
}

bool CSpectrumAnalyzerFSL::SetAutoSweep(int32_t on) {
    return on == 0 || SendVerified(":Sweep:Time:Auto on; :Initiate:Continuous on\n");
}

bool CSpectrumAnalyzerFSL::SetSweepTimeMs(int32_t ms) {
    SetLastSweepTimeMs(std::max<int32_t>(ms, 0));
    return SendVerified(FormatC("Sweep:Time %d MS;\n", static_cast<int>(ms)));
}

bool CSpectrumAnalyzerFSL::SetSweepTimeFloat(float ms) {
    if (std::isfinite(ms) && ms >= 0.0f) {
        SetLastSweepTimeMs(static_cast<int64_t>(std::min(ms, 1e9f)));
    }
    return SendVerified(FormatC("Sweep:Time %f MS;\n", static_cast<double>(ms)));
}

bool CSpectrumAnalyzerFSL::GuardedReal(const std::string& query, double& value) {
    return QueryDouble(query, value);
}

int32_t CSpectrumAnalyzerFSL::ReadSweepTime() {
    return ReadSweepTimeFrom(":Sweep:Time?;\n");
}

bool CSpectrumAnalyzerFSL::SetDetectorPositive(bool on) {
    return !on || SendVerified("DET POS;\n");
}

bool CSpectrumAnalyzerFSL::SetAttenuation(float dB) {
    const int32_t whole = std::isfinite(dB) && std::fabs(dB) < 1e9f ? static_cast<int32_t>(dB) : 0;
    return SendVerified(FormatC(":INPUT:Attenuation %d DB;\n", static_cast<int>(whole)));
}

bool CSpectrumAnalyzerFSL::SendSweepPoints(int32_t count) {
    m_sweepPoints = count;
    if (!SendVerified(FormatC(":Sweep:Points %d ;\n", static_cast<int>(count)))) {
        return false;
    }
    ReadSweepPoints();
    return IsQueryValid();
}

bool CSpectrumAnalyzerFSL::SetSweepPoints(int32_t count) {
    return SendSweepPoints(ClampSweepPoints(count));
}

bool CSpectrumAnalyzerFSL::SetSpectralSweepPoints(int32_t count) {
    return SendSweepPoints(ClampSweepPoints(static_cast<int64_t>(count) * GetPointsPerCell()));
}

int32_t CSpectrumAnalyzerFSL::ReadSweepPoints() {
    return ReadPointCount(":Sweep:Points?;\n");
}

int32_t CSpectrumAnalyzerFSL::ReadPointCount(const std::string& query) {
    int32_t value = 0;
    if (!QueryInt(query, value)) {
        return m_sweepPoints;
    }
    if (value < 0 || value > kMaxTracePoints) {
        m_queryValid = 0;
        AddInformationMessage(1,
                              FormatC("Spectrum analyzer: %d sweep points read back is not a usable count.",
                                      static_cast<int>(value)));
        return m_sweepPoints;
    }
    m_sweepPoints = value;
    return m_sweepPoints;
}

bool CSpectrumAnalyzerFSL::SetSpan(float mhz) {
    return SendVerified(FormatC(":Frequency:Span %f MHZ;\n", static_cast<double>(mhz)));
}

float CSpectrumAnalyzerFSL::ReadSpan() {
    return QueryMhz(":Frequency:Span?;\n");
}

bool CSpectrumAnalyzerFSL::SetResolution(float mhz) {
    return SendVerifiedAll({FormatC(":Bandwidth %f MHZ;\n", static_cast<double>(mhz)),
                            FormatC(":Bandwidth:Video %f MHZ;\n", static_cast<double>(mhz))});
}

float CSpectrumAnalyzerFSL::ReadResolution() {
    return QueryMhz(":Bandwidth?;\n");
}

bool CSpectrumAnalyzerFSL::SetCenterFrequency(float mhz) {
    return SendVerified(FormatC(":Frequency:Center %f MHZ;\n", static_cast<double>(mhz)));
}

float CSpectrumAnalyzerFSL::ReadCenterFrequency() {
    return QueryMhz(":Frequency:Center?;\n");
}

bool CSpectrumAnalyzerFSL::SetReferenceLevel(float level) {
    return SendVerified(FormatC(":Display:Trace:y:RLEV %f ;\n", static_cast<double>(level)));
}

float CSpectrumAnalyzerFSL::ReadReferenceLevel() {
    double level = 0.0;
    GuardedReal(":Display:Trace:y:RLEV?;\n", level);
    return static_cast<float>(level);
}

bool CSpectrumAnalyzerFSL::SetUnit(const std::string& unit) {
    return SendVerified(":UNIT:POWER " + unit + " ;\n");
}

bool CSpectrumAnalyzerFSL::SetTraceFormat() {
    return SendVerified(":FORMAT:DATA REAL, 32;\n");
}

bool CSpectrumAnalyzerFSL::SetContinuousSweep(bool single) {
    return !single || SendVerified(":Initiate:Continuous off;\n");
}

bool CSpectrumAnalyzerFSL::SetMarkerCount(bool on) {
    return SendVerified(on ? ":Calculate:Marker:Count on;\n" : ":Calculate:Marker:Count off;\n");
}

bool CSpectrumAnalyzerFSL::MarkPeak() {
    return SendVerified(":Calculate:Marker:MAX;\n");
}

float CSpectrumAnalyzerFSL::ReadMarkerFrequency(int32_t counter) {
    return QueryMhz(counter != 0 ? ":Calculate:Marker:Count:Frequency?;\n" : ":Calculate:Marker:X?;\n");
}

float CSpectrumAnalyzerFSL::ReadPeakAmplitude() {
    double level = 0.0;
    GuardedReal(":Calculate:Marker:Y?;\n", level);
    return static_cast<float>(level);
}

bool CSpectrumAnalyzerFSL::SweepAndWait() {
    return SetContinuousSweep(true) && SweepAndPoll();
}

bool CSpectrumAnalyzerFSL::SweepAndPoll() {
    WriteCommand(":INIT;\n");
    // "*OPC?" is answered when the sweep is done; the poll is bounded and asks the user at the bound.
    if (!PollUntilOne("*OPC?;\n", false)) {
        return false;
    }
    if (!PassesErrorCheck()) {
        m_commandValid = 0;
        return false;
    }
    return true;
}

bool CSpectrumAnalyzerFSL::TriggeredSweep() {
    if (m_row.checksGateBeforeSweep && !QueryGatedSweep()) {
        AddInformationMessage(1, " !!!!!!  No support of the gated sweep for the Spectrum Analyzer.");
    }
    if (!SetContinuousSweep(true)) {
        return false;
    }
    return SendTriggeredSweep();
}

bool CSpectrumAnalyzerFSL::SendTriggeredSweep() {
    if (!SendStatusOnly(":INIT; *WAI;\n")) {
        return false;
    }
    if (m_row.triggeredSweepPauseMs > 0) {
        ClockSleep(std::chrono::milliseconds(m_row.triggeredSweepPauseMs));
    }
    return true;
}

const float* CSpectrumAnalyzerFSL::QueryScan() {
    m_queryValid = 1;
    if (m_sweepPoints < 0 || m_sweepPoints > kMaxTracePoints) {
        m_queryValid = 0;
        return nullptr;
    }
    if (WriteCommand(":Trace? trace1;\n") < 0) {
        m_queryValid = 0;
        return nullptr;
    }
    return ReadReal32Trace(m_sweepPoints, true);
}

namespace {

// While the set-up's manual timing stands in, the switch time and wait are 16-bit values.
int32_t TimingValue(const RbwRuleTable& table, float rbw, const AnalyzerScanSetup* setup) {
    const int32_t value = table.Apply(rbw, setup);
    return table.TakesManualValue(setup) ? static_cast<int16_t>(value) : value;
}

} // namespace

int32_t CSpectrumAnalyzerFSL::GetRbwTimingA(float rbw) {
    return TimingValue(RbwTables().timingA, rbw, m_scanSetup);
}

int32_t CSpectrumAnalyzerFSL::GetRbwTimingB(float rbw) {
    return TimingValue(RbwTables().timingB, rbw, m_scanSetup);
}

int32_t CSpectrumAnalyzerFSL::GetGateLength(float rbw) {
    const RbwRuleTable& table = RbwTables().gateLength;
    const int32_t value = table.Apply(rbw, m_scanSetup);
    // The manual gate length is the user's for this call; the model's own stays stored.
    if (!table.TakesManualValue(m_scanSetup)) {
        m_gateLength = value;
    }
    return value;
}

int32_t CSpectrumAnalyzerFSL::GetRbwValueA(float rbw) {
    const RbwRuleTable* table = RbwTables().valueA;
    return table != nullptr ? table->ValueFor(rbw) : 0;
}

void CSpectrumAnalyzerFSL::WaitSettle(float /*rbw*/) {
    if (m_row.settleMs > 0) {
        ClockSleep(std::chrono::milliseconds(m_row.settleMs));
    }
}

void CSpectrumAnalyzerFSL::WaitForRbw(float rbw) {
    const float steps[] = {0.0003f, 0.0001f, 0.000029f};
    for (size_t i = 0; i < m_row.rbwPausesMs.size(); ++i) {
        if (rbw >= steps[i]) {
            if (m_row.rbwPausesMs[i] > 0) {
                ClockSleep(std::chrono::milliseconds(m_row.rbwPausesMs[i]));
            }
            return;
        }
    }
}

bool CSpectrumAnalyzerFSL::SetInputCoupling(bool dc) {
    return !m_row.sendsInputCoupling || SendInputCoupling(dc);
}

bool CSpectrumAnalyzerFSL::SetupWithPreset(const char* preset) {
    return SendVerifiedAll({preset, "INST SAN;\n", ":SYST:DISP:UPD ON;\n"});
}

bool CSpectrumAnalyzerFSL::SetPreAmpBelowStopLimit(bool on) {
    const float stop = m_scanSetup != nullptr ? m_scanSetup->GetStopFrequency() : 0.0f;
    // The pre-amplifier reaches 3600 MHz; above it the input stays without.
    return CSpectrumAnalyzerFSL::SetPreAmp(on && stop < 3600.0f);
}

bool CSpectrumAnalyzerFSL::SetSpectralPointsByCells() {
    if (IsNarrowRbw()) {
        return SendSweepPoints(5);
    }
    return SendSweepPoints(
        ClampSweepPoints(static_cast<int64_t>(GetCellsPerSweep(0.0f)) * GetPointsPerCell()));
}

int32_t CSpectrumAnalyzerFSL::CellsReachingMinimum() {
    const int64_t cells = GetActiveProbeCellCount();
    if (cells * m_row.multiplier >= m_row.minPoints) {
        return static_cast<int32_t>(std::min<int64_t>(cells, std::numeric_limits<int32_t>::max()));
    }
    return m_row.minPoints / m_row.multiplier + 1;
}

int32_t CSpectrumAnalyzerFSL::CellsInHundreds() {
    const int64_t cells = GetActiveProbeCellCount();
    if (cells * m_row.multiplier >= m_row.minPoints) {
        return static_cast<int32_t>(
            std::min<int64_t>((cells / 100 + 1) * 100, std::numeric_limits<int32_t>::max()));
    }
    return ((m_row.minPoints / m_row.multiplier + 1) / 100 + 1) * 100;
}

bool CSpectrumAnalyzerFSL::IsReadBackRbwNarrow() const {
    return static_cast<float>(m_narrowRbwThreshold) >= static_cast<float>(m_readBackRbw);
}

bool CSpectrumAnalyzerFSL::SetNarrowSweepTime() {
    const auto rbw = static_cast<float>(m_readBackRbw);
    double ms = 5.0;
    if (rbw >= 0.0029f) {
        ms = 0.02;
    } else if (rbw >= 0.0009f || rbw >= 0.00029f) {
        ms = 0.05;
    } else if (rbw >= 0.00009f) {
        ms = 3.0;
    } else if (rbw < 0.000029f) {
        m_gateLength = 10;
    }
    WriteCommand(FormatC("Sweep:Time %f MS;\n", ms));
    return true;
}

} // namespace orv
