#pragma once

// The engine objects a command endpoint and its scan runners work with. The start-up sequence (or a
// test) owns them and keeps them alive for as long as the endpoint lives.

#include <memory>

namespace orv {

class CEngineDevices;
class CScanRunnerTable;
class CSecondPassSource;
class CSocketDataEngine;
class MessageTarget;
class ScanStopFlag;
class SetupScan;

struct CEngineContext {
    SetupScan* setup = nullptr;
    ScanStopFlag* stopFlag = nullptr;
    CSocketDataEngine* data = nullptr;
    const CScanRunnerTable* runners = nullptr;
    // The attached devices; null while none is attached.
    CEngineDevices* devices = nullptr;
    // The main frame's message target, asked by the hand-held runner; null when running headless.
    MessageTarget* mainFrame = nullptr;
    // The client controller's second-pass values; null until the controller exists.
    std::shared_ptr<const CSecondPassSource> secondPass;
};

} // namespace orv
