#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9010A.h"

#include "analyzers/CVisaConnection.h"
#include "analyzers/drivers/scpi/ScpiBlockData.h"
#include "platform/CLocale.h"
#include "platform/clock/Clock.h"
#include "platform/log/InformationLog.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace orv {

namespace {

using namespace visa;
using R = RbwComparison;

void Log(const std::string& text) {
    AddInformationMessage(1, text);
}

constexpr XSeriesModelRow kN9010A{"N9010A", true,  5000, 0.00001, 13600, 0.00003, 8,
                                  0.000031, 40001, 101,  40001,   0,     true};
constexpr XSeriesModelRow kN9010B{"N9010B", true,  5000, 0.00001, 13600, 0.00003, 8,
                                  0.000031, 40001, 101,  40001,   0,     true};

// EXA: the user's manual timing replaces all three tables while it is on.
const RbwRuleTable& N9010TimingA() {
    static const RbwRuleTable table({{R::AtLeast, 3.0f, 1},
                                     {R::AtLeast, 1.0f, 1},
                                     {R::AtLeast, 0.3f, 1},
                                     {R::AtLeast, 0.1f, 2},
                                     {R::AtLeast, 0.03f, 1},
                                     {R::AtLeast, 0.0091f, 1},
                                     {R::Equal, 0.003f, 8},
                                     {R::AtLeast, 0.003f, 8},
                                     {R::AtLeast, 0.001f, 8},
                                     {R::AtLeast, 0.0003f, 80},
                                     {R::AtLeast, 0.0001f, 240},
                                     {R::AtLeast, 0.00003f, 1500},
                                     {R::Always, 0.0f, 1}},
                                    0, ManualTimingValue::SwitchTime);
    return table;
}
const RbwRuleTable& N9010TimingB() {
    static const RbwRuleTable table({{R::AtLeast, 3.0f, 1},
                                     {R::AtLeast, 1.0f, 1},
                                     {R::AtLeast, 0.3f, 1},
                                     {R::AtLeast, 0.1f, 1},
                                     {R::AtLeast, 0.03f, 1},
                                     {R::AtLeast, 0.0091f, 1},
                                     {R::Equal, 0.003f, 3},
                                     {R::AtLeast, 0.003f, 3},
                                     {R::AtLeast, 0.001f, 25},
                                     {R::AtLeast, 0.0003f, 30},
                                     {R::AtLeast, 0.0001f, 50},
                                     {R::AtLeast, 0.00003f, 50},
                                     {R::Always, 0.0f, 50}},
                                    0, ManualTimingValue::SwitchWait);
    return table;
}
const RbwRuleTable& N9010Gate() {
    static const RbwRuleTable table({{R::AtLeast, 3.0f, 4},
                                     {R::AtLeast, 1.0f, 64},
                                     {R::AtLeast, 0.3f, 128},
                                     {R::AtLeast, 0.1f, 144},
                                     {R::AtLeast, 0.03f, 128},
                                     {R::AtLeast, 0.0091f, 480},
                                     {R::Equal, 0.003f, 1200},
                                     {R::AtLeast, 0.003f, 4000},
                                     {R::AtLeast, 0.001f, 4000},
                                     {R::AtLeast, 0.0003f, 12000},
                                     {R::AtLeast, 0.0001f, 24000},
                                     {R::AtLeast, 0.00003f, 65000},
                                     {R::Always, 0.0f, 65000}},
                                    0, ManualTimingValue::GateLength);
    return table;
}
const RbwRuleTable& N9010ValueA() {
    static const RbwRuleTable table(
        {{R::Equal, 0.00003f, 18001}, {R::Equal, 0.0001f, 101}, {R::Equal, 0.0003f, 2001}}, 10);
    return table;
}

} // namespace

CSpectrumAnalyzerN9010A::CSpectrumAnalyzerN9010A() : CSpectrumAnalyzerN9010A(kN9010A) {}

