#include "analyzers/CInstrumentInfo.h"

#include "orv/Version.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace orv {
namespace {

TEST(InstrumentInfo, StartValues) {
    const CInstrumentInfo info;
    const std::array<uint16_t, 4> version = info.GetProgramVersion();
    EXPECT_EQ(version[0], version::kMajor);
    EXPECT_EQ(version[1], version::kMinor);
    EXPECT_EQ(version[2], version::kPatch);
    EXPECT_EQ(version[3], version::kBuild);
    // Stored files of versions below 5.1.2.0 are refused, so the program itself is at least that.
    const uint64_t value = ((version[0] * 100ull + version[1]) * 100ull + version[2]) * 100ull + version[3];
    EXPECT_GE(value, 5010200u);
    EXPECT_EQ(info.GetStoredFileVersion(), 11);
    EXPECT_EQ(info.GetScanHeadText(), "");
    EXPECT_EQ(info.GetScannerKind(), 0);
}

TEST(InstrumentInfo, FieldsKeepWhatIsSet) {
    CInstrumentInfo info;
    info.SetStoredFileVersion(9);
    info.SetApplicationFolder("/opt/orvilant");
    info.SetScanHeadText("Head 40x32,40,32");
    info.SetScannerKind(CInstrumentInfo::kScannerKindRobotArm);
    EXPECT_EQ(info.GetStoredFileVersion(), 9);
    EXPECT_EQ(info.GetApplicationFolder(), "/opt/orvilant");
    EXPECT_EQ(info.GetScanHeadText(), "Head 40x32,40,32");
    EXPECT_EQ(info.GetScannerKind(), 2);
    EXPECT_EQ(&GetInstrumentInfo(), &GetInstrumentInfo());
}

TEST(InstrumentInfo, ApplicationFolderIsTheExecutablesWhereverTheProgramStarts) {
    const std::filesystem::path started = std::filesystem::current_path();
    const std::filesystem::path elsewhere =
        std::filesystem::temp_directory_path() / ("orv-elsewhere-" + std::to_string(::getpid()));
    std::filesystem::create_directories(elsewhere);
    std::filesystem::current_path(elsewhere);
    const CInstrumentInfo info;
    std::filesystem::current_path(started);
    std::filesystem::remove_all(elsewhere);
    EXPECT_EQ(info.GetApplicationFolder(),
              std::filesystem::read_symlink("/proc/self/exe").parent_path().string());
    EXPECT_NE(info.GetApplicationFolder(), elsewhere.string());
}

TEST(InstrumentInfo, AnalyserStateStartsEmpty) {
    const CInstrumentInfo info;
    EXPECT_EQ(info.GetStatusText(), "");
    EXPECT_EQ(info.GetAnalyzerIdentityText(), "");
    EXPECT_EQ(info.GetBlindSpotPassMode(), 3);
    EXPECT_EQ(info.GetSelectedAnalyzerID(), -1);
    EXPECT_EQ(info.GetProbeType(), eProbeType::NoScanner);
    EXPECT_TRUE(info.GetDetectedProbeTypes().empty());
    EXPECT_FALSE(info.IsScannerConnected());
    EXPECT_FALSE(info.IsAnalyzerConnected());
    EXPECT_FALSE(info.IsAnalyzerQueryPending());
    EXPECT_FALSE(info.IsAnalyzerDriverSet());
    EXPECT_TRUE(info.GetSupportedAnalyzers().empty());
    EXPECT_EQ(info.GetSpare(), 0);
}

TEST(InstrumentInfo, ProbeTypeIsTheScannerKind) {
    CInstrumentInfo info;
    info.SetProbeType(eProbeType::RobotArm);
    EXPECT_EQ(info.GetScannerKind(), CInstrumentInfo::kScannerKindRobotArm);
    info.SetScannerKind(3);
    EXPECT_EQ(info.GetProbeType(), eProbeType::ExternalAdapter);
}

TEST(InstrumentInfo, DetectedProbeTypesKeepEachOnceInOrder) {
    CInstrumentInfo info;
    info.AddDetectedProbeType(eProbeType::ExternalAdapter);
    info.AddDetectedProbeType(eProbeType::NoScanner);
    info.AddDetectedProbeType(eProbeType::ExternalAdapter);
    info.AddDetectedProbeType(eProbeType::NoScanner);
    EXPECT_EQ(info.GetDetectedProbeTypes(),
              (std::vector<eProbeType>{eProbeType::ExternalAdapter, eProbeType::NoScanner}));
}

const std::string kNotDeveloped = "The Orvilant software does not support DC Coupled Mode for this analyzer. "
                                  "Please contact QZV Technologies to request a quotation for the "
                                  "development of this feature.";
const std::string kNotInHardware = "This analyzer does not support DC Coupled Mode.";

struct RowCase {
    size_t index; // 0-based position in the table
    _SupportedAnalyzerInfo row;
};

TEST(InstrumentInfo, TableRowsFieldForField) {
    CInstrumentInfo info;
    info.BuildSupportedAnalyzerTable();
    const std::vector<_SupportedAnalyzerInfo> table = info.GetSupportedAnalyzers();
    ASSERT_EQ(table.size(), 42u);
    // Built without a contact address, the third message is the first one.
    const std::string withContact = kNotDeveloped;
    const RowCase cases[] = {
        {0, {99, 53, "X1", "RSA", 0.000009, 6500, 0.000002, 10, kNotDeveloped}},
        {2, {75, 29, "Keysight PSA E444", "E444", 0.003, 26500, 0.0000299, 10, ""}},
        {14, {20, 60, "Keysight FieldFox N9915B", "N9915B", 0.03, 9000, 0.00099, 2, kNotInHardware}},
        {25, {59, 15, "R&S FSP", "FSP", 0.009, 7000000, 0.00000099, 5, withContact}},
        {26, {76, 30, "R&S FSQ", "FSQ", 0.00002, 26500, 0.0000299, 5, withContact}},
        {28, {84, 38, "R&S FSV", "FSV", 0.00001, 44000, 0.0002999, 10, kNotDeveloped}},
        {29, {150, 38, "R&S ESRP-3", "ESRP-3", 0.00001, 44000, 0.0002999, 10, kNotDeveloped}},
        {34, {101, 68, "X2", "ZNL", 0.1, 8500, 0.000001, 0.3, kNotDeveloped}},
        {37, {108, 108, "Keysight N99xxA/B", "N99", 0, 999999999999.0, 0, 999999999999.0, kNotDeveloped}},
        {39, {106, 106, "SignalHound BB60A/C", "BB60", 0.009, 6000, 0.00001, 10, kNotDeveloped}},
        {40, {107, 107, "Tektronix RSA", "tektronix_sa", 0.009, 7500, 0.000001, 10, kNotDeveloped}},
        {41, {900, 900, "Null", "Null", 1, 20000, 0.00001, 3, kNotDeveloped}},
    };
    for (const RowCase& c : cases) {
        EXPECT_EQ(table[c.index], c.row) << "row " << c.index + 1;
    }
    // A second build replaces the rows.
    info.BuildSupportedAnalyzerTable();
    EXPECT_EQ(info.GetSupportedAnalyzers(), table);
}

TEST(InstrumentInfo, ContactAddressFollowsTheMaker) {
    EXPECT_EQ(CInstrumentInfo::DcMessageWithContact(""), kNotDeveloped);
    EXPECT_EQ(
        CInstrumentInfo::DcMessageWithContact("sales@example.com"),
        "The Orvilant software does not support DC Coupled Mode for this analyzer. Please contact QZV "
        "Technologies at sales@example.com to request a quotation for the development of this feature.");
}

TEST(InstrumentInfo, LookUps) {
    CInstrumentInfo info;
    info.BuildSupportedAnalyzerTable();
    _SupportedAnalyzerInfo row;
    row.m_DisplayName = "untouched";
    EXPECT_FALSE(info.FindAnalyzerByID(-1, row));
    EXPECT_FALSE(info.FindAnalyzerByDriverID(-1, row));
    EXPECT_EQ(row.m_DisplayName, "untouched");
    ASSERT_TRUE(info.FindAnalyzerByID(900, row));
    EXPECT_EQ(row.m_DisplayName, "Null");
    ASSERT_TRUE(info.FindAnalyzerByID(150, row));
    EXPECT_EQ(row.m_DisplayName, "R&S ESRP-3");
    // Two rows share driver 38; the first one is found.
    ASSERT_TRUE(info.FindAnalyzerByDriverID(38, row));
    EXPECT_EQ(row.m_DisplayName, "R&S FSV");
    ASSERT_TRUE(info.FindAnalyzerByDriverID(106, row));
    EXPECT_NE(std::string("SignalHound,BB60C,1234,0").find(row.m_MatchKey), std::string::npos);
    // Before the table is built nothing is found.
    const CInstrumentInfo empty;
    EXPECT_FALSE(empty.FindAnalyzerByID(900, row));
    EXPECT_EQ(row.m_DisplayName, "SignalHound BB60A/C");
}

} // namespace
} // namespace orv
