#include "overlay/camera/markers/ProbeMarkerDictionaries.h"

#include "support/ProbeMarkerScenes.h"

#include "platform/log/InformationLog.h"
#include "tests/platform/support/HostileFiles.h"
#include "tests/platform/support/PlatTestFolder.h"

#include <gtest/gtest.h>

#include <opencv2/aruco.hpp>

#include <string>
#include <vector>

namespace orv {
namespace {

class ProbeMarkerDictionaryTest : public ::testing::Test {
protected:
    void SetUp() override {
        InformationLog::Instance().SetSink(
            [this](uint8_t, const std::string& line) { m_lines.push_back(line); });
    }
    void TearDown() override { InformationLog::Instance().SetSink({}); }

    std::string FilePath() const { return m_folder.File(kProbeMarkerDictionaryFileName); }

    test::PlatTestFolder m_folder;
    std::vector<std::string> m_lines;
};

TEST_F(ProbeMarkerDictionaryTest, ReadsTheDictionaryTheFileHolds) {
    const cv::Ptr<cv::aruco::Dictionary> written = test::MakeTestFamily1Dictionary();
    test::WriteDictionaryFile(*written, FilePath());
    const cv::Ptr<cv::aruco::Dictionary> read = LoadProbeMarkerDictionary(m_folder.Path());
    ASSERT_FALSE(read.empty());
    EXPECT_EQ(read->markerSize, written->markerSize);
    EXPECT_EQ(read->maxCorrectionBits, written->maxCorrectionBits);
    ASSERT_EQ(read->bytesList.rows, written->bytesList.rows);
    EXPECT_EQ(cv::norm(read->bytesList, written->bytesList, cv::NORM_INF), 0.0);
    EXPECT_TRUE(m_lines.empty());
}

// A file the tracker cannot use gives no dictionary and one log line naming it; it never crashes,
// blocks or reads past what it holds.
TEST_F(ProbeMarkerDictionaryTest, UnusableFilesGiveNoDictionaryAndOneLogLine) {
    const std::string bits16(16, '1');
    const std::string header = "%YAML:1.0\n";
    struct BadFile {
        const char* what;
        std::string text;
    };
    const BadFile files[] = {
        {"empty", ""},
        {"blank", " \n\n"},
        {"corrupt", "%YAML:1.0\nnmarkers: [1, {2\n\x01\x02 : : ::\n"},
        {"not YAML", std::string("\x89PNG\r\n\x1a\n\x00\x00\x00", 11)},
        {"a list", header + "- 1\n- 2\n"},
        {"no size", header + "nmarkers: 1\nmarker_0: \"" + bits16 + "\"\n"},
        {"size as text", header + "nmarkers: 1\nmarkersize: four\nmarker_0: \"" + bits16 + "\"\n"},
        {"longer markers than the size", header + "nmarkers: 2\nmarkersize: 4\nmarker_0: \"" + bits16 +
                                             "\"\nmarker_1: \"" + std::string(400, '1') + "\"\n"},
        {"shorter markers than the size",
         header + "nmarkers: 1\nmarkersize: 5\nmarker_0: \"" + bits16 + "\"\n"},
        {"fewer markers than counted", header + "nmarkers: 3\nmarkersize: 4\nmarker_0: \"" + bits16 + "\"\n"},
        {"bits other than 0 and 1", header + "nmarkers: 1\nmarkersize: 4\nmarker_0: \"01201111111111ab\"\n"},
        {"no markers", header + "nmarkers: 0\nmarkersize: 4\n"},
        {"huge count", header + "nmarkers: 2000000000\nmarkersize: 4\n"},
        {"huge size", header + "nmarkers: 1\nmarkersize: 100000\nmarker_0: \"1\"\n"},
        {"negative correction",
         header + "nmarkers: 1\nmarkersize: 4\nmaxCorrectionBits: -3\nmarker_0: \"" + bits16 + "\"\n"},
    };
    for (const BadFile& file : files) {
        SCOPED_TRACE(file.what);
        m_lines.clear();
        test::PlatTestFolder::WriteText(FilePath(), file.text);
        EXPECT_TRUE(LoadProbeMarkerDictionary(m_folder.Path()).empty());
        ASSERT_EQ(m_lines.size(), 1u);
        EXPECT_NE(m_lines[0].find(FilePath()), std::string::npos) << m_lines[0];
        EXPECT_NE(m_lines[0].find("AprilTag 16h5"), std::string::npos) << m_lines[0];
    }
}

TEST_F(ProbeMarkerDictionaryTest, MissingAndHostileFilesAreRefusedWithoutReading) {
    m_lines.clear();
    EXPECT_TRUE(LoadProbeMarkerDictionary(m_folder.Path()).empty());
    ASSERT_EQ(m_lines.size(), 1u);
    EXPECT_NE(m_lines[0].find(FilePath() + " does not exist"), std::string::npos) << m_lines[0];

    test::PlatTestFolder hostileFolder;
    for (const test::HostileFile& hostile : test::MakeHostileFiles(hostileFolder.Path(), ".yml")) {
        SCOPED_TRACE(hostile.what);
        test::PlatTestFolder folder;
        test::PlaceHostileFile(hostile, folder.File(kProbeMarkerDictionaryFileName));
        m_lines.clear();
        EXPECT_TRUE(LoadProbeMarkerDictionary(folder.Path()).empty());
        EXPECT_EQ(m_lines.size(), 1u);
    }
}

} // namespace
} // namespace orv
