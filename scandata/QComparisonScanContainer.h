#pragma once

#include "core/QProbeScanPattern.h"
#include "scandata/QComparisonSourceLocks.h"
#include "scandata/QDummyScanContainer.h"
#include "scandata/QScanContainer.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace orv {

class QComparisonOwner;

// The container of a comparison node. It holds no scans: between ResolveSources and ReleaseSources
// it borrows the containers of the node's two linked sources, checks that their scans can be
// compared, has them corrected and builds a result over them. Nothing is stored.
//
// Lock hierarchy of the model (every place that takes node locks follows it):
//  1. A node's container is reached only under that node's lock.
//  2. A comparison node's own lock is taken before its sources' locks, never after: the comparison
//     node's mediator locks its node, then calls ResolveSources. No code that holds a source node's
//     lock waits for a comparison node's lock.
//  3. The two source locks are taken in increasing node-ID order (equal IDs: the second link
//     first) and given back in the reverse order. A node linked as both sources is locked twice
//     (the locks are recursive).
//  4. A node that needs its parent's data takes the parent's lock and gives it back before it takes
//     its own; no code holds two tree nodes' locks at once outside rule 3.
//  5. No message box is shown while a node lock is held: the texts of CheckCompatibility wait until
//     ShowPendingMessages, which the caller calls once every lock is given back.
// The sources must not be comparison containers themselves (that would break rule 2); such a link
// is refused like a failed resolution.
class QComparisonScanContainer : public QScanContainer {
public:
    static constexpr const char* kIncompatibleCaption = "Incompatible Scans";
    static constexpr const char* kDifferentScanners = "Different Scanners ";

    // The owner is the comparison node; it is not owned and may be null (then nothing resolves).
    explicit QComparisonScanContainer(QComparisonOwner* owner);
    ~QComparisonScanContainer() override;

    // Takes the two sources' locks in the order of the hierarchy. A QException on the way, a link
    // that is missing or a source without a container makes both sources the stand-by dummy and
    // leaves no lock held; the exception's text is kept (GetLastError). Resolving again without a
    // release first releases the earlier sources.
    virtual void ResolveSources();
    // Drops what was built from the sources, gives the locks back in the reverse order of taking and
    // clears both sources. Shows nothing.
    virtual void ReleaseSources();
    // Whether the two scans can be compared. With showMessages the reason of a failure is queued for
    // ShowPendingMessages; the "Different Scanners " text only once per pair of linked nodes.
    virtual bool CheckCompatibility(bool showMessages) = 0;
    virtual void CorrectSpectralSources(float startFrequency, float stopFrequency) = 0;
    virtual void CorrectSpatialSources() = 0;

    // Shows the queued texts, one box each (caption "Incompatible Scans", information icon, OK).
    // Call it with no node lock held. Safe from any thread.
    void ShowPendingMessages();
    // The texts waiting for ShowPendingMessages.
    std::vector<std::string> GetPendingMessages() const;

    QDescription& GetDescription() override;
    bool IsStale() const override { return true; }
    bool IsUpdated() const override { return false; }
    void ClearUpdated() override {}
    void GetFrequencyRange(float* start, float* stop) const override;
    void StartNewScan() override {}
    void AddScanData(QTransportContainer& /*transport*/, bool /*mergeMaximum*/,
                     bool /*mergeAverage*/) override {}
    void ClearScanData() override {}

    // The message of the last QException met while resolving.
    const std::string& GetLastError() const { return m_LastError; }
    // Null outside the window between ResolveSources and ReleaseSources.
    QScanContainer* GetFirstSource() const { return m_FirstSource; }
    QScanContainer* GetSecondSource() const { return m_SecondSource; }
    const QDummyScanContainer& GetStandby() const { return m_Standby; }
    std::size_t GetHeldLockCount() const { return m_Locks.GetHeldCount(); }

protected:
    // The sources, or the stand-by dummy outside the resolution window: never a dangling source.
    QScanContainer& First() const { return m_FirstSource != nullptr ? *m_FirstSource : m_Standby; }
    QScanContainer& Second() const { return m_SecondSource != nullptr ? *m_SecondSource : m_Standby; }
    bool IsStandby(const QScanContainer& source) const { return &source == &m_Standby; }
    QComparisonOwner* GetOwner() const { return m_OwnerNode; }

    // The rules of the spectral kinds and of the spatial kinds.
    bool CheckSpectralRules(bool showMessages);
    bool CheckCentreFrequencyRule(bool showMessages);
    // Corrects a source's spectrum when it is not corrected yet, over the source's own pattern.
    static void CorrectSpectralSource(QScanContainer& source, float startFrequency, float stopFrequency);
    static void EstimateSpectralNoiseFloor(QScanContainer& source);
    // The result of a check that wants no record kept, for the kinds' const operations.
    QComparisonScanContainer& Mutable() const { return const_cast<QComparisonScanContainer&>(*this); }

    // A pattern of no cells, for the kinds that have no pattern of their own.
    const QProbeScanPattern m_NoPattern{0, 0};

private:
    void FallBackToStandby();
    void QueueMessage(const std::string& text);

    QComparisonOwner* m_OwnerNode;
    std::string m_LastError;
    QScanContainer* m_FirstSource = nullptr;
    QScanContainer* m_SecondSource = nullptr;
    mutable QDummyScanContainer m_Standby;
    QComparisonSourceLocks m_Locks;
    // The linked node IDs of the current resolution, and the pair the scanner text was queued for.
    std::optional<std::pair<uint32_t, uint32_t>> m_LinkIds;
    std::optional<std::pair<uint32_t, uint32_t>> m_ScannerTextShownFor;
    // A leaf lock: held only while the queue is touched, never while anything else is called.
    mutable std::mutex m_MessageLock;
    std::vector<std::string> m_PendingMessages;
};

// Brackets work on a comparison container: resolves at construction; at destruction releases and
// then shows the queued texts. Use it with no other node lock held (or call the two steps by hand).
class QComparisonSourcesScope {
public:
    explicit QComparisonSourcesScope(QComparisonScanContainer& container) : m_Container(container) {
        m_Container.ResolveSources();
    }
    ~QComparisonSourcesScope() {
        m_Container.ReleaseSources();
        m_Container.ShowPendingMessages();
    }
    QComparisonSourcesScope(const QComparisonSourcesScope&) = delete;
    QComparisonSourcesScope& operator=(const QComparisonSourcesScope&) = delete;

private:
    QComparisonScanContainer& m_Container;
};

} // namespace orv
