#pragma once

// The client side of the engine link as the main frame owns it: the scan state controller and the
// communication layer, linked both ways, with the engine's two transfer pipes attached once for the
// program's life, and the engine link the project windows reach. The layer goes before the
// controller, and both after every thread that could still use them has been joined.

#include "app/CConnectionLink.h"

#include <memory>

namespace orv {

class CEngineObjects;
class CMainFrame;
class CMainFrameLink;
class QCommLayer;
class QScanEngineLinkOverController;
class QUIBBStateController;

class CClientConnectionLink final : public CConnectionLink {
public:
    // `frame` may be null (no displays).
    CClientConnectionLink(std::unique_ptr<QUIBBStateController> controller, CEngineObjects& engine,
                          CMainFrameLink* frame);
    ~CClientConnectionLink() override;

    int32_t GetState() const override;
    void SetState(int32_t state) override;
    bool CreateDriverConnection() override;
    void QueueCommand(uint16_t code, uint8_t flag, uint32_t argument) override;
    bool IsCommandQueueEmpty() const override;
    void SignalCommandEvent() override;
    void MarkStopRequested() override;
    QScanEngineLink* GetScanEngineLink() override;

    // How the program makes its link: the scan state controller and command queue over the engine's
    // pipes, with the frame's displays.
    static std::unique_ptr<CConnectionLink> MakeForFrame(CEngineObjects& engine, CMainFrame& frame);

    QCommLayer& GetCommLayer() const { return *m_layer; }
    QUIBBStateController& GetController() const { return *m_controller; }

private:
    std::unique_ptr<QUIBBStateController> m_controller;
    std::unique_ptr<QCommLayer> m_layer;
    std::unique_ptr<QScanEngineLinkOverController> m_engineLink;
};

} // namespace orv
