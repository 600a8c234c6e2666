// Run Once of a Spectral node through the in-process engine (the no-scanner driver and the
// placeholder analyser with a fixed seed) into a spectral view open in a test frame.

#include "core/QScanOptions.h"
#include "core/UnitConversion.h"
#include "engine/CEngineObjects.h"
#include "platform/ui/ScriptedPrompt.h"
#include "project/QFundamentalNodeMediator.h"
#include "project/QNodeFactory.h"
#include "protocol/CMainFrameLink.h"
#include "protocol/QCommLayer.h"
#include "protocol/QScanEngineLinkOverController.h"
#include "protocol/QUIBBStateController.h"
#include "scandata/CSpectralScanData.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "tests/protocol/support/PlaceholderEngineRun.h"
#include "tests/views/support/SpectralViewFixture.h"
#include "views/spectral/CSpectralSSView.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
#include <unistd.h>

namespace orv::test {
namespace {

using namespace std::chrono_literals;

constexpr uint16_t kSpectralKind = 2003;
constexpr uint16_t kSpectralSpatialKind = 2005;

// The main frame's displays: only the end of the run is looked at.
class EndRecordingFrame final : public CMainFrameLink {
public:
    explicit EndRecordingFrame(MessageThread& thread) : m_target(thread) {}
    MessageTarget& GetMessageTarget() override { return m_target; }
    bool IsClosing() const override { return false; }
    void ShowScanStatus(int32_t /*code*/) override {}
    void ShowScanningProgressFraction(double /*percent*/) override {}
    void ShowPeakDetectionProgress(int32_t /*percent*/) override {}
    void ShowScanningProgress(int32_t /*percent*/) override {}
    void PostStatusText(const std::string& /*text*/) override {}
    void ShowNotification(const std::string& text, int32_t /*durationMs*/) override {
        std::lock_guard<std::mutex> lock(m_lock);
        m_notifications.push_back(text);
    }
    bool StopScanOfProject(int32_t /*projectId*/) override { return false; }
    int32_t GetScannerId() const override { return m_scannerId.load(); }
    void SetScannerId(int32_t id) override { m_scannerId.store(id); }
    bool IsContinuousRun() const override { return false; }
    void SetContinuousRun(bool /*on*/) override {}
    bool IsRunStarted() const override { return false; }
    void SetRunStarted(bool /*on*/) override {}

    std::vector<std::string> Notifications() const {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_notifications;
    }

private:
    class Silent final : public MessageTarget {
    public:
        using MessageTarget::MessageTarget;

    protected:
        int64_t HandleMessage(Message& /*message*/) override { return 0; }
    } m_target;
    mutable std::mutex m_lock;
    std::vector<std::string> m_notifications;
    std::atomic<int32_t> m_scannerId{-1};
};

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

class SpectralViewRunTest : public SpectralViewTest {
protected:
    SpectralViewRunTest() { std::filesystem::create_directories(m_data); }
    ~SpectralViewRunTest() override {
        node.reset();
        link.reset();
        layer.reset();
        controller.reset();
        engine.reset();
        std::filesystem::remove_all(m_data);
    }

    void SetUp() override {
        SeedPlaceholderAnalyzer(*engine, 4711U);
        ASSERT_TRUE(ConnectPlaceholderRun(*engine, *controller, *layer, frame, thread, link, 60s));
    }

    bool PumpUntil(const std::function<bool()>& condition) { return test::PumpUntil(thread, condition, 60s); }

    // A real node of the kind (Spectral unless given), wired as a project window wires it, with its
    // view open.
    QNodeMediator& OpenSpectralNode(uint16_t kind = kSpectralKind) {
        QNodeFactory nodes(QFundamentalNodeMediator::MakeMaker(thread, nullptr));
        node = nodes.CreateNodeWithMediator(nullptr, nullptr, kind, nullptr, false);
        node->SetKind(kind);
        node->SetName("Board");
        node->SetViewFactory(&factory);
        node->SetMainWindow(&window);
        node->SetProjectTree(&tree);
        node->SetScanDataList(&list);
        node->SetContainer(&container);
        node->SetTreeContainer(&container);
        node->GetScanOptions()->SetMeasurePeaks(false);
        bool created = false;
        node->OpenView(kind, created, true);
        Pump();
        return *node;
    }

