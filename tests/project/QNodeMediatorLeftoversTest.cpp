#include "project/QProbeVideoTrack.h"
#include "scandata/CHandHeldProbeScanData.h"
#include "scandata/CSpatialScanData.h"
#include "scandata/CSpectralScanData.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "tests/project/support/MediatorFakes.h"

#include <gtest/gtest.h>

#include <map>

namespace orv::test {
namespace {

QSpectralScanAddition Spectral(int32_t id, std::vector<QMeasuredFrequencyData::Entry> measured = {}) {
    QSpectralScanAddition addition;
    addition.m_Record.m_ScanId = id;
    addition.m_Record.m_Texts = {"user", "analyser", "module", "date", "head", ""};
    addition.m_Record.m_StartFrequency = 100.0F;
    addition.m_Record.m_StopFrequency = 200.0F;
    addition.m_Record.m_Rows = 29;
    addition.m_Record.m_Columns = 42;
    addition.m_HasPoints = true;
    addition.m_MirtPoints = {QSpectralPoint{10, 1, 2}, QSpectralPoint{20, 1, 2}};
    addition.m_MeasuredFrequencies = std::move(measured);
    return addition;
}

QCellAddition Cell(int32_t id, uint32_t index, uint32_t count) {
    QCellAddition addition;
    addition.m_Record.m_ScanId = id;
    addition.m_Record.m_Rows = 29;
    addition.m_Record.m_Columns = 42;
    addition.m_CellIndex = index;
    addition.m_CellCount = count;
    addition.m_CellWord1 = static_cast<uint16_t>(index);
    addition.m_HasValues = true;
    addition.m_Values = {1, 2, 3};
    return addition;
}

std::unique_ptr<CSpectralScanData> SpectralWithID(uint32_t id) {
    auto scan = std::make_unique<CSpectralScanData>();
    scan->m_ScanId = id;
    return scan;
}

class LeftoversTest : public ::testing::Test {
protected:
    LeftoversTest() : factory(thread), window(thread) {}

    std::unique_ptr<TestMediator> Make(uint16_t kind, uint32_t id = 1) {
        auto mediator = std::make_unique<TestMediator>(kind, "Node", id);
        mediator->Wire(&factory, &window, &tree, &list, &container);
        return mediator;
    }

