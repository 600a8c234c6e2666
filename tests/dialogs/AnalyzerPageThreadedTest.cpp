// The Preferences sheet's "Analyzer" page over the in-process engine with an R&S FSV on the SCPI
// simulator: "Set Analyzer" has the engine load the chosen driver and waits for its answer; the
// refusals, a driver the device information does not expect, "Force Driver" against an analyser of
// another model, an engine that does not answer in time, and a sheet that cannot be closed meanwhile.

#include "analyzers/AnalyzerSwitches.h"
#include "analyzers/CInstrumentInfo.h"
#include "core/QAnalyzerInfo.h"
#include "core/QDeviceInfoList.h"
#include "core/QManagers.h"
#include "core/QRegistryNameEntry.h"
#include "dialogs/CPagePreferenceAnalyzer.h"
#include "dialogs/CPageWait.h"
#include "engine/CEngineObjects.h"
#include "engine/EngineProcessFlags.h"
#include "platform/ui/ScriptedPrompt.h"
#include "protocol/CMainFrameLink.h"
#include "protocol/QCommLayer.h"
#include "protocol/QScanEngineLinkOverController.h"
#include "protocol/QUIBBStateController.h"
#include "tests/dialogs/support/SheetTestSupport.h"
#include "tests/engine/support/EngineLinkFixture.h"
#include "tests/engine/support/EngineTestScopes.h"
#include "tests/protocol/support/PlaceholderEngineRun.h"
#include "tests/sim/scpi/support/ScpiSimulatorProcess.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orv {
namespace {

using namespace std::chrono_literals;
using Page = CPagePreferenceAnalyzer;

constexpr int32_t kFsv = 84; // "R&S FSV", driver 38
constexpr int32_t kFsu = 80; // "R&S FSU", driver 34

class AnalyzerPageTest : public testing::SheetFixture {
protected:
    AnalyzerPageTest() {
        m_sim.AddResource("A");
        m_sim.SetIdentity("A", "Rohde&Schwarz,FSV-7,101234/007,2.30");
        m_sim.SetCommandSet("A", "rs");
        m_resources.emplace("ORV_VISA_RESOURCES", m_sim.ResourceName("A") + ";");
        SetNoAnalyzerSwitch(false);
        GetDeviceInfoList().Add(std::make_unique<QRegistryNameEntry>(kFsv, "38*R&S FSV"));
        GetDeviceInfoList().Add(std::make_unique<QRegistryNameEntry>(kFsu, "34*R&S FSU"));
        GetAnalyzerInfoManager().Insert(std::make_unique<QAnalyzerInfo>("RSFSV+ RSIB", kFsv));
    }
    ~AnalyzerPageTest() override {
        nodes.clear();
        link.reset();
        layer.reset();
        controller.reset();
        engine.reset();
        GetAnalyzerInfoManager().Remove(kFsv);
        DestroyDeviceInfoList();
        DriverChangeApplyFlag().store(0);
    }

    // The engine connected and its version read; the Preferences sheet open on the page.
    Page& Open(std::optional<int32_t> shownAsCurrent = std::nullopt) {
        EXPECT_TRUE(test::ConnectPlaceholderRun(*engine, *controller, *layer, frame, thread, link, 60s));
        mainFrame.link = link.get();
        controller->DetectEngineVersion(0);
        EXPECT_TRUE(test::PumpUntil(
            thread, [&] { return !controller->HasWaitCursor() && controller->GetState() == 2; }, 60s));
        GetInstrumentInfo().SetAnalyzerConnected(true);
        if (shownAsCurrent) {
            GetInstrumentInfo().SetSelectedAnalyzerID(*shownAsCurrent);
        }
        nodes.push_back(MakeNode(2000, nullptr, "Preferences"));
        sheet = OpenSheet(*nodes.back(), 0);
        auto* page = sheet != nullptr ? dynamic_cast<Page*>(sheet->GetActivePage()) : nullptr;
        EXPECT_NE(page, nullptr);
        return *page;
    }
    static void Choose(Page& page, const char* name) {
        page.GetCombo().setCurrentIndex(page.GetCombo().findText(name, Qt::MatchFixedString));
        page.OnSelectionChanged();
    }

