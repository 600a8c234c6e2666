// A long continuous scan of the program as a user runs it (the application object over the
// in-process engine, "-NoSA": the placeholder analyser): a Spectral node scans continuously for
// ORV_CONTINUOUS_RUN_MINUTES minutes with resident memory sampled, then Stop Scan, Save As, close
// and reopen; every scan of the reopened project must be the one the view's lookup gave while the
// scan was the newest, byte for byte. The run lasts as long as asked, so it is skipped unless the
// variable is set (ORV_SCAN_MEMORY_MB sets the scan memory budget, else the user file's applies):
//   ORV_CONTINUOUS_RUN_MINUTES=10 ctest --test-dir build -R ContinuousScanMemory --output-on-failure

#include "app/CHalvionApp.h"
#include "app/CMainFrame.h"
#include "app/controls/CMainStatusBar.h"
#include "app/controls/CProjectView.h"
#include "app/panes/CViewList.h"
#include "app/panes/CViewTreeWidget.h"
#include "app/project/CChildFrame.h"
#include "app/project/CHalvionDoc.h"
#include "app/project/CProjectDocumentKind.h"
#include "core/QDataWriter.h"
#include "core/TypeIds.h"
#include "project/QMediatorProjectFileModel.h"
#include "project/QNodeMediator.h"
#include "project/QProjectFileFormat.h"
#include "project/QScanMemoryBudget.h"
#include "scandata/CSpectralScanData.h"
#include "support/AcceptanceDriver.h"
#include "support/QtTestApplication.h"

#include <QAbstractItemModel>
#include <QMdiSubWindow>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <malloc.h>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace orv {
namespace {

using namespace std::chrono_literals;
using Driver = testing::AcceptanceDriver;

double ResidentMegabytes() {
    long pages = 0;
    long resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) {
            resident = 0;
        }
        std::fclose(statm);
    }
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