    std::string m_data =
        (std::filesystem::temp_directory_path() / ("orv-viewrun-" + std::to_string(getpid()))).string();
    ScopedVariable dataHome{"XDG_DATA_HOME", m_data};
    ScopedVariable visaLibraries{"ORV_VISA_LIBRARIES", std::string()};
    ScopedVariable visaResources{"ORV_VISA_RESOURCES", std::string()};
    std::shared_ptr<ScriptedPrompt> prompt = std::make_shared<ScriptedPrompt>();
    ScopedPromptInstall promptInstall{prompt};
    EndRecordingFrame frame{thread};
    std::unique_ptr<CEngineObjects> engine = std::make_unique<CEngineObjects>();
    std::unique_ptr<QUIBBStateController> controller = std::make_unique<QUIBBStateController>(thread);
    std::unique_ptr<QCommLayer> layer = std::make_unique<QCommLayer>();
    std::unique_ptr<QScanEngineLinkOverController> link;
    std::unique_ptr<QNodeMediator> node;
    // Last: taken back after the engine and the link are gone.
    PlaceholderRunRegistries registries;
};

TEST_F(SpectralViewRunTest, RunOnceDrawsTheScanWithItsHighestPointAtThePlaceholdersPeak) {
    QNodeMediator& spectral = OpenSpectralNode();
    ASSERT_FALSE(factory.spectralFrames.empty());
    ASSERT_TRUE(link->RunScan(spectral, false));
    ASSERT_TRUE(PumpUntil([&] {
        return !frame.Notifications().empty() && controller->GetState() == 2 &&
               spectral.GetScanDataCount() == 1;
    })) << ::testing::PrintToString(frame.Notifications());
    EXPECT_EQ(frame.Notifications().back(), "The scan has completed ! ");
    Pump();

    const CSpectralScanData* scan = spectral.GetCurrentSpectralScanData();
    ASSERT_NE(scan, nullptr);
    const std::vector<QSpectralPoint>& points = scan->GetMirtPoints();
    ASSERT_GT(points.size(), 1U);
    const auto peak = std::max_element(points.begin(), points.end(), [](const auto& a, const auto& b) {
        return a.m_Amplitude < b.m_Amplitude;
    });
    // The placeholder raises at most one point per sweep; with its seed fixed it raises one.
    ASSERT_GT(peak->m_Amplitude, 0);
    EXPECT_EQ(std::count_if(points.begin(), points.end(), [](const auto& p) { return p.m_Amplitude != 0; }),
              1);

    CSpectralView& view = View();
    ASSERT_NE(view.GetTrace(), nullptr);
    const CSpectralDrawPoint& trace = *view.GetTrace();
    ASSERT_EQ(trace.m_Count, static_cast<int32_t>(points.size()));
    const auto drawn = trace.m_Positions.begin();
    const auto highest = std::min_element(drawn, drawn + trace.m_Count,
                                          [](const QPoint& a, const QPoint& b) { return a.y() < b.y(); });
    EXPECT_EQ(highest - drawn, peak - points.begin());
    // Every other point lies on the trace's floor.
    EXPECT_TRUE(std::all_of(drawn, drawn + trace.m_Count,
                            [&](const QPoint& p) { return &p == &*highest || p.y() > highest->y(); }));
    EXPECT_TRUE(prompt->Texts().empty()) << ::testing::PrintToString(prompt->Texts());
}

TEST_F(SpectralViewRunTest, ASpectralSpatialRunFillsTheFullCompositeWithTheMaximumOfItsCells) {
    factory.makeView = [](MessageThread& t) { return std::make_unique<CSpectralSSView>(t); };
    QNodeMediator& spectralSpatial = OpenSpectralNode(kSpectralSpatialKind);
    ASSERT_FALSE(factory.spectralFrames.empty());
    ASSERT_TRUE(link->RunScan(spectralSpatial, false));
    ASSERT_TRUE(PumpUntil([&] {
        return !frame.Notifications().empty() && controller->GetState() == 2 &&
               spectralSpatial.GetScanDataCount() == 1;
    })) << ::testing::PrintToString(frame.Notifications());
    EXPECT_EQ(frame.Notifications().back(), "The scan has completed ! ");
    Pump();

    CSpectralSpatialScanData* scan = spectralSpatial.GetCurrentSpectralSpatialScanData();
    ASSERT_NE(scan, nullptr);
    ASSERT_EQ(scan->m_IsZeltData, 0);
    ASSERT_GT(scan->m_Units.size(), 1U);
    ASSERT_EQ(scan->m_Units.size(), scan->m_CellCount);
    // The point-wise maximum of the cells, in the unit drawn.
    std::vector<int16_t> maxima = scan->m_Units.front()->m_Amplitudes;
    ASSERT_GT(maxima.size(), 1U);
    for (const auto& unit : scan->m_Units) {
        ASSERT_EQ(unit->m_Amplitudes.size(), maxima.size());
        for (size_t i = 0; i < maxima.size(); ++i) {
            maxima[i] = std::max(maxima[i], unit->m_Amplitudes[i]);
        }
    }
    std::vector<float> expected;
    for (const int16_t level : maxima) {
        expected.push_back(ConvertAmplitudeToUnit(static_cast<float>(level), kAmplitudeUnitDbuV) +
                           scan->m_LevelOffset);
    }
    CSpectralView& view = View();
    auto drawn = [&] {
        std::vector<float> amplitudes;
        for (const TracePoint& point : view.GetPoints()) {
            amplitudes.push_back(point.m_Amplitude);
        }
        return amplitudes;
    };
    EXPECT_TRUE(PumpUntil([&] { return drawn() == expected; })) << ::testing::PrintToString(drawn());
    ASSERT_NE(view.GetTrace(), nullptr);
    EXPECT_EQ(view.GetTrace()->m_Count, static_cast<int32_t>(expected.size()));
    // The scan is complete: its composites were dropped after the last refresh.
    EXPECT_EQ(scan->m_FullComposite, nullptr);
    EXPECT_TRUE(prompt->Texts().empty()) << ::testing::PrintToString(prompt->Texts());
}

} // namespace
} // namespace orv::test
