#include "protocol/QScanEngineLinkOverController.h"

#include "protocol/QCommLayer.h"
#include "protocol/QUIBBStateController.h"

namespace orv {

bool QScanEngineLinkOverController::ConnectCommandChannel(const std::string& host, uint16_t port) {
    m_layer.ConnectCommandChannel(host, port);
    return true;
}

bool QScanEngineLinkOverController::ConnectDataChannel(const std::string& host, uint16_t port) {
    m_layer.ConnectDataChannel(host, port);
    return true;
}

bool QScanEngineLinkOverController::CreateDriverConnection() {
    return m_controller.CreateDriverConnection();
}

void QScanEngineLinkOverController::DestroyDriverConnection() {
    m_controller.DestroyDriverConnection();
}

bool QScanEngineLinkOverController::RunScan(QNodeMediator& mediator, bool continuous) {
    return m_controller.RunScan(mediator, continuous ? 1 : 0);
}

void QScanEngineLinkOverController::StopScan() {
    m_controller.StopScan();
}

bool QScanEngineLinkOverController::IsCommandAllowed(uint32_t command) {
    return m_controller.IsCommandAllowed(command);
}

int32_t QScanEngineLinkOverController::GetWorkflowState() {
    return m_controller.GetState();
}

} // namespace orv
