#include "analyzers/drivers/rs/CSpectrumAnalyzerFSV3.h"

#include "analyzers/AnalyzerSwitches.h"
#include "analyzers/drivers/scpi/ScpiBlockData.h"
#include "platform/log/InformationLog.h"

#include <string_view>
#include <utility>
#include <vector>

namespace orv {

namespace {

using R = RbwComparison;

const RbwRuleTable& TimingA() {
    static const RbwRuleTable table({{R::AtLeast, 0.01f, 0},
                                     {R::AtLeast, 0.003f, 2},
                                     {R::AtLeast, 0.001f, 10, 100},
                                     {R::Equal, 0.0003f, 500, 100},
                                     {R::Equal, 0.0001f, 250}},
                                    1);
    return table;
}

const RbwRuleTable& TimingB() {
    static const RbwRuleTable table(
        {{R::Equal, 0.003f, 3}, {R::Equal, 0.001f, 10}, {R::Equal, 0.0003f, 21}, {R::Equal, 0.0001f, 50}}, 0);
    return table;
}

const RbwRuleTable& Gate() {
    static const RbwRuleTable table(
        {{R::Equal, 0.003f, 80}, {R::Equal, 0.001f, 80}, {R::Equal, 0.0003f, 500}, {R::Equal, 0.0001f, 5000}},
        10);
    return table;
}

RsModelRow ModelRow() {
    RsModelRow row{"R&S-FSV3", 32001, 32001, 101, 50, 0.0003, 2, "GatedSweep", -1.0, {}};
    row.externalTriggerSource = true;
    return row;
}

} // namespace

CSpectrumAnalyzerFSV3::CSpectrumAnalyzerFSV3() : CSpectrumAnalyzerFSL(ModelRow()) {}

CSpectrumAnalyzerFSV3::CSpectrumAnalyzerFSV3(RsModelRow row) : CSpectrumAnalyzerFSL(std::move(row)) {}

RsRbwTables CSpectrumAnalyzerFSV3::Fsv3RbwTables() {
    return {TimingA(), TimingB(), Gate()};
}

RsRbwTables CSpectrumAnalyzerFSV3::RbwTables() const {
    return Fsv3RbwTables();
}

namespace {

constexpr size_t kMostLoggedReply = 256;

} // namespace

bool CSpectrumAnalyzerFSV3::CheckStatus() {
    if (!IsLogAnalyzerErrorsSwitchSet()) {
        return true;
    }
    m_errorFlag = 0;
    if (WriteCommand(":SYST:ERR?; *WAI\n") < 0) {
        return false;
    }
    const std::string reply = ReadReply(4095);
    if (m_lastStatus < 0) {
        return false;
    }
    if (reply == "0,\"No error\"\n") {
        FlushBuffers();
        return m_lastStatus >= 0;
    }
    AddInformationMessage(1, "The spectrum analyser failed a status check!");
    const std::string firstLine = reply.substr(0, reply.find('\n'));
    AddInformationMessage(1, firstLine.substr(0, kMostLoggedReply));
    return false;
}

bool CSpectrumAnalyzerFSV3::IdentityUsesBlockRead(std::string_view identity) {
    const size_t first = identity.find(',');
    if (first == std::string_view::npos) {
        return false;
    }
    const size_t second = identity.find(',', first + 1);
    if (second == std::string_view::npos) {
        return false;
    }
    return identity.substr(first + 1, second - first - 1) == "FSV3030";
}

bool CSpectrumAnalyzerFSV3::SetupWithoutIdentity() {
    if (!SendVerified("*RST;\n")) {
        return false;
    }
    SendStatusOnly("SYST:ERR:CLE:ALL;\n");
    return SendVerifiedAll({"INST SAN;\n", ":SYST:DISP:UPD ON;\n"});
}

bool CSpectrumAnalyzerFSV3::SetupSpectrumAnalyzer() {
    if (!SetupWithoutIdentity()) {
        return false;
    }
    if (WriteCommand("*IDN?\n") < 0) {
        return false;
    }
    const std::string identity = ReadReply(2047);
    if (m_lastStatus < 0) {
        return false;
    }
    m_blockReadMode = IdentityUsesBlockRead(identity);
    return true;
}

const float* CSpectrumAnalyzerFSV3::QueryScan() {
    return m_blockReadMode ? ReadTraceBlock() : CSpectrumAnalyzerFSL::QueryScan();
}

const float* CSpectrumAnalyzerFSV3::ReadTraceBlock() {
    m_queryValid = 0;
    if (m_sweepPoints < 1 || m_sweepPoints > kMaxTracePoints || WriteCommand(":Trace? trace1;\n") < 0) {
        return nullptr;
    }
    const auto bytes = static_cast<size_t>(m_sweepPoints) * 4;
    std::vector<unsigned char>& block = RawBlock();
    block.resize(bytes);
    size_t length = 0;
    // The length is judged against the trace before any data is read; the line feed after the data
    // is consumed and the termination character restored on every path.
    if (!ReadRawBlock(block.data(), bytes, length) || length != bytes) {
        return nullptr;
    }
    if (!CheckStatus()) {
        return nullptr;
    }
    m_traceA.resize(static_cast<size_t>(m_sweepPoints));
    DecodeLittleEndianSingles(block.data(), bytes, m_traceA.data(), m_traceA.size());
    m_queryValid = 1;
    return m_traceA.data();
}

} // namespace orv
