#pragma once

#include "project/QNodeContainer.h"

namespace orv {

// The node container that a project window's container or project view embeds: it hands every
// operation to its host, which answers for the nodes it holds.
template <class Host> class QNodeContainerImpl : public QNodeContainer {
public:
    explicit QNodeContainerImpl(Host& host) : m_host(host) {}

    Host& GetHost() const { return m_host; }

    QNodeMediator* GetParentMediator(QNodeMediator& mediator) override {
        return m_host.GetParentMediator(mediator);
    }
    std::vector<QNodeMediator*> GetChildMediators(QNodeMediator& parent) override {
        return m_host.GetChildMediators(parent);
    }
    QProjectStorageManager* GetStorageManager() override { return m_host.GetStorageManager(); }
    void UpdateNodeItem(QNodeMediator& mediator, int32_t code) override {
        m_host.UpdateNodeItem(mediator, code);
    }
    void MarkModified() override { m_host.MarkModified(); }
    void RefreshAllNodeViews() override { m_host.RefreshAllNodeViews(); }
    void RebuildAllNodeViews(bool rebuild) override { m_host.RebuildAllNodeViews(rebuild); }
    QNodeMediator* GetPreferencesMediator() override { return m_host.GetPreferencesMediator(); }
    QNodeMediator* AddChildNode(QNodeMediator& parent, uint16_t kind) override {
        return m_host.AddChildNode(parent, kind);
    }
    bool DeleteChildNode(QNodeMediator& child) override { return m_host.DeleteChildNode(child); }
    void AddSpectralScanDataToList(CSpectralScanData& scan, bool live, bool newEntry,
                                   QNodeMediator& mediator) override {
        m_host.AddSpectralScanDataToList(scan, live, newEntry, mediator);
    }
    void AddSpatialScanDataToList(CSpatialScanData& scan, bool live, bool newEntry,
                                  QNodeMediator& mediator) override {
        m_host.AddSpatialScanDataToList(scan, live, newEntry, mediator);
    }
    void AddSpectralSpatialScanDataToList(CSpectralSpatialScanData& scan, bool live,
                                          QNodeMediator& mediator) override {
        m_host.AddSpectralSpatialScanDataToList(scan, live, mediator);
    }
    void AddHandHeldProbeScanDataToList(CHandHeldProbeScanData& scan, bool live,
                                        QNodeMediator& mediator) override {
        m_host.AddHandHeldProbeScanDataToList(scan, live, mediator);
    }

private:
    Host& m_host;
};

} // namespace orv