    MessageThread thread;
    FakeViewFactory factory;
    FakeProjectWindow window;
    FakeProjectTree tree;
    FakeScanDataList list;
    FakeNodeContainer container;
};

TEST_F(LeftoversTest, CurrentScanPointCountFollowsTheShownEntryOfTheOwnKind) {
    auto spectral = Make(2003);
    EXPECT_EQ(spectral->GetCurrentScanPointCount(), 0U);
    ASSERT_TRUE(
        spectral->AddSpectralScanData(Spectral(1, {{0, 100.0F}, {1, 150.0F}, {1, 160.0F}}), false, false));
    ASSERT_TRUE(spectral->AddSpectralScanData(Spectral(2, {{0, 100.0F}}), false, false));
    bool created = false;
    spectral->OpenView(2003, created, true);
    spectral->ShowSpectralScanData(1);
    EXPECT_EQ(spectral->GetCurrentScanPointCount(), 3U);
    spectral->ShowSpectralScanData(2);
    EXPECT_EQ(spectral->GetCurrentScanPointCount(), 1U);
    ASSERT_TRUE(spectral->DeleteSpectralScanData(2));
    spectral->ClearScanData();
    EXPECT_EQ(spectral->GetCurrentScanPointCount(), 0U);

    // A kind without a scan list has no current entry.
    EXPECT_EQ(Make(2006)->GetCurrentScanPointCount(), 0U);
}

TEST_F(LeftoversTest, HandHeldCurrentEntryCountsAndSurvivesItsDeletion) {
    auto mediator = Make(2029);
    ASSERT_TRUE(mediator->AddHandHeldProbeScanData(Cell(1, 1, 1), false));
    ASSERT_TRUE(mediator->AddHandHeldProbeScanData(Cell(2, 1, 1), false));
    mediator->GetHandHeldProbeScanData(1)->m_MeasuredFrequencies = {{0, 100.0F}, {1, 120.0F}};
    bool created = false;
    mediator->OpenView(2029, created, true);
    mediator->ShowHandHeldProbeScanData(1, false);
    EXPECT_EQ(mediator->GetCurrentScanPointCount(), 2U);
    // The shown entry goes: its successor is shown and counted, nothing dangles.
    ASSERT_TRUE(mediator->DeleteHandHeldProbeScanData(1));
    EXPECT_EQ(mediator->GetDisplayedHandHeldScanID(), 2);
    EXPECT_EQ(mediator->GetCurrentScanPointCount(), 0U);
    ASSERT_TRUE(mediator->DeleteHandHeldProbeScanData(2));
    EXPECT_EQ(mediator->GetCurrentScanPointCount(), 0U);
}

TEST_F(LeftoversTest, PastedNodeTakesCopiesOfTheScans) {
    auto source = Make(2003, 5);
    ASSERT_TRUE(source->AddSpectralScanData(Spectral(1, {{0, 100.0F}}), false, false));
    ASSERT_TRUE(source->AddSpectralScanData(Spectral(4), false, false));
    auto pasted = Make(2003, 6);
    ASSERT_TRUE(pasted->CopyScanDataFrom(*source));
    EXPECT_EQ(pasted->GetScanIDs(2003), (std::vector<int32_t>{1, 4}));
    CSpectralScanData* copy = pasted->GetSpectralScanData(1);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, source->GetSpectralScanData(1));
    EXPECT_EQ(copy->m_Mediator, pasted.get());
    EXPECT_EQ(copy->m_MeasuredFrequencies.size(), 1U);
    // The copies outlive their source.
    source.reset();
    EXPECT_EQ(pasted->GetSpectralScanData(4)->m_ScanId, 4U);
    EXPECT_EQ(pasted->GetNextSpectralScanID(), 5);
}

TEST_F(LeftoversTest, ScanCopyIsRefusedWithoutChangingAnything) {
    auto source = Make(2003, 5);
    ASSERT_TRUE(source->AddSpectralScanData(Spectral(1), false, false));
    ASSERT_TRUE(source->AddSpectralScanData(Spectral(2), false, false));

    EXPECT_FALSE(Make(2004)->CopyScanDataFrom(*source)); // another kind
    EXPECT_FALSE(source->CopyScanDataFrom(*source));

    // A scan ID already held would no longer be unique.
    auto target = Make(2003, 6);
    ASSERT_TRUE(target->AddSpectralScanData(Spectral(2), false, false));
    EXPECT_FALSE(target->CopyScanDataFrom(*source));
    EXPECT_EQ(target->GetScanIDs(2003), std::vector<int32_t>{2});
}

TEST_F(LeftoversTest, PastedHandHeldNodeTakesCopiesOfItsScans) {
    auto handHeld = Make(2029, 5);
    ASSERT_TRUE(handHeld->AddHandHeldProbeScanData(Cell(1, 1, 1), false));
    ASSERT_TRUE(handHeld->AddHandHeldProbeScanData(Cell(2, 1, 1), false));
    auto pasted = Make(2029, 6);
    ASSERT_TRUE(pasted->CopyScanDataFrom(*handHeld));
    for (int32_t id : {1, 2}) {
        CHandHeldProbeScanData* copy = pasted->GetHandHeldProbeScanData(id);
        ASSERT_NE(copy, nullptr);
        EXPECT_NE(copy, handHeld->GetHandHeldProbeScanData(id));
        EXPECT_EQ(copy->m_ScanId, static_cast<uint32_t>(id));
        EXPECT_EQ(copy->m_Mediator, pasted.get());
    }
    // Pasting the same scans again would repeat their IDs.
    EXPECT_FALSE(pasted->CopyScanDataFrom(*handHeld));
}

TEST_F(LeftoversTest, PastedComparisonTakesCopiesOfTheComparedScans) {
    auto source = Make(2010, 5);
    ASSERT_TRUE(source->SetComparedScan(true, SpectralWithID(3)));
    ASSERT_TRUE(source->SetComparedScan(false, SpectralWithID(8)));
    auto pasted = Make(2010, 6);
    ASSERT_TRUE(pasted->CopyScanDataFrom(*source));
    for (bool first : {true, false}) {
        CScanData* copy = pasted->GetComparedScan(first);
        ASSERT_NE(copy, nullptr);
        EXPECT_NE(copy, source->GetComparedScan(first));
        EXPECT_EQ(copy->m_ScanId, source->GetComparedScan(first)->m_ScanId);
        EXPECT_EQ(copy->m_Mediator, pasted.get());
    }
    // Releasing the source's scan leaves the copy.
    source->RemoveSpectralComparisonScan(true);
    EXPECT_EQ(source->GetComparedScan(true), nullptr);
    ASSERT_NE(pasted->GetComparedScan(true), nullptr);
}

TEST_F(LeftoversTest, ComparedKindsListTheirComparedScans) {
    auto mediator = Make(2010);
    bool created = false;
    mediator->OpenView(2010, created, true);
    FakeFrame& frame = *factory.frames.back();
    const int raised = frame.raised;
    mediator->FillScanDataList(2010);
    EXPECT_TRUE(list.rows.empty());
    ASSERT_TRUE(mediator->SetComparedScan(false, SpectralWithID(9)));
    mediator->FillScanDataList(2010);
    EXPECT_EQ(list.rows, std::vector<std::string>{"Test"});
    ASSERT_TRUE(mediator->SetComparedScan(true, SpectralWithID(4)));
    mediator->FillScanDataList(2010);
    EXPECT_EQ(list.rows, (std::vector<std::string>{"Reference", "Test"}));
    EXPECT_EQ(list.owner, mediator.get());
    EXPECT_EQ(frame.raised, raised + 3);
}

TEST_F(LeftoversTest, ScriptingKindListsItsSpectralSpatialScans) {
    auto mediator = Make(2014);
    ASSERT_TRUE(mediator->AddSpectralSpatialScanData(Cell(3, 1, 1), false));
    ASSERT_TRUE(mediator->AddSpectralSpatialScanData(Cell(12, 1, 1), false));
    list.rows = {"stale"};
    mediator->FillScanDataList(2014);
    EXPECT_EQ(list.rows, (std::vector<std::string>{"3", "12"}));
}

class FakeProbeTrack : public CProbeVideoTrack {
public:
    void GetMarkerPosition(float& outX, float& outY) const override {
        outX = x;
        outY = y;
    }
    uint32_t GetFramesSinceDetected() const override { return frames; }
    float x = 0.0F;
    float y = 0.0F;
    uint32_t frames = 0;
};

// Installs an acquirer over a table of cameras for the test's lifetime.
class ProbeTrackTest : public LeftoversTest {
protected:
    ProbeTrackTest() {
        SetProbeVideoTrackAcquirer([this](const std::string& path) -> std::shared_ptr<CProbeVideoTrack> {
            requested.push_back(path);
            auto found = cameras.find(path);
            return found != cameras.end() ? found->second : nullptr;
        });
    }
    ~ProbeTrackTest() override { SetProbeVideoTrackAcquirer({}); }

