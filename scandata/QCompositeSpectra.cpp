#include "scandata/QCompositeSpectra.h"

#include <algorithm>
#include <memory>

namespace orv {

QCompositeSpectra::QCompositeSpectra(CSpectralSpatialScanData& data, std::vector<CScanPoint> selected,
                                     bool exclude, bool lastWins)
    : m_data(data), m_selected(std::move(selected)), m_exclude(exclude), m_lastWins(lastWins),
      m_zelt(data.m_IsZeltData != 0),
      m_level(data.m_ZeltLevel <= kMaxInterleaveLevel ? static_cast<int>(data.m_ZeltLevel) : -1) {}

bool QCompositeSpectra::IsSelected(const _SpectralSpatialScanDataUnit& unit) const {
    if (!m_zelt) {
        return std::any_of(m_selected.begin(), m_selected.end(), [&](const CScanPoint& position) {
            return position.m_X == unit.m_Row && position.m_Y == unit.m_Column;
        });
    }
    if (m_level < 0) {
        return false;
    }
    const int32_t mask = (1 << m_level) - 1;
    return std::any_of(m_selected.begin(), m_selected.end(), [&](const CScanPoint& position) {
        if (position.m_X < 0 || position.m_Y < 0) {
            return false;
        }
        return (position.m_X >> m_level) == unit.m_Words[0] && (position.m_X & mask) == unit.m_Words[2] &&
               (position.m_Y >> m_level) == unit.m_Words[1] && (position.m_Y & mask) == unit.m_Words[3];
    });
}

void QCompositeSpectra::MergeUnit(CSpectralDataAtom& atom, const _SpectralSpatialScanDataUnit& unit,
                                  bool zelt, CSpectralDataAtom::Cell cell, bool lastWins) {
    if (zelt) {
        atom.Merge(unit.m_ZeltAmplitudes.data(), static_cast<uint32_t>(unit.m_ZeltAmplitudes.size()), cell,
                   lastWins);
    } else {
        atom.Merge(unit.m_Amplitudes.data(), static_cast<uint32_t>(unit.m_Amplitudes.size()), cell, lastWins);
    }
}

void QCompositeSpectra::Add(_SpectralSpatialScanDataUnit& unit) {
    unit.m_Processed = 1;
    const uint32_t count = unit.GetPointCount(m_zelt);
    if (m_data.m_FullComposite == nullptr) {
        m_data.m_FullComposite = std::make_unique<CSpectralDataAtom>(count);
    }
    // Another point count has no point-by-point match with the composites.
    if (count != m_data.m_FullComposite->GetPointCount()) {
        return;
    }
    CSpectralDataAtom::Cell cell;
    if (m_zelt) {
        cell.m_Row = unit.m_Words[0];
        cell.m_Column = unit.m_Words[1];
        cell.m_SubRow = static_cast<uint8_t>(unit.m_Words[2]);
        cell.m_SubColumn = static_cast<uint8_t>(unit.m_Words[3]);
    } else {
        cell.m_Row = unit.m_Row;
        cell.m_Column = unit.m_Column;
    }
    MergeUnit(*m_data.m_FullComposite, unit, m_zelt, cell, m_lastWins);
    // Exclude on: every cell but the selected ones; off: the selected cells only.
    if (IsSelected(unit) == m_exclude) {
        return;
    }
    if (m_data.m_UserComposite == nullptr) {
        m_data.m_UserComposite = std::make_unique<CSpectralDataAtom>(count);
    }
    MergeUnit(*m_data.m_UserComposite, unit, m_zelt, cell, m_lastWins);
}

} // namespace orv
