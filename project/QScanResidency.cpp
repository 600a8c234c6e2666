#include "project/QScanResidency.h"

#include "core/PathUtilities.h"
#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "core/QException.h"
#include "platform/debug/DebugOutput.h"
#include "project/QScanMemoryBudget.h"
#include "scandata/CScanData.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <unistd.h>
#include <unordered_set>
#include <vector>

namespace orv {

namespace {

// Used on the user-interface thread only, like the scan lists.
std::unordered_multiset<const CScanData*>& LinkedScans() {
    static std::unordered_multiset<const CScanData*> linked;
    return linked;
}

} // namespace

void QScanResidency::Link(const CScanData* scan) {
    if (scan != nullptr) {
        LinkedScans().insert(scan);
    }
}

void QScanResidency::Unlink(const CScanData* scan) {
    const auto found = LinkedScans().find(scan);
    if (found != LinkedScans().end()) {
        LinkedScans().erase(found);
    }
}

bool QScanResidency::IsLinked(const CScanData* scan) {
    return !LinkedScans().empty() && LinkedScans().count(scan) != 0;
}

QScanResidency::QScanResidency() = default;

QScanResidency::~QScanResidency() {
    Clear();
    if (m_file >= 0) {
        ::close(m_file);
    }
}

void QScanResidency::Added(CScanData& scan, CriticalSection& section) {
    Entry& entry = m_entries[&scan];
    entry.section = &section;
    entry.counted = scan.GetBulkBytes();
    QScanMemoryBudget::Add(entry.counted);
    entry.recent = m_whole.insert(m_whole.end(), &scan);
}

void QScanResidency::Changing(CScanData& scan, const Keep& keep) {
    const auto found = m_entries.find(&scan);
    if (found == m_entries.end()) {
        return;
    }
    Use(scan, keep);
    found->second.stored = false;
}

void QScanResidency::Changed(CScanData& scan) {
    const auto found = m_entries.find(&scan);
    if (found == m_entries.end() || found->second.out) {
        return;
    }
    QScanMemoryBudget::Remove(found->second.counted);
    found->second.counted = scan.GetBulkBytes();
    QScanMemoryBudget::Add(found->second.counted);
}

void QScanResidency::Grew(CScanData& scan, uint64_t bytes) {
    const auto found = m_entries.find(&scan);
    if (found == m_entries.end() || found->second.out) {
        return;
    }
    found->second.counted += bytes;
    QScanMemoryBudget::Add(bytes);
}

void QScanResidency::Removed(const CScanData& scan) {
    const auto found = m_entries.find(&scan);
    if (found == m_entries.end()) {
        return;
    }
    if (found->second.out) {
        --m_outCount;
    } else {
        QScanMemoryBudget::Remove(found->second.counted);
        m_whole.erase(found->second.recent);
    }
    m_entries.erase(found);
}

void QScanResidency::Clear() {
    for (const auto& [scan, entry] : m_entries) {
        if (!entry.out) {
            QScanMemoryBudget::Remove(entry.counted);
        }
    }
    m_entries.clear();
    m_whole.clear();
    m_outCount = 0;
}

bool QScanResidency::IsMovedOut(const CScanData& scan) const {
    const auto found = m_entries.find(&scan);
    return found != m_entries.end() && found->second.out;
}

size_t QScanResidency::GetMovedOutCount() const {
    return m_outCount;
}

bool QScanResidency::OpenFile() {
    if (m_file >= 0) {
        return true;
    }
    if (m_fileFailed) {
        return false;
    }
    try {
        CreateTempFileName(m_filePath);
    } catch (const QException&) {
        m_fileFailed = true;
        return false;
    }
    m_file = ::open(m_filePath.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    // Unnamed from here on: the file goes with the process, however it ends.
    ::unlink(m_filePath.c_str());
    if (m_file < 0) {
        m_fileFailed = true;
        OutputDebugString("Scans stay in memory: cannot open " + m_filePath);
        return false;
    }
    return true;
}

bool QScanResidency::MoveOut(CScanData& scan, Entry& entry) {
    if (!entry.stored) {
        if (!OpenFile()) {
            return false;
        }
        QCharCounterDataWriter counter;
        scan.WriteBulk(counter);
        if (counter.m_count > std::numeric_limits<uint32_t>::max()) {
            return false; // beyond what an entry can address: the scan stays in memory
        }
        std::vector<uint8_t> bytes(counter.m_count);
        QCharArrayDataWriter writer(bytes.data(), static_cast<uint32_t>(bytes.size()));
        scan.WriteBulk(writer);
        size_t written = 0;
        while (written < bytes.size()) {
            const ssize_t n = ::pwrite(m_file, bytes.data() + written, bytes.size() - written,
                                       static_cast<off_t>(m_fileEnd + written));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                // A full disk: the scan stays in memory, nothing is lost.
                OutputDebugString("Scans stay in memory: cannot write " + m_filePath);
                return false;
            }
            written += static_cast<size_t>(n);
        }
        entry.offset = m_fileEnd;
        entry.size = static_cast<uint32_t>(bytes.size());
        entry.stored = true;
        m_fileEnd += bytes.size();
    }
    {
        CriticalSectionGuard guard(*entry.section);
        scan.ReleaseBulk();
    }
    QScanMemoryBudget::Remove(entry.counted);
    entry.counted = 0;
    entry.out = true;
    ++m_outCount;
    return true;
}

void QScanResidency::Trim(const Keep& keep) {
    const uint64_t budget = QScanMemoryBudget::GetBudgetBytes();
    size_t candidates = m_whole.size() > kRecentlyUsed ? m_whole.size() - kRecentlyUsed : 0;
    auto it = m_whole.begin();
    while (candidates-- > 0 && QScanMemoryBudget::GetHeldBytes() > budget) {
        CScanData* scan = *it;
        Entry& entry = m_entries.at(scan);
        if ((keep && keep(*scan)) || IsLinked(scan) || !MoveOut(*scan, entry)) {
            ++it;
            continue;
        }
        it = m_whole.erase(it);
    }
}

void QScanResidency::Use(CScanData& scan, const Keep& keep) {
    const auto found = m_entries.find(&scan);
    if (found == m_entries.end()) {
        return;
    }
    Entry& entry = found->second;
    if (!entry.out) {
        m_whole.splice(m_whole.end(), m_whole, entry.recent);
        return;
    }
    // Room first, so that reading many scans one after another (a save, an export of all) stays
    // within the budget.
    Trim(keep);
    std::vector<uint8_t> bytes(entry.size);
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n =
            ::pread(m_file, bytes.data() + got, bytes.size() - got, static_cast<off_t>(entry.offset + got));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            throw QStorageLayerException("Error#312: Error reading from file: " + m_filePath + ".");
        }
        got += static_cast<size_t>(n);
    }
    try {
        QCharArrayDataReader reader(bytes.data(), entry.size);
        CriticalSectionGuard guard(*entry.section);
        scan.ReadBulk(reader);
    } catch (const QIOException&) {
        throw QStorageLayerException("Error#312: Error reading from file: " + m_filePath + ".");
    }
    entry.out = false;
    --m_outCount;
    entry.counted = scan.GetBulkBytes();
    QScanMemoryBudget::Add(entry.counted);
    entry.recent = m_whole.insert(m_whole.end(), &scan);
}

} // namespace orv
