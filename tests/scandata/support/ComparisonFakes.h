#pragma once

#include "core/QException.h"
#include "core/QLockable.h"
#include "scandata/QComparisonOwner.h"
#include "scandata/QComparisonScanContainer.h"
#include "scandata/QScanContainer.h"
#include "scandata/QSpatialScanContainer.h"
#include "scandata/QSpectralScanContainer.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace orv::testing {

// Records the order in which fake source nodes are locked and unlocked ("+id" and "-id").
class LockLog {
public:
    void Add(std::string entry) {
        const std::lock_guard<std::mutex> guard(m_lock);
        m_entries.push_back(std::move(entry));
    }
    std::vector<std::string> Entries() const {
        const std::lock_guard<std::mutex> guard(m_lock);
        return m_entries;
    }

private:
    mutable std::mutex m_lock;
    std::vector<std::string> m_entries;
};

// A source node: an ID, a recursive lock and a container, with a count of the locks it has given
// out and not got back. It can be told to fail its acquisition with a QException.
class FakeSourceNode : public QComparisonSource {
public:
    FakeSourceNode(uint32_t id, std::unique_ptr<QScanContainer> container, LockLog* log = nullptr)
        : m_id(id), m_container(std::move(container)), m_log(log) {}

    uint32_t GetLinkedNodeID() const override { return m_id; }
    QScanContainer* AcquireScanContainer() override {
        if (m_failure.has_value()) {
            throw QException(*m_failure);
        }
        m_lock.lock();
        m_held.fetch_add(1);
        m_acquired.fetch_add(1);
        if (m_log != nullptr) {
            m_log->Add("+" + std::to_string(m_id));
        }
        return m_container.get();
    }
    void UnlockScanContainer() override {
        if (m_log != nullptr) {
            m_log->Add("-" + std::to_string(m_id));
        }
        m_held.fetch_sub(1);
        m_lock.unlock();
    }
    QHeldScanContainer AcquireHeldScanContainer() override { return {AcquireScanContainer(), &m_nodeLock}; }
    bool IsComparisonNode() override {
        m_kindAsked.fetch_add(1);
        return dynamic_cast<QComparisonScanContainer*>(m_container.get()) != nullptr;
    }

    void FailWith(std::string message) { m_failure = std::move(message); }
    int HeldCount() const { return m_held.load(); }
    QScanContainer* Container() const { return m_container.get(); }
    std::recursive_mutex& Lock() { return m_lock; }
    // How often the node was asked whether it is a comparison node.
    int KindAskedCount() const { return m_kindAsked.load(); }
    // How many times the node's lock was taken in all.
    int AcquiredCount() const { return m_acquired.load(); }

private:
    // The node's lock as a holder gives it back.
    class NodeLock final : public QLockable {
    public:
        explicit NodeLock(FakeSourceNode& node) : m_node(node) {}
        void Lock() override { m_node.AcquireScanContainer(); }
        void Unlock() override { m_node.UnlockScanContainer(); }

    private:
        FakeSourceNode& m_node;
    };

    uint32_t m_id;
    std::unique_ptr<QScanContainer> m_container;
    LockLog* m_log;
    std::recursive_mutex m_lock;
    std::atomic<int> m_held{0};
    std::atomic<int> m_acquired{0};
    std::atomic<int> m_kindAsked{0};
    std::optional<std::string> m_failure;
    NodeLock m_nodeLock{*this};
};

// A comparison node: its two links, and the scan-head texts it was told to make current.
class FakeComparisonOwner : public QComparisonOwner {
public:
    FakeComparisonOwner(QComparisonSource* first, QComparisonSource* second)
        : m_first(first), m_second(second) {}

    QComparisonSource* GetFirstLink() override { return m_first; }
    QComparisonSource* GetSecondLink() override { return m_second; }
    void SetCurrentProjectScanHeadText(const std::string& text) override { m_scanHeads.push_back(text); }

    const std::vector<std::string>& ScanHeads() const { return m_scanHeads; }
    // The comparison node's own lock, taken before the sources' (as its mediator does).
    std::recursive_mutex& Lock() { return m_lock; }

private:
    QComparisonSource* m_first;
    QComparisonSource* m_second;
    std::vector<std::string> m_scanHeads;
    std::recursive_mutex m_lock;
};

// A spectral container holding data: the set-up range, a description naming the scan head, and
// `points` levels (level(i) = base + i % 7).
std::unique_ptr<QSpectralScanContainer> MakeSpectralSource(float start, float stop, uint32_t points,
                                                           const std::string& scanHead, int16_t base = 100);

// A spatial container holding data: a pattern of patternRows x patternColumns (all on), a heat map of
// mapRows x mapColumns with level(r, c) = base + r + c, at the centre of start..stop.
std::unique_ptr<QSpatialScanContainer> MakeSpatialSource(float start, float stop, uint16_t patternRows,
                                                         uint16_t patternColumns, uint16_t mapRows,
                                                         uint16_t mapColumns, int16_t base = 100);

} // namespace orv::testing