    test::ScpiSimulatorProcess m_sim;
    test::TemporaryUserDataFolder m_folder{"orv-analyzer-page"};
    test::EnvironmentValue m_libraries{"ORV_VISA_LIBRARIES", std::string()};
    std::optional<test::EnvironmentValue> m_resources;
    std::shared_ptr<ScriptedPrompt> prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall promptInstall{prompt};
    test::LogCapture log;
    test::QuietMainFrame frame{thread};
    std::unique_ptr<CEngineObjects> engine = std::make_unique<CEngineObjects>();
    std::unique_ptr<QUIBBStateController> controller = std::make_unique<QUIBBStateController>(thread);
    std::unique_ptr<QCommLayer> layer = std::make_unique<QCommLayer>();
    std::unique_ptr<QScanEngineLinkOverController> link;
    std::vector<std::unique_ptr<QNodeMediator>> nodes;
    CNodeOptionsSheet* sheet = nullptr;
    test::PlaceholderRunRegistries registries;
};

TEST_F(AnalyzerPageTest, TheAnalyserInUseIsShownAndChoosingItAgainOffersNothing) {
    Page& page = Open();
    EXPECT_EQ(page.GetCurrentEdit().text(), "R&S FSV") << "the analyser the connection found";
    EXPECT_EQ(page.GetCombo().currentText(), "R&S FSV");
    EXPECT_EQ(page.GetCombo().count(), static_cast<int>(GetInstrumentInfo().GetSupportedAnalyzers().size()));
    Choose(page, "R&S FSU");
    EXPECT_TRUE(page.GetSetButton().isEnabled());
    EXPECT_TRUE(page.GetForceButton().isEnabled());
    Choose(page, "r&s fsv");
    EXPECT_FALSE(page.GetSetButton().isEnabled());
    EXPECT_FALSE(page.GetForceButton().isEnabled());
    // The sheet's own buttons are hidden on this page and back on another.
    EXPECT_FALSE(sheet->GetButton(CNodeOptionsSheet::kOkId)->isVisibleTo(sheet));
    EXPECT_FALSE(sheet->GetButton(CNodeOptionsSheet::kApplyId)->isVisibleTo(sheet));
    ASSERT_TRUE(sheet->SetActivePage(1));
    EXPECT_TRUE(sheet->GetButton(CNodeOptionsSheet::kOkId)->isVisibleTo(sheet));
    EXPECT_TRUE(sheet->GetButton(CNodeOptionsSheet::kCancelId)->isVisibleTo(sheet));
}

TEST_F(AnalyzerPageTest, SetAnalyzerLoadsTheChosenDriverAndTheSheetWaitsClosedForIt) {
    Page& page = Open(kFsu);
    EXPECT_EQ(page.GetCurrentEdit().text(), "R&S FSU");
    Choose(page, "R&S FSV");
    std::vector<std::string> drivers;
    for (int i = 0; i < page.GetDriverList().count(); ++i) {
        drivers.push_back(page.GetDriverList().item(i)->text().toStdString());
    }
    EXPECT_EQ(drivers, (std::vector<std::string>{"RSFSV", "RSIB"}));
    ASSERT_TRUE(page.GetSetButton().isEnabled());

    bool closeRefused = false;
    bool tabsOff = false;
    QTimer::singleShot(0, [&] {
        tabsOff = sheet->IsWaiting() && !sheet->GetButton(CNodeOptionsSheet::kCancelId)->isEnabled();
        sheet->reject();
        closeRefused = sheet->isVisible();
    });
    page.OnSetAnalyzer();
    EXPECT_TRUE(tabsOff);
    EXPECT_TRUE(closeRefused) << "the sheet stays open while the page waits";
    EXPECT_FALSE(sheet->IsWaiting());
    EXPECT_TRUE(prompt->Texts().empty()) << ::testing::PrintToString(prompt->Texts());
    EXPECT_EQ(page.GetCurrentEdit().text(), "R&S FSV");
    EXPECT_FALSE(page.GetSetButton().isEnabled());
    EXPECT_FALSE(page.GetForceButton().isEnabled());
    EXPECT_FALSE(page.GetProgress().isVisible());
    EXPECT_EQ(GetInstrumentInfo().GetSelectedAnalyzerID(), kFsv);
    EXPECT_EQ(controller->GetAnalyzerOptions().GetLoadedDriverId(), 38);
    EXPECT_TRUE(log.Has("Manually set spectrum analyzer driver for 'R&S FSV'"));
}

TEST_F(AnalyzerPageTest, AnotherModelFailsUnlessForcedAndTheForceIsClearedAfterwards) {
    Page& page = Open();
    Choose(page, "R&S FSU");
    page.OnSetAnalyzer();
    ASSERT_EQ(prompt->Texts().size(), 1U);
    EXPECT_EQ(prompt->Texts()[0],
              "Connecting to 'R&S FSU' failed.\n\n Please check IO manager settings for 'R&S FSU'.");
    EXPECT_TRUE(log.Has("Failed to manually setting spectrum analyzer driver for 'R&S FSU'"));
    EXPECT_NE(page.GetCurrentEdit().text(), "R&S FSU");

    page.OnForceDriver();
    EXPECT_EQ(prompt->Texts().size(), 1U) << ::testing::PrintToString(prompt->Texts());
    EXPECT_EQ(page.GetCurrentEdit().text(), "R&S FSU");
    EXPECT_EQ(controller->GetAnalyzerOptions().GetLoadedDriverId(), 34);
    EXPECT_EQ(DriverChangeApplyFlag().load(), 0);
}

TEST_F(AnalyzerPageTest, RefusalsAndAnEngineThatDoesNotAnswerInTime) {
    Page& page = Open(kFsu);
    Choose(page, "R&S FSV");
    GetInstrumentInfo().SetAnalyzerConnected(false);
    page.OnForceDriver();
    GetInstrumentInfo().SetAnalyzerConnected(true);
    controller->SetState(12);
    page.OnSetAnalyzer();
    controller->SetState(2);
    EXPECT_EQ(prompt->Texts(),
              (std::vector<std::string>{"Please wait for a spectrum analyzer to be connected.",
                                        "This function may not be used during a scan."}));
    EXPECT_EQ(DriverChangeApplyFlag().load(), 0);

    // The analyser answers its identity only after the page's 90 ticks (1 ms each here) have passed.
    m_sim.SetDelay("A", "*IDN?", 2000);
    const CPageWait::ScopedTick fast(1ms);
    page.OnSetAnalyzer();
    ASSERT_EQ(prompt->Texts().size(), 3U);
    EXPECT_EQ(
        prompt->Texts()[2],
        "Timeout trying to connect to 'R&S FSV' failed.\n\n Please check IO manager settings for 'R&S FSV'.");
    EXPECT_TRUE(log.Has("Failed to manually setting spectrum analyzer driver for 'R&S FSV' - timeout"));
    EXPECT_EQ(page.GetProgress().value(), Page::kWaitTicks);
    EXPECT_FALSE(page.GetProgress().isVisible());
}

TEST(AnalyzerPageDriverNamesTest, DriverTextsAreSplitTrimmedAndCut) {
    EXPECT_EQ(Page::DriverNames(0), (std::vector<std::string>{"Invalid Driver"}));
    EXPECT_EQ(Page::DriverNames(-1), (std::vector<std::string>{"Invalid Driver"}));
    GetAnalyzerInfoManager().Insert(std::make_unique<QAnalyzerInfo>("A+ B+C", 4711));
    EXPECT_EQ(Page::DriverNames(4711), (std::vector<std::string>{"A", "B", "C"}));
    GetAnalyzerInfoManager().Insert(std::make_unique<QAnalyzerInfo>(std::string(1200, 'x') + "+y", 4711));
    const std::vector<std::string> cut = Page::DriverNames(4711);
    ASSERT_EQ(cut.size(), 2U);
    EXPECT_EQ(cut[0].size(), Page::kMaxDriverNameChars);
    GetAnalyzerInfoManager().Remove(4711);
}

} // namespace
} // namespace orv
