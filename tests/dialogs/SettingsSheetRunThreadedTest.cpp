// The settings sheet over the program's own scan workflow: the in-process engine with the no-scanner
// driver and the placeholder analyser. The cursor over the sheet while an analyser driver is set, and
// a sweep set through the sheet reaching the next scan.

#include "analyzers/CInstrumentInfo.h"
#include "core/QScanOptions.h"
#include "core/TypeIds.h"
#include "dialogs/CPageScanProbes.h"
#include "dialogs/CPageSpatialScan.h"
#include "dialogs/CPageSpectralScan.h"
#include "dialogs/CPageSpectralSpatialDefineScripting.h"
#include "engine/CDeviceManager.h"
#include "engine/CEngineObjects.h"
#include "engine/EngineProcessFlags.h"
#include "platform/sync/Event.h"
#include "platform/ui/ScriptedPrompt.h"
#include "project/QFundamentalNodeMediator.h"
#include "project/QNodeFactory.h"
#include "protocol/CMainFrameLink.h"
#include "protocol/QCommLayer.h"
#include "protocol/QScanEngineLinkOverController.h"
#include "protocol/QUIBBStateController.h"
#include "scandata/CSpectralScanData.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "scandata/QSetupScanCommand.h"
#include "tests/dialogs/support/ProbesPageDriver.h"
#include "tests/dialogs/support/SheetTestSupport.h"
#include "tests/protocol/support/PlaceholderEngineRun.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unistd.h>
#include <utility>

