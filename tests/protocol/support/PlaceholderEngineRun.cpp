#include "tests/protocol/support/PlaceholderEngineRun.h"

#include "analyzers/AnalyzerSwitches.h"
#include "analyzers/CInstrumentInfo.h"
#include "analyzers/drivers/none/CSpectrumAnalyzerNone.h"
#include "core/QManagers.h"
#include "engine/CDeviceManager.h"

namespace orv::test {

PlaceholderRunRegistries::PlaceholderRunRegistries() {
    GetInstrumentInfo().BuildSupportedAnalyzerTable();
    GetInstrumentInfo().SetAnalyzerDriverSet(false);
    GetScanHeadInfoManager().Insert(
        std::make_unique<QScanHeadInfo>("Board 29x42", 255, 10.0F, 1500.0F, 29, 42, 0, 0, 100U));
    SetNoAnalyzerSwitch(true);
}

PlaceholderRunRegistries::~PlaceholderRunRegistries() {
    SetNoAnalyzerSwitch(false);
    GetScanHeadInfoManager().Remove(255);
    GetSpectrumAnalyzerInfoManager().Remove(900);
}

void SeedPlaceholderAnalyzer(CEngineObjects& engine, uint32_t seed) {
    engine.GetSetupScan().GetDeviceManager()->SetAnalyzerFactory(
        [seed](int32_t) -> std::unique_ptr<CSpectrumAnalyzer> {
            auto analyzer = std::make_unique<CSpectrumAnalyzerNone>();
            analyzer->SetSeedSource([seed] { return seed; });
            return analyzer;
        });
}

bool PumpUntil(MessageThread& ui, const std::function<bool()>& condition, std::chrono::seconds bound) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        ui.PumpFor(std::chrono::milliseconds(5));
    }
    return true;
}

::testing::AssertionResult ConnectPlaceholderRun(CEngineObjects& engine, QUIBBStateController& controller,
                                                 QCommLayer& layer, CMainFrameLink& frame, MessageThread& ui,
                                                 std::unique_ptr<QScanEngineLinkOverController>& link,
                                                 std::chrono::seconds bound) {
    if (!engine.GetSetupScan().ConnectScanner(eProbeType::NoScanner)) {
        return ::testing::AssertionFailure() << "the no-scanner driver did not connect";
    }
    if (!engine.GetSetupScan().ConnectAnalyzer()) {
        return ::testing::AssertionFailure() << "the analyser did not connect";
    }
    controller.SetMainFrame(&frame);
    controller.AttachCommLayer(&layer);
    layer.SetStateController(&controller);
    layer.SetMainFrame(&frame);
    layer.SetCommandTransferPipe(&engine.GetCommandPipe());
    layer.SetDataTransferPipe(&engine.GetDataPipe());
    link = std::make_unique<QScanEngineLinkOverController>(layer, controller);
    controller.SetState(1);
    if (!link->CreateDriverConnection()) {
        return ::testing::AssertionFailure() << "no driver connection";
    }
    layer.QueueCommand(QCommLayer::kStepAnalyzerIdentity, 0, 0);
    layer.SignalCommandEvent();
    if (!PumpUntil(
            ui, [&] { return controller.GetState() == 2 && controller.IsDriverReplyReceived(); }, bound)) {
        return ::testing::AssertionFailure() << "the start-up did not reach state 2 with the driver's reply";
    }
    _SupportedAnalyzerInfo row;
    const int32_t selected = GetInstrumentInfo().GetSelectedAnalyzerID();
    if (!GetInstrumentInfo().FindAnalyzerByID(selected, row)) {
        return ::testing::AssertionFailure() << "no supported row for analyser " << selected;
    }
    GetSpectrumAnalyzerInfoManager().Insert(std::make_unique<QSpectrumAnalyzerInfo>(
        "Null", selected, 900, static_cast<float>(row.m_LowestFrequency),
        static_cast<float>(row.m_HighestFrequency), static_cast<float>(row.m_SmallestRbw),
        static_cast<float>(row.m_LargestRbw), 0));
    return ::testing::AssertionSuccess();
}

} // namespace orv::test
