#pragma once

#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "core/QSerializable.h"
#include "project/QNode.h"
#include "project/QNodeMediator.h"
#include "scandata/QDummyScanContainer.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Stand-ins for the node tests: a node of any kind with the container a test gives it, and a
// mediator that keeps a list of linked node IDs as the fundamental mediator does.
namespace orv::nodefix {

class FixtureNode : public QNode {
public:
    explicit FixtureNode(uint16_t kind, std::unique_ptr<QScanContainer> container = nullptr);

    uint16_t GetTypeID() const override { return m_kind; }

private:
    uint16_t m_kind;
};

// Holds one node (owns it when it was handed over with SetNode, as the fundamental mediator does);
// answers the mediator data block from its link list.
class LinkListMediator : public QNodeMediator {
public:
    explicit LinkListMediator(QNode* node = nullptr, QNodeMediator* parent = nullptr);

    void Detach() override {}
    bool IsScanning() override { return false; }
    bool IsBusy() override { return false; }
    bool HasScanData() override { return false; }
    QNode* GetNode() override { return m_node; }
    void SetNode(std::unique_ptr<QNode> node) override;
    bool GetCompensationSettings(QScanCompensationSettings& /*out*/) const override { return false; }
    int GetSpatialDisplayUnit() const override { return 0; }
    int GetSpectralDisplayUnit() const override { return 0; }

    uint32_t GetDataSize() override;
    void WriteData(QDataWriter& writer) override;
    void ReadData(QDataReader& reader) override;

    std::unique_ptr<QNode> m_owned;
    QNode* m_node;
    std::vector<uint32_t> m_links;
    // Every block handed to ReadData, as IDs after the count.
    std::vector<std::vector<uint32_t>> m_readBlocks;
};

// A container without data that reports its own deletion on the debug output.
class AnnouncingContainer : public QDummyScanContainer {
public:
    static constexpr const char* kDeletedText = "container deleted\n";
    ~AnnouncingContainer() override;
};

std::vector<uint8_t> WriteBodyBytes(const QSerializable& object);
// Reads the body and answers the bytes left unread.
uint64_t ReadBodyBytes(QSerializable& object, const std::vector<uint8_t>& bytes);

// Little-endian helpers for building bodies by hand.
void AppendU32(std::vector<uint8_t>& bytes, uint32_t value);
uint32_t U32At(const std::vector<uint8_t>& bytes, size_t offset);

} // namespace orv::nodefix
