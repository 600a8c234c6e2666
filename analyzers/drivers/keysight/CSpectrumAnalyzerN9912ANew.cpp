#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9912ANew.h"

#include "analyzers/AnalyzerSwitches.h"
#include "analyzers/drivers/scpi/RbwRuleTable.h"
#include "platform/CLocale.h"
#include "platform/clock/Clock.h"
#include "platform/log/InformationLog.h"

#include <algorithm>
#include <cmath>

namespace orv {

namespace {

using namespace visa;
using R = RbwComparison;
using std::chrono::milliseconds;

// The RBW steps of the analyser compare as 32-bit floats.
const RbwRuleTable& TimingA() {
    static const RbwRuleTable table({{R::Equal, 1.0f, 1},
                                     {R::Equal, 0.3f, 2},
                                     {R::Equal, 0.1f, 2},
                                     {R::Equal, 0.03f, 5},
                                     {R::AtLeast, 0.01f, 30},
                                     {R::AtLeast, 0.003f, 150},
                                     {R::AtLeast, 0.001f, 170}},
                                    20);
    return table;
}

const RbwRuleTable& TimingB() {
    static const RbwRuleTable table({{R::Equal, 1.0f, 0},
                                     {R::Equal, 0.3f, 0},
                                     {R::Equal, 0.03f, 0},
                                     {R::Equal, 0.1f, 25},
                                     {R::AtLeast, 0.01f, 0},
                                     {R::AtLeast, 0.003f, 0},
                                     {R::AtLeast, 0.001f, 1}},
                                    0);
    return table;
}

const RbwRuleTable& Gate() {
    static const RbwRuleTable table({{R::Equal, 1.0f, 1},
                                     {R::Equal, 0.3f, 5},
                                     {R::Equal, 0.1f, 95},
                                     {R::Equal, 0.03f, 52},
                                     {R::Equal, 0.01f, 160},
                                     {R::Equal, 0.003f, 520},
                                     {R::Equal, 0.001f, 2500}},
                                    0);
    return table;
}

const RbwRuleTable& ValueB() {
    static const RbwRuleTable table({{R::Equal, 0.3f, 100}, {R::Equal, 1.0f, 100}}, 40);
    return table;
}

constexpr FieldFoxModelRow kN9912A{"N9912A", 0.1, 6000, 0.001, 2, true};
constexpr FieldFoxModelRow kN9915B{"N9915B", 0.03, 9000, 0.001, 2, true};
constexpr FieldFoxModelRow kN9917B{"N9917B", 0.03, 18000, 0.001, 2, true};
constexpr FieldFoxModelRow kN9913B{"N9913B", 0.03, 9000, 0.001, 2, false};
constexpr FieldFoxModelRow kN9918A{"N9918A", 0.03, 26500, 0.001, 5, false};
constexpr FieldFoxModelRow kN9917A{"N9917A", 0.03, 18000, 0.001, 5, false};
constexpr FieldFoxModelRow kN9918B{"N9918B", 0.03, 26500, 0.001, 5, false};
constexpr FieldFoxModelRow kN9934B{"N9934B", 0.03, 6500, 0.001, 5, false};
constexpr FieldFoxModelRow kN9935B{"N9935B", 0.03, 9000, 0.001, 5, false};

} // namespace

CSpectrumAnalyzerN9912ANew::CSpectrumAnalyzerN9912ANew() : CSpectrumAnalyzerN9912ANew(kN9912A) {}

CSpectrumAnalyzerN9912ANew::CSpectrumAnalyzerN9912ANew(const FieldFoxModelRow& row) : m_row(row) {
    m_lowestFrequency = row.lowestFrequency;
    m_highestFrequency = row.highestFrequency;
    m_smallestRbw = row.smallestRbw;
    m_largestRbw = row.largestRbw;
    m_sweepPoints = 1001;
    m_narrowRbwThreshold = 0.0;
}

CSpectrumAnalyzerN9915B::CSpectrumAnalyzerN9915B() : CSpectrumAnalyzerN9912ANew(kN9915B) {}
CSpectrumAnalyzerN9917B::CSpectrumAnalyzerN9917B() : CSpectrumAnalyzerN9912ANew(kN9917B) {}
CSpectrumAnalyzerN9913B::CSpectrumAnalyzerN9913B() : CSpectrumAnalyzerN9912ANew(kN9913B) {}
CSpectrumAnalyzerN9918A::CSpectrumAnalyzerN9918A() : CSpectrumAnalyzerN9912ANew(kN9918A) {}
CSpectrumAnalyzerN9917A::CSpectrumAnalyzerN9917A() : CSpectrumAnalyzerN9912ANew(kN9917A) {}
CSpectrumAnalyzerN9918B::CSpectrumAnalyzerN9918B() : CSpectrumAnalyzerN9912ANew(kN9918B) {}
CSpectrumAnalyzerN9934B::CSpectrumAnalyzerN9934B() : CSpectrumAnalyzerN9912ANew(kN9934B) {}
CSpectrumAnalyzerN9935B::CSpectrumAnalyzerN9935B() : CSpectrumAnalyzerN9912ANew(kN9935B) {}

int32_t CSpectrumAnalyzerN9912ANew::GenerationOf(std::string_view identity) {
    if (identity.find("A.05") != std::string_view::npos) {
        return 0;
    }
    if (identity.find("A.06") != std::string_view::npos) {
        return 1;
    }
    return 2;
}

std::optional<double> CSpectrumAnalyzerN9912ANew::VersionOf(std::string_view identity) {
    const size_t at = identity.find("A.");
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view text = identity.substr(at + 2);
    const size_t comma = text.find(',');
    text = comma != std::string_view::npos ? text.substr(0, comma) : text.substr(0, 5);
    size_t used = 0;
    const double version = StrToDoubleC(text, &used);
    if (used == 0 || !std::isfinite(version)) {
        return std::nullopt;
    }
    return version;
}

void CSpectrumAnalyzerN9912ANew::QueryFirmwareGeneration() {
    if (!m_row.firmwareDependent) {
        return;
    }
    WriteCommand("*IDN?\n");
    ClockSleep(milliseconds(100));
    // Only the bytes that arrived are judged.
    const std::string identity = ReadReply(kReplyBufferSize);
    FlushBuffers();
    m_firmwareGeneration = GenerationOf(identity);
    m_firmwareVersion = VersionOf(identity);
}

bool CSpectrumAnalyzerN9912ANew::HasOlderFirmware() const {
    return m_row.firmwareDependent && m_firmwareVersion.has_value() &&
           *m_firmwareVersion < kCurrentFirmwareVersion;
}

bool CSpectrumAnalyzerN9912ANew::OpenConnection(const std::string& text) {
    if (!OpenSession(text, m_row.name)) {
        return false;
    }
    m_lastStatus = m_vi.viSetAttribute(m_session, kAttrTimeoutValue, 5000);
    return m_lastStatus >= 0;
}

bool CSpectrumAnalyzerN9912ANew::PollOpc(milliseconds pause) {
    return PollUntilOne("*OPC?\n", true, pause);
}

bool CSpectrumAnalyzerN9912ANew::QueryReal(const std::string& query, double& value, bool secondRead) {
    m_queryValid = 1;
    value = 0.0;
    if (WriteCommand(query) < 0) {
        m_queryValid = 0;
        return false;
    }
    double read = 0.0;
    m_lastStatus = m_vi.viScanf(m_session, "%lf", &read);
    if (m_lastStatus < 0 && secondRead) {
        m_lastStatus = m_vi.viScanf(m_session, "%lf", &read);
    }
    DropRestOfReply();
    if (m_lastStatus >= 0 && !IsPossibleReading(read)) {
        m_queryValid = 0;
        AddInformationMessage(1, "Spectrum analyzer: the reply is no usable value.");
        return false;
    }
    if (m_lastStatus >= 0) {
        value = read;
    }
    if (m_lastStatus < 0 || !PassesErrorCheck()) {
        m_queryValid = 0;
        return false;
    }
    return true;
}

float CSpectrumAnalyzerN9912ANew::QueryLevel(const std::string& query, bool secondRead) {
    double dBm = 0.0;
    if (!QueryReal(query, dBm, secondRead)) {
        return static_cast<float>(dBm);
    }
    return static_cast<float>(dBm) + kDbmToDbuv;
}

bool CSpectrumAnalyzerN9912ANew::SetDisplayOn(bool on) {
    return SendVerified(on ? ":DISP:ENAB ON;\n" : ":DISP:ENAB OFF;\n");
}

bool CSpectrumAnalyzerN9912ANew::ResetAfterScan(int32_t /*value*/) {
    return SendVerifiedAll({":Calculate:Marker:Mode Position;\n", ":Calculate:Marker:x:Position 0;\n"});
}

bool CSpectrumAnalyzerN9912ANew::SetupSpectrumAnalyzer() {
    const bool older = HasOlderFirmware();
    if (QueryInstrumentMode() != "SA") {
        if (!SendStatusOnly("INST:SEL \"SA\"; *WAI;\n")) {
            return false;
        }
        if (older) {
            FlushBuffers();
        }
        if (!PollOpc(milliseconds(1))) {
            return false;
        }
        if (!older) {
            ClockSleep(milliseconds(4000));
        }
        if (!PassesErrorCheck()) {
            m_commandValid = 0;
            return false;
        }
    }
    if (older) {
        if (!SendStatusOnly(":System:Preset:Mode;*WAI\n")) {
            return false;
        }
        FlushBuffers();
        if (!PollOpc(milliseconds(1))) {
            return false;
        }
        ClockSleep(milliseconds(3000));
        if (!PassesErrorCheck()) {
            m_commandValid = 0;
            return false;
        }
    }
    return SendVerified(":DISP:ENAB ON;\n");
}

bool CSpectrumAnalyzerN9912ANew::SetPreAmp(bool on) {
    m_preAmp = on ? 1 : 0;
    return SendVerified(on ? ":SENSe:POWer:RF:GAIN ON;\n" : ":SENSe:POWer:RF:GAIN OFF;\n") &&
           PollOpc(milliseconds(100));
}

bool CSpectrumAnalyzerN9912ANew::SetTrackingGeneration(bool on) {
    return SendVerified(on ? ":SENSe:ISOurce:ENABle on;:SENSe:ISOurce:MODE SRTS;:SENSe:ISOurce:ENABle 1\n"
                           : ":SENSe:ISOurce:ENABle on;:SENSe:ISOurce:MODE CW;:SENSe:ISOurce:ENABle 0\n") &&
           PollOpc(milliseconds(100));
}

bool CSpectrumAnalyzerN9912ANew::SetInternalTriger(int32_t internal) {
    if (internal != 0) {
        return SendVerifiedAll({":Trigger:Source free; \n", ":Initiate:Continuous on; *WAI;\n"}) &&
               PollOpc(milliseconds(1));
    }
    if (IsNarrowRbw()) {
        return true;
    }
    return SendVerified(":Trigger:Source Ext;\n");
}

bool CSpectrumAnalyzerN9912ANew::SetAutoSweep(int32_t on) {
    return on == 0 || SendVerified(":Sweep:ACQuisition:Auto on; :Initiate:Continuous on\n");
}

bool CSpectrumAnalyzerN9912ANew::SetSweepTimeMs(int32_t ms) {
    SetLastSweepTimeMs(std::max<int32_t>(ms, 0));
    return SendVerified(FormatC("Sweep:Time %d MS;\n", static_cast<int>(ms)));
}

bool CSpectrumAnalyzerN9912ANew::SetSweepTimeFloat(float ms) {
    if (IsNarrowRbw()) {
        if (m_readBackRbw <= 0.0011 && !SetSpan(0.00001f)) {
            return false;
        }
        return SetAutoSweep(1);
    }
    if (std::isfinite(ms) && ms >= 0.0f) {
        SetLastSweepTimeMs(static_cast<int64_t>(std::min(ms, 1e9f)));
    }
    return SendVerified(FormatC("Sweep:Time %f MS;\n", static_cast<double>(ms))) && PollOpc(milliseconds(1));
}

int32_t CSpectrumAnalyzerN9912ANew::ReadSweepTime() {
    return ReadSweepTimeFrom(":Sweep:Time?;\n", SweepTimeOnFailure::Converted);
}

bool CSpectrumAnalyzerN9912ANew::SetDetectorPositive(bool on) {
    return SendVerified(on ? "POW:GAIN 1;\n" : ":SENSe:DETector:FUNCtion AUTO\n");
}

bool CSpectrumAnalyzerN9912ANew::SetAttenuation(float dB) {
    const int32_t whole = std::isfinite(dB) && std::fabs(dB) < 1e9f ? static_cast<int32_t>(dB) : 0;
    return SendVerified(FormatC(":Power:Attenuation %d DB;\n", static_cast<int>(whole)));
}

bool CSpectrumAnalyzerN9912ANew::SetSweepPoints(int32_t count) {
    int32_t points = count;
    if (count > kMaxSweepPoints || count < 1) {
        points = kMaxSweepPoints;
    } else if (count < kMinSweepPoints) {
        points = kMinSweepPoints;
    }
    m_sweepPoints = points;
    if (!SendVerified(FormatC(":Sweep:Points %d ;\n", static_cast<int>(points)))) {
        return false;
    }
    ReadSweepPoints();
    if (!IsQueryValid() || !PassesErrorCheck()) {
        m_commandValid = 0;
        return false;
    }
    return true;
}

bool CSpectrumAnalyzerN9912ANew::SetSpectralSweepPoints(int32_t /*count*/) {
    if (!IsNarrowRbw()) {
        return SetSweepPoints(GetCellsPerSweep(0.0f));
    }
    m_sweepPoints = 5;
    if (!SendVerified(":Sweep:Points 5 ;\n")) {
        return false;
    }
    ReadSweepPoints();
    if (!IsQueryValid() || !PassesErrorCheck()) {
        m_commandValid = 0;
        return false;
    }
    return true;
}

int32_t CSpectrumAnalyzerN9912ANew::ReadSweepPoints() {
    int32_t value = 0;
    if (!QueryInt(":Sweep:Points?;\n", value)) {
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

bool CSpectrumAnalyzerN9912ANew::SetSpan(float mhz) {
    if (UsesFirstFirmwareForms()) {
        if (mhz == 0.0f && !SendVerifiedAll({"DIAG:SWEEP:TYPE STEP;\n", "DIAG:SWEEP:SIMulation EGST;\n"})) {
            return false;
        }
        return SendVerified(
            FormatC(":Frequency:Span %f MHZ;\n", mhz == 0.0f ? 0.001 : static_cast<double>(mhz)));
    }
    if (mhz == 0.0f) {
        return SendVerified(":SENSe:FREQuency:SPAN:ZERO;\nSERV:SA:SWE:EGST ON\n");
    }
    return SendVerified(FormatC(":Frequency:Span %f MHZ;\n", static_cast<double>(mhz)));
}

float CSpectrumAnalyzerN9912ANew::ReadSpan() {
    return QueryMhz(":Frequency:Span?;\n");
}

bool CSpectrumAnalyzerN9912ANew::SetResolution(float mhz) {
    return SendVerifiedAll({FormatC(":Bandwidth %f MHZ;\n", static_cast<double>(mhz)),
                            FormatC(":Bandwidth:Video %f MHZ;\n", static_cast<double>(mhz))});
}

float CSpectrumAnalyzerN9912ANew::ReadResolution() {
    return QueryMhz(":Bandwidth?;\n");
}

bool CSpectrumAnalyzerN9912ANew::SetCenterFrequency(float mhz) {
    return SendVerified(FormatC(":Frequency:Center %f MHZ; *WAI;\n", static_cast<double>(mhz)));
}

float CSpectrumAnalyzerN9912ANew::ReadCenterFrequency() {
    return QueryMhz(":SENSe:Frequency:Center?;\n");
}

bool CSpectrumAnalyzerN9912ANew::SetReferenceLevel(float dBuV) {
    return SendVerified(FormatC(":Display:WIND:Trace:y:RLEV %f ;\n",
                                static_cast<double>(dBuV) - static_cast<double>(kDbmToDbuv)));
}

float CSpectrumAnalyzerN9912ANew::ReadReferenceLevel() {
    return QueryLevel(":Display:WIND:Trace:y:RLEV?;\n", false);
}

bool CSpectrumAnalyzerN9912ANew::SetTraceFormat() {
    return SendVerified(":FORMAT:DATA REAL, 32;\n");
}

bool CSpectrumAnalyzerN9912ANew::SetContinuousSweep(bool single) {
    return SendVerified(single ? ":Initiate:Continuous off; *WAI;\n" : ":Initiate:Continuous on;\n");
}

bool CSpectrumAnalyzerN9912ANew::SetMarkerCount(bool on) {
    return SendVerified(on ? ":Calculate:Marker:FCount on;\n" : ":Calculate:Marker:FCount off;\n");
}

bool CSpectrumAnalyzerN9912ANew::MarkPeak() {
    return SendVerified("CALC:MARK1:FUNC:MAX; *WAI;\n");
}

float CSpectrumAnalyzerN9912ANew::ReadMarkerFrequency(int32_t counted) {
    if (counted != 0) {
        ClockSleep(milliseconds(200));
    }
    double hz = 0.0;
    if (!QueryReal(counted != 0 ? ":Calculate:Marker:FCount:X?;\n" : ":Calculate:Marker1:X?;\n", hz, true)) {
        return static_cast<float>(hz);
    }
    return static_cast<float>(hz / 1000000.0);
}

float CSpectrumAnalyzerN9912ANew::ReadPeakAmplitude() {
    return QueryLevel(":Calculate:Marker:Y?;\n", true);
}

bool CSpectrumAnalyzerN9912ANew::SweepAndWait() {
    if (!SetContinuousSweep(true)) {
        return false;
    }
    if (!SendStatusOnly(":INIT;\n") || !PollUntilOne("*OPC?;\n", false, milliseconds(1))) {
        return false;
    }
    if (!PassesErrorCheck()) {
        m_commandValid = 0;
        return false;
    }
    return true;
}

bool CSpectrumAnalyzerN9912ANew::TriggeredSweep() {
    SetContinuousSweep(false);
    return true;
}

const float* CSpectrumAnalyzerN9912ANew::QueryScan() {
    m_queryValid = 1;
    if (m_sweepPoints < 0 || m_sweepPoints > kMaxTracePoints) {
        m_queryValid = 0;
        return nullptr;
    }
    if (WriteCommand(":Trace:Data?;\n") < 0) {
        m_queryValid = 0;
        return nullptr;
    }
    return ReadReal32Trace(m_sweepPoints, true, kDbmToDbuv);
}

void CSpectrumAnalyzerN9912ANew::WaitSettle(float /*rbw*/) {
    if (HasOlderFirmware()) {
        ClockSleep(milliseconds(1000));
    }
}

int32_t CSpectrumAnalyzerN9912ANew::GetRbwTimingA(float rbw) {
    return TimingA().ValueFor(rbw);
}

int32_t CSpectrumAnalyzerN9912ANew::GetRbwTimingB(float rbw) {
    return TimingB().ValueFor(rbw);
}

int32_t CSpectrumAnalyzerN9912ANew::GetGateLength(float rbw) {
    return Gate().ValueFor(rbw);
}

int32_t CSpectrumAnalyzerN9912ANew::GetRbwValueB(float rbw) {
    return ValueB().ValueFor(rbw);
}

bool CSpectrumAnalyzerN99xx::CheckStatus() {
    if (!IsLogAnalyzerErrorsSwitchSet()) {
        return true;
    }
    m_errorFlag = 0;
    if (WriteCommand(":SYST:ERR?;\n") < 0) {
        return false;
    }
    int32_t code = 0;
    m_lastStatus = m_vi.viScanf(m_session, "%d", &code);
    // The error text after the code never answers the next query.
    const Status read = m_vi.viFlush(m_session, kFlushReadBuffer);
    if (m_lastStatus < 0 || code != 0) {
        return false;
    }
    m_lastStatus = read;
    const Status written = m_vi.viFlush(m_session, kFlushWriteBuffer);
    m_lastStatus = written;
    return written >= 0;
}

} // namespace orv
