#include "core/QAttenuatorOptions.h"
#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "core/QOverlayOptions.h"
#include "core/QProbeScanPattern.h"
#include "core/QScanOptions.h"
#include "core/QSpatialDisplayOptions.h"
#include "core/QSpectralDisplayOptions.h"
#include "core/TypeIds.h"
#include "project/QFundamentalNodeMediator.h"
#include "project/QMediatorProjectFileModel.h"
#include "project/QNodeFactory.h"
#include "project/QProbeVideoTrack.h"
#include "project/QProjectFileFormat.h"
#include "project/QScanDescription.h"
#include "project/QScanOptionSnapshot.h"
#include "scandata/CSpatialScanData.h"
#include "scandata/CSpectralScanData.h"
#include "scandata/QSetupScanCommand.h"
#include "scandata/QSpectralScan.h"
#include "scandata/QTransportContainer.h"
#include "tests/project/support/ProjectContainerFakes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orv {
namespace {

class FixedDescriptionSource final : public QScanDescriptionSource {
public:
    std::optional<std::tm> LocalTimeNow() override {
        std::tm time{};
        time.tm_year = 126;
        time.tm_mon = 11;
        time.tm_mday = 10;
        time.tm_hour = 9;
        time.tm_min = 8;
        time.tm_sec = 7;
        return time;
    }
    std::string UserName() override { return "engineer"; }
};

class StillCamera final : public CProbeVideoTrack {
public:
    void GetMarkerPosition(float& x, float& y) const override { x = y = 0.0F; }
    uint32_t GetFramesSinceDetected() const override { return 0; }
};

std::unique_ptr<QTransportContainer> SpectrumStep() {
    auto* setup = new QSetupScanCommand();
    setup->SetProbeScanPattern(QProbeScanPattern(2, 3));
    setup->SetFrequencyRange(100.0F, 200.0F);
    auto* record = new QSpectralScan();
    record->SetPointCount(3);
    for (uint32_t i = 0; i < 3; ++i) {
        record->SetAmplitude(i, static_cast<int16_t>(100 + i));
    }
    auto step = std::make_unique<QTransportContainer>();
    step->SetSetupScanCommand(setup);
    step->SetSpectralScan(record);
    return step;
}

template <class T> void Put(std::vector<uint8_t>& bytes, T value) {
    uint8_t raw[sizeof(T)];
    std::memcpy(raw, &value, sizeof(T));
    bytes.insert(bytes.end(), raw, raw + sizeof(T));
}

std::vector<uint8_t> WriteRecord(const QProjectSpectralScanRecord& record) {
    QCharCounterDataWriter counter;
    WriteSpectralScanRecord(counter, record);
    std::vector<uint8_t> bytes(counter.m_count);
    QCharArrayDataWriter writer(bytes.data(), counter.m_count);
    WriteSpectralScanRecord(writer, record);
    return bytes;
}

bool Contains(const std::vector<uint8_t>& haystack, const std::vector<uint8_t>& needle) {
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

class ReceivedScanSnapshotTest : public ::testing::Test {
protected:
    ReceivedScanSnapshotTest() : m_install(m_source) {}
    ~ReceivedScanSnapshotTest() override { SetProbeVideoTrackAcquirer({}); }

    std::unique_ptr<QNodeMediator> Make(uint16_t kind) {
        QNodeFactory factory(QFundamentalNodeMediator::MakeMaker(m_thread, &m_frame));
        std::unique_ptr<QNodeMediator> mediator =
            factory.CreateNodeWithMediator(nullptr, nullptr, kind, nullptr, false);
        mediator->SetKind(kind);
        return mediator;
    }

    // A live spectral scan listed with the node's options as they stand.
    CSpectralScanData* ListScan(QNodeMediator& mediator) {
        mediator.TakeTransportContainer(SpectrumStep(), false, nullptr, false);
        mediator.UpdateInformation(0);
        m_thread.Pump();
        int32_t id = 0;
        return mediator.GetLastSpectralScanData(id);
    }

    FixedDescriptionSource m_source;
    ScopedScanDescriptionSourceInstall m_install;
    MessageThread m_thread;
    containertest::FakeMainFrame m_frame;
};

TEST_F(ReceivedScanSnapshotTest, TheOverlayPlacementIsStoredAsTheScanAreaBlockByteForByte) {
    struct Case {
        const char* name;
        uint8_t sourceKind;
        bool tracking;
        std::vector<uint8_t> block;
    };
    std::vector<Case> cases;
    {
        // Drawing: variant, overlay ID, show flag, placement A and B, rectangle a, b, c, d.
        std::vector<uint8_t> block;
        Put<uint8_t>(block, 0);
        Put<uint32_t>(block, 7);
        Put<uint8_t>(block, 1);
        Put<float>(block, 1.5F);
        Put<float>(block, -2.25F);
        for (uint32_t word : {10U, 20U, 300U, 400U}) {
            Put<uint32_t>(block, word);
        }
        cases.push_back({"drawing", QOverlayOptions::kSourceDrawing, false, block});
    }
    {
        // Picture: variant, overlay ID, the four picture values, the picture integer, its flags.
        std::vector<uint8_t> block;
        Put<uint8_t>(block, 1);
        Put<uint32_t>(block, 7);
        for (float value : {0.5F, 1.5F, 2.5F, 3.5F}) {
            Put<float>(block, value);
        }
        Put<uint32_t>(block, 99);
        block.insert(block.end(), {4, 5, 6});
        cases.push_back({"picture", QOverlayOptions::kSourcePicture, false, block});
    }
    {
        // Probe tracking: no placement, placement value A is 50.
        std::vector<uint8_t> block;
        Put<uint8_t>(block, 0);
        Put<uint32_t>(block, 7);
        Put<uint8_t>(block, 1);
        Put<float>(block, 50.0F);
        Put<float>(block, 0.0F);
        for (int i = 0; i < 4; ++i) {
            Put<uint32_t>(block, 0);
        }
        cases.push_back({"tracking", QOverlayOptions::kSourceDrawing, true, block});
    }
    auto camera = std::make_shared<StillCamera>();
    SetProbeVideoTrackAcquirer([camera](const std::string&) { return camera; });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<QNodeMediator> mediator = Make(kTypeSpectralScanNode);
        QOverlayOptions* overlay = mediator->GetOverlayOptions();
        ASSERT_NE(overlay, nullptr);
        overlay->m_sourceKind = c.sourceKind;
        overlay->m_overlayId = 7;
        overlay->m_showFlag = 1;
        overlay->m_placementA = 1.5F;
        overlay->m_placementB = -2.25F;
        overlay->m_placement = {10, 20, 300, 400};
        const float pictureValues[4] = {0.5F, 1.5F, 2.5F, 3.5F};
        std::copy(pictureValues, pictureValues + 4, overlay->m_pictureValues);
        overlay->m_pictureInt = 99;
        overlay->m_pictureFlags[0] = 4;
        overlay->m_pictureFlags[1] = 5;
        overlay->m_pictureFlags[2] = 6;
        if (c.tracking) {
            ASSERT_TRUE(mediator->StartProbeVideoTrack("/dev/video0"));
        }
        CSpectralScanData* scan = ListScan(*mediator);
        ASSERT_NE(scan, nullptr);
        const std::vector<uint8_t> stored = WriteRecord(QMediatorProjectFileModel::MakeSpectralRecord(*scan));
        EXPECT_TRUE(Contains(stored, c.block));
    }
}

TEST_F(ReceivedScanSnapshotTest, ALiveScanSavedAndReopenedKeepsItsTextsAndSnapshot) {
    std::unique_ptr<QNodeMediator> mediator = Make(kTypeSpectralScanNode);
    mediator->GetOverlayOptions()->m_overlayId = 12;
    mediator->GetOverlayOptions()->m_placement = {1, 2, 3, 4};
    QAttenuatorOptions* attenuator = mediator->GetAttenuatorOptions();
    ASSERT_NE(attenuator, nullptr);
    attenuator->SetValue(12.5F);
    attenuator->m_byte1 = 1;
    attenuator->m_byte2 = 1;
    mediator->GetScanOptions()->SetMeasurePeaks(true);
    mediator->GetScanOptions()->SetPeakHold(true);
    mediator->GetScanOptions()->SetReferenceLevel(77.0F);
    QSpectralDisplayOptions* spectral = mediator->GetSpectralDisplayOptions();
    spectral->m_levelLow = 30.0F;
    spectral->m_levelHigh = 300.0F;
    spectral->m_markerLow = -20.0F;
    spectral->m_markerHigh = 80.0F;
    spectral->m_modeB = 0;
    spectral->m_modeC = 1;
    spectral->m_step = 6.5F;
    spectral->m_count = 15;
    mediator->GetSpatialDisplayOptions()->m_rangeLow = 150.0F;
    mediator->GetSpatialDisplayOptions()->m_rangeHigh = 900.0F;

    CSpectralScanData* live = ListScan(*mediator);
    ASSERT_NE(live, nullptr);
    // The view settings the listed scan starts with.
    EXPECT_EQ(live->m_LevelLow, 30.0F);
    EXPECT_EQ(live->m_LevelHigh, 300.0F);
    EXPECT_EQ(live->m_MarkerLow, -20.0F);
    EXPECT_EQ(live->m_MarkerHigh, 80.0F);
    EXPECT_EQ(live->m_FrequencyAutoByte, 0);
    EXPECT_EQ(live->m_LevelAutoByte, 1);
    EXPECT_EQ(live->m_SpatialRangeLow, 150.0F);
    EXPECT_EQ(live->m_SpatialRangeHigh, 900.0F);

    // Saved and read back into another node, as a project file does.
    const std::vector<uint8_t> bytes = WriteRecord(QMediatorProjectFileModel::MakeSpectralRecord(*live));
    QProjectSpectralScanRecord reread;
    QCharArrayDataReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    ReadSpectralScanRecord(reader, reread);
    std::unique_ptr<QNodeMediator> reopened = Make(kTypeSpectralScanNode);
    QMediatorProjectFileModel model;
    model.AddSpectralScan(*reopened, std::move(reread));
    int32_t id = 0;
    CSpectralScanData* scan = reopened->GetLastSpectralScanData(id);
    ASSERT_NE(scan, nullptr);
    EXPECT_EQ(scan->m_DateText, "2026-12-10,  09:08:07");
    EXPECT_EQ(scan->m_UserText, "engineer");
    EXPECT_EQ(scan->m_AnalyzerText, live->m_AnalyzerText);
    EXPECT_EQ(scan->m_ModuleText, live->m_ModuleText);
    EXPECT_EQ(scan->m_ScanHeadText, live->m_ScanHeadText);
    EXPECT_NE(scan->m_ScanHeadText.find(",  29 x 42"), std::string::npos);
    EXPECT_EQ(scan->m_ExtraText, "");
    EXPECT_EQ(scan->m_ScanArea, live->m_ScanArea);
    EXPECT_EQ(scan->m_ScanArea.m_OverlayId, 12U);
    EXPECT_EQ(scan->m_ScanArea.m_Bottom, 4);
    EXPECT_EQ(scan->m_TailValue, 12.5F);
    EXPECT_EQ(scan->m_TailBytes, (std::array<uint8_t, 6>{1, 1, 1, 0, 0, 0}));
    EXPECT_EQ(scan->m_PeakHold, 1);
    EXPECT_EQ(scan->m_ReferenceLevel, 77.0F);
}

TEST_F(ReceivedScanSnapshotTest, ARealTimeAnalysersScanReachesTheProjectFileByteForByte) {
    // Three 12-byte records as the data channel reads them: a fraction, a NaN with a payload and a
    // level beyond the 16-bit points' range, each with four words.
    std::vector<uint8_t> records;
    const uint32_t levels[] = {0x42F6E666U /* 123.45 */, 0x7FC01234U, 0x46C35000U /* 25000 */};
    for (uint16_t i = 0; i < 3; ++i) {
        Put(records, levels[i]);
        for (uint16_t word = 0; word < 4; ++word) {
            Put(records, static_cast<uint16_t>(10 * i + word));
        }
    }
    std::vector<uint8_t> body{1, 0, 0};
    Put(body, uint32_t{3});
    body.insert(body.end(), records.begin(), records.end());
    auto* record = new QSpectralScan();
    QCharArrayDataReader bodyReader(body.data(), static_cast<uint32_t>(body.size()));
    record->ReadBody(bodyReader);
    auto step = std::make_unique<QTransportContainer>();
    auto* setup = new QSetupScanCommand();
    setup->SetProbeScanPattern(QProbeScanPattern(2, 3));
    setup->SetFrequencyRange(100.0F, 200.0F);
    step->SetSetupScanCommand(setup);
    step->SetSpectralScan(record);

    std::unique_ptr<QNodeMediator> mediator = Make(kTypeSpectralScanNode);
    mediator->TakeTransportContainer(std::move(step), false, nullptr, false);
    mediator->UpdateInformation(0);
    m_thread.Pump();
    int32_t id = 0;
    CSpectralScanData* live = mediator->GetLastSpectralScanData(id);
    ASSERT_NE(live, nullptr);
    EXPECT_EQ(live->m_AnalyzerText, "think RF");
    EXPECT_EQ(live->GetPointFormat(), CSpectralScanData::kZeltPoints);
    ASSERT_EQ(live->GetFloatPoints().size(), 3U);
    EXPECT_EQ(live->GetFloatPoints()[2].m_SubRow, 22);

    const QProjectSpectralScanRecord stored = QMediatorProjectFileModel::MakeSpectralRecord(*live);
    EXPECT_TRUE(IsZeltFlag(stored.m_zeltFlag));
    EXPECT_EQ(stored.m_points, records);

    // Reopened and saved again: the same bytes.
    const std::vector<uint8_t> bytes = WriteRecord(stored);
    QProjectSpectralScanRecord reread;
    QCharArrayDataReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    ReadSpectralScanRecord(reader, reread);
    std::unique_ptr<QNodeMediator> reopened = Make(kTypeSpectralScanNode);
    QMediatorProjectFileModel model;
    model.AddSpectralScan(*reopened, std::move(reread));
    CSpectralScanData* scan = reopened->GetLastSpectralScanData(id);
    ASSERT_NE(scan, nullptr);
    EXPECT_EQ(scan->m_AnalyzerText, "think RF");
    EXPECT_EQ(QMediatorProjectFileModel::MakeSpectralRecord(*scan).m_points, records);
}

} // namespace
} // namespace orv
