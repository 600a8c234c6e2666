#include "analyzers/drivers/rigol/CSpectrumAnalyzerRSA.h"

#include "analyzers/drivers/rs/CSpectrumAnalyzerFSL.h"
#include "platform/CLocale.h"
#include "platform/clock/Clock.h"

#include <chrono>
#include <cmath>

namespace orv {

namespace {

RigolModelRow RsaRow() {
    return {"RIGOL RSA", 801, 10001, 101, 50, 0.00001, "GatedSweep"};
}

std::string WholeHzText(const char* head, float mhz) {
    return FormatC("%s%lld;\n", head, static_cast<long long>(CSpectrumAnalyzerRSA::WholeHz(mhz)));
}

} // namespace

CSpectrumAnalyzerRSA::CSpectrumAnalyzerRSA() : CSpectrumAnalyzerDSA(RsaRow()) {}

int64_t CSpectrumAnalyzerRSA::WholeHz(float mhz) {
    const float hz = HzOf(mhz);
    // Far beyond any analyser; what does not fit is no frequency at all.
    if (!std::isfinite(hz) || std::fabs(hz) >= 9.0e18f) {
        return 0;
    }
    return static_cast<int64_t>(hz);
}

bool CSpectrumAnalyzerRSA::SetupSpectrumAnalyzer() {
    // A short sweep, then a preset behind a "*WAI": an instrument that holds the preset until the
    // sweep is done keeps the writes waiting its 0.5 s.
    for (const char* command :
         {"FREQ:CENTER 200 MHz\n", "FREQ:SPAN 100 MHz\n", "BAND 120 kHz\n", "SWE:TIME 0.5\n"}) {
        WriteCommand(command);
    }
    const Clock::TimePoint start = ClockNow();
    WriteCommand("INIT; *WAI\n");
    WriteCommand("*RST\n");
    m_waitMode = ElapsedMilliseconds(start) >= kWaitModeMs ? 1 : 0;
    if (!SendVerified("*CLS;\n")) {
        return false;
    }
    if (QueryInstrumentMode() != "SA" && !SelectAnalyzerMode()) {
        return false;
    }
    return SendVerifiedAll({":CONFigure:SANalyzer;\n", ":DISP:ENAB ON;\n", ":CAL:AUTO OFF;\n",
                            ":TRIGger:SEQuence:SOURce Immediate;\n"});
}

bool CSpectrumAnalyzerRSA::SelectAnalyzerMode() {
    if (!SendStatusOnly("INST:SEL \"SA\"; *WAI;\n")) {
        return false;
    }
    // Asked again each round until the instrument reports the switch done; bounded, and the user is
    // asked at the bound.
    if (!PollUntilOne("*OPC?\n", true)) {
        return false;
    }
    ClockSleep(std::chrono::milliseconds(kModeSwitchPauseMs));
    if (!PassesErrorCheck()) {
        m_commandValid = 0;
        return false;
    }
    return true;
}

bool CSpectrumAnalyzerRSA::SetPreAmp(bool on) {
    m_preAmpState = on ? 1 : 0;
    return SendVerified(on ? ":SENSe:POWer:RF:GAIN:STATe 1;\n" : ":SENSe:POWer:RF:GAIN:STATe 0;\n");
}

bool CSpectrumAnalyzerRSA::SetInternalTriger(int32_t /*internal*/) {
    return SendVerified(":TRIGger:SEQuence:SOURce Immediate;\n");
}

bool CSpectrumAnalyzerRSA::SetAutoSweep(int32_t on) {
    return on == 0 || SendVerified(":Sweep:Time:Auto on;\n");
}

bool CSpectrumAnalyzerRSA::SetSweepTimeMs(int32_t ms) {
    return SendVerified(FormatC("Sweep:Time %f;\n", static_cast<double>(ms) / 1000.0));
}

int32_t CSpectrumAnalyzerRSA::ReadSweepTime() {
    return ReadSweepTimeFrom(":Sweep:Time?;\n");
}

bool CSpectrumAnalyzerRSA::SetDetectorPositive(bool on) {
    return !on || SendVerified("DET POS;\n");
}

bool CSpectrumAnalyzerRSA::SetAttenuation(float dB) {
    const int32_t whole = std::isfinite(dB) && std::fabs(dB) < 1e9f ? static_cast<int32_t>(dB) : 0;
    return SendVerified(FormatC(":POW:Attenuation %d;\n", static_cast<int>(whole)));
}

bool CSpectrumAnalyzerRSA::SetSweepPoints(int32_t count) {
    return SendSweepPoints(":Sweep:Points %d;\n", ClampSweepPoints(count));
}

bool CSpectrumAnalyzerRSA::SetSpectralSweepPoints(int32_t /*count*/) {
    return SendSweepPoints(":Sweep:Points %d;\n", 5);
}

int32_t CSpectrumAnalyzerRSA::ReadSweepPoints() {
    return ReadPointCount(":Sweep:Points?;\n");
}

bool CSpectrumAnalyzerRSA::SetSpan(float mhz) {
    return SendVerified(WholeHzText(":Frequency:Span ", mhz));
}

float CSpectrumAnalyzerRSA::ReadSpan() {
    return QueryMhz(":Frequency:Span?;\n", HzForm::Whole);
}

bool CSpectrumAnalyzerRSA::SetResolution(float mhz) {
    return SendVerifiedAll(
        {WholeHzText(":SENSe:BANDwidth:RESolution ", mhz), WholeHzText(":Bandwidth:Video ", mhz)});
}

float CSpectrumAnalyzerRSA::ReadResolution() {
    return QueryMhz("SENSe:BANDwidth:RESolution?;\n", HzForm::Whole);
}

bool CSpectrumAnalyzerRSA::SetCenterFrequency(float mhz) {
    return SendVerified(WholeHzText(":SENSe:FREQuency:CENTer ", mhz));
}

float CSpectrumAnalyzerRSA::ReadCenterFrequency() {
    return QueryMhz(":Frequency:Center?;\n", HzForm::Whole);
}

bool CSpectrumAnalyzerRSA::SetReferenceLevel(float level) {
    return SendVerified(FormatC(":Display:Window:Trace:y:RLevel %f ;\n", static_cast<double>(level)));
}

float CSpectrumAnalyzerRSA::ReadReferenceLevel() {
    double level = 0.0;
    GuardedReal(":DISPlay:WINdow:TRACe:Y:RLevel?;\n", level);
    return static_cast<float>(level);
}

bool CSpectrumAnalyzerRSA::SetUnit(const std::string& unit) {
    return SendVerified(":UNIT:POWER " + unit + " ;\n");
}

bool CSpectrumAnalyzerRSA::SetTraceFormat() {
    return SendVerifiedAll({":FORMAT:DATA REAL, 32;\n", ":FORMAT:BORD SWAP;\n"});
}

bool CSpectrumAnalyzerRSA::SetMarkerCount(bool on) {
    return SendVerified(on ? ":Calculate:Marker1:FCount on;\n" : ":Calculate:Marker1:FCount off;\n");
}

bool CSpectrumAnalyzerRSA::MarkPeak() {
    return SendVerified(":CALCulate:MARKer1:MAXimum:MAX;\n");
}

float CSpectrumAnalyzerRSA::ReadMarkerFrequency(int32_t /*counter*/) {
    return QueryMhz(":Calculate:Marker1:X?;\n");
}

float CSpectrumAnalyzerRSA::ReadPeakAmplitude() {
    double level = 0.0;
    GuardedReal(":Calculate:Marker1:Y?;\n", level);
    return static_cast<float>(level);
}

bool CSpectrumAnalyzerRSA::SweepAndWait() {
    if (!SetContinuousSweep(true) || !SendStatusOnly("INIT\n")) {
        return false;
    }
    if (m_waitMode != 0) {
        WaitForOperationComplete();
    } else {
        WaitForCompletion();
    }
    if (m_lastStatus < 0) {
        m_commandValid = 0;
        return false;
    }
    return true;
}

const float* CSpectrumAnalyzerRSA::QueryScan() {
    return ReadTraceBlockAfter("TRACE? trace1\n");
}

int32_t CSpectrumAnalyzerRSA::GetRbwTimingA(float /*rbw*/) {
    ClockSleep(std::chrono::milliseconds(100));
    return 0;
}

int32_t CSpectrumAnalyzerRSA::GetRbwTimingB(float rbw) {
    return CSpectrumAnalyzerFSL::FslRbwTables().timingB.Apply(rbw, m_scanSetup);
}

int32_t CSpectrumAnalyzerRSA::GetGateLength(float rbw) {
    m_gateLength = CSpectrumAnalyzerFSL::FslRbwTables().gateLength.Apply(rbw, m_scanSetup);
    return m_gateLength;
}

} // namespace orv
