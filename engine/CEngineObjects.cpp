#include "engine/CEngineObjects.h"

#include "analyzers/CInstrumentInfo.h"
#include "engine/CDeviceManager.h"
#include "engine/CEngineDevices.h"
#include "engine/runners/ScanRunners.h"

namespace orv {

CEngineObjects::CEngineObjects(CEngineStartup startup)
    : m_setup(std::make_unique<SetupScan>()), m_devices(std::move(startup.devices)),
      m_stopFlag(std::make_unique<ScanStopFlag>()), m_runners(std::make_unique<CScanRunnerTable>()) {
    m_setup->SetStopFlag(m_stopFlag.get());
    RegisterScanRunners(*m_runners);
    m_deviceSet = m_devices.get();
    if (m_deviceSet == nullptr) {
        CDeviceManager* manager = m_setup->CreateDeviceManager();
        manager->SetSecondPassSource(startup.secondPass);
        m_deviceSet = manager;
    }
    GetInstrumentInfo().BuildSupportedAnalyzerTable();
    m_commandPipe = std::make_unique<CTransferPipe>();
    m_dataPipe = std::make_unique<CTransferPipe>();
    m_dataEngine = std::make_unique<CSocketDataEngine>();
    CEngineContext context;
    context.setup = m_setup.get();
    context.stopFlag = m_stopFlag.get();
    context.data = m_dataEngine.get();
    context.runners = m_runners.get();
    context.devices = m_deviceSet;
    context.mainFrame = startup.mainFrame;
    context.secondPass = std::move(startup.secondPass);
    m_commandEngine = std::make_unique<CSocketCommandEngine>(context);
    m_commandEngine->SetChannel(m_commandPipe.get());
    m_setup->SetStepReporter(m_commandEngine.get());
    m_commandEngine->Start();
    m_dataEngine->SetChannel(m_dataPipe.get());
    m_dataEngine->Start();
    if (startup.usbEvents) {
        m_usbView = std::make_unique<CUSBView>(std::move(startup.usbEvents));
        m_usbView->Create();
    }
}

CEngineObjects::~CEngineObjects() {
    m_usbView.reset();
    m_setup->SetTeardownFlag(1);
    // Every thread that could report a set-up step has ended once the endpoint is shut down.
    m_commandEngine->Shutdown();
    m_setup->SetStepReporter(nullptr);
    m_commandEngine.reset();
    m_dataEngine.reset();
    m_commandPipe.reset();
    m_dataPipe.reset();
    m_devices.reset();
    m_setup.reset();
}

} // namespace orv
