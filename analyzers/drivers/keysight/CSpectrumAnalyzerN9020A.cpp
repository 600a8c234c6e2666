#include "analyzers/drivers/keysight/CSpectrumAnalyzerN9020A.h"

#include "platform/CLocale.h"
#include "platform/log/InformationLog.h"

#include <algorithm>
#include <limits>

namespace orv {

namespace {

using namespace visa;
using R = RbwComparison;
using std::chrono::milliseconds;

constexpr XSeriesModelRow kN9020A{"N9020A", true,  5000, 0.00002, 26500, 0.00001, 10,
                                  -1.0,     40001, 101,  40001,   0,     false};
constexpr XSeriesModelRow kN9020B{"N9020B", true,   5000, 0.00001, 50000, 0.000001, 8,
                                  -1.0,     100001, 1,    100001,  0,     false};
constexpr XSeriesModelRow kN9030A{"N9030A", false, 50000, 0.000003, 26500, 0.00001, 10,
                                  -1.0,     40001, 101,   40001,    3,     false};
constexpr XSeriesModelRow kN9030B{"N9030B", false, 50000, 0.000003, 50000, 0.00001, 10,
                                  -1.0,     40001, 101,   40001,    3,     false};

const RbwRuleTable& N9020TimingA() {
    static const RbwRuleTable table({{R::AtLeast, 0.03f, 1},
                                     {R::AtLeast, 0.01f, 2},
                                     {R::AtLeast, 0.003f, 8},
                                     {R::AtLeast, 0.001f, 30},
                                     {R::Equal, 0.0003f, 300},
                                     {R::Equal, 0.0001f, 250}},
                                    1);
    return table;
}
const RbwRuleTable& N9020TimingB() {
    static const RbwRuleTable table({{R::Equal, 0.01f, 3},
                                     {R::Equal, 0.0091f, 3},
                                     {R::Equal, 0.003f, 3},
                                     {R::Equal, 0.001f, 11},
                                     {R::Equal, 0.0003f, 27},
                                     {R::Equal, 0.0001f, 50}},
                                    1);
    return table;
}
const RbwRuleTable& N9020Gate() {
    static const RbwRuleTable table({{R::Equal, 0.01f, 200},
                                     {R::Equal, 0.0091f, 200},
                                     {R::Equal, 0.003f, 200},
                                     {R::Equal, 0.001f, 500},
                                     {R::Equal, 0.0003f, 700},
                                     {R::Equal, 0.0001f, 5000}},
                                    100);
    return table;
}
const RbwRuleTable& N9020Delay() {
    static const RbwRuleTable table(
        {{R::Equal, 0.01f, 100}, {R::Equal, 0.003f, 100}, {R::Equal, 0.001f, 500}, {R::Equal, 0.0003f, 2000}},
        0);
    return table;
}

const RbwRuleTable& N9030TimingA() {
    static const RbwRuleTable table({{R::AtLeast, 0.03f, 1},
                                     {R::AtLeast, 0.01f, 2},
                                     {R::AtLeast, 0.003f, 8},
                                     {R::AtLeast, 0.001f, 30},
                                     {R::Equal, 0.0003f, 100},
                                     {R::Equal, 0.0001f, 250}},
                                    1);
    return table;
}
const RbwRuleTable& N9030TimingB() {
    static const RbwRuleTable table({{R::Equal, 0.01f, 3},
                                     {R::Equal, 0.003f, 3},
                                     {R::Equal, 0.001f, 11},
                                     {R::Equal, 0.0003f, 27},
                                     {R::Equal, 0.0001f, 220}},
                                    1);
    return table;
}
const RbwRuleTable& N9030Gate() {
    static const RbwRuleTable table({{R::Equal, 0.01f, 200},
                                     {R::Equal, 0.003f, 200},
                                     {R::Equal, 0.001f, 500},
                                     {R::Equal, 0.0003f, 700},
                                     {R::Equal, 0.0001f, 1000}},
                                    150);
    return table;
}
const RbwRuleTable& N9030Delay() {
    static const RbwRuleTable table({{R::Equal, 0.01f, 100},
                                     {R::Equal, 0.003f, 100},
                                     {R::Equal, 0.001f, 500},
                                     {R::Equal, 0.0003f, 2000},
                                     {R::Equal, 0.0001f, 5000}},
                                    0);
    return table;
}

} // namespace

CSpectrumAnalyzerN9020A::CSpectrumAnalyzerN9020A() : CSpectrumAnalyzerN9020A(kN9020A) {}
CSpectrumAnalyzerN9020A::CSpectrumAnalyzerN9020A(const XSeriesModelRow& row) : CSpectrumAnalyzerN9010A(row) {}
CSpectrumAnalyzerN9020B::CSpectrumAnalyzerN9020B() : CSpectrumAnalyzerN9020A(kN9020B) {}
CSpectrumAnalyzerN9030A::CSpectrumAnalyzerN9030A() : CSpectrumAnalyzerN9030A(kN9030A) {}
CSpectrumAnalyzerN9030A::CSpectrumAnalyzerN9030A(const XSeriesModelRow& row) : CSpectrumAnalyzerN9020A(row) {}
CSpectrumAnalyzerN9030B::CSpectrumAnalyzerN9030B() : CSpectrumAnalyzerN9030A(kN9030B) {}

XSeriesRbwTables CSpectrumAnalyzerN9020A::MxaRbwTables() {
    return {N9020TimingA(), N9020TimingB(), N9020Gate()};
}

const RbwRuleTable& CSpectrumAnalyzerN9020A::MxaGateDelayTable() {
    return N9020Delay();
}

XSeriesRbwTables CSpectrumAnalyzerN9020A::RbwTables() const {
    return MxaRbwTables();
}

const RbwRuleTable& CSpectrumAnalyzerN9020A::GateDelayTable() const {
    return MxaGateDelayTable();
}

XSeriesRbwTables CSpectrumAnalyzerN9030A::RbwTables() const {
    return {N9030TimingA(), N9030TimingB(), N9030Gate()};
}

const RbwRuleTable& CSpectrumAnalyzerN9030A::GateDelayTable() const {
    return N9030Delay();
}

bool CSpectrumAnalyzerN9020A::CheckStatus() {
    m_errorFlag = 0;
    if (WriteCommand(":SYST:ERR?;\n") < 0) {
        return false;
    }
    int32_t code = 0;
    m_lastStatus = m_vi.viScanf(m_session, "%d", &code);
    if (m_lastStatus < 0) {
        return false;
    }
    if (IsReportedError(code)) {
        m_errorFlag = 1;
    }
    // The error text after the code goes with the read buffer.
    const Status read = m_vi.viFlush(m_session, kFlushReadBuffer);
    const Status written = m_vi.viFlush(m_session, kFlushWriteBuffer);
    m_lastStatus = read < 0 ? read : written;
    return read >= 0 && written >= 0;
}

bool CSpectrumAnalyzerN9020A::SetupSpectrumAnalyzer() {
    return SendSetupCommands(false);
}

bool CSpectrumAnalyzerN9020A::SetPreAmp(bool on) {
    return SendPreAmp(on, false);
}

bool CSpectrumAnalyzerN9020A::SweepAndWaitForOpc(milliseconds pause, bool pointsMustHold) {
    if (!SetContinuousSweep(true)) {
        return false;
    }
    if (!SendStatusOnly(":INIT;\n") || !PollUntilOne("*OPC?;\n", false, pause)) {
        return false;
    }
    if (pointsMustHold) {
        const int32_t held = m_sweepPoints;
        const int32_t read = ReadSweepPoints();
        const bool valid = IsQueryValid();
        m_sweepPoints = held;
        if (!valid || read != held) {
            m_commandValid = 0;
            AddInformationMessage(
                1, FormatC("Spectrum analyzer: %d sweep points read back after the sweep, %d set.",
                           static_cast<int>(read), static_cast<int>(held)));
            return false;
        }
    }
    if (m_lastStatus < 0 || !PassesErrorCheck()) {
        m_commandValid = 0;
        return false;
    }
    return true;
}

bool CSpectrumAnalyzerN9020A::SweepAndWait() {
    // The poll's shortest pause, so that its bound is measured.
    return SweepAndWaitForOpc(kDefaultPollPause, false);
}

bool CSpectrumAnalyzerN9020A::TriggeredSweepWaiting() {
    if (!SetContinuousSweep(true)) {
        return false;
    }
    if (!SendStatusOnly(":Trigger:Source External1;\n") || !SendStatusOnly(":INIT;\n")) {
        return false;
    }
    if (!PollForTriggerArmed()) {
        return false;
    }
    return SendStatusOnly(":Trigger:Source Immediate;\n") && SendStatusOnly(":INIT; *WAI;\n");
}

bool CSpectrumAnalyzerN9020A::TriggeredSweep() {
    return TriggeredSweepWaiting();
}

int32_t CSpectrumAnalyzerN9020A::GetGateDelay() {
    m_gateDelay = GateDelayTable().ValueFor(ReadResolution());
    return m_gateDelay;
}

bool CSpectrumAnalyzerN9030A::SetInternalTriger(int32_t internal) {
    if (internal != 0) {
        return CSpectrumAnalyzerN9010A::SetInternalTriger(internal);
    }
    const float rbw = ReadResolution();
    if (IsQueryValid() && rbw == kNarrowRbw) {
        return SendVerified(":Trigger:RF:Source Immediate;\n");
    }
    return SendGateSequence();
}

bool CSpectrumAnalyzerN9030A::SetSweepTimeFloat(float /*ms*/) {
    const float rbw = ReadResolution();
    if (IsQueryValid() && rbw == kNarrowRbw) {
        return true;
    }
    return SendSweepTimeFromGate();
}

bool CSpectrumAnalyzerN9030A::SetSpectralSweepPoints(int32_t cells) {
    const float rbw = ReadResolution();
    const bool narrow = IsQueryValid() && rbw <= kNarrowRbw;
    int32_t points = m_row.narrowRbwPointCount;
    if (!narrow) {
        const int64_t wanted = static_cast<int64_t>(GetPointsPerCell()) * cells + 1;
        points = ClampSweepPoints(
            wanted > std::numeric_limits<int32_t>::max() ? -1 : static_cast<int32_t>(wanted));
    }
    m_sweepPoints = points;
    if (!SendVerified(FormatC(":Sweep:Points %d ;\n", static_cast<int>(points)))) {
        return false;
    }
    if (narrow) {
        // The marker follows the centre; a failure is noted and the set-up goes on.
        SendStatusOnly(":Calculate:Marker1:CENT;\n");
    }
    ReadSweepPoints();
    if (!IsQueryValid() || !PassesErrorCheck()) {
        m_commandValid = 0;
        return false;
    }
    return true;
}

bool CSpectrumAnalyzerN9030A::SetResolution(float mhz) {
    m_requestedRbw = mhz;
    if (!SendStatusOnly(FormatC(":Bandwidth %f MHZ;\n", static_cast<double>(mhz)))) {
        return false;
    }
    double video = mhz;
    if (mhz != kNarrowRbw) {
        if (!SendStatusOnly(":SENS:CORR:NOIS:FLO OFF;\n")) {
            return false;
        }
    } else {
        video = 0.000001;
        const float span = ReadSpan();
        if (IsQueryValid() && span == 0.0f) {
            if (!SetSpan(0.003f) || !SendStatusOnly(":Bandwidth 0.0001 MHZ;\n")) {
                return false;
            }
        }
        if (!SendStatusOnly(":SENS:CORR:NOIS:FLO ON;\n")) {
            return false;
        }
    }
    if (!PassesErrorCheck()) {
        m_commandValid = 0;
        return false;
    }
    return SendVerified(FormatC(":Bandwidth:Video %f MHZ;\n", video));
}

bool CSpectrumAnalyzerN9030A::SetCenterFrequency(float mhz) {
    return SendVerifiedAll({FormatC(":Frequency:Center %f MHZ;\n", static_cast<double>(mhz)),
                            ":IF:GAIN:SWEP OFF;\n", ":POW:GAIN ON;\n", ":POW:GAIN:BAND LOW;\n"});
}

bool CSpectrumAnalyzerN9030A::SetInputCoupling(bool dc) {
    if (WriteCommand(dc ? "INPut:COUPling DC;\n" : "INPut:COUPling AC;\n") < 0) {
        m_commandValid = 0;
        return false;
    }
    m_dcCoupled = dc ? 1 : 0;
    return true;
}

bool CSpectrumAnalyzerN9030A::IsDcCoupled(bool& dc) {
    if (WriteCommand("INPut:COUPling?;\n") < 0) {
        m_commandValid = 0;
        return false;
    }
    // The reply is one line ("AC" or "DC"); its first character decides.
    const std::string reply = ReadReply(128);
    if (m_lastStatus < 0) {
        m_commandValid = 0;
        return false;
    }
    DropRestOfReply();
    if (!reply.empty() && reply[0] == 'A') {
        dc = false;
        return true;
    }
    if (!reply.empty() && reply[0] == 'D') {
        dc = true;
        return true;
    }
    return false;
}

bool CSpectrumAnalyzerN9030A::SweepAndWait() {
    return SweepAndWaitForOpc(milliseconds(100), true);
}

} // namespace orv
