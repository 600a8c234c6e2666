#include "analyzers/drivers/rs/CSpectrumAnalyzerZND.h"

#include "analyzers/AnalyzerSwitches.h"
#include "analyzers/drivers/rs/CSpectrumAnalyzerFSV3.h"
#include "analyzers/drivers/scpi/ScpiBlockData.h"
#include "platform/CLocale.h"
#include "platform/ui/PromptDeferral.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace orv {

namespace {

using namespace visa;

RsModelRow ModelRow() {
    return {"R&S-ZND", 5001, CSpectrumAnalyzerZND::kMaxPoints, 1, 50, 0.000001, 2, "", -1.0, {}};
}

} // namespace

CSpectrumAnalyzerZND::CSpectrumAnalyzerZND() : CSpectrumAnalyzerFSL(ModelRow()) {}

RsRbwTables CSpectrumAnalyzerZND::RbwTables() const {
    const RsRbwTables fsl = FslRbwTables();
    return {fsl.timingA, fsl.timingB, CSpectrumAnalyzerFSV3::Fsv3RbwTables().gateLength};
}

bool CSpectrumAnalyzerZND::CheckStatus() {
    if (!IsLogAnalyzerErrorsSwitchSet()) {
        FlushBuffers();
        return true;
    }
    m_errorFlag = 0;
    if (WriteCommand(":SYST:ERR?;\n") < 0) {
        return false;
    }
    const std::string reply = ReadReply(127);
    if (m_lastStatus < 0) {
        return false;
    }
    // An empty queue answers with a lone line feed on some firmware.
    if ((!reply.empty() && reply.front() == '\n') || reply == "0,\"No error\"\n") {
        FlushBuffers();
        return m_lastStatus >= 0;
    }
    return false;
}

bool CSpectrumAnalyzerZND::SetupSpectrumAnalyzer() {
    if (!SendVerifiedAll({"*RST;\n", "*CLS;\n"})) {
        return false;
    }
    m_vi.viFlush(m_session, kFlushWriteBuffer);
    m_vi.viFlush(m_session, kFlushReadBuffer);
    if (!SendVerifiedAll({":SYST:DISP:UPD ON;\n", "CALC1:PAR:SDEF \"VXT\", \"S12\";\n"})) {
        return false;
    }
    if (!SendStatusOnly("DISP:WIND1:STAT ON;\n")) {
        return false;
    }
    return SendVerified("DISP:WIND1:TRAC2:FEED \"VXT\";\n");
}

bool CSpectrumAnalyzerZND::SetInternalTriger(int32_t /*internal*/) {
    return SendVerified(":Trigger:Source Immediate; :Initiate:Continuous on;\n");
}

bool CSpectrumAnalyzerZND::SetAttenuation(float dB) {
    if (dB != 0.0f) {
        // Told, not refused: the scan goes on without the attenuation.
        const std::stop_token stop =
            m_scanSetup != nullptr ? m_scanSetup->GetScanStopToken() : std::stop_token();
        PostPrompt({kAttenuationWarning, "", PromptButtons::Ok, PromptIcon::Warning}, stop);
    }
    return true;
}

bool CSpectrumAnalyzerZND::SendPoints(int32_t count) {
    m_sweepPoints = count;
    if (!SendVerified(FormatC("SWE:POIN %d\n", static_cast<int>(count)))) {
        return false;
    }
    ReadSweepPoints();
    return IsQueryValid();
}

bool CSpectrumAnalyzerZND::SetSweepPoints(int32_t count) {
    return SendPoints(ClampSweepPoints(count));
}

bool CSpectrumAnalyzerZND::SetSpectralSweepPoints(int32_t /*count*/) {
    return SendPoints(5);
}

int32_t CSpectrumAnalyzerZND::ReadSweepPoints() {
    return ReadPointCount(":SWE:POIN?\n");
}

bool CSpectrumAnalyzerZND::SetSpan(float mhz) {
    // A zero span is no span for the network analyser: the narrowest it takes.
    const float span = std::isnan(mhz) ? mhz : std::max(mhz, 0.000001f);
    return SendVerified(FormatC(":Frequency:Span %f MHZ;\n", static_cast<double>(span)));
}

bool CSpectrumAnalyzerZND::SetResolution(float mhz) {
    return SendVerified(FormatC(":Bandwidth %f MHZ;\n", static_cast<double>(mhz)));
}

bool CSpectrumAnalyzerZND::SetTraceFormat() {
    return SendVerifiedAll({"FORM REAL, 32;\n", "CALC1:FORM MAGN;\n"});
}

bool CSpectrumAnalyzerZND::SetMarkerCount(bool on) {
    return SendVerified(on ? "CALC:MARK ON;\n" : "CALC:MARK OFF;\n");
}

bool CSpectrumAnalyzerZND::MarkPeak() {
    return SendVerifiedAll({"CALC1:MARK ON\n", "CALC1:MARK:FUNC:EXEC MAX\n"});
}

float CSpectrumAnalyzerZND::ReadMarkerFrequency(int32_t /*counter*/) {
    return QueryMhz("CALC:MARK:X?\n");
}

bool CSpectrumAnalyzerZND::SweepAndWait() {
    if (!SetContinuousSweep(true)) {
        return false;
    }
    if (WriteCommand("SWE:TIME?;\n") < 0) {
        m_commandValid = 0;
        return false;
    }
    double seconds = 0.0;
    m_lastStatus = m_vi.viScanf(m_session, "%lf", &seconds);
    DropRestOfReply();
    if (m_lastStatus < 0 || !CheckStatus()) {
        m_commandValid = 0;
        return false;
    }
    // The trace read waits for the sweep: two seconds beyond 1.1 times its time. A time that gives
    // no usable wait is a failed sweep rather than a read that never waits or waits for ever.
    const double timeout = std::trunc(2000.0 + 1100.0 * seconds);
    if (!std::isfinite(timeout) || timeout < 0.0 ||
        timeout > static_cast<double>(std::numeric_limits<int32_t>::max())) {
        m_commandValid = 0;
        return false;
    }
    m_traceReadTimeoutMs = static_cast<int32_t>(timeout);
    if (WriteCommand(":INIT1; *WAI;\n") < 0) {
        m_commandValid = 0;
        return false;
    }
    return true;
}

const float* CSpectrumAnalyzerZND::QueryScan() {
    if (CanCallVisa()) {
        m_vi.viFlush(m_session, kFlushReadBuffer);
    }
    m_queryValid = 1;
    if (m_sweepPoints < 1 || m_sweepPoints > kMaxPoints ||
        WriteCommand("CALC1:DATA:TRAC? \"VXT\", FDAT;\n") < 0) {
        m_queryValid = 0;
        return nullptr;
    }
    const auto bytes = static_cast<size_t>(m_sweepPoints) * 4;
    std::vector<unsigned char>& block = RawBlock();
    block.resize(static_cast<size_t>(kMaxPoints) * 4);
    size_t length = 0;
    // The "#" comes when the sweep is done; the rest of the block follows at once. A block shorter
    // than the trace would leave values unmeasured; the line feed after it is consumed inside.
    if (!ReadRawBlock(block.data(), block.size(), length, static_cast<uint32_t>(m_traceReadTimeoutMs)) ||
        length < bytes || !CheckStatus() || m_errorFlag == 1) {
        m_queryValid = 0;
        return nullptr;
    }
    m_traceA.resize(static_cast<size_t>(m_sweepPoints));
    DecodeLittleEndianSingles(block.data(), bytes, m_traceA.data(), m_traceA.size());
    return m_traceA.data();
}

} // namespace orv