CSpectrumAnalyzerN9010A::CSpectrumAnalyzerN9010A(const XSeriesModelRow& row) : m_row(row) {
    m_lowestFrequency = row.lowestFrequency;
    m_highestFrequency = row.highestFrequency;
    m_smallestRbw = row.smallestRbw;
    m_largestRbw = row.largestRbw;
    if (row.narrowRbwThreshold >= 0.0) {
        m_narrowRbwThreshold = row.narrowRbwThreshold;
    }
    m_sweepPoints = row.initialSweepPoints;
}

CSpectrumAnalyzerN9010B::CSpectrumAnalyzerN9010B() : CSpectrumAnalyzerN9010A(kN9010B) {}

XSeriesRbwTables CSpectrumAnalyzerN9010A::RbwTables() const {
    return {N9010TimingA(), N9010TimingB(), N9010Gate()};
}

int32_t CSpectrumAnalyzerN9010A::ClampSweepPoints(int32_t count) const {
    if (count > m_row.maxSweepPoints || count < 0) {
        return m_row.maxSweepPoints;
    }
    if (count >= 1 && count < m_row.minSweepPoints) {
        return m_row.minSweepPoints;
    }
    return count;
}

bool CSpectrumAnalyzerN9010A::OpenConnection(const std::string& text) {
    if (!OpenSession(text, m_row.logsOpening ? m_row.name : nullptr)) {
        return false;
    }
    m_lastStatus = m_vi.viSetAttribute(m_session, kAttrTimeoutValue, m_row.timeoutMs);
    return m_lastStatus >= 0;
}

bool CSpectrumAnalyzerN9010A::SendSetupCommands(bool calibrationOff) {
    if (!SendVerifiedAll({"*RST;\n", "INST SA;\n", ":DISP:ENAB ON;\n"})) {
        return false;
    }
    return !calibrationOff || SendVerified(":CAL:AUTO OFF;\n");
}

bool CSpectrumAnalyzerN9010A::SetupSpectrumAnalyzer() {
    return SendSetupCommands(true);
}

bool CSpectrumAnalyzerN9010A::SendPreAmp(bool on, bool readBack) {
    if (on) {
        WriteCommand(":POW:GAIN ON;\n :POW:GAIN:BAND FULL;\n");
        if (readBack && m_lastStatus >= 0 && WriteCommand(":POW:GAIN:STAT?;\n") >= 0) {
            if (m_visaConnection != nullptr) {
                m_visaConnection->SetTimeout(3000);
            }
            const std::string reply = ReadReply(128);
            const Status status = m_lastStatus;
            if (m_visaConnection != nullptr) {
                m_visaConnection->SetTimeout(0);
            }
            m_lastStatus = status;
            if (status >= 0) {
                size_t used = 0;
                const double state = StrToDoubleC(reply, &used);
                m_preAmpState = used > 0 && std::fabs(state) < 1e9 ? static_cast<int32_t>(state) : 0;
            }
        } else if (!readBack) {
            m_preAmpState = 1;
        }
    } else {
        WriteCommand(":SENSe:POWer:RF:GAIN:STATe OFF;\n");
        m_preAmpState = 0;
    }
    if (m_lastStatus < 0 || !PassesErrorCheck()) {
        m_commandValid = 0;
        return false;
    }
    return true;
}

bool CSpectrumAnalyzerN9010A::SetPreAmp(bool on) {
    return SendPreAmp(on, true);
}

bool CSpectrumAnalyzerN9010A::SendGateSequence() {
    if (!SendVerifiedAll({":Trigger:RF:Source Immediate;\n", ":Sweep:Egate ON;\n", ":Sweep:Egate:METH LO;\n",
                          ":Sweep:Egate:Cont EDGE;\n"})) {
        return false;
    }
    if (!SendVerified(FormatC(":SWE:EGAT:DEL %d US;\n", static_cast<int>(GetGateDelay())))) {
        return false;
    }
    const float rbw = ReadResolution();
    if (!IsQueryValid()) {
        // A gate length computed from a failed read would be a wrong one.
        m_commandValid = 0;
        Log("Spectrum analyzer: the RBW could not be read; no gate length is set.");
        return false;
    }
    if (!SendVerified(FormatC(":SWE:EGAT:LENG %d US;\n", static_cast<int>(GetGateLength(rbw))))) {
        return false;
    }
    return SendVerified(":SWEep:EGATe:HOLDoff 0 US;\n");
}

