#pragma once

#include <array>
#include <cstddef>

namespace orv {

class QComparisonSource;
class QLockable;
class QScanContainer;

// The source locks one comparison holds. It records a lock only once it is taken and gives back
// exactly what it took (the lock itself, not the source's route, which a re-link may change), in
// the reverse order of taking, at ReleaseAll or at the latest when it is destroyed. The locks are the nodes'
// recursive locks: the same node may be taken twice (a node linked as both sources) and is then given back
// twice.
class QComparisonSourceLocks {
public:
    static constexpr std::size_t kMaxLocks = 2;

    QComparisonSourceLocks() = default;
    QComparisonSourceLocks(const QComparisonSourceLocks&) = delete;
    QComparisonSourceLocks& operator=(const QComparisonSourceLocks&) = delete;
    ~QComparisonSourceLocks() { ReleaseAll(); }

    // Takes the source's lock and answers its container. A source whose acquisition throws is not
    // recorded (it holds no lock) and the exception goes on to the caller. At most kMaxLocks.
    QScanContainer* Acquire(QComparisonSource& source);
    void ReleaseAll();
    std::size_t GetHeldCount() const { return m_Count; }

private:
    std::array<QLockable*, kMaxLocks> m_Taken{};
    std::size_t m_Count = 0;
};

} // namespace orv
