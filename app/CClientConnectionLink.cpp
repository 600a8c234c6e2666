#include "app/CClientConnectionLink.h"

#include "app/CMainFrame.h"
#include "app/UiMessagePump.h"
#include "engine/CDeviceManager.h"
#include "engine/CEngineObjects.h"
#include "protocol/QCommLayer.h"
#include "protocol/QScanEngineLinkOverController.h"
#include "protocol/QUIBBStateController.h"

namespace orv {

CClientConnectionLink::CClientConnectionLink(std::unique_ptr<QUIBBStateController> controller,
                                             CEngineObjects& engine, CMainFrameLink* frame)
    : m_controller(std::move(controller)), m_layer(std::make_unique<QCommLayer>()) {
    m_layer->SetStateController(m_controller.get());
    m_controller->AttachCommLayer(m_layer.get());
    m_layer->SetMainFrame(frame);
    m_controller->SetMainFrame(frame);
    m_layer->SetCommandTransferPipe(&engine.GetCommandPipe());
    m_layer->SetDataTransferPipe(&engine.GetDataPipe());
    // The engine's switch mode reads the controller's second-pass values.
    if (CDeviceManager* manager = engine.GetSetupScan().GetDeviceManager()) {
        manager->SetSecondPassSource(m_controller->GetSecondPassSource());
    }
    m_engineLink = std::make_unique<QScanEngineLinkOverController>(*m_layer, *m_controller);
}

CClientConnectionLink::~CClientConnectionLink() {
    m_engineLink.reset();
    // The layer joins its threads, which may still call the controller, before the controller goes.
    m_layer.reset();
    m_controller->AttachCommLayer(nullptr);
    m_controller.reset();
}

int32_t CClientConnectionLink::GetState() const {
    return m_controller->GetState();
}

void CClientConnectionLink::SetState(int32_t state) {
    m_controller->SetState(state);
}

bool CClientConnectionLink::CreateDriverConnection() {
    return m_controller->CreateDriverConnection();
}

void CClientConnectionLink::QueueCommand(uint16_t code, uint8_t flag, uint32_t argument) {
    m_layer->QueueCommand(code, flag, static_cast<int32_t>(argument));
}

bool CClientConnectionLink::IsCommandQueueEmpty() const {
    return m_layer->IsCommandQueueEmpty();
}

void CClientConnectionLink::SignalCommandEvent() {
    m_layer->SignalCommandEvent();
}

void CClientConnectionLink::MarkStopRequested() {
    m_controller->SetStopRequested(true);
}

std::unique_ptr<CConnectionLink> CClientConnectionLink::MakeForFrame(CEngineObjects& engine,
                                                                     CMainFrame& frame) {
    return std::make_unique<CClientConnectionLink>(
        std::make_unique<QUIBBStateController>(GetUiMessageThread()), engine, &frame.GetFrameLink());
}

QScanEngineLink* CClientConnectionLink::GetScanEngineLink() {
    return m_engineLink.get();
}

} // namespace orv