bool CSpectrumAnalyzerN9010A::SetInternalTriger(int32_t internal) {
    if (internal != 0) {
        return SendVerified(":Trigger:RF:Source Immediate; :Initiate:Continuous on;\n");
    }
    if (IsNarrowRbw()) {
        // No gate at this RBW; the sweep runs free.
        return SendStatusOnly(":Trigger:RF:Source Immediate;\n");
    }
    if (!SendGateSequence()) {
        return false;
    }
    if (m_row.queriesGatedSweep && !QueryGatedSweep()) {
        Log(kNoGatedSweepLog);
    }
    return true;
}

bool CSpectrumAnalyzerN9010A::SetAutoSweep(int32_t on) {
    if (on == 0) {
        return true;
    }
    return SendVerified(":Sweep:Time:Auto on; :Initiate:Continuous on\n");
}

bool CSpectrumAnalyzerN9010A::SetSweepTimeMs(int32_t ms) {
    SetLastSweepTimeMs(std::max<int32_t>(ms, 0));
    return SendVerified(FormatC("Sweep:Time %d MS;\n", static_cast<int>(ms)));
}

bool CSpectrumAnalyzerN9010A::SendSweepTimeFromGate() {
    const float rbw = ReadResolution();
    if (!IsQueryValid()) {
        m_commandValid = 0;
        Log("Spectrum analyzer: the RBW could not be read; no sweep time is set.");
        return false;
    }
    const int32_t points = ReadSweepPoints();
    if (!IsQueryValid()) {
        m_commandValid = 0;
        Log("Spectrum analyzer: the sweep points could not be read; no sweep time is set.");
        return false;
    }
    const int64_t cells = (static_cast<int64_t>(points) - 1) / std::max<int32_t>(GetPointsPerCell(), 1);
    const double ms = static_cast<double>(static_cast<int64_t>(GetGateLength(rbw)) * cells) / 1000.0;
    SetLastSweepTimeMs(static_cast<int64_t>(std::max(ms, 0.0)));
    return SendVerified(FormatC("Sweep:Time %f MS;\n", ms));
}

bool CSpectrumAnalyzerN9010A::SetSweepTimeFloat(float /*ms*/) {
    if (IsNarrowRbw()) {
        return SendStatusOnly(FormatC("Sweep:Time %f MS;\n", NarrowSweepTimeMs()));
    }
    return SendSweepTimeFromGate();
}

bool CSpectrumAnalyzerN9010A::QueryReal(const std::string& query, double& value) {
    return QueryDouble(query, value);
}

int32_t CSpectrumAnalyzerN9010A::ReadSweepTime() {
    return ReadSweepTimeFrom(":Sweep:Time?;\n");
}

bool CSpectrumAnalyzerN9010A::SetDetectorPositive(bool on) {
    return !on || SendVerified("DET POS;\n");
}

bool CSpectrumAnalyzerN9010A::SetAttenuation(float dB) {
    const int32_t whole = std::isfinite(dB) && std::fabs(dB) < 1e9f ? static_cast<int32_t>(dB) : 0;
    return SendVerified(FormatC(":POW:Attenuation %d DB;\n", static_cast<int>(whole)));
}

bool CSpectrumAnalyzerN9010A::SendSweepPoints(int32_t count) {
    m_sweepPoints = count;
    if (!SendVerified(FormatC(":Sweep:Points %d ;\n", static_cast<int>(count)))) {
        return false;
    }
    ReadSweepPoints();
    if (!IsQueryValid() || !PassesErrorCheck()) {
        m_commandValid = 0;
        return false;
    }
    return true;
}

bool CSpectrumAnalyzerN9010A::SetSweepPoints(int32_t count) {
    int32_t points = count;
    if (count > m_row.maxSweepPoints || count < 0) {
        points = m_row.maxSweepPoints;
    } else {
        points = std::max(count, m_row.minSweepPoints);
    }
    return SendSweepPoints(points);
}

