#pragma once

// The fundamental mediator of the project-file model tests: the container tests' node-owning
// mediator with what the project file keeps in the mediator that owns a node (the reference nodes
// linked to it, stored in its data block, and the node values and report section).

#include "project/QMediatorFileFields.h"
#include "tests/project/support/ProjectContainerFakes.h"

#include <cstdint>
#include <set>
#include <vector>

namespace orv::filemodeltest {

class LinkKeepingMediator : public containertest::NodeOwningMediator, public QMediatorFileFields {
public:
    LinkKeepingMediator() = default;
    // Leaves every proxy still linked to it unlinked.
    ~LinkKeepingMediator() override;

    void AddLinkedProxy(QNodeMediator& proxy) override { m_linked.insert(&proxy); }
    void RemoveLinkedProxy(QNodeMediator& proxy) override { m_linked.erase(&proxy); }
    const std::set<QNodeMediator*>& GetLinkedProxies() const { return m_linked; }

    // The link count, then the node ID of each linked proxy.
    uint32_t GetDataSize() override { return 4 + 4 * static_cast<uint32_t>(m_linked.size()); }
    void WriteData(QDataWriter& writer) override;
    void ReadData(QDataReader& reader) override;

    std::vector<uint32_t> TakePendingLinks() override;
    QProjectNodeValues GetNodeValues() const override { return m_values; }
    void SetNodeValues(const QProjectNodeValues& values) override { m_values = values; }
    std::string GetReportText() const override { return m_reportText; }
    void SetReportText(std::string text) override { m_reportText = std::move(text); }

    // What the node's data block named, until the load resolves it.
    std::vector<uint32_t> m_pendingLinks;

private:
    std::set<QNodeMediator*> m_linked;
    QProjectNodeValues m_values;
    std::string m_reportText;
};

} // namespace orv::filemodeltest
