#pragma once

#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "core/QOptionMediator.h"
#include "core/QOptionNode.h"
#include "core/QProbeScanPatternOptions.h"
#include "core/QScanOptions.h"
#include "core/QSerializable.h"

#include <cstdint>
#include <memory>
#include <vector>

// Test stand-ins for project nodes and their mediators: enough of a tree for option objects to walk
// to their governing node and read its options.
namespace orv::fake {

class FakeOptionMediator;

// A node with the option members the core kinds follow. The display, attenuator, view and overlay
// members of other kinds are left to each test (null unless set).
class FakeOptionNode : public QOptionNode {
public:
    explicit FakeOptionNode(uint16_t kind);

    uint16_t GetNodeTypeId() const override { return m_kind; }
    QOptionMediator* GetMediator() const override;
    QScanOptions* GetScanOptions() override { return &m_scanOptions; }
    QProbeScanPatternOptions* GetFirstProbePatternOptions() override { return &m_firstPattern; }
    QProbeScanPatternOptions* GetSecondProbePatternOptions() override { return &m_secondPattern; }
    QSpectralDisplayOptions* GetSpectralDisplayOptions() override { return m_spectralDisplay; }
    QSpatialDisplayOptions* GetSpatialDisplayOptions() override { return m_spatialDisplay; }
    QAttenuatorOptions* GetAttenuatorOptions() override { return m_attenuator; }
    QSSSpectralViewOptions* GetSSSpectralViewOptions() override { return m_ssSpectralView; }
    QSSSpatialViewOptions* GetSSSpatialViewOptions() override { return m_ssSpatialView; }
    QOptions* GetOverlayOptions() override { return m_overlay; }

    uint16_t m_kind;
    FakeOptionMediator* m_mediator = nullptr;
    QScanOptions m_scanOptions;
    QProbeScanPatternOptions m_firstPattern{1, 29, 42};
    QProbeScanPatternOptions m_secondPattern{0, 29, 42};
    QSpectralDisplayOptions* m_spectralDisplay = nullptr;
    QSpatialDisplayOptions* m_spatialDisplay = nullptr;
    QAttenuatorOptions* m_attenuator = nullptr;
    QSSSpectralViewOptions* m_ssSpectralView = nullptr;
    QSSSpatialViewOptions* m_ssSpatialView = nullptr;
    QOptions* m_overlay = nullptr;
};

class FakeOptionMediator : public QOptionMediator {
public:
    FakeOptionMediator(FakeOptionNode* node, FakeOptionMediator* parent) : m_node(node), m_parent(parent) {}

    QOptionNode* GetNode() override { return m_node; }
    QOptionMediator* GetParentMediator() override { return m_parent; }

    FakeOptionNode* m_node;
    FakeOptionMediator* m_parent;
};

// Owns a tree of fake nodes. Each node owns its scan and pattern options, as a real node does.
class FakeOptionTree {
public:
    // A node of the kind under the parent (null: a root).
    FakeOptionNode& Add(uint16_t kind, FakeOptionNode* parent = nullptr);
    // A straight chain of the kinds, the first one the root; answers the last node.
    FakeOptionNode& Chain(const std::vector<uint16_t>& kinds);

private:
    std::vector<std::unique_ptr<FakeOptionNode>> m_nodes;
    std::vector<std::unique_ptr<FakeOptionMediator>> m_mediators;
};

// The bytes a body really writes.
std::vector<uint8_t> WrittenBody(const QSerializable& object);
// Reads a body from memory under the stored-file version; answers the bytes left unread.
uint64_t ReadBodyBytes(QSerializable& object, const std::vector<uint8_t>& bytes,
                       uint32_t storedFileVersion = kCurrentStoredFileVersion);

} // namespace orv::fake