bool CSpectrumAnalyzerN9010A::SendNarrowSpectralPoints() {
    return SendSweepPoints(5);
}

bool CSpectrumAnalyzerN9010A::SetSpectralSweepPoints(int32_t cells) {
    if (IsNarrowRbw()) {
        return SendNarrowSpectralPoints();
    }
    const int64_t points = static_cast<int64_t>(GetPointsPerCell()) * cells + 1;
    const int32_t asked = points > std::numeric_limits<int32_t>::max() ? -1 : static_cast<int32_t>(points);
    return SendSweepPoints(ClampSweepPoints(asked));
}

int32_t CSpectrumAnalyzerN9010A::ReadSweepPoints() {
    int32_t value = 0;
    if (!QueryInt(":Sweep:Points?;\n", value)) {
        return m_sweepPoints;
    }
    if (value < 0 || value > kMaxTracePoints) {
        m_queryValid = 0;
        Log(FormatC("Spectrum analyzer: %d sweep points read back is not a usable count.",
                    static_cast<int>(value)));
        return m_sweepPoints;
    }
    m_sweepPoints = value;
    return m_sweepPoints;
}

bool CSpectrumAnalyzerN9010A::SetSpan(float mhz) {
    return SendVerified(FormatC(":Frequency:Span %f MHZ;\n", static_cast<double>(mhz)));
}

float CSpectrumAnalyzerN9010A::ReadSpan() {
    return QueryMhz(":Frequency:Span?;\n");
}

bool CSpectrumAnalyzerN9010A::SetResolution(float mhz) {
    m_requestedRbw = mhz;
    if (!SendStatusOnly(FormatC(":Bandwidth %f MHZ;\n", static_cast<double>(mhz)))) {
        return false;
    }
    return SendVerified(FormatC(":Bandwidth:Video %f MHZ;\n", static_cast<double>(mhz)));
}

float CSpectrumAnalyzerN9010A::ReadResolution() {
    return QueryMhz(":Bandwidth?;\n");
}

bool CSpectrumAnalyzerN9010A::SetCenterFrequency(float mhz) {
    return SendVerified(FormatC(":Frequency:Center %f MHZ;\n", static_cast<double>(mhz)));
}

float CSpectrumAnalyzerN9010A::ReadCenterFrequency() {
    return QueryMhz(":Frequency:Center?;\n");
}

bool CSpectrumAnalyzerN9010A::SetReferenceLevel(float level) {
    return SendVerified(FormatC(":Display:Window:Trace:y:RLEV %f ;\n", static_cast<double>(level)));
}

float CSpectrumAnalyzerN9010A::ReadReferenceLevel() {
    double level = 0.0;
    QueryReal(":Display:Window:Trace:y:RLEV?;\n", level);
    return static_cast<float>(level);
}

float CSpectrumAnalyzerN9010A::ReadReferenceLevelRounded() {
    const float level = CSpectrumAnalyzerN9010A::ReadReferenceLevel();
    return level == 76.99f ? 77.0f : level;
}

bool CSpectrumAnalyzerN9010A::SetUnit(const std::string& unit) {
    return SendVerified(":UNIT:POWER " + unit + " ;\n");
}

bool CSpectrumAnalyzerN9010A::SetTraceFormat() {
    return SendVerifiedAll({":FORMAT:DATA REAL, 32;\n", ":FORMAT:BORD SWAP;\n"});
}

bool CSpectrumAnalyzerN9010A::SetContinuousSweep(bool single) {
    return !single || SendVerified(":Initiate:Continuous off;\n");
}

bool CSpectrumAnalyzerN9010A::SetMarkerCount(bool on) {
    return SendVerified(on ? ":Calculate:Marker1:FCount on;\n" : ":Calculate:Marker1:FCount off;\n");
}

bool CSpectrumAnalyzerN9010A::MarkPeak() {
    return SendVerified(":Calculate:Marker1:MAX;\n");
}

