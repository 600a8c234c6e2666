#include "analyzers/drivers/siglent/CSpectrumAnalyzerSSA3075XR.h"

#include "analyzers/drivers/scpi/ScpiBlockData.h"
#include "platform/CLocale.h"
#include "platform/clock/Clock.h"
#include "platform/log/InformationLog.h"

#include <chrono>
#include <vector>

namespace orv {

namespace {

constexpr const char* kLogName = "SIGLENT SSA3075XR";

// The interface's own point count, gate length and smallest RBW: the model sets none of them.
RigolModelRow SsaRow() {
    return {kLogName, 401, 0, 0, 0, 0.0, ""};
}

} // namespace

CSpectrumAnalyzerSSA3075XR::CSpectrumAnalyzerSSA3075XR() : CSpectrumAnalyzerDSA(SsaRow()) {}

bool CSpectrumAnalyzerSSA3075XR::OpenConnection(const std::string& text) {
    AddInformationMessage(1, FormatC("Start to open connection to spectrum analyzer:: %s", kLogName));
    const bool opened = OpenSession(text, nullptr);
    // The open and the read-buffer mode as one result, as the other models log it.
    AddInformationMessage(1, FormatC(opened ? "Completed in opening connection to analyzer:: %s"
                                            : "Failed in opening connection to spectrum analyzer:: %s",
                                     kLogName));
    return opened;
}

bool CSpectrumAnalyzerSSA3075XR::SetupSpectrumAnalyzer() {
    return SendStatusOnly("*CLS\n") &&
           SendVerifiedAll({"*RST\n", ":INST:SEL SA\n", ":DISP:ENAB ON\n", ":Initiate:Continuous on\n"});
}

bool CSpectrumAnalyzerSSA3075XR::SetPreAmp(bool on) {
    return SendVerified(on ? "POW:GAIN ON\n" : "POW:GAIN OFF\n");
}

bool CSpectrumAnalyzerSSA3075XR::SetTrackingGeneration(bool on) {
    return SendStatusOnly(on ? ":OUTPUT ON\n" : ":OUTPUT OFF\n");
}

bool CSpectrumAnalyzerSSA3075XR::SetInternalTriger(int32_t /*internal*/) {
    return SendVerifiedAll({":TRIG:SOUR IMM\n", ":Initiate:Continuous on\n"});
}

int32_t CSpectrumAnalyzerSSA3075XR::ReadSweepPoints() {
    m_sweepPoints = kTracePoints;
    return m_sweepPoints;
}

float CSpectrumAnalyzerSSA3075XR::ReadReferenceLevel() {
    return CSpectrumAnalyzerDSA::ReadReferenceLevel() + kDbmToDbuv;
}

bool CSpectrumAnalyzerSSA3075XR::MarkPeak() {
    return SendVerified(":CALCulate:MARKer1:MAX\n");
}

const float* CSpectrumAnalyzerSSA3075XR::QueryScan() {
    if (m_sweepPoints < 0 || m_sweepPoints > kMaxTracePoints) {
        m_queryValid = 0;
        return nullptr;
    }
    const auto values = static_cast<size_t>(m_sweepPoints);
    // Zeros until values arrive: a short reply never leaves values of an earlier sweep in place.
    m_traceA.assign(values, 0.0f);
    m_queryValid = 1;
    if (WriteCommand(":Trace? trace1\n") < 0) {
        m_queryValid = 0;
        return nullptr;
    }
    // The values come bare: the termination character is off for them (a 0x0A byte among them would
    // end the read), and what follows them is dropped so that it never answers the next query.
    std::vector<unsigned char>& raw = RawBlock();
    raw.assign(values * 4, 0);
    size_t received = 0;
    const bool whole = ReadRawCount(raw.data(), raw.size(), received);
    if (whole) {
        DropRestOfReply();
    }
    DecodeLittleEndianSingles(raw.data(), received, m_traceA.data(), values);
    if (!whole || received != raw.size() || m_errorFlag == 1) {
        m_queryValid = 0;
    }
    return m_traceA.data();
}

void CSpectrumAnalyzerSSA3075XR::WaitSettle(float /*rbw*/) {
    ClockSleep(std::chrono::milliseconds(100));
}

} // namespace orv
