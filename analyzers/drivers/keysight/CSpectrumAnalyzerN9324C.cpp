#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9324C.h"

#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9020A.h"
#include "platform/CLocale.h"

namespace orv {

namespace {

constexpr XSeriesModelRow kN9324C{"N9324C", true, 5000, 0.009, 3000, 0.00001, 1,
                                  0.000031, 461,  461,  461,   0,    false};

} // namespace

CSpectrumAnalyzerN9324C::CSpectrumAnalyzerN9324C() : CSpectrumAnalyzerN9320B(kN9324C) {}

XSeriesRbwTables CSpectrumAnalyzerN9324C::RbwTables() const {
    return CSpectrumAnalyzerN9020A::MxaRbwTables();
}

int32_t CSpectrumAnalyzerN9324C::GetGateDelay() {
    m_gateDelay = CSpectrumAnalyzerN9020A::MxaGateDelayTable().ValueFor(ReadResolution());
    return m_gateDelay;
}

bool CSpectrumAnalyzerN9324C::SetInternalTriger(int32_t /*internal*/) {
    return SendStatusOnly(":Trigger:Source Immediate\n") && SendVerified(":Initiate:Continuous on;\n");
}

bool CSpectrumAnalyzerN9324C::SetupSpectrumAnalyzer() {
    return SendStatusOnly("*CLS;\n") && SendVerified("*RST;\n");
}

bool CSpectrumAnalyzerN9324C::SetReferenceLevel(float level) {
    if (!CheckStatus()) {
        m_commandValid = 0;
        return false;
    }
    const double dBm = static_cast<double>(level) - static_cast<double>(kDbmToDbuv);
    if (WriteCommand(FormatC(":Display:Window:Trace:Y:RLEV %f;\n", dBm)) < 0 || m_errorFlag == 1) {
        m_commandValid = 0;
        return false;
    }
    return SendStatusOnly("*CLS;\n");
}

float CSpectrumAnalyzerN9324C::ReadReferenceLevel() {
    double dBm = 0.0;
    QueryReal(":Display:Window:Trace:y:RLEV?;\n", dBm);
    return static_cast<float>(dBm) + kDbmToDbuv;
}

bool CSpectrumAnalyzerN9324C::SetMarkerCount(bool on) {
    return SendVerified(on ? ":CALCulate:MARKer1:STATe 1;\n" : ":CALCulate:MARKer1:STATe 0;\n");
}

bool CSpectrumAnalyzerN9324C::MarkPeak() {
    return SendVerified(":CALCulate:MARKer1:MAXimum;\n");
}

float CSpectrumAnalyzerN9324C::ReadMarkerFrequency(int32_t /*counted*/) {
    return QueryMhz(":CALCulate:MARKer1:X?\n");
}

float CSpectrumAnalyzerN9324C::ReadPeakAmplitude() {
    double dBm = 0.0;
    if (!QueryReal(":CALCulate:MARKer1:Y?\n", dBm)) {
        return static_cast<float>(dBm);
    }
    return static_cast<float>(dBm) + kDbmToDbuv;
}

bool CSpectrumAnalyzerN9324C::SweepAndWait() {
    return SweepAndWaitForOpc(true);
}

bool CSpectrumAnalyzerN9324C::ReadTraceBytes(unsigned char* buffer, size_t capacity, size_t& length) {
    const size_t most = static_cast<size_t>(m_sweepPoints) * 4 + kMostBlockExtraBytes;
    return ReadRawBlock(buffer, most < capacity ? most : capacity, length);
}

} // namespace orv
