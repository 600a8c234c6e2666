#pragma once

#include "core/QAttenuatorOptions.h"
#include "core/QOptionMediator.h"
#include "core/QOptionNode.h"
#include "core/QSmallOptions.h"
#include "core/QSpatialDisplayOptions.h"
#include "core/QSpectralDisplayOptions.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace orv::test {

// A node of a test tree carrying the option kinds that follow other nodes; the kinds it does not
// carry answer null.
class Opt2FakeNode : public QOptionNode {
public:
    explicit Opt2FakeNode(uint16_t kind) : m_kind(kind) {
        m_spectral.SetOwner(this);
        m_spatial.SetOwner(this);
        m_attenuator.SetOwner(this);
        m_ssSpectral.SetOwner(this);
        m_ssSpatial.SetOwner(this);
    }

    uint16_t GetNodeTypeId() const override { return m_kind; }
    QOptionMediator* GetMediator() const override { return m_mediator; }
    QScanOptions* GetScanOptions() override { return nullptr; }
    QProbeScanPatternOptions* GetFirstProbePatternOptions() override { return nullptr; }
    QProbeScanPatternOptions* GetSecondProbePatternOptions() override { return nullptr; }
    QSpectralDisplayOptions* GetSpectralDisplayOptions() override { return &m_spectral; }
    QSpatialDisplayOptions* GetSpatialDisplayOptions() override { return &m_spatial; }
    QAttenuatorOptions* GetAttenuatorOptions() override { return &m_attenuator; }
    QSSSpectralViewOptions* GetSSSpectralViewOptions() override { return &m_ssSpectral; }
    QSSSpatialViewOptions* GetSSSpatialViewOptions() override { return &m_ssSpatial; }
    QOptions* GetOverlayOptions() override { return nullptr; }

    uint16_t m_kind;
    QOptionMediator* m_mediator = nullptr;
    QSpectralDisplayOptions m_spectral;
    QSpatialDisplayOptions m_spatial;
    QAttenuatorOptions m_attenuator;
    QSSSpectralViewOptions m_ssSpectral;
    QSSSpatialViewOptions m_ssSpatial{2, 3};
};

class Opt2FakeMediator : public QOptionMediator {
public:
    QOptionNode* GetNode() override { return m_node; }
    QOptionMediator* GetParentMediator() override { return m_parent; }

    QOptionNode* m_node = nullptr;
    QOptionMediator* m_parent = nullptr;
};

// A chain of nodes, the first the root: Add(kind) puts a new node under the last one.
class Opt2FakeTree {
public:
    Opt2FakeNode& Add(uint16_t kind) {
        auto node = std::make_unique<Opt2FakeNode>(kind);
        auto mediator = std::make_unique<Opt2FakeMediator>();
        mediator->m_node = node.get();
        mediator->m_parent = m_mediators.empty() ? nullptr : m_mediators.back().get();
        node->m_mediator = mediator.get();
        m_nodes.push_back(std::move(node));
        m_mediators.push_back(std::move(mediator));
        return *m_nodes.back();
    }
    Opt2FakeNode& Node(size_t index) { return *m_nodes.at(index); }
    Opt2FakeMediator& Mediator(size_t index) { return *m_mediators.at(index); }

private:
    std::vector<std::unique_ptr<Opt2FakeNode>> m_nodes;
    std::vector<std::unique_ptr<Opt2FakeMediator>> m_mediators;
};

} // namespace orv::test
