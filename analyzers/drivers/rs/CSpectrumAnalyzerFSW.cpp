#include "analyzers/drivers/rs/CSpectrumAnalyzerFSW.h"

#include "analyzers/CVisaConnection.h"

#include <algorithm>
#include <climits>

namespace orv {

namespace {

using namespace visa;
using R = RbwComparison;

const RbwRuleTable& TimingA() {
    static const RbwRuleTable table({{R::AtLeast, 0.03f, 0},
                                     {R::AtLeast, 0.01f, 10},
                                     {R::AtLeast, 0.003f, 20},
                                     {R::AtLeast, 0.001f, 100},
                                     {R::AtLeast, 0.0003f, 1000},
                                     {R::AtLeast, 0.0001f, 2500},
                                     {R::AtLeast, 0.000029f, 7500}},
                                    1);
    return table;
}

const RbwRuleTable& TimingB() {
    static const RbwRuleTable table({{R::AtLeast, 0.009f, 10},
                                     {R::AtLeast, 0.003f, 30},
                                     {R::AtLeast, 0.001f, 100},
                                     {R::AtLeast, 0.0003f, 210},
                                     {R::AtLeast, 0.0001f, 500},
                                     {R::AtLeast, 0.000029f, 1500}},
                                    0);
    return table;
}

const RbwRuleTable& Gate() {
    static const RbwRuleTable table({{R::AtLeast, 0.001f, 80},
                                     {R::AtLeast, 0.0003f, 500},
                                     {R::AtLeast, 0.0001f, 2000},
                                     {R::AtLeast, 0.000029f, 9000}},
                                    10);
    return table;
}

const RbwRuleTable& ValueA() {
    static const RbwRuleTable table({{R::Above, 0.0003f, 6}}, 12);
    return table;
}

RsModelRow ModelRow() {
    RsModelRow row{"R&S-FSW", 32001, 100001, 101, 50, 0.00003, 2, "GatedSweep", 0.00031, {}};
    row.externalTriggerSource = true;
    row.rbwPausesMs = {100, 1000, 2000};
    return row;
}

} // namespace

CSpectrumAnalyzerFSW::CSpectrumAnalyzerFSW() : CSpectrumAnalyzerFSL(ModelRow()) {}

RsRbwTables CSpectrumAnalyzerFSW::RbwTables() const {
    return {TimingA(), TimingB(), Gate(), &ValueA()};
}

namespace {

// The leading integer of a reply, within the bytes received (none: 0).
int32_t LeadingInteger(const std::string& reply) {
    size_t at = 0;
    while (at < reply.size() && (reply[at] == ' ' || reply[at] == '\t')) {
        ++at;
    }
    const bool negative = at < reply.size() && reply[at] == '-';
    if (at < reply.size() && (reply[at] == '-' || reply[at] == '+')) {
        ++at;
    }
    int64_t value = 0;
    for (; at < reply.size() && reply[at] >= '0' && reply[at] <= '9'; ++at) {
        value = std::min<int64_t>(value * 10 + (reply[at] - '0'), INT32_MAX);
    }
    return static_cast<int32_t>(negative ? -value : value);
}

} // namespace

bool CSpectrumAnalyzerFSW::SetupSpectrumAnalyzer() {
    m_readBackRbw = m_requestedRbw;
    return SetupWithPreset("*RST;\n");
}

std::string CSpectrumAnalyzerFSW::ReadWithLongTimeout(const std::string& query) {
    if (WriteCommand(query) < 0) {
        return {};
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
    return reply;
}

bool CSpectrumAnalyzerFSW::SetPreAmp(bool on) {
    if (!on) {
        m_preAmp = 0;
        return SendVerified(":INP:GAIN:STAT OFF;\n");
    }
    if (WriteCommand(":INP:GAIN:STAT ON;\n") >= 0) {
        const std::string state = ReadWithLongTimeout(":INP:GAIN:STAT?;\n");
        if (m_lastStatus >= 0) {
            m_preAmp = LeadingInteger(state) != 0 ? 1 : 0;
            const std::string gain = ReadWithLongTimeout(":INP:GAIN:VAL?;\n");
            if (m_lastStatus >= 0) {
                m_preAmpReadBack = LeadingInteger(gain);
            }
        }
    }
    if (m_lastStatus < 0 || !PassesErrorCheck()) {
        m_commandValid = 0;
        return false;
    }
    return true;
}

bool CSpectrumAnalyzerFSW::SetSweepTimeFloat(float ms) {
    return IsNarrowRbw() ? SetNarrowSweepTime() : CSpectrumAnalyzerFSL::SetSweepTimeFloat(ms);
}

bool CSpectrumAnalyzerFSW::SweepAndWait() {
    return SetContinuousSweep(true) && SendStatusOnly(":INIT; *WAI;\n");
}

bool CSpectrumAnalyzerFSW::SetInputCoupling(bool dc) {
    SendInputCoupling(dc);
    if (dc) {
        // The instrument may refuse DC coupling; the flag tells what it took.
        const std::string reply = ReadWithLongTimeout(":INP:COUP?;\n");
        m_dcCoupled = m_lastStatus >= 0 && reply.find("DC") != std::string::npos ? 1 : 0;
    }
    return true;
}

} // namespace orv