double Megabytes(uint64_t bytes) {
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

// The bytes a save writes for the scan's record: their length and two independent 64-bit hashes.
struct RecordPrint {
    uint64_t m_Length = 0;
    uint64_t m_Fnv = 0;
    size_t m_Hash = 0;

    bool operator==(const RecordPrint&) const = default;
};

RecordPrint PrintOf(const QProjectSpectralScanRecord& record) {
    QCharCounterDataWriter counter;
    WriteSpectralScanRecord(counter, record);
    std::vector<uint8_t> bytes(counter.m_count);
    QCharArrayDataWriter writer(bytes.data(), static_cast<uint32_t>(bytes.size()));
    WriteSpectralScanRecord(writer, record);
    RecordPrint print;
    print.m_Length = bytes.size();
    print.m_Fnv = 14695981039346656037ULL;
    for (uint8_t byte : bytes) {
        print.m_Fnv = (print.m_Fnv ^ byte) * 1099511628211ULL;
    }
    print.m_Hash = std::hash<std::string_view>{}(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    return print;
}

struct Sample {
    double m_Seconds = 0.0;
    size_t m_Scans = 0;
    double m_ResidentMB = 0.0;
    double m_AllocatedMB = 0.0;
    double m_HeldMB = 0.0;
};

class ContinuousScanMemoryTest : public testing::QtWidgetTest {
protected:
    testing::AcceptanceDriver m_driver;
};

TEST_F(ContinuousScanMemoryTest, MemoryStaysFlatPastTheBudgetAndEveryScanIsSavedAsShown) {
    const char* minutesText = std::getenv("ORV_CONTINUOUS_RUN_MINUTES");
    if (minutesText == nullptr) {
        GTEST_SKIP() << "a run of minutes: set ORV_CONTINUOUS_RUN_MINUTES";
    }
    const auto runFor = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double, std::ratio<60>>(std::strtod(minutesText, nullptr)));
    if (const char* budget = std::getenv("ORV_SCAN_MEMORY_MB")) {
        QScanMemoryBudget::SetBudgetBytesForTest(std::strtoull(budget, nullptr, 10) * 1024 * 1024);
    }
    const double budgetMB = Megabytes(QScanMemoryBudget::GetBudgetBytes());

    CHalvionApp app({"-NoSA"}, m_driver.Options());
    ASSERT_TRUE(app.InitInstance());
    CMainFrame& frame = *app.GetMainFrame();
    auto& kind = static_cast<CProjectDocumentKind&>(*frame.GetDocumentFactory());
    ASSERT_TRUE(Driver::WaitForConnectedDevices(frame));
    CChildFrame* project = Driver::MakeProject(frame);
    ASSERT_NE(project, nullptr);
    CViewTreeWidget& tree = *project->GetProjectPane()->GetTree();
    tree.SelectTreeNode(tree.GetRootItem());
    ASSERT_TRUE(frame.OnCommand(32809)); // a Spectral node
    CTreeItem* spectral = tree.GetSelectedTreeNode();
    ASSERT_EQ(spectral->m_kind, kTypeSpectralScanNode);
    QNodeMediator& node = *spectral->m_mediator;
    tree.ShowSelectedNodeScanData();
    CViewList& list = *project->GetProjectPane()->GetList();
    ASSERT_EQ(list.GetOwner(), &node);

    // Each new row of the list: the view's lookup of the newest scan, and the print of the scan
    // before it, which no later pass changes. A scan that no longer holds its points when printed
    // would not be what the view showed: counted apart.
    std::vector<int32_t> shownIDs;
    std::vector<RecordPrint> shownPrints;
    CSpectralScanData* newest = nullptr;
    int32_t newestID = 0;
    size_t printedWithoutPoints = 0;
    auto printNewest = [&] {
        if (newest == nullptr) {
            return;
        }
        if (newest->GetMirtPoints().empty() && newest->GetFloatPoints().empty()) {
            ++printedWithoutPoints;
        }
        shownIDs.push_back(newestID);
        shownPrints.push_back(PrintOf(QMediatorProjectFileModel::MakeSpectralRecord(*newest)));
    };
    QObject::connect(list.model(), &QAbstractItemModel::rowsInserted, [&] {
        int32_t id = 0;
        CSpectralScanData* shown = node.GetLastSpectralScanData(id);
        if (shown == nullptr || id == newestID) {
            return;
        }
        printNewest();
        newest = shown;
        newestID = id;
    });

    ASSERT_TRUE(testing::ProcessEventsUntil([&] { return frame.GetCommandTable().IsEnabled(32890); }, 60s));
    ASSERT_TRUE(frame.OnCommand(32890)); // Scan Continuously
    const auto start = std::chrono::steady_clock::now();
    const auto sampleEvery = std::max<std::chrono::steady_clock::duration>(runFor / 20, 5s);
    std::vector<Sample> samples;
    auto sample = [&] {
        samples.push_back({std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
                           node.GetScanDataCount(), ResidentMegabytes(), Megabytes(mallinfo2().uordblks),
                           Megabytes(QScanMemoryBudget::GetHeldBytes())});
        const Sample& last = samples.back();
        std::printf("%7.1f s %8zu scans %8.1f MB resident %8.1f MB allocated %8.1f MB held by scans\n",
                    last.m_Seconds, last.m_Scans, last.m_ResidentMB, last.m_AllocatedMB, last.m_HeldMB);
        std::fflush(stdout);
    };
    sample();
    auto nextSample = start + sampleEvery;
    testing::ProcessEventsUntil(
        [&] {
            const auto now = std::chrono::steady_clock::now();
            if (now >= nextSample) {
                sample();
                nextSample += sampleEvery;
            }
            return now - start >= runFor;
        },
        std::chrono::duration_cast<std::chrono::milliseconds>(runFor + 1min));
    sample();

    // Stop Scan; the last scan is final once the run has ended.
    ASSERT_TRUE(frame.GetCommandTable().IsEnabled(1011));
    ASSERT_TRUE(frame.OnCommand(1011));
    const std::vector<std::string> stopped = Driver::WatchPaneOne(
        frame, [&] { return frame.GetMainStatusBar()->GetPaneText(1) == "Scan ...... Terminated"; });
    ASSERT_FALSE(stopped.empty());
    EXPECT_EQ(stopped.back(), "Scan ...... Terminated") << ::testing::PrintToString(stopped);
    ASSERT_TRUE(testing::ProcessEventsUntil([&] { return frame.GetCommandTable().IsEnabled(32890); }, 60s));
    {
        int32_t id = 0;
        CSpectralScanData* shown = node.GetLastSpectralScanData(id);
        if (shown != nullptr && id != newestID) {
            printNewest();
            newest = shown;
            newestID = id;
        }
        printNewest();
    }
    const size_t listed = node.GetScanDataCount();
    std::printf("%zu scans listed, %zu printed as shown, %zu of them without their points\n", listed,
                shownPrints.size(), printedWithoutPoints);
    EXPECT_EQ(shownPrints.size(), listed);
    EXPECT_EQ(printedWithoutPoints, 0U);
    EXPECT_EQ(node.GetScanIDs(kTypeSpectralScanNode), shownIDs);

    // Past the budget, memory grows only by what each scan keeps for the list (its header entry and
    // its row): well under a quarter of what a scan took while the budget was not yet reached.
    const auto reached = std::find_if(samples.begin(), samples.end(),
                                      [&](const Sample& s) { return s.m_HeldMB >= budgetMB * 0.99; });
    ASSERT_NE(reached, samples.end()) << "the budget of " << budgetMB << " MB was never reached";
    ASSERT_GT(reached->m_Scans, 0U);
    const double perScanBefore = (reached->m_ResidentMB - samples.front().m_ResidentMB) /
                                 static_cast<double>(reached->m_Scans - samples.front().m_Scans);
    const Sample& end = samples.back();
    if (end.m_Scans > reached->m_Scans) {
        const double perScanAfter =
            (end.m_ResidentMB - reached->m_ResidentMB) / static_cast<double>(end.m_Scans - reached->m_Scans);
        const double allocatedAfter = (end.m_AllocatedMB - reached->m_AllocatedMB) /
                                      static_cast<double>(end.m_Scans - reached->m_Scans);
        std::printf("per scan: %.0f bytes resident before the budget, %.0f bytes resident and %.0f bytes "
                    "allocated after it\n",
                    perScanBefore * 1024 * 1024, perScanAfter * 1024 * 1024, allocatedAfter * 1024 * 1024);
        EXPECT_LT(perScanAfter, perScanBefore / 4);
    }

    // Save As, close, reopen.
    const std::string path = m_driver.GetRepository() + "/Continuous.ovp";
    kind.GetWindows().SetSaveAsChooser([path](QWidget*) { return std::optional<std::string>(path); });
    const auto saving = std::chrono::steady_clock::now();
    ASSERT_TRUE(frame.OnCommand(57604));
    EXPECT_FALSE(project->GetDocument().IsModified());
    std::printf("saved %.1f MB in %.1f s, %.1f MB resident\n", Megabytes(std::filesystem::file_size(path)),
                std::chrono::duration<double>(std::chrono::steady_clock::now() - saving).count(),
                ResidentMegabytes());
    EXPECT_TRUE(qobject_cast<QMdiSubWindow*>(project->parentWidget())->close());
    ASSERT_TRUE(testing::ProcessEventsUntil([&] {
        testing::FlushEvents();
        const std::vector<CChildFrame*> frames = kind.GetWindows().GetFrames();
        return std::find(frames.begin(), frames.end(), project) == frames.end();
    }));
    const std::vector<CChildFrame*> beforeOpen = kind.GetWindows().GetFrames();
    const auto opening = std::chrono::steady_clock::now();
    ASSERT_TRUE(app.OpenDocumentFile(path));
    CChildFrame* reopened = Driver::WaitForBuiltProject(kind, beforeOpen);
    ASSERT_NE(reopened, nullptr);
    std::printf("reopened in %.1f s, %.1f MB resident\n",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - opening).count(),
                ResidentMegabytes());
    CViewTreeWidget& tree2 = *reopened->GetProjectPane()->GetTree();
    CTreeItem* again = tree2.GetFirstChildItem(tree2.GetRootItem());
    ASSERT_NE(again, nullptr);
    ASSERT_EQ(again->m_kind, kTypeSpectralScanNode);

    // Every scan there, in its place, with the bytes it had when it was shown.
    QMediatorProjectFileModel model;
    size_t compared = 0;
    size_t differing = 0;
    model.VisitSpectralScans(*again->m_mediator, [&](const QProjectSpectralScanRecord& record) {
        if (compared >= shownPrints.size() ||
            static_cast<int32_t>(record.m_header.m_scanId) != shownIDs[compared] ||
            PrintOf(record) != shownPrints[compared]) {
            ++differing;
        }
        ++compared;
    });
    std::printf("reopened: %zu scans compared with what was shown, %zu differ\n", compared, differing);
    EXPECT_EQ(compared, shownPrints.size());
    EXPECT_EQ(differing, 0U);

    reopened->GetDocument().SetModifiedFlag(false);
    EXPECT_EQ(app.ExitInstance(), 0);
    QScanMemoryBudget::SetBudgetBytesForTest(0);
}

} // namespace
} // namespace orv
