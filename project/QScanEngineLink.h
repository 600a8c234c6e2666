#pragma once

#include <cstdint>
#include <string>

namespace orv {

class QNodeMediator;
class QProjectWindow;

// The scanning engine as a project window reaches it: the comm layer's two channels and the state
// controller that connects the driver and runs and stops scans. The protocol side implements it; the
// main frame hands it to every project window.
class QScanEngineLink {
public:
    QScanEngineLink() = default;
    QScanEngineLink(const QScanEngineLink&) = delete;
    QScanEngineLink& operator=(const QScanEngineLink&) = delete;
    virtual ~QScanEngineLink();

    // Comm layer.
    virtual bool ConnectCommandChannel(const std::string& host, uint16_t port) = 0;
    virtual bool ConnectDataChannel(const std::string& host, uint16_t port) = 0;

    // State controller.
    // The window that the controller's messages and boxes belong to.
    virtual void SetWindow(QProjectWindow* window) = 0;
    virtual bool CreateDriverConnection() = 0;
    virtual void DestroyDriverConnection() = 0;
    // Runs the scan of the node behind the mediator; once, or again and again when continuous.
    virtual bool RunScan(QNodeMediator& mediator, bool continuous) = 0;
    virtual void StopScan() = 0;
    // Whether the controller lets the user give the command (0-9; 2 runs a scan) now. Until a
    // controller answers, no command is allowed.
    virtual bool IsCommandAllowed(uint32_t /*command*/) { return false; }
    // The controller's workflow state (0 nothing running, 2 connected and idle, 3 and 12 while a scan
    // runs; the others belong to the workflow). Until a controller answers: 0.
    virtual int32_t GetWorkflowState() { return 0; }
};

} // namespace orv
