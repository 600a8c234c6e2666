#include "analyzers/CInstrumentInfo.h"

#include "orv/Version.h"
#include "platform/fs/AppPaths.h"

#include <algorithm>
#include <utility>

#ifndef ORV_ANALYZER_CONTACT_ADDRESS
#define ORV_ANALYZER_CONTACT_ADDRESS ""
#endif

namespace orv {

namespace {

constexpr std::string_view kMakerName = "QZV Technologies";

// Models whose driver cannot switch the input to DC coupling.
constexpr std::string_view kDcNotDeveloped =
    "The Orvilant software does not support DC Coupled Mode for this analyzer. Please contact QZV "
    "Technologies to request a quotation for the development of this feature.";
// Models whose hardware has no DC coupling.
constexpr std::string_view kDcNotInHardware = "This analyzer does not support DC Coupled Mode.";

enum class DcMessage { NotDeveloped, NotInHardware, WithContact, None };

struct TableRow {
    int32_t analyzerID;
    int32_t driverID;
    const char* displayName;
    const char* matchKey;
    double lowest;
    double highest;
    double smallestRbw;
    double largestRbw;
    DcMessage message;
};

using enum DcMessage;

// The supported analysers in the order identity replies are matched against them. The data is the
// maker's, as published: row 26's upper limit and row 38's open limits included.
constexpr TableRow kRows[] = {
    {99, 53, "X1", "RSA", 0.000009, 6500, 0.000002, 10, NotDeveloped},
    {98, 52, "RIGOL Technologies DSA Series", "DSA", 0.000009, 7500, 0.00001, 1, NotDeveloped},
    {75, 29, "Keysight PSA E444", "E444", 0.003, 26500, 0.0000299, 10, None},
    {73, 27, "Keysight CXA N9000A", "N9000A", 0.009, 26500, 0.0000999, 10, NotDeveloped},
    {96, 50, "Keysight CXA N9000B", "N9000B", 0.009, 26500, 0.0000999, 10, NotDeveloped},
    {70, 24, "Keysight EXA N9010B", "N9010B", 0.00001, 13600, 0.0000299, 8, None},
    {71, 25, "Keysight EXA N9010A", "N9010A", 0.00001, 13600, 0.0000299, 5, None},
    {74, 28, "Keysight MXA N9020A", "N9020A", 0.00002, 26500, 0.0000099, 5, NotDeveloped},
    {77, 54, "Keysight MXA N9020B", "N9020B", 0.00001, 50000, 0.000001, 8, NotDeveloped},
    {72, 26, "Keysight PXA N9030A", "N9030A", 0.000003, 26500, 0.0000099, 5, None},
    {95, 49, "Keysight PXA N9030B", "N9030B", 0.000003, 50000, 0.0000099, 5, NotDeveloped},
    {78, 59, "Keysight MXE N9038A", "N9038A", 0.00002, 26500, 0.0000099, 5, NotDeveloped},
    {90, 44, "Keysight UXA N9040B", "N9040B", 0.000003, 26500, 0.0000099, 10, None},
    {105, 72, "Keysight FieldFox N9913B", "N9913B", 0.03, 9000, 0.00099, 2, NotInHardware},
    {20, 60, "Keysight FieldFox N9915B", "N9915B", 0.03, 9000, 0.00099, 2, NotInHardware},
    {21, 61, "Keysight FieldFox N9917B", "N9917B", 0.03, 18000, 0.00099, 2, NotInHardware},
    {22, 62, "Keysight FieldFox N9918A", "N9918A", 0.03, 26500, 0.00099, 5, NotInHardware},
    {23, 63, "Keysight FieldFox N9917A", "N9917A", 0.03, 18000, 0.00099, 5, NotInHardware},
    {24, 64, "Keysight FieldFox N9918B", "N9918B", 0.03, 26500, 0.00099, 5, NotInHardware},
    {25, 65, "Keysight FieldFox N9934B", "N9934B", 0.03, 6500, 0.00099, 5, NotInHardware},
    {26, 66, "Keysight FieldFox N9935B", "N9935B", 0.03, 9000, 0.00099, 5, NotInHardware},
    {89, 43, "R&S ESU", "ESU", 0.00002, 8000, 0.0000299, 10, None},
    {86, 40, "R&S FSG", "FSG", 0.009, 8000, 0.0000299, 10, NotDeveloped},
    {64, 19, "R&S FSH", "FSH", 0.1, 8000, 0.0000299, 3, NotInHardware},
    {68, 23, "R&S FSL", "FSL", 0.009, 18000, 0.0002999, 5, NotDeveloped},
    {59, 15, "R&S FSP", "FSP", 0.009, 7000000, 0.00000099, 5, WithContact},
    {76, 30, "R&S FSQ", "FSQ", 0.00002, 26500, 0.0000299, 5, WithContact},
    {80, 34, "R&S FSU", "FSU", 0.00002, 8000, 0.0000299, 10, NotDeveloped},
    {84, 38, "R&S FSV", "FSV", 0.00001, 44000, 0.0002999, 10, NotDeveloped},
    {150, 38, "R&S ESRP-3", "ESRP-3", 0.00001, 44000, 0.0002999, 10, NotDeveloped},
    {85, 39, "R&S FSV4", "FSV4", 0.00001, 4000, 0.0000299, 10, NotDeveloped},
    {87, 41, "R&S FSW", "FSW", 0.00001, 8000, 0.0000299, 10, NotDeveloped},
    {97, 51, "R&S FPL", "FPL", 0.005, 7500, 0.000001, 10, NotDeveloped},
    {100, 67, "R&S ZND", "ZND", 0.1, 8500, 0.000001, 0.3, NotDeveloped},
    {101, 68, "X2", "ZNL", 0.1, 8500, 0.000001, 0.3, NotDeveloped},
    {102, 69, "Keysight N9320B", "N9320B", 0.009, 3000, 0.00001, 1, NotDeveloped},
    {103, 70, "Keysight N9324C", "N9324C", 1, 20000, 0.00001, 3, NotDeveloped},
    {108, 108, "Keysight N99xxA/B", "N99", 0, 999999999999.0, 0, 999999999999.0, NotDeveloped},
    {104, 71, "SIGLENT SSA3075X-R", "SSA3075X-R", 1, 20000, 0.00001, 3, NotDeveloped},
    {106, 106, "SignalHound BB60A/C", "BB60", 0.009, 6000, 0.00001, 10, NotDeveloped},
    {107, 107, "Tektronix RSA", "tektronix_sa", 0.009, 7500, 0.000001, 10, NotDeveloped},
    {900, 900, "Null", "Null", 1, 20000, 0.00001, 3, NotDeveloped},
};

static_assert(std::size(kRows) == CInstrumentInfo::kSupportedAnalyzerCount);

std::string MessageText(DcMessage message) {
    switch (message) {
    case NotDeveloped:
        return std::string(kDcNotDeveloped);
    case NotInHardware:
        return std::string(kDcNotInHardware);
    case WithContact:
        return CInstrumentInfo::DcMessageWithContact(ORV_ANALYZER_CONTACT_ADDRESS);
    case None:
        break;
    }
    return {};
}

} // namespace

CInstrumentInfo::CInstrumentInfo()
    : // Set once, from the program's own folder (the current directory when that cannot be
      // found): the correction and compensation folders must not depend on where it was started.
      m_applicationFolder(GetExecutableFolder()), m_programVersion{static_cast<uint16_t>(version::kMajor),
                                                                   static_cast<uint16_t>(version::kMinor),
                                                                   static_cast<uint16_t>(version::kPatch),
                                                                   static_cast<uint16_t>(version::kBuild)} {}

std::string CInstrumentInfo::GetApplicationFolder() const {
    std::lock_guard<std::mutex> guard(m_textLock);
    return m_applicationFolder;
}

void CInstrumentInfo::SetApplicationFolder(std::string folder) {
    std::lock_guard<std::mutex> guard(m_textLock);
    m_applicationFolder = std::move(folder);
}

std::string CInstrumentInfo::GetScanHeadText() const {
    std::lock_guard<std::mutex> guard(m_textLock);
    return m_scanHeadText;
}

void CInstrumentInfo::SetScanHeadText(std::string text) {
    std::lock_guard<std::mutex> guard(m_textLock);
    m_scanHeadText = std::move(text);
}

std::string CInstrumentInfo::GetStatusText() const {
    std::lock_guard<std::mutex> guard(m_textLock);
    return m_statusText;
}

void CInstrumentInfo::SetStatusText(std::string text) {
    std::lock_guard<std::mutex> guard(m_textLock);
    m_statusText = std::move(text);
}

std::string CInstrumentInfo::GetAnalyzerIdentityText() const {
    std::lock_guard<std::mutex> guard(m_textLock);
    return m_analyzerIdentityText;
}

void CInstrumentInfo::SetAnalyzerIdentityText(std::string text) {
    std::lock_guard<std::mutex> guard(m_textLock);
    m_analyzerIdentityText = std::move(text);
}

void CInstrumentInfo::AddDetectedProbeType(eProbeType type) {
    std::lock_guard<std::mutex> guard(m_textLock);
    if (std::find(m_detectedProbeTypes.begin(), m_detectedProbeTypes.end(), type) ==
        m_detectedProbeTypes.end()) {
        m_detectedProbeTypes.push_back(type);
    }
}

std::vector<eProbeType> CInstrumentInfo::GetDetectedProbeTypes() const {
    std::lock_guard<std::mutex> guard(m_textLock);
    return m_detectedProbeTypes;
}

void CInstrumentInfo::BuildSupportedAnalyzerTable() {
    std::vector<_SupportedAnalyzerInfo> table;
    table.reserve(std::size(kRows));
    for (const TableRow& row : kRows) {
        table.push_back({row.analyzerID, row.driverID, row.displayName, row.matchKey, row.lowest, row.highest,
                         row.smallestRbw, row.largestRbw, MessageText(row.message)});
    }
    std::lock_guard<std::mutex> guard(m_textLock);
    m_supportedAnalyzers = std::move(table);
}

std::vector<_SupportedAnalyzerInfo> CInstrumentInfo::GetSupportedAnalyzers() const {
    std::lock_guard<std::mutex> guard(m_textLock);
    return m_supportedAnalyzers;
}

template <class Matches> bool CInstrumentInfo::FindRow(Matches matches, _SupportedAnalyzerInfo& row) const {
    std::lock_guard<std::mutex> guard(m_textLock);
    const auto found = std::find_if(m_supportedAnalyzers.begin(), m_supportedAnalyzers.end(), matches);
    if (found == m_supportedAnalyzers.end()) {
        return false;
    }
    row = *found;
    return true;
}

bool CInstrumentInfo::FindAnalyzerByID(int32_t analyzerID, _SupportedAnalyzerInfo& row) const {
    return FindRow([analyzerID](const _SupportedAnalyzerInfo& r) { return r.m_AnalyzerID == analyzerID; },
                   row);
}

bool CInstrumentInfo::FindAnalyzerByDriverID(int32_t driverID, _SupportedAnalyzerInfo& row) const {
    return FindRow([driverID](const _SupportedAnalyzerInfo& r) { return r.m_DriverID == driverID; }, row);
}

std::string CInstrumentInfo::DcMessageWithContact(std::string_view contactAddress) {
    std::string text(kDcNotDeveloped);
    if (!contactAddress.empty()) {
        text.insert(text.find(kMakerName) + kMakerName.size(), " at " + std::string(contactAddress));
    }
    return text;
}

CInstrumentInfo& GetInstrumentInfo() {
    static CInstrumentInfo info;
    return info;
}

} // namespace orv
