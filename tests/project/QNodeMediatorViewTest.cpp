#include "platform/ui/ScriptedPrompt.h"
#include "project/NodeMessages.h"
#include "tests/project/support/MediatorFakes.h"

#include <gtest/gtest.h>

namespace orv::test {
namespace {

class MediatorViewTest : public ::testing::Test {
protected:
    MediatorViewTest() : factory(thread), window(thread) {}

    std::unique_ptr<TestMediator> Make(uint16_t kind, std::string name = "Board A") {
        auto mediator = std::make_unique<TestMediator>(kind, std::move(name));
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

TEST_F(MediatorViewTest, OpenViewMakesTheFrameOfEachKind) {
    struct Row {
        uint16_t kind;
        QFrameClass frame;
        const char* title;
        uint16_t icon;
        bool mainIsSpectral;
        uint16_t spectralSpatialKind;
    };
    const Row rows[] = {
        {2003, QFrameClass::Spectral, "Spectral View", 438, true, 0},
        {2004, QFrameClass::Spatial, "Spatial View", 439, false, 0},
        {2005, QFrameClass::SpectralSpatial, "SpectralSpatial View", 440, true, 2005},
        {2033, QFrameClass::SpectralSpatial, "SpectralSpatial View", 440, true, 2033},
        {2029, QFrameClass::SpectralSpatial, "SpectralSpatial View", 441, true, 2005},
        {2010, QFrameClass::SpectralComparison, "Spectral Comparison View", 462, true, 0},
        {2011, QFrameClass::SpatialComparison, "Spatial Comparison View", 464, false, 0},
        {2012, QFrameClass::SpectralOverlay, "Spectral Overlay View", 463, true, 0},
        {2014, QFrameClass::Scripting, "Spectral/Spatial Scripting View", 465, true, 0},
        {2030, QFrameClass::BlindSpotReduction, "BlindSpot Reduction View", 461, false, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.kind);
        auto mediator = Make(row.kind);
        const size_t before = factory.frames.size();
        bool created = false;
        QNodeView* view = mediator->OpenView(row.kind, created, false);
        ASSERT_TRUE(created);
        ASSERT_EQ(factory.frames.size(), before + 1);
        FakeFrame& frame = *factory.frames.back();
        EXPECT_EQ(frame.request.frameClass, row.frame);
        EXPECT_EQ(frame.request.title, row.title);
        EXPECT_EQ(frame.request.iconResource, row.icon);
        EXPECT_EQ(frame.request.spectralSpatialKind, row.spectralSpatialKind);
        EXPECT_EQ(frame.request.mediator, mediator.get());
        EXPECT_EQ(frame.request.parent, &window);
        EXPECT_EQ(frame.request.projectTree, &tree);
        EXPECT_EQ(frame.request.scanDataList, &list);
        EXPECT_EQ(frame.request.left, 50);
        EXPECT_EQ(frame.request.top, 50);
        EXPECT_EQ(frame.request.right, 250);
        EXPECT_EQ(frame.request.bottom, 150);
        EXPECT_EQ(mediator->GetFrame(row.frame), &frame);
        if (row.mainIsSpectral) {
            EXPECT_EQ(view, frame.spectral.get());
        } else {
            EXPECT_EQ(view, frame.spatial.get());
        }
        EXPECT_FALSE(frame.visible); // not shown without the show flag
    }
}

TEST_F(MediatorViewTest, KindsWithoutAViewOpenNothing) {
    for (uint16_t kind : {2000, 2001, 2006, 2007, 2013, 2017, 2008}) {
        auto mediator = Make(kind);
        bool created = true;
        EXPECT_EQ(mediator->OpenView(kind, created, true), nullptr);
        EXPECT_FALSE(created);
    }
    EXPECT_TRUE(factory.frames.empty());
}

TEST_F(MediatorViewTest, SecondOpenRestoresAMinimisedFrameAndCreatesNothing) {
    auto mediator = Make(2003);
    bool created = false;
    QNodeView* first = mediator->OpenView(2003, created, true);
    ASSERT_TRUE(created);
    FakeFrame& frame = *factory.frames.back();
    EXPECT_TRUE(frame.visible);
    frame.state = QShowState::Minimised;
    const int raisedBefore = frame.raised;

    QNodeView* second = mediator->OpenView(2003, created, true);
    EXPECT_FALSE(created);
    EXPECT_EQ(second, first);
    EXPECT_EQ(factory.frames.size(), 1U);
    EXPECT_EQ(frame.placements, std::vector<QShowState>{QShowState::Normal});
    EXPECT_EQ(frame.raised, raisedBefore + 1);

    // A maximised frame keeps its state.
    frame.state = QShowState::Maximised;
    mediator->OpenView(2003, created, true);
    EXPECT_EQ(frame.placements.size(), 1U);
}

TEST_F(MediatorViewTest, AFrameWhoseWindowClosedIsMadeAgain) {
    auto mediator = Make(2004);
    bool created = false;
    mediator->OpenView(2004, created, true);
    factory.frames.back()->CloseWindow();
    QNodeView* view = mediator->OpenView(2004, created, true);
    EXPECT_TRUE(created);
    ASSERT_EQ(factory.frames.size(), 2U);
    EXPECT_EQ(view, factory.frames.back()->spatial.get());
}

TEST_F(MediatorViewTest, ScanTitleLeftAlignsTheIdInFourCharacters) {
    auto mediator = Make(2003, "Board A");
    bool created = false;
    mediator->OpenView(2003, created, true);
    FakeFrame& frame = *factory.frames.back();
    struct Row {
        int32_t id;
        const char* title;
    };
    for (const Row& row : {Row{7, "Board A --- Scan ID: 7   "}, Row{12345, "Board A --- Scan ID: 12345"},
                           Row{-1, "Board A --- Scan ID: -1  "}}) {
        mediator->ShowSpectralScanData(row.id);
        EXPECT_EQ(frame.title, row.title);
    }
    EXPECT_EQ(mediator->GetDisplayedSpectralScanID(), -1);
    thread.Pump();
    EXPECT_EQ(frame.spectral->target.Ids(), (std::vector<uint32_t>(3, NodeMessage::kShowSpectralScan)));
}

TEST_F(MediatorViewTest, ShowMessagesGoToTheViewsOfTheKind) {
    auto mediator = Make(2005);
    bool created = false;
    mediator->OpenView(2005, created, true);
    FakeFrame& frame = *factory.frames.back();
    mediator->ShowSpectralSpatialScanData(4, true);
    mediator->ShowHandHeldProbeScanData(5, false);
    // No spectral or spatial frame: nothing.
    mediator->ShowSpectralScanData(1);
    mediator->ShowSpatialScanData(1);
    thread.Pump();
    const std::vector<ReceivedMessage> expected{{NodeMessage::kShowSpectralSpatialScan, 4, 1},
                                                {NodeMessage::kShowHandHeldScan, 5, 0}};
    EXPECT_EQ(frame.spectral->target.received, expected);
    EXPECT_EQ(frame.spatial->target.received, expected);
    EXPECT_EQ(mediator->GetDisplayedSpectralSpatialScanID(), 4);
    EXPECT_EQ(mediator->GetDisplayedHandHeldScanID(), 5);
    EXPECT_EQ(mediator->GetDisplayedSpectralScanID(), -1);

    // Closing the frame resets the displayed scans.
    frame.CloseWindow();
    EXPECT_EQ(mediator->GetDisplayedSpectralSpatialScanID(), -1);
    EXPECT_EQ(mediator->GetDisplayedHandHeldScanID(), -1);
}

TEST_F(MediatorViewTest, RefreshWithoutAnOpenFramePostsNothing) {
    for (uint16_t kind : {2003, 2004, 2005, 2029, 2010, 2011, 2012, 2030}) {
        auto mediator = Make(kind);
        mediator->RefreshSpectralView();
        mediator->RefreshSpatialView();
        mediator->RefreshAllViews();
        mediator->RelayoutViews();
        mediator->ReapplyPlacement();
    }
    EXPECT_EQ(thread.GetPendingCount(), 0U);
}

TEST_F(MediatorViewTest, RefreshPostsTheMessageOfEachOpenFrame) {
    struct Row {
        uint16_t kind;
        std::vector<uint32_t> spectral;
        std::vector<uint32_t> spatial;
    };
    const Row rows[] = {
        {2003, {NodeMessage::kRefreshSpectral}, {}},
        {2004, {}, {NodeMessage::kRefreshSpatial}},
        {2005, {NodeMessage::kRefreshSpectralSpatial}, {NodeMessage::kRefreshSpectralSpatial}},
        {2029, {NodeMessage::kRefreshHandHeld}, {NodeMessage::kRefreshHandHeld}},
        {2010, {NodeMessage::kRefreshSpectralComparison}, {}},
        {2011, {}, {NodeMessage::kRefreshSpatialComparison}},
        {2012, {NodeMessage::kRefreshSpectralOverlay}, {}},
        {2030, {}, {NodeMessage::kRefreshBlindSpotReduction}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.kind);
        auto mediator = Make(row.kind);
        bool created = false;
        mediator->OpenView(row.kind, created, false);
        FakeFrame& frame = *factory.frames.back();
        mediator->RefreshSpectralView();
        mediator->RefreshSpatialView();
        thread.Pump();
        if (frame.spectral != nullptr) {
            EXPECT_EQ(frame.spectral->target.Ids(), row.spectral);
        }
        if (frame.spatial != nullptr) {
            EXPECT_EQ(frame.spatial->target.Ids(), row.spatial);
        }
    }
}

TEST_F(MediatorViewTest, RefreshAllViewsRetitlesFrames) {
    auto mediator = Make(2005, "Board A");
    bool created = false;
    mediator->OpenView(2005, created, false);
    FakeFrame& frame = *factory.frames.back();
    mediator->RefreshAllViews();
    EXPECT_EQ(frame.title, "Board A");
    mediator->ShowSpectralSpatialScanData(3, false);
    mediator->SetName("Board B");
    thread.Pump();
    frame.spatial->target.received.clear();
    mediator->RefreshAllViews();
    EXPECT_EQ(frame.title, "Board B --- Scan ID: 3   ");
    thread.Pump();
    const std::vector<ReceivedMessage> expected{{NodeMessage::kRefreshSpectralSpatial, 0, 0},
                                                {NodeMessage::kRefreshSpatial, 0, 1}};
    EXPECT_EQ(frame.spatial->target.received, expected);
}

TEST_F(MediatorViewTest, RelayoutAndPlacement) {
    // Every frame that the nudge moves is nudged out and back: it ends where it was.
    const std::vector<ReceivedMessage> expected{{NodeMessage::kRelayoutFrame, 1, 0},
                                                {NodeMessage::kRelayoutFrame, NodeMessage::kMinusOne, 0}};
    for (uint16_t kind : {2004, 2005}) {
        auto other = Make(kind);
        bool opened = false;
        other->OpenView(kind, opened, false);
        other->RelayoutViews();
        thread.Pump();
        EXPECT_EQ(factory.frames.back()->target.received, expected) << kind;
    }
    auto mediator = Make(2003);
    bool created = false;
    mediator->OpenView(2003, created, false);
    FakeFrame& frame = *factory.frames.back();
    mediator->RelayoutViews();
    thread.Pump();
    EXPECT_EQ(frame.target.received, expected);

    frame.state = QShowState::Maximised;
    mediator->ReapplyPlacement();
    EXPECT_EQ(frame.placements, (std::vector<QShowState>{QShowState::Normal, QShowState::Maximised}));
}

TEST_F(MediatorViewTest, ProjectModifiedGoesToTheProjectWindow) {
    auto mediator = Make(2003);
    mediator->MarkProjectModified();
    thread.Pump();
    EXPECT_EQ(window.target.Ids(), std::vector<uint32_t>{NodeMessage::kProjectModified});
}

TEST_F(MediatorViewTest, SettingsCaption) {
    struct Row {
        const char* name;
        const char* caption;
    };
    for (const Row& row : {Row{"Preference123", "Preferences"}, Row{"pREFERENCE123", "Preferences"},
                           Row{"Preference1234", "Node Settings - Preference1234"},
                           Row{"Spectral", "Node Settings - Spectral"}, Row{"", "Node Settings - "}}) {
        auto mediator = Make(2003, row.name);
        QSettingsSheet* sheet = mediator->OpenNodeSettings();
        ASSERT_NE(sheet, nullptr);
        EXPECT_EQ(sheet->GetCaption(), row.caption);
    }
}

TEST_F(MediatorViewTest, SettingsPagesByKind) {
    using K = QSettingsPageKind;
    struct Row {
        uint16_t kind;
        uint16_t parentKind;
        uint16_t grandparentKind;
        std::vector<std::pair<K, uint16_t>> pages;
    };
    const std::vector<std::pair<K, uint16_t>> spectralSpatial = {
        {K::SpectralScan, 0}, {K::ScanProbes, 2005}, {K::AmplitudeAdjust, 0}, {K::NodeDescription, 0}};
    const std::vector<std::pair<K, uint16_t>> spatial = {
        {K::SpatialScan, 0}, {K::ScanProbes, 2004}, {K::AmplitudeAdjust, 0}, {K::NodeDescription, 0}};
    const Row rows[] = {
        {2000,
         0,
         0,
         {{K::PreferenceAnalyzer, 0}, {K::PreferenceScannerType, 0}, {K::PreferenceSpectralDisplay, 0}}},
        {2001,
         0,
         0,
         {{K::SpectralScan, 0},
          {K::ScanProbes, 2003},
          {K::SpatialScan, 0},
          {K::ScanProbes, 2004},
          {K::AmplitudeAdjust, 0},
          {K::NodeDescription, 0}}},
        {2003,
         0,
         0,
         {{K::SpectralScan, 0}, {K::ScanProbes, 2003}, {K::AmplitudeAdjust, 0}, {K::NodeDescription, 0}}},
        {2004, 2007, 0, spatial},
        // Spatial children that a scan made under a user's Spectral/Spatial node keep their pages.
        {2004, 2005, 2007, spatial},
        {2004, 2005, 2014, {{K::NodeDescription, 0}}},
        {2005, 0, 0, spectralSpatial},
        {2005, 2014, 0, {{K::ScanProbes, 2005}}},
        {2029,
         0,
         0,
         {{K::SpectralScan, 0}, {K::ScanProbes, 2029}, {K::AmplitudeAdjust, 0}, {K::NodeDescription, 0}}},
        {2029, 2014, 0, {{K::ScanProbes, 2005}}},
        {2014,
         0,
         0,
         {{K::SpectralScan, 0},
          {K::ScanProbes, 2014},
          {K::DefineScripting, 0},
          {K::AmplitudeAdjust, 0},
          {K::NodeDescription, 0}}},
        {2017, 0, 0, {{K::ReportGenerator, 0}, {K::NodeDescription, 0}}},
        {2010, 0, 0, {{K::NodeDescription, 0}}},
        {2033, 2005, 0, {{K::NodeDescription, 0}}},
        {2006, 0, 0, {}},
        {2013, 0, 0, {}},
        {2040, 0, 0, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message()
                     << row.kind << " under " << row.parentKind << "/" << row.grandparentKind);
        TestMediator grandparent(row.grandparentKind);
        TestMediator parent(row.parentKind);
        parent.SetParentMediator(row.grandparentKind != 0 ? &grandparent : nullptr);
        auto mediator = Make(row.kind);
        mediator->SetParentMediator(row.parentKind != 0 ? &parent : nullptr);
        auto* sheet = static_cast<FakeSheet*>(mediator->OpenNodeSettings());
        ASSERT_NE(sheet, nullptr);
        EXPECT_EQ(sheet->mediator, mediator.get());
        std::vector<std::pair<K, uint16_t>> got;
        for (QSettingsPage* page : sheet->pages) {
            auto* fake = static_cast<FakePage*>(page);
            got.emplace_back(fake->kind, fake->scanKind);
            // Only the report generator's page is told its sheet.
            EXPECT_EQ(fake->sheet, fake->kind == K::ReportGenerator ? sheet : nullptr);
        }
        EXPECT_EQ(got, row.pages);
    }
}

TEST_F(MediatorViewTest, SettingsSheetIsKeptWhileItsWindowLives) {
    auto mediator = Make(2003);
    QSettingsSheet* first = mediator->OpenNodeSettings({}, 2);
    EXPECT_EQ(mediator->OpenNodeSettings(), first);
    EXPECT_EQ(factory.sheets.size(), 1U);
    factory.sheets.back()->window = false;
    QSettingsSheet* second = mediator->OpenNodeSettings();
    EXPECT_EQ(factory.sheets.size(), 2U);
    EXPECT_EQ(factory.firstPages, (std::vector<int32_t>{2, 0}));
    EXPECT_EQ(second, factory.sheets.back());
    EXPECT_EQ(static_cast<FakeSheet*>(second)->pages.size(), 4U);
    mediator->DestroyNodeSettings();
    EXPECT_EQ(mediator->FindPage(QSettingsPageKind::SpectralScan), nullptr);
}

TEST_F(MediatorViewTest, TheEndOfAScanEnablesTheScanPagesThatHaveAWindow) {
    auto mediator = Make(2001);
    mediator->OpenNodeSettings();
    // The spatial page was never shown.
    static_cast<FakePage*>(mediator->FindPage(QSettingsPageKind::SpatialScan))->window = false;
    mediator->SetScanInProgress(true);
    EXPECT_TRUE(mediator->IsScanInProgress());
    for (FakePage* page : factory.pages) {
        EXPECT_TRUE(page->enabled.empty()) << int(page->kind);
    }
    mediator->StopWorker();
    EXPECT_FALSE(mediator->IsScanInProgress());
    for (FakePage* page : factory.pages) {
        const bool enabled =
            page->kind == QSettingsPageKind::SpectralScan || page->kind == QSettingsPageKind::AmplitudeAdjust;
        EXPECT_EQ(page->enabled, enabled ? std::vector<bool>{true} : std::vector<bool>{}) << int(page->kind);
    }
}

TEST_F(MediatorViewTest, ViewNodeOfAReportGeneratorOpensTheReport) {
    auto prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall install(prompt);
    auto mediator = Make(2017);
    struct Row {
        QReportOpenResult result;
        const char* text;
    };
    for (const Row& row : {Row{QReportOpenResult::Opened, nullptr},
                           Row{QReportOpenResult::FileMissing, "The report file can't be found."},
                           Row{QReportOpenResult::WordProcessorFailed,
                               "There is a problem with MS Word when initializing."}}) {
        factory.reportResult = row.result;
        const size_t before = prompt->Requests().size();
        mediator->ViewNode();
        const auto requests = prompt->Requests();
        if (row.text == nullptr) {
            EXPECT_EQ(requests.size(), before);
        } else {
            ASSERT_EQ(requests.size(), before + 1);
            EXPECT_EQ(requests.back().text, row.text);
            EXPECT_EQ(requests.back().caption, "Warning");
        }
    }
    EXPECT_EQ(factory.reportOpens, 3);
    EXPECT_TRUE(factory.frames.empty());
}

TEST_F(MediatorViewTest, ViewNodeOfAnUnresolvedCompositeWarnsAndOpensNothing) {
    auto prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall install(prompt);
    TestMediator parent(2029);
    auto mediator = Make(2033);
    mediator->SetParentMediator(&parent);
    mediator->ViewNode();
    ASSERT_EQ(prompt->Requests().size(), 1U);
    EXPECT_EQ(prompt->Requests()[0].text,
              "The linked san data can't be found. The scan info can't be opened any more in the view !");
    EXPECT_EQ(prompt->Requests()[0].icon, PromptIcon::Information);
    EXPECT_TRUE(factory.frames.empty());

    // Under a spectral/spatial node the composite opens its view without looking up the scan.
    TestMediator spectralSpatial(2005);
    mediator->SetParentMediator(&spectralSpatial);
    mediator->ViewNode();
    EXPECT_EQ(prompt->Requests().size(), 1U);
    ASSERT_EQ(factory.frames.size(), 1U);
    EXPECT_TRUE(factory.frames[0]->visible);
}

TEST_F(MediatorViewTest, DestroyingTheMediatorDestroysOpenWindows) {
    auto mediator = Make(2003);
    bool created = false;
    mediator->OpenView(2003, created, true);
    bool other = false;
    mediator->OpenView(2004, other, true); // a second frame, closed by the user
    factory.frames.back()->CloseWindow();
    mediator->OpenNodeSettings();
    mediator->ShowSpectralScanData(3);
    mediator.reset();
    EXPECT_EQ(factory.destroyedWindows, 2); // the open frame and the sheet
    // Posted messages for views that are gone are dropped.
    EXPECT_EQ(thread.Pump(), 0U);
}

TEST_F(MediatorViewTest, PreferencesMediatorAndTreeSelection) {
    auto mediator = Make(2003);
    TestMediator preferences(2000);
    container.preferences = &preferences;
    EXPECT_EQ(mediator->GetPreferencesMediator(), &preferences);
    mediator->SetContainer(nullptr);
    EXPECT_EQ(mediator->GetPreferencesMediator(), nullptr);
    mediator->SelectInProjectTree();
    EXPECT_EQ(tree.selected, std::vector<QNodeMediator*>{mediator.get()});
}

} // namespace
} // namespace orv::test
