#pragma once

// The engine link the project windows reach (project/QScanEngineLink), over the communication layer
// and the state controller that the main frame owns; both outlive it.

#include "project/QScanEngineLink.h"

#include <atomic>

namespace orv {

class QCommLayer;
class QUIBBStateController;

class QScanEngineLinkOverController final : public QScanEngineLink {
public:
    QScanEngineLinkOverController(QCommLayer& layer, QUIBBStateController& controller)
        : m_layer(layer), m_controller(controller) {}

    bool ConnectCommandChannel(const std::string& host, uint16_t port) override;
    bool ConnectDataChannel(const std::string& host, uint16_t port) override;
    // The owner of the prompts the project's commands show; never the controller's target.
    void SetWindow(QProjectWindow* window) override { m_window.store(window); }
    QProjectWindow* GetWindow() const { return m_window.load(); }
    bool CreateDriverConnection() override;
    void DestroyDriverConnection() override;
    // The controller's run and stop.
    bool RunScan(QNodeMediator& mediator, bool continuous) override;
    void StopScan() override;
    bool IsCommandAllowed(uint32_t command) override;
    // The tree and the project frames grey their commands by it.
    int32_t GetWorkflowState() override;
    // The settings sheets read its wait cursor.
    QUIBBStateController& GetController() const { return m_controller; }

private:
    QCommLayer& m_layer;
    QUIBBStateController& m_controller;
    std::atomic<QProjectWindow*> m_window{nullptr};
};

} // namespace orv