float CSpectrumAnalyzerN9010A::ReadMarkerFrequency(int32_t counted) {
    return QueryMhz(counted != 0 ? ":Calculate:Marker1:FCount:X?;\n" : ":Calculate:Marker1:X?;\n");
}

float CSpectrumAnalyzerN9010A::ReadPeakAmplitude() {
    double level = 0.0;
    QueryReal(":Calculate:Marker1:Y?;\n", level);
    return static_cast<float>(level);
}

bool CSpectrumAnalyzerN9010A::SweepAndWait() {
    if (!SetContinuousSweep(true)) {
        return false;
    }
    return SendStatusOnly(":INIT; *WAI;\n");
}

bool CSpectrumAnalyzerN9010A::PollForTriggerArmed() {
    int32_t last = 0;
    // A read that timed out goes on waiting for the reply already asked for: asking again would leave
    // a reply over to answer a later query.
    bool outstanding = false;
    for (int poll = 0; poll < 6; ++poll) {
        if (!outstanding) {
            if (!SendStatusOnly(":Status:Operation:Condition?;\n")) {
                return false;
            }
            outstanding = true;
        }
        int32_t value = 0;
        m_lastStatus = m_vi.viScanf(m_session, "%d", &value);
        if (m_lastStatus != kErrorTimeout) {
            outstanding = false;
            DropRestOfReply();
        }
        if (m_lastStatus >= 0) {
            last = value;
            if (value == 56) {
                return true;
            }
        }
    }
    DrainPollReplies(outstanding);
    Log(FormatC("Error waiting for SA status, expecting: 56 got: %d", static_cast<int>(last)));
    return true;
}

bool CSpectrumAnalyzerN9010A::TriggeredSweep() {
    if (!SetContinuousSweep(true)) {
        return false;
    }
    if (!SendStatusOnly(":Trigger:Source External1;\n") || !SendStatusOnly(":INIT;\n")) {
        return false;
    }
    if (m_dcCoupled != 0) {
        Log("Error waiting for SA status, expecting: 56 got: 0");
    } else if (!PollForTriggerArmed()) {
        return false;
    }
    return SendStatusOnly(":Trigger:Source Immediate;\n") && SendStatusOnly(":INIT;\n");
}

const float* CSpectrumAnalyzerN9010A::QueryScan() {
    m_queryValid = 1;
    if (m_sweepPoints < 0 || m_sweepPoints > kMaxTracePoints) {
        m_queryValid = 0;
        return nullptr;
    }
    if (WriteCommand(":Trace? trace1;\n") < 0) {
        m_queryValid = 0;
        return nullptr;
    }
    return ReadReal32Trace(m_sweepPoints, false);
}

int32_t CSpectrumAnalyzerN9010A::GetRbwTimingA(float rbw) {
    return RbwTables().timingA.Apply(rbw, m_scanSetup);
}

int32_t CSpectrumAnalyzerN9010A::GetRbwTimingB(float rbw) {
    return RbwTables().timingB.Apply(rbw, m_scanSetup);
}

int32_t CSpectrumAnalyzerN9010A::GetGateLength(float rbw) {
    m_gateLength = RbwTables().gateLength.Apply(rbw, m_scanSetup);
    return m_gateLength;
}

int32_t CSpectrumAnalyzerN9010A::GetRbwValueA(float rbw) {
    return N9010ValueA().ValueFor(rbw);
}

int32_t CSpectrumAnalyzerN9010A::CountActiveCells() {
    return static_cast<int16_t>(GetActiveProbeCellCount());
}

int32_t CSpectrumAnalyzerN9010A::GetCellsPerSweep(float /*rbw*/) {
    return CountActiveCells();
}

bool CSpectrumAnalyzerN9010A::SetInputCoupling(bool dc) {
    if (!dc) {
        WriteCommand(":INP:COUP AC;\n");
        m_dcCoupled = 0;
        return true;
    }
    WriteCommand(":INP:COUP DC;\n");
    if (WriteCommand(":INP:COUP?;\n") < 0) {
        return true;
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
    m_dcCoupled = status >= 0 && reply.find("DC") != std::string::npos ? 1 : 0;
    return true;
}

} // namespace orv
