#include "analyzers/drivers/rigol/CSpectrumAnalyzerDSA.h"

#include "analyzers/AnalyzerSwitches.h"
#include "analyzers/CVisaConnection.h"
#include "analyzers/drivers/rs/CSpectrumAnalyzerFSV3.h"
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

const RbwRuleTable& TimingB() {
    static const RbwRuleTable table(
        {{R::Equal, 0.003f, 3}, {R::Equal, 0.001f, 10}, {R::Equal, 0.0003f, 21}, {R::Equal, 0.0001f, 50}},
        440);
    return table;
}

RigolModelRow DsaRow() {
    return {"RIGOL DSA", 601, 3001, 101, 50, 0.00001, ""};
}

std::string Hz(float mhz) {
    return FormatC("%f", static_cast<double>(CSpectrumAnalyzerDSA::HzOf(mhz)));
}

} // namespace

CSpectrumAnalyzerDSA::CSpectrumAnalyzerDSA() : CSpectrumAnalyzerDSA(DsaRow()) {}

CSpectrumAnalyzerDSA::CSpectrumAnalyzerDSA(RigolModelRow row) : m_row(row) {
    m_sweepPoints = m_row.pointCount;
    m_gateLength = m_row.gateLength;
    m_smallestRbw = m_row.minRbw;
}

int32_t CSpectrumAnalyzerDSA::ClampSweepPoints(int32_t count) const {
    if (count > m_row.maxPoints || count < 0) {
        return m_row.maxPoints;
    }
    return std::max(count, m_row.minPoints);
}

bool CSpectrumAnalyzerDSA::OpenConnection(const std::string& text) {
    return OpenSession(text, m_row.logName);
}

bool CSpectrumAnalyzerDSA::CheckStatus() {
    if (!IsLogAnalyzerErrorsSwitchSet()) {
        return true;
    }
    m_errorFlag = 0;
    if (WriteCommand("SYST:ERR?\n") < 0) {
        return false;
    }
    const std::string reply = ReadReply(2047);
    if (m_lastStatus < 0) {
        return false;
    }
    if (!reply.empty() && reply.front() == '0') {
        FlushBuffers();
        return m_lastStatus >= 0;
    }
    // One line of the log for one reply, however long the instrument's text.
    std::string firstLine = reply.substr(0, reply.find('\n'));
    if (!firstLine.empty() && firstLine.back() == '\r') {
        firstLine.pop_back();
    }
    firstLine.resize(std::min(firstLine.size(), kMostLoggedReply));
    AddInformationMessage(
        1, FormatC("The spectrum analyser failed a status check, with error code %s.", firstLine.c_str()));
    return false;
}

bool CSpectrumAnalyzerDSA::SetupSpectrumAnalyzer() {
    return SendStatusOnly("*CLS\n") &&
           SendVerifiedAll({"*RST\n", ":CONFigure:SANalyzer\n", ":DISP:ENAB ON\n", ":CAL:AUTO OFF\n",
                            ":TRIGger:SEQuence:SOURce Immediate\n", ":Initiate:Continuous on\n"});
}

bool CSpectrumAnalyzerDSA::SetPreAmp(bool on) {
    if (!on) {
        m_preAmpState = 0;
        return SendVerified(":SENSe:POWer:RF:GAIN:STATe OFF\n");
    }
    if (WriteCommand(":SENSe:POWer:RF:GAIN:STATe ON\n") >= 0 &&
        WriteCommand(":SENSe:POWer:RF:GAIN:STATe?\n") >= 0) {
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
            m_preAmpState = used > 0 && state >= 0.0 && state <= 255.0 ? static_cast<uint8_t>(state) : 0;
        }
    }
    if (m_lastStatus < 0 || !PassesErrorCheck()) {
        m_commandValid = 0;
        return false;
    }
    return true;
}

bool CSpectrumAnalyzerDSA::SetInternalTriger(int32_t /*internal*/) {
    return SendVerifiedAll({":TRIGger:SEQuence:SOURce Immediate\n", ":Initiate:Continuous on\n"});
}

bool CSpectrumAnalyzerDSA::SetAutoSweep(int32_t on) {
    return on == 0 || SendVerifiedAll({":Sweep:Time:Auto on\n", ":Initiate:Continuous on\n"});
}

bool CSpectrumAnalyzerDSA::SetSweepTimeMs(int32_t ms) {
    return SendVerified(FormatC("Sweep:Time %f\n", static_cast<double>(ms) / 1000.0));
}

bool CSpectrumAnalyzerDSA::SetSweepTimeFloat(float ms) {
    return SendVerified(FormatC("Sweep:Time %f\n", static_cast<double>(ms / 1218.0f)));
}

bool CSpectrumAnalyzerDSA::GuardedReal(const std::string& query, double& value) {
    return QueryDouble(query, value);
}

int32_t CSpectrumAnalyzerDSA::ReadSweepTime() {
    return ReadSweepTimeFrom(":Sweep:Time?\n");
}

bool CSpectrumAnalyzerDSA::SetDetectorPositive(bool on) {
    return !on || SendVerified("DET POS\n");
}

bool CSpectrumAnalyzerDSA::SetAttenuation(float dB) {
    const int32_t whole = std::isfinite(dB) && std::fabs(dB) < 1e9f ? static_cast<int32_t>(dB) : 0;
    return SendVerified(FormatC(":POW:Attenuation %d\n", static_cast<int>(whole)));
}

