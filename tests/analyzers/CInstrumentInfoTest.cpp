#include "analyzers/CInstrumentInfo.h"

#include "orv/Version.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

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

} // namespace
} // namespace orv
