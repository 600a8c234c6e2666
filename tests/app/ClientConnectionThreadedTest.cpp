// The connection thread against the real client and the real in-process engine: the built-in
// devices ("-NoSA", the no-scanner driver and the placeholder analyser) are connected, the engine is
// asked for its version and scan head, the placeholder's identity names row 42, and its driver 900
// is loaded. Only the scan run's own steps are left out of the controller.

#include "analyzers/CInstrumentInfo.h"
#include "app/CClientConnectionLink.h"
#include "app/CConnectionThread.h"
#include "app/CMainFrame.h"
#include "engine/CDeviceManager.h"
#include "engine/CEngineObjects.h"
#include "platform/msg/MessageTarget.h"
#include "protocol/QCommLayer.h"
#include "protocol/QUIBBStateController.h"
#include "scandata/QScanProgressIndicator.h"
#include "support/MainFrameTestEnvironment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>

namespace orv {
namespace {

using namespace std::chrono_literals;

// The controller without a scan run: those steps are not reached while devices connect.
class ConnectingController final : public QUIBBStateController {
public:
    using QUIBBStateController::QUIBBStateController;

    void SendSetupScan(uint8_t /*flag*/) override {}
    void SendGo(uint8_t /*flag*/) override {}
    void SendStop(uint8_t /*flag*/) override {}
    void SetupScanCommandAck(QSetupScanCommand& /*reply*/) override {}
    void GoCommandAck(QGoCommand& /*reply*/) override {}
    void StopCommandAck(QStopCommand& /*reply*/) override {}
    void CalibrateCommandAck(QCalibrateSpectrumAnalyzerCommand& /*reply*/) override {}
    void ResetCommandAck(QResetSpectrumAnalyzerCommand& /*reply*/) override {}
    void CalibrationStopCommandAck(QStopCalibrationCommand& /*reply*/) override {}

protected:
    bool RunNode() override { return false; }
    bool SendNextPass() override { return false; }
    void ScanFinished() override {}
    void ShowScanProgress(std::unique_ptr<QScanProgressIndicator> /*packet*/, int64_t /*code*/) override {}
};

class StatusTexts final : public MessageTarget {
public:
    explicit StatusTexts(MessageThread& thread) : MessageTarget(thread) {}
    std::vector<std::string> Texts() const {
        const std::lock_guard guard(m_lock);
        return m_texts;
    }
    void Record() {
        const std::lock_guard guard(m_lock);
        m_texts.push_back(GetInstrumentInfo().GetStatusText());
    }

protected:
    int64_t HandleMessage(Message& /*message*/) override { return 0; }

private:
    mutable std::mutex m_lock;
    std::vector<std::string> m_texts;
};

TEST(ClientConnectionTest, TheBuiltInDevicesAreConnectedIdentifiedAndTheirDriverLoaded) {
    testing::MainFrameTestEnvironment environment;
    CMainFrame::LoadDeviceInfoKeys();
    ASSERT_TRUE(environment.GetPrompt().Texts().empty());

    MessageThread uiThread;
    MessageThread statusThread;
    StatusTexts status(statusThread);
    statusThread.SetWakeFunction([&status] { status.Record(); });

    CEngineObjects engine;
    CClientConnectionLink link(std::make_unique<ConnectingController>(uiThread), engine, nullptr);
    CSetupScanConnectionDevices devices(engine.GetSetupScan());
    CConnectionThread::Context context;
    context.info = &GetInstrumentInfo();
    context.devices = &devices;
    context.link = &link;
    context.frame = &status;
    CConnectionThread thread(std::move(context));
    ASSERT_TRUE(thread.Start());

    const auto deadline = std::chrono::steady_clock::now() + 20s;
    // The identity match marks the driver set before the engine has loaded it: only the driver
    // command's reply says the engine holds the analyser.
    while (!(link.GetState() == 2 && GetInstrumentInfo().IsAnalyzerDriverSet() &&
             link.GetController().IsDriverReplyReceived()) &&
           std::chrono::steady_clock::now() < deadline) {
        uiThread.PumpFor(10ms);
    }
    thread.RequestStop();
    ASSERT_TRUE(thread.JoinFor(5000ms));
    statusThread.SetWakeFunction({});

    EXPECT_EQ(link.GetState(), 2);
    EXPECT_TRUE(GetInstrumentInfo().IsScannerConnected());
    EXPECT_TRUE(GetInstrumentInfo().IsAnalyzerConnected());
    EXPECT_TRUE(GetInstrumentInfo().IsAnalyzerDriverSet());
    EXPECT_EQ(link.GetCommLayer().GetLastAnalyzerID(), "Null,Null,Null,Null");
    CDeviceManager* manager = engine.GetSetupScan().GetDeviceManager();
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(manager->GetModelCode(), 900);
    EXPECT_NE(manager->GetAnalyzer(), nullptr);

    const std::vector<std::string> texts = status.Texts();
    ASSERT_GE(texts.size(), 2U);
    EXPECT_EQ(texts[0], "Detecting, connecting to Scanner Board and Spectrum Analyzer......");
    EXPECT_EQ(texts[1], "Querying Spectrum Analyzer's ID...");
    for (const std::string& text : texts) {
        EXPECT_EQ(text.find("Failed"), std::string::npos) << text;
    }
}

} // namespace
} // namespace orv
