#pragma once

#include "platform/sync/CriticalSection.h"

#include <cstdint>
#include <functional>
#include <list>
#include <string>
#include <unordered_map>

namespace orv {

class CScanData;

// Keeps a node's scans (of every kind, through the bulk interface of CScanData) within the process's memory
// budget (QScanMemoryBudget) while every scan stays listed: past the budget the least recently used scans
// have their bulk moved to a scan file of their own (in the per-process temp folder, removed from the folder
// as soon as it is made, so nothing is left behind), and a scan is made whole again when a view, an export, a
// copy or a save looks it up. The scan objects themselves stay, with their headers and texts, so the list,
// the tree and every pointer to a scan stay valid; only the bulk comes and goes.
//
// The scans a view shows (those `keep` answers true for) and the few used last are never moved out,
// so that a caller holding two or three scans at once finds them whole. Like the scan lists it
// serves, it is used on the user-interface thread only; the bulk is swapped under the section the
// views read that scan under (given when it joins), and the file is written and read outside it.
class QScanResidency {
public:
    // Scans used this recently are never moved out.
    static constexpr size_t kRecentlyUsed = 8;

    QScanResidency();
    ~QScanResidency();
    QScanResidency(const QScanResidency&) = delete;
    QScanResidency& operator=(const QScanResidency&) = delete;

    using Keep = std::function<bool(const CScanData&)>;

    // A scan joined the list, whole; the views read it under `section`.
    void Added(CScanData& scan, CriticalSection& section);
    // Before a scan changes in place: makes it whole and forgets its stored bulk. Throws as Use.
    void Changing(CScanData& scan, const Keep& keep);
    // After it changed: counted again.
    void Changed(CScanData& scan);
    // After a whole scan grew by about `bytes` (a cell added), where counting it all again would
    // cost as much as the scan is long.
    void Grew(CScanData& scan, uint64_t bytes);
    // Before the scan leaves the list.
    void Removed(const CScanData& scan);
    void Clear();
    // Makes the scan whole (moving others out first when the process is over its budget) and marks
    // it used last. Throws QStorageLayerException (Error#312) when its bulk cannot be read back.
    void Use(CScanData& scan, const Keep& keep);
    // Moves the least recently used scans out until the process is within its budget.
    void Trim(const Keep& keep);

    bool IsMovedOut(const CScanData& scan) const;
    size_t GetMovedOutCount() const;

    // A scan another node shows (a user composite's linked scan) is never moved out by the node that
    // lists it while linked. The scan is only compared against, never read, so a link that outlives
    // its scan does no harm.
    static void Link(const CScanData* scan);
    static void Unlink(const CScanData* scan);

private:
    struct Entry {
        uint64_t counted = 0; // bytes counted in the budget while whole
        bool out = false;
        bool stored = false; // the bulk at [offset, offset + size) of the file is current
        uint64_t offset = 0;
        uint32_t size = 0;
        CriticalSection* section = nullptr;
        std::list<CScanData*>::iterator recent; // valid while whole
    };

    bool MoveOut(CScanData& scan, Entry& entry);
    static bool IsLinked(const CScanData* scan);
    bool OpenFile();

    std::unordered_map<const CScanData*, Entry> m_entries;
    std::list<CScanData*> m_whole; // least recently used first
    size_t m_outCount = 0;
    int m_file = -1;
    std::string m_filePath;
    uint64_t m_fileEnd = 0;
    bool m_fileFailed = false;
};

} // namespace orv