bool CSpectrumAnalyzerDSA::SendSweepPoints(const char* format, int32_t count) {
    m_sweepPoints = count;
    if (!SendVerified(FormatC(format, static_cast<int>(count)))) {
        return false;
    }
    ReadSweepPoints();
    return IsQueryValid();
}

bool CSpectrumAnalyzerDSA::SetSweepPoints(int32_t count) {
    return SendSweepPoints(":Sweep:Points %d\n", ClampSweepPoints(count));
}

bool CSpectrumAnalyzerDSA::SetSpectralSweepPoints(int32_t /*count*/) {
    return SendSweepPoints(":Sweep:Points %d\n", 5);
}

int32_t CSpectrumAnalyzerDSA::ReadPointCount(const std::string& query) {
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

int32_t CSpectrumAnalyzerDSA::ReadSweepPoints() {
    return ReadPointCount(":Sweep:Points?\n");
}

bool CSpectrumAnalyzerDSA::SetSpan(float mhz) {
    return SendVerified(":Frequency:Span " + Hz(mhz) + "\n");
}

float CSpectrumAnalyzerDSA::ReadSpan() {
    return QueryMhz(":Frequency:Span?\n");
}

bool CSpectrumAnalyzerDSA::SetResolution(float mhz) {
    return SendVerifiedAll(
        {":SENSe:BANDwidth:RESolution " + Hz(mhz) + "\n", ":Bandwidth:Video " + Hz(mhz) + "\n"});
}

float CSpectrumAnalyzerDSA::ReadResolution() {
    return QueryMhz("SENSe:BANDwidth:RESolution?\n");
}

bool CSpectrumAnalyzerDSA::SetCenterFrequency(float mhz) {
    return SendVerified(":Frequency:Center " + Hz(mhz) + "\n");
}

float CSpectrumAnalyzerDSA::ReadCenterFrequency() {
    return QueryMhz(":Frequency:Center?\n");
}

bool CSpectrumAnalyzerDSA::SetReferenceLevel(float level) {
    return SendVerified(FormatC(":Display:Window:Trace:y:RLevel %f \n", static_cast<double>(level)));
}

float CSpectrumAnalyzerDSA::ReadReferenceLevel() {
    double level = 0.0;
    GuardedReal(":Display:Window:Trace:y:RLevel?\n", level);
    return static_cast<float>(level);
}

bool CSpectrumAnalyzerDSA::SetUnit(const std::string& unit) {
    return SendVerified(":UNIT:POWER " + unit + "\n");
}

bool CSpectrumAnalyzerDSA::SetTraceFormat() {
    return SendVerifiedAll({":FORMAT:DATA REAL,32\n", ":FORMAT:BORD SWAP\n"});
}

bool CSpectrumAnalyzerDSA::SetContinuousSweep(bool single) {
    return !single || SendVerified(":Initiate:Continuous off\n");
}

bool CSpectrumAnalyzerDSA::SetMarkerCount(bool on) {
    return SendVerified(on ? ":Calculate:Marker:FCount on\n" : ":Calculate:Marker:FCount off\n");
}

bool CSpectrumAnalyzerDSA::MarkPeak() {
    return SendVerified(":CALCulate:MARKer1:MAXimum:MAX\n");
}

float CSpectrumAnalyzerDSA::ReadMarkerFrequency(int32_t /*counter*/) {
    return QueryMhz(":Calculate:Marker1:X?\n");
}

float CSpectrumAnalyzerDSA::ReadPeakAmplitude() {
    double level = 0.0;
    GuardedReal(":Calculate:Marker1:Y?\n", level);
    return static_cast<float>(level);
}

bool CSpectrumAnalyzerDSA::SweepAndWait() {
    return SetContinuousSweep(true) && SendStatusOnly(":INIT; *WAI\n");
}

const float* CSpectrumAnalyzerDSA::ReadTraceBlockAfter(const std::string& query) {
    m_queryValid = 1;
    if (m_sweepPoints < 0 || m_sweepPoints > kMaxTracePoints || WriteCommand(query) < 0) {
        m_queryValid = 0;
        return nullptr;
    }
    return ReadReal32Trace(m_sweepPoints, false);
}

const float* CSpectrumAnalyzerDSA::QueryScan() {
    return ReadTraceBlockAfter(":Trace? trace1\n");
}

void CSpectrumAnalyzerDSA::WaitSettle(float /*rbw*/) {
    ClockSleep(std::chrono::milliseconds(1000));
}

int32_t CSpectrumAnalyzerDSA::GetRbwTimingA(float rbw) {
    return CSpectrumAnalyzerFSV3::Fsv3RbwTables().timingA.Apply(rbw, m_scanSetup);
}

int32_t CSpectrumAnalyzerDSA::GetRbwTimingB(float rbw) {
    return TimingB().ValueFor(rbw);
}

int32_t CSpectrumAnalyzerDSA::GetGateLength(float rbw) {
    m_gateLength = CSpectrumAnalyzerFSV3::Fsv3RbwTables().gateLength.Apply(rbw, m_scanSetup);
    return m_gateLength;
}

int32_t CSpectrumAnalyzerDSA::GetRbwValueB(float rbw) {
    return rbw == 0.3f || rbw == 1.0f ? 100 : 2;
}

int32_t CSpectrumAnalyzerDSA::GetCellsPerSweep(float /*rbw*/) {
    return static_cast<int32_t>(
        std::min<int64_t>(GetActiveProbeCellCount(), std::numeric_limits<int32_t>::max()));
}

} // namespace orv
