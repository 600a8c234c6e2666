#include "analyzers/drivers/generic/CSpectrumAnalyzerGeneric.h"

#include "analyzers/CVisaConnection.h"
#include "analyzers/drivers/generic/GenericAnalyzerFlags.h"
#include "analyzers/drivers/scpi/AsciiTrace.h"
#include "analyzers/drivers/scpi/CommandTemplate.h"
#include "analyzers/drivers/scpi/RbwRuleTable.h"
#include "platform/CLocale.h"
#include "platform/clock/Clock.h"
#include "platform/fs/AppPaths.h"
#include "platform/ini/IniFile.h"
#include "platform/log/InformationLog.h"
#include "platform/ui/PromptDeferral.h"

#include <chrono>
#include <cmath>
#include <optional>

namespace orv {

namespace {

using namespace visa;
using std::chrono::milliseconds;

constexpr const char* kKeyNames[CSpectrumAnalyzerGeneric::kCommandKeyCount] = {
    "SetInternalTrigger", "SetAutoSweep", "SetDetectorPositive", "SetUnit",
    "SetPrAmpOn",         "SetPrAmpOff",  "SetAttenuation",      "SetReferenceLevel",
    "SetDisplayOn",       "TraceData",    "SetMarkOn",           "SetMarkOff",
    "MarkPeak",           "ReadPeak"};

// Built in, used until the candidate file is read; a list shorter than three ends in null entries.
constexpr const char* kBuiltInCandidates[CSpectrumAnalyzerGeneric::kCommandKeyCount][3] = {
    {":Trigger:Source Immediate; :Initiate:Continuous on;", ":Trigger:Source free;"},
    {":Sweep:Time:Auto on; :Initiate:Continuous on;", ":SWE:TIME:AUTO:RUL:AUTO ON;",
     ":Sweep:ACQuisition:Auto on; :Initiate:Continuous on;"},
    {":DET POS;", ":POW:GAIN 1;"},
    {":UNIT:POWER %s;"},
    {":INP:GAIN:STAT ON;", ":POW:GAIN ON; :POW:GAIN:BAND FULL;", ":SENSe:POWer:RF:GAIN ON;"},
    {":INP:GAIN:STAT OFF;", ":SENSe:POWer:RF:GAIN:STATe OFF;", ":SENSe:POWer:RF:GAIN OFF;"},
    {":INPUT:Attenuation %d DB;", ":POW:Attenuation %d DB;"},
    {":Display:Trace:y:RLEV %f;", ":Display:Window:Trace:y:RLEV %f;"},
    {":SYST:DISP:UPD ON;", ":DISP:ENAB ON;"},
    {":Trace? trace1;", ":Trace:Data?;"},
    {":Calculate:Marker:Count on;", ":Calculate:Marker1:FCount on;", ":Calculate:Marker:FCount on;"},
    {":Calculate:Marker:Count off;", ":Calculate:Marker1:FCount off;", ":Calculate:Marker:FCount off;"},
    {":Calculate:Marker:MAX;", ":Calculate:Marker1:MAX;", ":CALC:MARK1:FUNC:MAX; *WAI;"},
    {":Calculate:Marker:X?;", ":Calculate:Marker1:X?;"},
};

// The longest text one trace value takes ("-1.234567890123E+002,"), with room to spare.
constexpr size_t kBytesPerAsciiValue = 32;

void LogPassed(const std::string& text) {
    AddInformationMessage(1, text);
}
void LogFailed(const std::string& text) {
    AddInformationMessage(0, text);
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// An ini value, or nothing when it is absent, "default", or over the command limit (never cut).
std::optional<std::string> ReadIniValue(const IniFile& file, const std::string& section, const char* key) {
    const std::optional<std::string> found = file.Find(section, key);
    if (!found) {
        return std::nullopt;
    }
    const std::string value(Trim(*found));
    if (value == "default") {
        return std::nullopt;
    }
    if (value.size() > kMaxCommandLength) {
        LogFailed(FormatC(
            "Generic analyzer: the value of '%s' in [%s] is longer than %zu characters and is ignored.", key,
            section.c_str(), kMaxCommandLength));
        return std::nullopt;
    }
    return value;
}

// The waits after an RBW change (values unused, pauses only).
const RbwRuleTable& RbwWaits() {
    static const RbwRuleTable table({{RbwComparison::AtLeast, 0.0003f, 0, 100},
                                     {RbwComparison::AtLeast, 0.0001f, 0, 1000},
                                     {RbwComparison::AtLeast, 0.000029f, 0, 2000}});
    return table;
}

} // namespace

const char* CSpectrumAnalyzerGeneric::KeyName(CommandKey key) {
    return key < kCommandKeyCount ? kKeyNames[key] : "";
}

CSpectrumAnalyzerGeneric::CSpectrumAnalyzerGeneric() {
    m_lowestFrequency = 0.00001;
    m_highestFrequency = 8000.0;
    m_smallestRbw = 0.00003;
    m_largestRbw = 10.0;
    m_narrowRbwThreshold = 10.00031;
    m_sweepPoints = kMaxSweepPoints;
    for (size_t key = 0; key < kCommandKeyCount; ++key) {
        for (const char* candidate : kBuiltInCandidates[key]) {
            if (candidate != nullptr) {
                m_candidates[key].emplace_back(candidate);
            }
        }
    }
}

int32_t CSpectrumAnalyzerGeneric::ClampSweepPoints(int32_t count) {
    if (count > kMaxSweepPoints || count < 0) {
        return kMaxSweepPoints;
    }
    if (count >= 1 && count < kMinSweepPoints) {
        return kMinSweepPoints;
    }
    return count;
}

bool CSpectrumAnalyzerGeneric::ErrorCheck() {
    if (WriteCommand(":SYST:ERR?;\n") < 0) {
        return false;
    }
    ClockSleep(milliseconds(50));
    int32_t number = -1;
    m_lastStatus = m_vi.viScanf(m_session, "%d", &number);
    // The error text after the number is not left to answer the next query.
    DropRestOfReply();
    return m_lastStatus >= 0 && number == 0;
}

void CSpectrumAnalyzerGeneric::ClearStatus() {
    WriteCommand("*CLS;\n");
    ClockSleep(milliseconds(50));
}

bool CSpectrumAnalyzerGeneric::SendSelected(CommandKey key, const std::string& expanded) {
    (void)key;
    if (WriteCommand(expanded + "\n") < 0) {
        m_commandValid = 0;
        return false;
    }
    return true;
}

bool CSpectrumAnalyzerGeneric::SendSelected(CommandKey key) {
    const std::optional<std::string> expanded = ExpandCommandTemplate(m_selected[key]);
    if (!expanded) {
        LogFailed(FormatC("Generic analyzer: the command for '%s' is not usable: '%s'", KeyName(key),
                          m_selected[key].c_str()));
        return false;
    }
    return SendSelected(key, *expanded);
}

bool CSpectrumAnalyzerGeneric::SendSelectedChecked(CommandKey key, const char* operation, bool hasArgument,
                                                   int32_t integer) {
    const std::optional<std::string> expanded = hasArgument ? ExpandCommandTemplate(m_selected[key], integer)
                                                            : ExpandCommandTemplate(m_selected[key]);
    if (!expanded) {
        LogFailed(FormatC("%s failed:  '%s' ", operation, m_selected[key].c_str()));
        return false;
    }
    if (!SendSelected(key, *expanded) || !ErrorCheck()) {
        LogFailed(FormatC("%s failed:  '%s' ", operation, m_selected[key].c_str()));
        return false;
    }
    LogPassed(FormatC("%s passed:  '%s' ", operation, m_selected[key].c_str()));
    return true;
}

bool CSpectrumAnalyzerGeneric::ReadControlFile() {
    const std::string folder = GetExecutableFolder();
    if (folder.empty()) {
        return false;
    }
    const IniFile file = IniFile::Load(folder + "/" + kControlFileName);
    const std::string section =
        m_visaConnection != nullptr ? m_visaConnection->GetIdentityText() : std::string();
    if (section.empty() || !ReadIniValue(file, section, kKeyNames[kSetInternalTrigger])) {
        return false;
    }
    for (size_t key = 0; key < kCommandKeyCount; ++key) {
        if (std::optional<std::string> value = ReadIniValue(file, section, kKeyNames[key])) {
            m_selected[key] = std::move(*value);
        }
    }
    return true;
}

bool CSpectrumAnalyzerGeneric::ReadCandidateFile() {
    const std::string folder = GetExecutableFolder();
    if (folder.empty()) {
        return false;
    }
    const IniFile file = IniFile::Load(folder + "/" + kCandidateFileName);
    for (size_t key = 0; key < kCommandKeyCount; ++key) {
        std::vector<std::string>& list = m_candidates[key];
        list.clear();
        for (size_t item = 1; item <= kMaxCandidates; ++item) {
            const std::string itemKey = FormatC("Item%zu", item);
            std::optional<std::string> value = ReadIniValue(file, kKeyNames[key], itemKey.c_str());
            if (!value) {
                break;
            }
            list.push_back(std::move(*value));
        }
    }
    return true;
}

bool CSpectrumAnalyzerGeneric::SetupSpectrumAnalyzer() {
    WriteCommand("*CLS;\n");
    if (QueryInstrumentMode() != "SA") {
        PromptRequest request;
        request.text = kModeWarning;
        request.caption = "Warning";
        request.buttons = PromptButtons::Ok;
        request.icon = PromptIcon::Warning;
        const std::stop_token stop =
            m_scanSetup != nullptr ? m_scanSetup->GetScanStopToken() : std::stop_token();
        // Posted: the set-up runs under the engine's device lock, and the box comes once it is released.
        PostPrompt(request, stop);
        if (m_scanSetup != nullptr) {
            m_scanSetup->SetFailureCode(kWrongModeFailureCode);
        }
        return false;
    }
    GenericAnalyzerFlags& flags = GenericAnalyzerFlags::Instance();
    if (flags.m_autoCalibrationOff) {
        WriteCommand(":CAL:AUTO OFF;\n");
        if (!ErrorCheck()) {
            flags.m_autoCalibrationOff = false;
        }
    }
    ClearStatus();
    if (!m_configured) {
        m_configured = ReadControlFile();
        if (!m_configured) {
            ReadCandidateFile();
            WriteCommand("*CLS;\n");
            WriteCommand(":System:Preset:Mode;*WAI\n");
        }
        WriteCommand("*CLS;\n");
    }
    SetDisplayOn(true);
    QueryIdentity();
    return true;
}

bool CSpectrumAnalyzerGeneric::SetDisplayOn(bool on) {
    if (!on) {
        return true;
    }
    if (m_configured) {
        return SendSelectedChecked(kSetDisplayOn, "SetDisplayOn", false, 0);
    }
    ClearStatus();
    for (const std::string& candidate : m_candidates[kSetDisplayOn]) {
        if (candidate.empty()) {
            break;
        }
        const std::optional<std::string> expanded = ExpandCommandTemplate(candidate);
        if (expanded && SendSelected(kSetDisplayOn, *expanded) && ErrorCheck()) {
            LogPassed(FormatC("SetDisplayOn passed:  '%s' ", candidate.c_str()));
            m_selected[kSetDisplayOn] = candidate;
            break;
        }
        LogFailed(FormatC("SetDisplayOn failed:  '%s' ", candidate.c_str()));
        WriteCommand("*CLS;\n");
    }
    return true;
}

bool CSpectrumAnalyzerGeneric::SetPreAmp(bool on) {
    if (!m_configured) {
        ClearStatus();
        return true;
    }
    return SendSelectedChecked(on ? kSetPrAmpOn : kSetPrAmpOff, on ? "SetPreAmp() ON" : "SetPreAmp() OFF",
                               false, 0);
}

bool CSpectrumAnalyzerGeneric::SetInternalTriger(int32_t value) {
    if (value == 0) {
        return true;
    }
    if (!m_configured) {
        ClearStatus();
        return true;
    }
    return SendSelectedChecked(kSetInternalTrigger, "SetInternalTrigger()", false, 0);
}

bool CSpectrumAnalyzerGeneric::SetAutoSweep(int32_t value) {
    if (value == 0) {
        return true;
    }
    if (!m_configured) {
        ClearStatus();
        return true;
    }
    // The set-up goes on either way.
    if (!SendSelectedChecked(kSetAutoSweep, "SetAutoSweep()", false, 0)) {
        LogFailed(FormatC("SetAutoSweep() failed:  '%s' ", m_selected[kSetAutoSweep].c_str()));
    }
    return true;
}

bool CSpectrumAnalyzerGeneric::SetDetectorPositive(bool on) {
    if (!on) {
        return true;
    }
    if (!m_configured) {
        ClearStatus();
        return true;
    }
    return SendSelectedChecked(kSetDetectorPositive, "SetDetectorPositive()", false, 0);
}

bool CSpectrumAnalyzerGeneric::SetSweepTimeMs(int32_t ms) {
    return SendStatusOnly(FormatC("Sweep:Time %d MS;\n", ms));
}

bool CSpectrumAnalyzerGeneric::SetSweepTimeFloat(float /*ms*/) {
    const float rbw = static_cast<float>(AppliedRbw());
    double sweepMs = 5.0;
    if (rbw >= 0.0029f) {
        sweepMs = 0.02;
    } else if (rbw >= 0.00029f) {
        sweepMs = 0.05;
    } else if (rbw >= 0.00009f) {
        sweepMs = 3.0;
    }
    WriteCommand(FormatC("Sweep:Time %f MS;\n", sweepMs));
    return true;
}

int32_t CSpectrumAnalyzerGeneric::ReadSweepTime() {
    return ReadSweepTimeFrom(":Sweep:Time?;\n", SweepTimeOnFailure::Zero);
}

bool CSpectrumAnalyzerGeneric::SetAttenuation(float dB) {
    ClearStatus();
    if (!m_configured) {
        return true;
    }
    const int32_t whole = std::isfinite(dB) && std::fabs(dB) < 1e9f ? static_cast<int32_t>(dB) : 0;
    return SendSelectedChecked(kSetAttenuation, "SetAttenuation()", true, whole);
}

bool CSpectrumAnalyzerGeneric::SetSweepPoints(int32_t count) {
    m_sweepPoints = ClampSweepPoints(count);
    if (!SendStatusOnly(FormatC(":Sweep:Points %d ;\n", m_sweepPoints))) {
        return false;
    }
    ReadSweepPoints();
    return IsQueryValid();
}

bool CSpectrumAnalyzerGeneric::SetSpectralSweepPoints(int32_t /*count*/) {
    if (!SendStatusOnly(FormatC(":Sweep:Points %d ;\n", 5))) {
        return false;
    }
    ReadSweepPoints();
    return IsQueryValid();
}

int32_t CSpectrumAnalyzerGeneric::ReadSweepPoints() {
    int32_t points = 0;
    if (QueryInt(":Sweep:Points?;\n", points)) {
        if (points >= 0 && points <= kLargestPlausiblePoints) {
            m_sweepPoints = points;
        } else {
            m_queryValid = 0;
            LogFailed(FormatC("Generic analyzer: %d sweep points read back is not plausible.", points));
        }
    }
    return m_sweepPoints;
}

bool CSpectrumAnalyzerGeneric::SetSpan(float mhz) {
    return SendStatusOnly(FormatC(":Frequency:Span %f MHZ;\n", static_cast<double>(mhz)));
}

float CSpectrumAnalyzerGeneric::ReadSpan() {
    return QueryMhz(":Frequency:Span?;\n");
}

bool CSpectrumAnalyzerGeneric::SetResolution(float mhz) {
    const double value = static_cast<double>(mhz);
    return SendStatusOnly(FormatC(":Bandwidth %f MHZ;\n", value)) &&
           SendStatusOnly(FormatC(":Bandwidth:Video %f MHZ;\n", value));
}

float CSpectrumAnalyzerGeneric::ReadResolution() {
    return QueryMhz(":Bandwidth?;\n");
}

bool CSpectrumAnalyzerGeneric::SetCenterFrequency(float mhz) {
    return SendStatusOnly(FormatC(":Frequency:Center %f MHZ;\n", static_cast<double>(mhz)));
}

float CSpectrumAnalyzerGeneric::ReadCenterFrequency() {
    return QueryMhz(":Frequency:Center?;\n");
}

bool CSpectrumAnalyzerGeneric::SetReferenceLevel(float level) {
    if (GenericAnalyzerFlags::Instance().m_dBmOffset) {
        level -= 107.0f;
    }
    if (!m_configured) {
        ClearStatus();
        return true;
    }
    const std::optional<std::string> expanded =
        ExpandCommandTemplate(m_selected[kSetReferenceLevel], static_cast<double>(level));
    if (!expanded) {
        LogFailed(FormatC("SetReferenceLevel() failed:  '%s' ", m_selected[kSetReferenceLevel].c_str()));
        return false;
    }
    if (!SendSelected(kSetReferenceLevel, *expanded) || !ErrorCheck()) {
        return false;
    }
    m_referenceLevel = level;
    LogPassed(FormatC("SetReferenceLevel() passed:  '%s' ", m_selected[kSetReferenceLevel].c_str()));
    return true;
}

float CSpectrumAnalyzerGeneric::ReadReferenceLevel() {
    return m_referenceLevel + (GenericAnalyzerFlags::Instance().m_dBmOffset ? 107.0f : 0.0f);
}

bool CSpectrumAnalyzerGeneric::SetUnit(const std::string& unit) {
    if (!m_configured) {
        ClearStatus();
        return true;
    }
    const std::optional<std::string> expanded = ExpandCommandTemplate(m_selected[kSetUnit], unit);
    if (expanded && SendSelected(kSetUnit, *expanded) && ErrorCheck()) {
        LogPassed(FormatC("SetUnit() passed:  '%s' ", m_selected[kSetUnit].c_str()));
    } else {
        LogFailed(FormatC("SetUnit() failed:  '%s' ", m_selected[kSetUnit].c_str()));
        GenericAnalyzerFlags::Instance().m_dBmOffset = true;
    }
    return true;
}

bool CSpectrumAnalyzerGeneric::SetTraceFormat() {
    WriteCommand(":FORMAT:DATA ASCII;\n");
    return true;
}

bool CSpectrumAnalyzerGeneric::SetContinuousSweep(bool single) {
    return SendStatusOnly(single ? ":Initiate:Continuous off;\n" : ":Initiate:Continuous on;\n");
}

bool CSpectrumAnalyzerGeneric::SetMarkerCount(bool on) {
    SendSelected(on ? kSetMarkOn : kSetMarkOff);
    return true;
}

bool CSpectrumAnalyzerGeneric::MarkPeak() {
    SendSelected(kMarkPeak);
    return true;
}

float CSpectrumAnalyzerGeneric::ReadMarkerFrequency(int32_t wait) {
    if (wait != 0) {
        ClockSleep(milliseconds(1000));
    }
    m_queryValid = 1;
    if (!SendSelected(kReadPeak)) {
        m_queryValid = 0;
        return 0.0f;
    }
    double hz = 0.0;
    m_lastStatus = m_vi.viScanf(m_session, "%lf", &hz);
    DropRestOfReply();
    if (m_lastStatus < 0 || !IsPossibleReading(hz)) {
        m_queryValid = 0;
        return 0.0f;
    }
    return static_cast<float>(hz / 1000000.0);
}

bool CSpectrumAnalyzerGeneric::SweepAndWait() {
    if (!SetContinuousSweep(true)) {
        return false;
    }
    return SendStatusOnly(":INIT; *WAI;\n");
}

const float* CSpectrumAnalyzerGeneric::QueryScan() {
    m_queryValid = 1;
    const int32_t points = m_sweepPoints;
    if (points <= 0 || points > kLargestPlausiblePoints || !SendSelected(kTraceData)) {
        m_queryValid = 0;
        return nullptr;
    }
    // Room for every value of the point count and the line end; a reply that does not end within it
    // is longer than the trace can be.
    const size_t capacity = static_cast<size_t>(points) * kBytesPerAsciiValue + 64;
    m_asciiReply.assign(capacity, '\0');
    uint32_t received = 0;
    const bool read = ReadRetryingTimeouts(reinterpret_cast<unsigned char*>(m_asciiReply.data()),
                                           static_cast<uint32_t>(capacity), received);
    if (!read || received == 0 || m_asciiReply[received - 1] != '\n') {
        if (read) {
            LogFailed("Generic analyzer: the trace reply is longer than its point count allows.");
            FlushBuffers();
        }
        m_queryValid = 0;
        return nullptr;
    }
    std::vector<float> values;
    const float offset = GenericAnalyzerFlags::Instance().m_dBmOffset ? 107.0f : 0.0f;
    if (!ParseAsciiTrace(std::string_view(m_asciiReply.data(), received), points, offset, values)) {
        m_queryValid = 0;
        return nullptr;
    }
    m_traceA = std::move(values);
    return m_traceA.data();
}

float CSpectrumAnalyzerGeneric::ReadPeakAmplitude() {
    m_queryValid = 1;
    const float offset = GenericAnalyzerFlags::Instance().m_dBmOffset ? 107.0f : 0.0f;
    if (WriteCommand(":Calculate:Marker:Y?;\n") >= 0) {
        double level = 0.0;
        m_lastStatus = m_vi.viScanf(m_session, "%lf", &level);
        DropRestOfReply();
        if (m_lastStatus >= 0 && ErrorCheck()) {
            return static_cast<float>(level) + offset;
        }
    }
    if (WriteCommand(":Calculate:Marker1:Y?;\n") == kSuccess) {
        double level = 0.0;
        m_lastStatus = m_vi.viScanf(m_session, "%lf", &level);
        DropRestOfReply();
        if (m_lastStatus >= 0) {
            return static_cast<float>(level) + offset;
        }
    }
    m_queryValid = 0;
    return 0.0f;
}

int32_t CSpectrumAnalyzerGeneric::GetRbwValueA(float rbw) {
    return rbw <= 0.0003f ? 12 : 6;
}

int32_t CSpectrumAnalyzerGeneric::GetCellsPerSweep(float /*rbw*/) {
    const int64_t cells = GetActiveProbeCellCount();
    if (cells * GetPointsPerCell() >= kMinSweepPoints) {
        return static_cast<int16_t>(cells);
    }
    return kMinSweepPoints / 2 + 1;
}

void CSpectrumAnalyzerGeneric::WaitForRbw(float rbw) {
    RbwWaits().Apply(rbw, nullptr);
}

bool CSpectrumAnalyzerGeneric::SetInputCoupling(bool dc) {
    return SendInputCoupling(dc);
}

bool CSpectrumAnalyzerGeneric::IsNarrowRbw() {
    return IsAppliedRbwNarrow();
}

} // namespace orv
