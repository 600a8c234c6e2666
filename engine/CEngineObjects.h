#pragma once

// The engine's long-lived objects, made in the program's start-up order and taken down in one place:
// the set-up object with its devices, the stop flag, the instrument state's table of supported
// analysers, the command and data transfer pipes, the command and data endpoints on those pipes, each
// started, and last the watch for the scanner board's removal. The main frame makes one; so do the end-to-end
// tests.
//
// Teardown first ends the removal watch, then raises the set-up's teardown flag, then stops the endpoints
// (the command endpoint ends a running scan within its bound and joins every thread), and only then frees the
// set-up and the devices they used.

#include "engine/CEngineContext.h"
#include "engine/CScanRunnerTable.h"
#include "engine/CSocketCommandEngine.h"
#include "engine/CSocketDataEngine.h"
#include "engine/CTransferPipe.h"
#include "engine/CUSBView.h"
#include "engine/ScanStopFlag.h"
#include "engine/SetupScan.h"

#include <memory>

namespace orv {

class CEngineDevices;
class MessageTarget;

struct CEngineStartup {
    // The devices the engine drives in place of the set-up's device manager (tests: a scripted set);
    // null: the set-up makes its device manager and the engine drives that.
    std::unique_ptr<CEngineDevices> devices;
    // The main frame's message target; null when running headless.
    MessageTarget* mainFrame = nullptr;
    // The client controller's second-pass values, read by the device manager's switch mode.
    std::shared_ptr<const CSecondPassSource> secondPass;
    // The source of the USB device events the scanner board's removal watch reads (the program: the
    // udev monitor; tests: a fake). Empty: no watch.
    CUSBView::SourceMaker usbEvents;
};

class CEngineObjects {
public:
    explicit CEngineObjects(CEngineStartup startup = {});
    ~CEngineObjects();
    CEngineObjects(const CEngineObjects&) = delete;
    CEngineObjects& operator=(const CEngineObjects&) = delete;

    SetupScan& GetSetupScan() { return *m_setup; }
    ScanStopFlag& GetStopFlag() { return *m_stopFlag; }
    CTransferPipe& GetCommandPipe() { return *m_commandPipe; }
    CTransferPipe& GetDataPipe() { return *m_dataPipe; }
    CSocketCommandEngine& GetCommandEngine() { return *m_commandEngine; }
    CSocketDataEngine& GetDataEngine() { return *m_dataEngine; }
    // The runners of the scan types register here.
    CScanRunnerTable& GetRunnerTable() { return *m_runners; }
    CEngineDevices* GetDevices() { return m_deviceSet; }
    // The removal watch, null without an event source.
    CUSBView* GetUsbView() { return m_usbView.get(); }

private:
    std::unique_ptr<SetupScan> m_setup;
    std::unique_ptr<CEngineDevices> m_devices;
    // The devices in use: the given set, or the set-up's device manager.
    CEngineDevices* m_deviceSet = nullptr;
    std::unique_ptr<ScanStopFlag> m_stopFlag;
    std::unique_ptr<CScanRunnerTable> m_runners;
    std::unique_ptr<CTransferPipe> m_commandPipe;
    std::unique_ptr<CTransferPipe> m_dataPipe;
    std::unique_ptr<CSocketDataEngine> m_dataEngine;
    std::unique_ptr<CSocketCommandEngine> m_commandEngine;
    // Made last, destroyed first.
    std::unique_ptr<CUSBView> m_usbView;
};

} // namespace orv
