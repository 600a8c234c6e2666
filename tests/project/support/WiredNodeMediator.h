#pragma once

// The mediator the wiring tests hand the node factory: it owns its node and answers from it, as the
// fundamental mediator does, so that the node, its container, the node containers and the mediator
// base meet as they do in the program.

#include "project/QNode.h"
#include "project/QNodeMediator.h"

#include <memory>
#include <string>

namespace orv::wiring {

class WiredNodeMediator : public QNodeMediator {
public:
    QNode* GetNode() override { return m_node.get(); }
    void SetNode(std::unique_ptr<QNode> node) override { m_node = std::move(node); }
    void Detach() override {}
    bool IsScanning() override { return false; }
    bool IsBusy() override { return false; }
    bool HasScanData() override { return false; }
    std::string GetName() override { return m_node->GetName(); }
    void SetName(const std::string& name) override { m_node->SetName(name); }
    std::string GetLabel() override { return m_node->GetLabel(); }
    void SetLabel(const std::string& label) override { m_node->SetLabel(label); }
    uint32_t GetNodeID() override { return m_node->GetID(); }
    QScanOptions* GetScanOptions() override { return m_node->GetScanOptions(); }
    QSpectralDisplayOptions* GetSpectralDisplayOptions() override {
        return m_node->GetSpectralDisplayOptions();
    }
    QSpatialDisplayOptions* GetSpatialDisplayOptions() override { return m_node->GetSpatialDisplayOptions(); }
    QAnalyzerOptions* GetAnalyzerOptions() override { return m_node->GetAnalyzerOptions(); }
    QOverlayOptions* GetOverlayOptions() override { return m_node->GetOverlayOptions(); }
    QNearFieldAmbientScanOptions* GetNearFieldAmbientScanOptions() override {
        return m_node->GetNearFieldAmbientScanOptions();
    }
    QFarFieldAmbientScanOptions* GetFarFieldAmbientScanOptions() override {
        return m_node->GetFarFieldAmbientScanOptions();
    }
    QAntennaPositionScanOptions* GetAntennaPositionScanOptions() override {
        return m_node->GetAntennaPositionScanOptions();
    }
    uint32_t GetDataSize() override { return 4; }
    void WriteData(QDataWriter& writer) override;
    void ReadData(QDataReader& reader) override;
    bool GetCompensationSettings(QScanCompensationSettings& /*out*/) const override { return false; }
    int GetSpatialDisplayUnit() const override { return 1; }
    int GetSpectralDisplayUnit() const override { return 1; }

private:
    std::unique_ptr<QNode> m_node;
};

// A factory maker for WiredNodeMediator.
std::unique_ptr<QNodeMediator> MakeWiredMediator();

} // namespace orv::wiring
