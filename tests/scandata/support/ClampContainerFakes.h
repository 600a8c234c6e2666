#pragma once

#include "core/QAntennaPositionScanOptions.h"
#include "core/QPacket.h"
#include "core/QSmallOptions.h"
#include "scandata/QContainerNodeMediator.h"
#include "scandata/QScanContainer.h"
#include "scandata/QScanContainerMediator.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace orv::testing {

// A node as the ambient, cable and antenna containers see it through their mediator: its lock, its
// container, its parent and its option members. It counts how many fake node locks the calling
// thread holds at once, so a test can show that no thread ever held two.
class FakeContainerNode : public QScanContainerMediator, public QContainerNodeMediator {
public:
    explicit FakeContainerNode(std::unique_ptr<QScanContainer> container,
                               FakeContainerNode* parent = nullptr);
    ~FakeContainerNode() override;

    float GetCompensationThreshold() const override { return 0.0f; }
    QContainerNodeMediator* GetParentContainerMediator() override { return m_parent; }
    QScanContainer* AcquireScanContainer() override;
    void UnlockScanContainer() override;
    QHeldScanContainer AcquireHeldScanContainer() override { return {AcquireScanContainer(), &m_nodeLock}; }
    QNearFieldAmbientScanOptions* GetNearFieldAmbientScanOptions() override { return &m_nearField; }
    QFarFieldAmbientScanOptions* GetFarFieldAmbientScanOptions() override { return &m_farField; }
    QAntennaPositionScanOptions* GetAntennaPositionScanOptions() override { return &m_antennaPosition; }

    template <typename Kind> Kind& Container() { return dynamic_cast<Kind&>(*m_container); }
    int AcquireCount() const { return m_acquired.load(); }
    int ReleaseCount() const { return m_released.load(); }

    // The most fake node locks one thread has held at the same time since the last reset.
    static int MostHeldAtOnce();
    static void ResetMostHeld();

    QNearFieldAmbientScanOptions m_nearField;
    QFarFieldAmbientScanOptions m_farField;
    QAntennaPositionScanOptions m_antennaPosition;

private:
    // The node's lock as a holder gives it back.
    class NodeLock final : public QLockable {
    public:
        explicit NodeLock(FakeContainerNode& node) : m_node(node) {}
        void Lock() override { m_node.AcquireScanContainer(); }
        void Unlock() override { m_node.UnlockScanContainer(); }

    private:
        FakeContainerNode& m_node;
    };

    NodeLock m_nodeLock{*this};
    std::recursive_mutex m_lock;
    std::unique_ptr<QScanContainer> m_container;
    FakeContainerNode* m_parent;
    std::atomic<int> m_acquired{0};
    std::atomic<int> m_released{0};
};

// A spectral scan record with these stored levels.
std::unique_ptr<QDataPacket> MakeSpectralRecord(const std::vector<int16_t>& levels);
// Hands one spectral record to the container as the scan-data path does.
uint32_t DeliverSpectrum(QScanContainer& container, const std::vector<int16_t>& levels, bool mergeMaximum,
                         bool mergeAverage = false);
// `count` levels of `floor` with the given points raised to `peak`.
std::vector<int16_t> SpectrumWithPeaks(uint32_t count, int16_t floor, const std::vector<uint32_t>& at,
                                       int16_t peak);

// An application folder with compensation tables, in place while the fixture lives.
class CompensationTableFolder {
public:
    CompensationTableFolder();
    ~CompensationTableFolder();
    CompensationTableFolder(const CompensationTableFolder&) = delete;
    CompensationTableFolder& operator=(const CompensationTableFolder&) = delete;

    // A table file of that name with (frequency, value) rows.
    void WriteTable(const std::string& name, const std::vector<std::pair<float, float>>& rows) const;

private:
    std::filesystem::path m_path;
    std::string m_previousFolder;
};

} // namespace orv::testing
