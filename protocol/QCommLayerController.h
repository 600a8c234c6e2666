#pragma once

#include <cstdint>
#include <memory>
#include <stop_token>

namespace orv {

class MessageTarget;
class QCalibrateSpectrumAnalyzerCommand;
class QGoCommand;
class QNodeMediator;
class QQueryScanHeadCommand;
class QResetSpectrumAnalyzerCommand;
class QScanProgressIndicator;
class QScanningEngineVersionCheckCommand;
class QSetSpectrumAnalyzerDriverCommand;
class QSetupScanCommand;
class QSettingsPage;
class QStopCalibrationCommand;
class QStopCommand;

// The scan state controller as the communication layer reaches it. The steps run on the layer's
// queue worker, the acknowledgements on its command channel thread and the scan-data calls on its
// data channel thread; the controller outlives the layer's threads (the layer joins them all before
// it is gone).
class QCommLayerController {
public:
    QCommLayerController() = default;
    QCommLayerController(const QCommLayerController&) = delete;
    QCommLayerController& operator=(const QCommLayerController&) = delete;
    virtual ~QCommLayerController();

    // Steps of the command queue; `flag` is 1 when the controller queued the step itself.
    virtual void SendSetupScan(uint8_t flag) = 0;
    virtual void SendGo(uint8_t flag) = 0;
    virtual void SendStop(uint8_t flag) = 0;
    virtual void DetectScannerId(uint8_t flag) = 0;
    virtual void DetectEngineVersion(uint8_t flag) = 0;
    // True when the driver command was sent.
    virtual bool SetSpectrumAnalyzerDriver(QNodeMediator* context, int32_t driverId, int32_t analyzerId,
                                           QSettingsPage* page) = 0;

    // Replies of the engine, one per command id.
    virtual void SetupScanCommandAck(QSetupScanCommand& reply) = 0;
    virtual void GoCommandAck(QGoCommand& reply) = 0;
    virtual void StopCommandAck(QStopCommand& reply) = 0;
    virtual void SetSpectrumAnalyzerDriverCommandAck(QSetSpectrumAnalyzerDriverCommand& reply) = 0;
    virtual void QueryScanHeadCommandAck(QQueryScanHeadCommand& reply) = 0;
    virtual void CalibrateCommandAck(QCalibrateSpectrumAnalyzerCommand& reply) = 0;
    virtual void ResetCommandAck(QResetSpectrumAnalyzerCommand& reply) = 0;
    virtual void ScanningEngineVersionCheckCommandAck(QScanningEngineVersionCheckCommand& reply) = 0;
    virtual void CalibrationStopCommandAck(QStopCalibrationCommand& reply) = 0;

    // Workflow.
    virtual void SetState(int32_t state) = 0;
    virtual int32_t GetState() const = 0;
    // Ends whatever runs; also called on the command channel thread (a scan error reply), where it
    // must not wait for that thread.
    virtual void EndWorkflow(uint32_t reason) = 0;
    // The manual driver of the controller's analyser options: an analyser id, or -1.
    virtual void SetManualDriver(int32_t analyzerId) = 0;

    // Scan data.
    virtual bool IsStopRequested() const = 0;
    virtual bool IsContinuous() const = 0;
    // The controller's notification target (scan progress of assembled scans is posted there).
    virtual MessageTarget* GetNotificationTarget() = 0;
    // Sends the progress report to the notification target and waits until it was handled; the
    // handler takes the packet over. When `stop` ends the wait first, the packet is freed here.
    virtual void SendScanProgressIndicator(std::unique_ptr<QScanProgressIndicator> packet,
                                           std::stop_token stop) = 0;
};

} // namespace orv
