// The spatial scan page over a parent scan measured by a real analyser driver: the SCPI simulator on
// loopback stands for an R&S FSV whose trace holds one carrier, a Spectral node is scanned through
// the in-process engine with its peaks measured by the driver's marker, and the Spatial node under
// it offers the measured frequency with the trace's peak marked.

#include "analyzers/AnalyzerSwitches.h"
#include "analyzers/CInstrumentInfo.h"
#include "core/QScanOptions.h"
#include "dialogs/CPageSpatialScan.h"
#include "engine/CEngineObjects.h"
#include "platform/CLocale.h"
#include "platform/ui/ScriptedPrompt.h"
#include "protocol/CMainFrameLink.h"
#include "protocol/QCommLayer.h"
#include "protocol/QScanEngineLinkOverController.h"
#include "protocol/QUIBBStateController.h"
#include "scandata/CSpectralScanData.h"
#include "tests/dialogs/support/SheetTestSupport.h"
#include "tests/engine/support/EngineTestScopes.h"
#include "tests/protocol/support/PlaceholderEngineRun.h"
#include "tests/sim/scpi/support/ScpiSimulatorProcess.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace orv {
namespace {

using namespace std::chrono_literals;

// A trace as the analyser sends it after "FORMAT:DATA REAL, 32": an IEEE 488.2 block of
// little-endian floats (the analyser's byte order after a reset), in dBuV. A flat floor with one
// carrier at `peak`.
std::string TraceBlock(int points, int peak) {
    std::string data;
    for (int i = 0; i < points; ++i) {
        const auto word = std::bit_cast<uint32_t>(i == peak ? 70.0F : 20.0F);
        for (int shift = 0; shift < 32; shift += 8) {
            data.push_back(static_cast<char>((word >> shift) & 0xFF));
        }
    }
    const std::string length = std::to_string(data.size());
    return "#" + std::to_string(length.size()) + length + data + "\n";
}

class SpatialPageScpiTest : public testing::SheetFixture {
protected:
    SpatialPageScpiTest() {
        m_sim.AddResource("A");
        m_sim.SetIdentity("A", "Rohde&Schwarz,FSV-7,101234/007,2.30");
        m_sim.SetCommandSet("A", "rs");
        // The sweeps of 10 to 100 MHz in 751 points with a carrier at 58 MHz, then the narrow sweeps
        // of 101 points about it that the peak measurement makes.
        std::vector<std::string> traces(9, TraceBlock(751, 400));
        traces.push_back(TraceBlock(101, 50));
        m_sim.SetReplySequence("A", ":Trace? trace1;", traces);
        m_resources.emplace("ORV_VISA_RESOURCES", m_sim.ResourceName("A") + ";");
        // The analyser on the network, not the placeholder of "-NoSA".
        SetNoAnalyzerSwitch(false);
    }
    ~SpatialPageScpiTest() override {
        nodes.clear();
        link.reset();
        layer.reset();
        controller.reset();
        engine.reset();
    }

    test::ScpiSimulatorProcess m_sim;
    test::TemporaryUserDataFolder m_folder{"orv-spatial-scpi"};
    test::EnvironmentValue m_libraries{"ORV_VISA_LIBRARIES", std::string()};
    std::optional<test::EnvironmentValue> m_resources;
    std::shared_ptr<ScriptedPrompt> prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall promptInstall{prompt};
    test::QuietMainFrame frame{thread};
    test::FakeNodeContainer container;
    test::FakeScanDataList list;
    std::unique_ptr<CEngineObjects> engine = std::make_unique<CEngineObjects>();
    std::unique_ptr<QUIBBStateController> controller = std::make_unique<QUIBBStateController>(thread);
    std::unique_ptr<QCommLayer> layer = std::make_unique<QCommLayer>();
    std::unique_ptr<QScanEngineLinkOverController> link;
    std::vector<std::unique_ptr<QNodeMediator>> nodes;
    // Last: taken back after the engine and the link are gone.
    test::PlaceholderRunRegistries registries;
};

TEST_F(SpatialPageScpiTest, ThePeakListShowsTheFrequenciesTheDriverMeasured) {
    ASSERT_TRUE(test::ConnectPlaceholderRun(*engine, *controller, *layer, frame, thread, link, 60s));
    mainFrame.link = link.get();
    controller->DetectEngineVersion(0);
    ASSERT_TRUE(test::PumpUntil(
        thread, [&] { return !controller->HasWaitCursor() && controller->GetState() == 2; }, 60s));

    nodes.push_back(MakeNode(2003));
    QNodeMediator& parent = *nodes.back();
    parent.SetContainer(&container);
    parent.SetTreeContainer(&container);
    parent.SetScanDataList(&list);
    parent.GetScanOptions()->SetMeasurePeaks(true);
    parent.GetScanOptions()->SetMaxPeaks(10);
    ASSERT_TRUE(link->RunScan(parent, false));
    ASSERT_TRUE(test::PumpUntil(
        thread, [&] { return controller->GetState() == 2 && parent.GetScanDataCount() == 1; }, 60s))
        << ::testing::PrintToString(prompt->Texts());
    int32_t scanID = -1;
    CSpectralScanData* scan = parent.GetLastSpectralScanData(scanID);
    ASSERT_NE(scan, nullptr);
    const std::vector<QMeasuredFrequencyData::Entry> measured = parent.CopyMeasuredFrequencies(*scan);
    ASSERT_FALSE(measured.empty());

    nodes.push_back(MakeNode(2004, &parent));
    QNodeMediator& node = *nodes.back();
    CNodeOptionsSheet* sheet = OpenSheet(node);
    ASSERT_NE(sheet, nullptr);
    auto* page = dynamic_cast<CPageSpatialScan*>(sheet->GetActivePage());
    ASSERT_NE(page, nullptr);
    const std::vector<CPageSpatialScan::PeakMarkerEntry>& entries = page->GetPeakMarkerEntries();
    ASSERT_EQ(entries.size(), measured.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].plain, FormatC("%-9.3f", static_cast<double>(measured[i].m_Frequency)));
    }
    // The carrier, found in the wide sweep and measured by the marker in the narrow ones.
    const auto marked = std::find_if(entries.begin(), entries.end(),
                                     [](const auto& entry) { return entry.plain == "58.000   "; });
    ASSERT_NE(marked, entries.end()) << ::testing::PrintToString(measured.size());
    EXPECT_EQ(marked->displayed, "58.000    ---  X");
    EXPECT_EQ(dynamic_cast<QComboBox&>(*page->GetControl(CPageSpatialScan::kPeakList))
                  .itemText(static_cast<int>(marked - entries.begin()))
                  .toStdString(),
              "58.000    ---  X");

    // Taken from the list, only the number reaches the centre.
    auto& peaks = dynamic_cast<QComboBox&>(*page->GetControl(CPageSpatialScan::kPeakList));
    peaks.showPopup();
    peaks.view()->setCurrentIndex(peaks.model()->index(static_cast<int>(marked - entries.begin()), 0));
    QTest::keyClick(peaks.view(), Qt::Key_Return);
    EXPECT_EQ(dynamic_cast<QLineEdit&>(*page->GetControl(CPageSpatialScan::kCenterEdit)).text().toStdString(),
              marked->plain);
}

} // namespace
} // namespace orv
