#pragma once

#include "scandata/CScanData.h"
#include "scandata/CSpectralDataAtom.h"
#include "scandata/CSpectralSpatialScanData.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace orv {

// Builds the two composite spectra of a spectral/spatial (or hand-held probe) scan into the scan's
// accumulators, unit by unit in list order: the full composite over every cell, and the user
// composite over the selected cells (or, with the exclude switch on, over every other cell). Each
// point keeps its amplitude and the cell (and sub-cell) that gave it.
//
// The accumulators are sized by the first unit taken in; a unit with another point count takes part
// in neither composite. Selected positions are cells, or for interleaved data sub-cell positions
// (row * 2^L + sub-row, column * 2^L + sub-column) with L the scan's interleave level, 0 to 7; with
// L outside that range no position matches.
class QCompositeSpectra {
public:
    static constexpr uint8_t kMaxInterleaveLevel = 7;

    // `lastWins`: every value replaces the stored one (the last unit in list order wins) instead of
    // only a higher one.
    QCompositeSpectra(CSpectralSpatialScanData& data, std::vector<CScanPoint> selected, bool exclude,
                      bool lastWins);

    // Walks every unit of the scan: the count and each unit pointer are read under `lock`, a unit's
    // points outside it (units are only appended while a scan runs, never changed or taken away).
    // Without units nothing changes. Otherwise the user composite is built again from nothing (a
    // selection may have changed since it was built) and the full composite continues from what it
    // holds. Answers the number of units read.
    template <typename Lock> size_t AddUnits(Lock& lock) {
        size_t count = 0;
        {
            const std::lock_guard<Lock> guard(lock);
            count = m_data.m_Units.size();
        }
        if (count == 0) {
            return 0;
        }
        m_data.m_UserComposite.reset();
        size_t read = 0;
        for (; read < count; ++read) {
            _SpectralSpatialScanDataUnit* unit = nullptr;
            {
                const std::lock_guard<Lock> guard(lock);
                if (read < m_data.m_Units.size()) {
                    unit = m_data.m_Units[read].get();
                }
            }
            if (unit == nullptr) {
                break;
            }
            Add(*unit);
        }
        return read;
    }

    // Takes one unit into the composites and marks it processed.
    void Add(_SpectralSpatialScanDataUnit& unit);
    // Whether one of the selected positions names the unit's cell.
    bool IsSelected(const _SpectralSpatialScanDataUnit& unit) const;

    // A complete scan (as many units read as it expects cells) drops both composites and every
    // unit's processed mark, so that the next build starts afresh; answers whether it did.
    template <typename Lock>
    static bool DropIfComplete(CSpectralSpatialScanData& data, size_t unitsRead, Lock& lock) {
        if (data.m_CellCount == 0 || unitsRead != data.m_CellCount) {
            return false;
        }
        Drop(data, lock);
        return true;
    }
    // Drops both composites and clears every unit's processed mark (the list read under `lock`).
    template <typename Lock> static void Drop(CSpectralSpatialScanData& data, Lock& lock) {
        data.m_FullComposite.reset();
        data.m_UserComposite.reset();
        const std::lock_guard<Lock> guard(lock);
        for (const auto& unit : data.m_Units) {
            if (unit != nullptr) {
                unit->m_Processed = 0;
            }
        }
    }

private:
    static void MergeUnit(CSpectralDataAtom& atom, const _SpectralSpatialScanDataUnit& unit, bool zelt,
                          CSpectralDataAtom::Cell cell, bool lastWins);

    CSpectralSpatialScanData& m_data;
    std::vector<CScanPoint> m_selected;
    bool m_exclude;
    bool m_lastWins;
    bool m_zelt;
    // The interleave level when it lies in range, else -1 (no position matches).
    int m_level;
};

} // namespace orv