namespace orv {
namespace {

using namespace std::chrono_literals;
using testing::Click;
using testing::PickEntry;
using testing::TypeInto;

// The main frame's displays: nothing of them is looked at.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value) : m_name(name) {
        if (const char* old = std::getenv(name)) {
            m_old = old;
        }
        setenv(name, value.c_str(), 1);
    }
    ~ScopedVariable() {
        if (m_old) {
            setenv(m_name, m_old->c_str(), 1);
        } else {
            unsetenv(m_name);
        }
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

class SettingsSheetRunTest : public testing::SheetFixture {
protected:
    SettingsSheetRunTest() { std::filesystem::create_directories(m_data); }
    ~SettingsSheetRunTest() override {
        container.owned.clear();
        nodes.clear();
        link.reset();
        layer.reset();
        controller.reset();
        engine.reset();
        std::filesystem::remove_all(m_data);
    }

    void SetUp() override {
        test::SeedPlaceholderAnalyzer(*engine, 4711U);
        ASSERT_TRUE(test::ConnectPlaceholderRun(*engine, *controller, *layer, frame, thread, link, 60s));
        mainFrame.link = link.get();
        // The engine's version, as the connection thread asks it: its reply ends the connection's own
        // wait cursor.
        controller->DetectEngineVersion(0);
        ASSERT_TRUE(test::PumpUntil(
            thread, [&] { return !controller->HasWaitCursor() && controller->GetState() == 2; }, 60s));
    }

    QNodeMediator& Node(uint16_t kind, QNodeMediator* parent = nullptr) {
        nodes.push_back(MakeNode(kind, parent));
        QNodeMediator& node = *nodes.back();
        node.SetContainer(&container);
        node.SetTreeContainer(&container);
        node.SetScanDataList(&list);
        node.GetScanOptions()->SetMeasurePeaks(false);
        return node;
    }

    // What the cursor over the sheet is after the mouse moved over one of its buttons.
    static Qt::CursorShape CursorAfterMove(CNodeOptionsSheet& sheet) {
        QWidget& button = *sheet.GetButton(CNodeOptionsSheet::kCancelId);
        const QPointF at = button.rect().center();
        QMouseEvent move(QEvent::MouseMove, at, button.mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(&button, &move);
        return sheet.testAttribute(Qt::WA_SetCursor) ? sheet.cursor().shape() : Qt::ArrowCursor;
    }

    std::string m_data =
        (std::filesystem::temp_directory_path() / ("orv-sheetrun-" + std::to_string(getpid()))).string();
    ScopedVariable dataHome{"XDG_DATA_HOME", m_data};
    ScopedVariable visaLibraries{"ORV_VISA_LIBRARIES", std::string()};
    ScopedVariable visaResources{"ORV_VISA_RESOURCES", std::string()};
    std::shared_ptr<ScriptedPrompt> prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall promptInstall{prompt};
    test::QuietMainFrame frame{thread};
    testing::ChildNodeContainer container;
    test::FakeScanDataList list;
    std::unique_ptr<CEngineObjects> engine = std::make_unique<CEngineObjects>();
    std::unique_ptr<QUIBBStateController> controller = std::make_unique<QUIBBStateController>(thread);
    std::unique_ptr<QCommLayer> layer = std::make_unique<QCommLayer>();
    std::unique_ptr<QScanEngineLinkOverController> link;
    std::vector<std::unique_ptr<QNodeMediator>> nodes;
    // Last: taken back after the engine and the link are gone.
    test::PlaceholderRunRegistries registries;
};

TEST_F(SettingsSheetRunTest, TheWaitCursorShowsWhileTheAnalyserDriverIsSet) {
    QNodeMediator& node = Node(2003);
    CNodeOptionsSheet* sheet = OpenSheet(node);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->GetController(), controller.get());
    EXPECT_EQ(CursorAfterMove(*sheet), Qt::ArrowCursor);

    // A node of a project without an engine link knows no controller.
    QNodeFactory factoryWithoutFrame(QFundamentalNodeMediator::MakeMaker(thread, nullptr));
    nodes.push_back(factoryWithoutFrame.CreateNodeWithMediator(nullptr, nullptr, 2003, nullptr, false));
    QNodeMediator& unlinked = *nodes.back();
    unlinked.SetKind(2003);
    unlinked.SetViewFactory(&factory);
    CNodeOptionsSheet* unlinkedSheet = OpenSheet(unlinked);
    ASSERT_NE(unlinkedSheet, nullptr);
    EXPECT_EQ(unlinkedSheet->GetController(), nullptr);

    // The engine holds the driver's reply until the cursors were looked at.
    Event release(Event::Reset::Manual);
    struct Release {
        Event& event;
        ~Release() { event.Set(); }
    } releaseAtEnd{release};
    engine->GetSetupScan().GetDeviceManager()->SetDriverChangeApplySource([&release] {
        release.Wait();
        return DriverChangeApplyFlag().load() != 0;
    });

    ASSERT_TRUE(controller->SetSpectrumAnalyzerDriver(&node, 900, GetInstrumentInfo().GetSelectedAnalyzerID(),
                                                      nullptr));
    EXPECT_EQ(CursorAfterMove(*sheet), Qt::WaitCursor);
    EXPECT_EQ(CursorAfterMove(*unlinkedSheet), Qt::ArrowCursor);

    release.Set();
    ASSERT_TRUE(test::PumpUntil(
        thread, [&] { return controller->IsDriverReplyReceived(); }, 60s));
    EXPECT_FALSE(controller->HasWaitCursor());
    EXPECT_EQ(CursorAfterMove(*sheet), Qt::ArrowCursor);
}

TEST_F(SettingsSheetRunTest, ASweepSetThroughTheSheetIsWhatTheNextScanMeasures) {
    QNodeMediator& node = Node(2003);
    CNodeOptionsSheet* sheet = OpenSheet(node);
    ASSERT_NE(sheet, nullptr);
    auto& page = dynamic_cast<CPageSpectralScan&>(*sheet->GetActivePage());
    TypeInto(*page.GetControl(CPageSpectralScan::kStartEdit), "100");
    TypeInto(*page.GetControl(CPageSpectralScan::kStopEdit), "200");
    Click(*sheet->GetButton(CNodeOptionsSheet::kOkId));
    EXPECT_FALSE(sheet->HasWindow());
    EXPECT_TRUE(prompt->Texts().empty()) << ::testing::PrintToString(prompt->Texts());

    ASSERT_TRUE(link->RunScan(node, false));
    ASSERT_TRUE(test::PumpUntil(
        thread, [&] { return controller->GetState() == 2 && node.GetScanDataCount() == 1; }, 60s))
        << ::testing::PrintToString(prompt->Texts());
    int32_t scanID = -1;
    CSpectralScanData* scan = node.GetLastSpectralScanData(scanID);
    ASSERT_NE(scan, nullptr);
    const auto points = static_cast<int32_t>(scan->GetMirtPoints().size());
    ASSERT_GT(points, 1);
    EXPECT_EQ(scan->m_StartFrequency, 100.0F);
    EXPECT_EQ(scan->m_StopFrequency, 200.0F);
    EXPECT_FLOAT_EQ(scan->GetFrequency(0), 100.0F);
    EXPECT_FLOAT_EQ(scan->GetFrequency(points - 1), 200.0F);
}

TEST_F(SettingsSheetRunTest, ASpatialNodePicksItsFrequencyFromItsParentsScansAndScansIt) {
    QNodeMediator& parent = Node(2003);
    // The engine measures the trace's peaks: the frequencies the spatial page offers.
    parent.GetScanOptions()->SetMeasurePeaks(true);
    parent.GetScanOptions()->SetMaxPeaks(10);
    for (size_t made = 1; made <= 3; ++made) {
        ASSERT_TRUE(link->RunScan(parent, false));
        ASSERT_TRUE(test::PumpUntil(
            thread, [&] { return controller->GetState() == 2 && parent.GetScanDataCount() == made; }, 60s))
            << ::testing::PrintToString(prompt->Texts());
    }
    QNodeMediator& node = Node(2004, &parent);
    CNodeOptionsSheet* sheet = OpenSheet(node);
    ASSERT_NE(sheet, nullptr);
    auto* page = dynamic_cast<CPageSpatialScan*>(sheet->GetActivePage());
    ASSERT_NE(page, nullptr);
    auto& scans = dynamic_cast<QComboBox&>(*page->GetControl(CPageSpatialScan::kScanIdList));
    auto& peaks = dynamic_cast<QComboBox&>(*page->GetControl(CPageSpatialScan::kPeakList));
    ASSERT_EQ(scans.count(), 3);
    EXPECT_EQ(scans.itemText(0), "Scan Data ID --- 3");
    EXPECT_EQ(scans.itemText(1), "Scan Data ID --- 2");
    EXPECT_EQ(scans.itemText(2), "Scan Data ID --- 1");
    EXPECT_EQ(scans.currentIndex(), 0);
    int32_t newest = -1;
    ASSERT_NE(parent.GetLastSpectralScanData(newest), nullptr);
    EXPECT_EQ(newest, 3);

    // The oldest scan: kept on the node at once, its frequencies listed with the trace's peaks.
    PickEntry(scans, 2);
    EXPECT_EQ(node.GetLinkedScanID(), 1);
    CSpectralScanData* oldest = parent.FindSpectralScanData(1);
    ASSERT_NE(oldest, nullptr);
    const std::vector<CPageSpatialScan::PeakMarkerEntry>& entries = page->GetPeakMarkerEntries();
    ASSERT_EQ(entries.size(), parent.CopyMeasuredFrequencies(*oldest).size());
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(peaks.count(), static_cast<int>(entries.size()));
    const auto marked = std::find_if(entries.begin(), entries.end(), [](const auto& entry) {
        return entry.displayed.size() > 7 && entry.displayed.ends_with(" ---  X");
    });
    ASSERT_NE(marked, entries.end()) << "the placeholder's trace has peaks";
    EXPECT_EQ(marked->displayed, marked->plain + " ---  X");
    // Cancel deletes the page with its entries.
    const auto at = static_cast<int>(marked - entries.begin());
    const std::string peakText = marked->plain;
    Click(*sheet->GetButton(CNodeOptionsSheet::kCancelId));
    EXPECT_EQ(node.GetLinkedScanID(), 1) << "Cancel keeps the choice";

    // Reopened on the linked scan; the peak picked, then the centre typed over and the bandwidth.
    sheet = OpenSheet(node);
    page = dynamic_cast<CPageSpatialScan*>(sheet->GetActivePage());
    ASSERT_NE(page, nullptr);
    auto& scans2 = dynamic_cast<QComboBox&>(*page->GetControl(CPageSpatialScan::kScanIdList));
    auto& peaks2 = dynamic_cast<QComboBox&>(*page->GetControl(CPageSpatialScan::kPeakList));
    EXPECT_EQ(scans2.currentText(), "Scan Data ID --- 1");
    peaks2.showPopup();
    peaks2.view()->setCurrentIndex(peaks2.model()->index(at, 0));
    QTest::keyClick(peaks2.view(), Qt::Key_Return);
    auto& center = dynamic_cast<QLineEdit&>(*page->GetControl(CPageSpatialScan::kCenterEdit));
    EXPECT_EQ(center.text().toStdString(), peakText);
    TypeInto(center, "150");
    PickEntry(*page->GetControl(CPageSpatialScan::kRbwList), 11);
    Click(*sheet->GetButton(CNodeOptionsSheet::kOkId));
    EXPECT_FALSE(sheet->HasWindow());
    EXPECT_EQ(node.GetScanOptions()->GetStartFrequency(), 150.0F);
    EXPECT_EQ(node.GetScanOptions()->GetStopFrequency(), 150.0F);
    EXPECT_EQ(node.GetScanOptions()->GetRBW(), 1.0F);

    // The set-up the controller sends is the page's, whatever the spatial routine then ends with.
    ASSERT_TRUE(link->RunScan(node, false));
    // The run asks for the engine and the scanner first; the set-up follows their replies.
    ASSERT_TRUE(test::PumpUntil(
        thread,
        [&] {
            return controller->GetState() == 2 &&
                   controller->GetCurrentSetupScan().GetStartFrequency() == 150.0F;
        },
        60s))
        << ::testing::PrintToString(prompt->Texts());
    const QSetupScanCommand setup = controller->GetCurrentSetupScan();
    EXPECT_EQ(setup.GetStartFrequency(), 150.0F);
    EXPECT_EQ(setup.GetStopFrequency(), 150.0F);
    EXPECT_EQ(setup.m_ResolutionBandwidth, 1.0F);
}

TEST_F(SettingsSheetRunTest, TheCellsChosenOnTheProbesPageAreTheCellsTheNextScanMeasures) {
    using Cells = std::set<std::pair<int, int>>;
    QNodeMediator& node = Node(2005);
    node.GetScanOptions()->SetStartFrequency(100.0F);
    node.GetScanOptions()->SetStopFrequency(110.0F);
    CNodeOptionsSheet* sheet = OpenSheet(node, 1);
    ASSERT_NE(sheet, nullptr);
    auto& page = dynamic_cast<CPageScanProbes&>(*sheet->GetActivePage());
    testing::ProbesPageDriver user(page);
    user.ClickButton(CPageScanProbes::kSelectNone);
    const Cells chosen{{0, 0}, {3, 7}, {10, 20}, {15, 2}, {28, 41}};
    for (const auto& [row, column] : chosen) {
        user.Click(row, column);
    }
    Click(*sheet->GetButton(CNodeOptionsSheet::kOkId));
    EXPECT_FALSE(sheet->HasWindow());

    ASSERT_TRUE(link->RunScan(node, false));
    ASSERT_TRUE(test::PumpUntil(
        thread, [&] { return controller->GetState() == 2 && node.GetScanDataCount() == 1; }, 60s))
        << ::testing::PrintToString(prompt->Texts());
    int32_t scanID = -1;
    const CSpectralSpatialScanData* scan = node.GetLastSpectralSpatialScanData(scanID);
    ASSERT_NE(scan, nullptr);
    EXPECT_EQ(scan->m_CellCount, chosen.size());
    Cells measured;
    for (const auto& unit : scan->m_Units) {
        measured.emplace(unit->m_Row, unit->m_Column);
    }
    EXPECT_EQ(measured, chosen);
    EXPECT_EQ(scan->m_Units.size(), chosen.size());
    Cells inPattern;
    for (int row = 0; row < scan->m_ProbeScanPattern.GetRows(); ++row) {
        for (int column = 0; column < scan->m_ProbeScanPattern.GetColumns(); ++column) {
            if (scan->m_ProbeScanPattern.IsProbeOn(row, column)) {
                inPattern.emplace(row, column);
            }
        }
    }
    EXPECT_EQ(inPattern, chosen);
}

TEST_F(SettingsSheetRunTest, TheSegmentsDefinedOnTheScriptPageAreWhatTheChildrenScanInOrder) {
    QNodeMediator& node = Node(kTypeSpectralSpatialScriptingModuleNode);
    container.make = [this](QNodeMediator& parent, uint16_t kind) {
        std::unique_ptr<QNodeMediator> child = MakeNode(kind, &parent, "child");
        child->SetScanDataList(&list);
        return child;
    };
    CNodeOptionsSheet* sheet = OpenSheet(node, 1);
    ASSERT_NE(sheet, nullptr);
    // A few cells keep the scans short.
    testing::ProbesPageDriver user(dynamic_cast<CPageScanProbes&>(*sheet->GetActivePage()));
    user.ClickButton(CPageScanProbes::kSelectNone);
    user.Click(2, 3);
    user.Click(4, 5);
    ASSERT_TRUE(sheet->SetActivePage(2));
    auto& page = dynamic_cast<CPageSpectralSpatialDefineScripting&>(*sheet->GetActivePage());
    auto enter = [&page](const char* start, const char* stop, const char* rbw) {
        TypeInto(*page.GetControl(CPageSpectralSpatialDefineScripting::kStartEdit), start);
        TypeInto(*page.GetControl(CPageSpectralSpatialDefineScripting::kStopEdit), stop);
        auto& list =
            dynamic_cast<QComboBox&>(*page.GetControl(CPageSpectralSpatialDefineScripting::kRbwList));
        list.setCurrentIndex(list.findText(rbw));
        Click(*page.GetControl(CPageSpectralSpatialDefineScripting::kAdd));
    };
    enter("300", "400", "1 MHz");
    enter("100", "150", "300 KHz");
    Click(*sheet->GetButton(CNodeOptionsSheet::kOkId));
    EXPECT_FALSE(sheet->HasWindow());
    const std::vector<QNodeMediator*> children = container.GetChildMediators(node);
    ASSERT_EQ(children.size(), 2U);

    ASSERT_TRUE(link->RunScan(node, false)) << ::testing::PrintToString(prompt->Texts());
    ASSERT_TRUE(test::PumpUntil(
        thread,
        [&] {
            return controller->GetState() == 2 && children[0]->GetScanDataCount() == 1 &&
                   children[1]->GetScanDataCount() == 1;
        },
        60s))
        << ::testing::PrintToString(prompt->Texts());
    const float expected[2][3] = {{100.0F, 150.0F, 0.3F}, {300.0F, 400.0F, 1.0F}};
    for (size_t i = 0; i < children.size(); ++i) {
        SCOPED_TRACE(i);
        int32_t scanID = -1;
        const CSpectralSpatialScanData* scan = children[i]->GetLastSpectralSpatialScanData(scanID);
        ASSERT_NE(scan, nullptr);
        EXPECT_EQ(scan->m_StartFrequency, expected[i][0]);
        EXPECT_EQ(scan->m_StopFrequency, expected[i][1]);
        EXPECT_EQ(scan->m_ResolutionBandwidth, expected[i][2]);
    }
    ASSERT_FALSE(container.spectralSpatialScanOwners.empty());
    EXPECT_EQ(container.spectralSpatialScanOwners.front(), children[0]) << "the lower segment runs first";
    EXPECT_EQ(container.spectralSpatialScanOwners.back(), children[1]);
}

} // namespace
} // namespace orv
