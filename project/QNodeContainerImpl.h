#pragma once

#include "project/QNodeContainer.h"

namespace orv {

// The node container that a project window's container or project view embeds: it hands every
// operation to its host, which answers for the nodes it holds.
template <class Host> class QNodeContainerImpl : public QNodeContainer {
public:
    explicit QNodeContainerImpl(Host& host) : m_host(host) {}

    Host& GetHost() const { return m_host; }

    QNodeMediator* GetPreferencesMediator() override { return m_host.GetPreferencesMediator(); }
    std::vector<QNodeMediator*> GetChildMediators(QNodeMediator& parent) override {
        return m_host.GetChildMediators(parent);
    }
    void UpdateNodeItem(QNodeMediator& mediator, int32_t code) override {
        m_host.UpdateNodeItem(mediator, code);
    }
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
