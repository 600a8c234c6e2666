// What the probes page's overlay settings reach: after its Apply, a Spectral/Spatial scan of the node
// through the in-process engine on the placeholder analyser keeps the page's overlay ID and placement
// in its scan-area block.

#include "core/QOverlayOptions.h"
#include "core/QScanOptions.h"
#include "core/TypeIds.h"
#include "platform/ui/ScriptedPrompt.h"
#include "project/COverlayControl.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "tests/dialogs/support/ProbesPageProjectFixture.h"
#include "tests/protocol/support/PlaceholderEngineRun.h"

#include <QApplication>
#include <QBuffer>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace orv {
namespace {

using namespace std::chrono_literals;
using Page = CPageScanProbes;

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

class ProbesPageEngineRunTest : public testing::ProbesPageProjectFixture {
protected:
    ProbesPageEngineRunTest() { std::filesystem::create_directories(m_data); }
    ~ProbesPageEngineRunTest() override {
        link.reset();
        layer.reset();
        controller.reset();
        engine.reset();
        std::filesystem::remove_all(m_data);
    }
    void SetUp() override {
        test::SeedPlaceholderAnalyzer(*engine, 4711U);
        ASSERT_TRUE(test::ConnectPlaceholderRun(*engine, *controller, *layer, frame, GetUiMessageThread(),
                                                link, 60s));
        controller->DetectEngineVersion(0);
        ASSERT_TRUE(test::PumpUntil(
            GetUiMessageThread(), [&] { return !controller->HasWaitCursor() && controller->GetState() == 2; },
            60s));
    }

    std::string m_data =
        (std::filesystem::temp_directory_path() / ("orv-probesrun-" + std::to_string(getpid()))).string();
    ScopedVariable dataHome{"XDG_DATA_HOME", m_data};
    ScopedVariable visaLibraries{"ORV_VISA_LIBRARIES", std::string()};
    ScopedVariable visaResources{"ORV_VISA_RESOURCES", std::string()};
    test::QuietMainFrame frame{GetUiMessageThread()};
    std::unique_ptr<CEngineObjects> engine = std::make_unique<CEngineObjects>();
    std::unique_ptr<QUIBBStateController> controller =
        std::make_unique<QUIBBStateController>(GetUiMessageThread());
    std::unique_ptr<QCommLayer> layer = std::make_unique<QCommLayer>();
    std::unique_ptr<QScanEngineLinkOverController> link;
    // Last: taken back after the engine and the link are gone.
    test::PlaceholderRunRegistries registries;
};

TEST_F(ProbesPageEngineRunTest, TheNextScanKeepsThePagesOverlayAndItsOpacity) {
    QNodeMediator& node = AddNode(kTypeSpectralSpatialScanNode);
    node.GetScanOptions()->SetStartFrequency(100.0F);
    node.GetScanOptions()->SetStopFrequency(110.0F);
    node.GetScanOptions()->SetMeasurePeaks(false);

    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(image.save(&buffer, "PNG"));
    constexpr uint32_t kId = 6001;
    ASSERT_TRUE(Project().AddPictureOverlayControl(reinterpret_cast<const uint8_t*>(png.constData()),
                                                   static_cast<uint32_t>(png.size()), kId, 77, true));
    QOverlayOptions& options = *node.GetOverlayOptions();
    options.m_overlayId = static_cast<int32_t>(kId);
    options.m_sourceKind = QOverlayOptions::kSourcePicture;
    options.m_pictureInt = 70;
    const float place[4] = {0.1F, 0.2F, 0.5F, 0.25F};
    std::copy(std::begin(place), std::end(place), options.m_pictureValues);

    {
        auto page = Open(node);
        // The wheel takes the opacity down by 12 before Apply.
        for (int i = 0; i < 12; ++i) {
            const QPointF at(100, 100);
            QWheelEvent event(at, page->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(page.get(), &event);
        }
        ASSERT_TRUE(page->OnApply());
    }

    ASSERT_TRUE(link->RunScan(node, false));
    ASSERT_TRUE(test::PumpUntil(
        GetUiMessageThread(), [&] { return controller->GetState() == 2 && node.GetScanDataCount() == 1; },
        60s));
    int32_t scanId = -1;
    const CSpectralSpatialScanData* scan = node.GetLastSpectralSpatialScanData(scanId);
    ASSERT_NE(scan, nullptr);
    const CScanAreaRecord& area = scan->m_ScanArea;
    EXPECT_EQ(area.m_OverlayId, kId);
    EXPECT_EQ(area.m_Variant, QOverlayOptions::kSourcePicture);
    EXPECT_EQ(area.m_OtherWord, 58U);
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(area.m_OtherValues[static_cast<size_t>(i)], place[i]) << i;
    }
}

} // namespace
} // namespace orv