    std::map<std::string, std::shared_ptr<FakeProbeTrack>> cameras;
    std::vector<std::string> requested;
};

TEST_F(ProbeTrackTest, NodesShareTheTrackerOfTheirCamera) {
    auto camera = std::make_shared<FakeProbeTrack>();
    camera->x = 12.5F;
    camera->y = -3.25F;
    cameras["/dev/video0"] = camera;
    auto first = Make(2029);
    auto second = Make(2029);
    ASSERT_TRUE(first->StartProbeVideoTrack("/dev/video0"));
    ASSERT_TRUE(second->StartProbeVideoTrack("/dev/video0"));
    EXPECT_EQ(first->GetProbeVideoTrack(), camera);
    EXPECT_EQ(second->GetProbeVideoTrack(), camera);
    EXPECT_EQ(first->GetProbeCameraPath(), "/dev/video0");
    float x = 0.0F;
    float y = 0.0F;
    first->GetProbeMarkerPosition(x, y);
    EXPECT_EQ(x, 12.5F);
    EXPECT_EQ(y, -3.25F);

    first->StopProbeVideoTrack();
    EXPECT_FALSE(first->HasProbeVideoTrack());
    EXPECT_TRUE(second->HasProbeVideoTrack());
    first->GetProbeMarkerPosition(x, y);
    EXPECT_EQ(x, 0.0F);
    EXPECT_EQ(y, 0.0F);
    EXPECT_FALSE(first->IsProbeMarkerTracked());
}

TEST_F(ProbeTrackTest, MarkerCountsAsTrackedWithinThreeFrames) {
    auto camera = std::make_shared<FakeProbeTrack>();
    cameras["cam"] = camera;
    auto mediator = Make(2029);
    ASSERT_TRUE(mediator->StartProbeVideoTrack("cam"));
    for (auto [frames, tracked] :
         std::vector<std::pair<uint32_t, bool>>{{0, true}, {2, true}, {3, false}, {90, false}}) {
        camera->frames = frames;
        EXPECT_EQ(mediator->IsProbeMarkerTracked(), tracked) << frames;
    }
}

TEST_F(ProbeTrackTest, ACameraThatCannotBeOpenedDropsTheTrackerHeld) {
    cameras["good"] = std::make_shared<FakeProbeTrack>();
    auto mediator = Make(2029);
    ASSERT_TRUE(mediator->StartProbeVideoTrack("good"));
    EXPECT_FALSE(mediator->StartProbeVideoTrack("missing"));
    EXPECT_FALSE(mediator->HasProbeVideoTrack());
    EXPECT_EQ(mediator->GetProbeVideoTrack(), nullptr);
    EXPECT_EQ(mediator->GetProbeCameraPath(), "missing");
    EXPECT_EQ(requested, (std::vector<std::string>{"good", "missing"}));
}

TEST(ProbeTrackAcquire, NoCameraWithoutAnInstalledAcquirer) {
    SetProbeVideoTrackAcquirer({});
    EXPECT_EQ(AcquireProbeVideoTrack("/dev/video0"), nullptr);
    TestMediator mediator(2029);
    EXPECT_FALSE(mediator.StartProbeVideoTrack("/dev/video0"));
}

} // namespace
} // namespace orv::test
