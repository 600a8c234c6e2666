#include "views/spectral/CSpectralSpatialScriptingView.h"

#include "app/panes/CViewTreeWidget.h"
#include "core/QAttenuatorOptions.h"
#include "core/QSpectralDisplayOptions.h"
#include "core/TypeIds.h"
#include "core/UnitConversion.h"
#include "platform/CLocale.h"
#include "platform/sync/CriticalSection.h"
#include "project/QNodeMediator.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "scandata/QSSSpectralSnapshot.h"
#include "views/spectral/SpectralPainting.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace orv {

using namespace spectral_painting;

namespace {

int16_t SaturateStored(float value) {
    if (std::isnan(value)) {
        return 0;
    }
    return static_cast<int16_t>(std::clamp(value, -32768.0F, 32767.0F));
}

// Eight levels side by side: the join compares every unit with the strongest levels so far, and
// this is where its time goes.
using Lanes = int16_t __attribute__((vector_size(16)));
constexpr size_t kLanes = sizeof(Lanes) / sizeof(int16_t);

// Where a unit is strictly stronger than the levels so far, its level and its number replace them:
// on equal levels the earlier unit keeps the point.
void TakeStrongerLevels(const int16_t* in, int16_t* best, int16_t* source, int16_t unit, size_t n) {
    const Lanes unitLanes = Lanes{} + unit;
    size_t i = 0;
    for (; i + kLanes <= n; i += kLanes) {
        Lanes level;
        Lanes held;
        Lanes from;
        std::memcpy(&level, in + i, sizeof(Lanes));
        std::memcpy(&held, best + i, sizeof(Lanes));
        std::memcpy(&from, source + i, sizeof(Lanes));
        const Lanes stronger = level > held;
        held = (level & stronger) | (held & ~stronger);
        from = (unitLanes & stronger) | (from & ~stronger);
        std::memcpy(best + i, &held, sizeof(Lanes));
        std::memcpy(source + i, &from, sizeof(Lanes));
    }
    for (; i < n; ++i) {
        if (in[i] > best[i]) {
            best[i] = in[i];
            source[i] = unit;
        }
    }
}

// The strongest level at each point over units of one length, and the unit that gave it.
void FindStrongestUnits(const std::vector<const int16_t*>& units, size_t n, std::vector<int16_t>& levels,
                        std::vector<uint32_t>& sources) {
    levels.assign(n, std::numeric_limits<int16_t>::min());
    sources.assign(n, 0U);
    if (units.size() <= static_cast<size_t>(std::numeric_limits<int16_t>::max())) {
        std::vector<int16_t> from(n, 0);
        for (size_t u = 0; u < units.size(); ++u) {
            TakeStrongerLevels(units[u], levels.data(), from.data(), static_cast<int16_t>(u), n);
        }
        std::copy(from.begin(), from.end(), sources.begin());
        return;
    }
    for (size_t u = 0; u < units.size(); ++u) {
        for (size_t i = 0; i < n; ++i) {
            if (units[u][i] > levels[i]) {
                levels[i] = units[u][i];
                sources[i] = static_cast<uint32_t>(u);
            }
        }
    }
}

} // namespace

CSpectralSpatialScriptingView::CSpectralSpatialScriptingView(MessageThread& thread, QWidget* parent)
    : CSpectralView(thread, parent), m_pJoinedData(std::make_unique<CScanData>()) {
    m_pScanData = m_pJoinedData.get();
}

CSpectralSpatialScriptingView::~CSpectralSpatialScriptingView() = default;

CScanData* CSpectralSpatialScriptingView::FindShownScanData() const {
    if (m_nDisplayMode != kModeScripting) {
        return CSpectralView::FindShownScanData();
    }
    if (m_pScanData != nullptr) {
        return m_pScanData;
    }
    return m_pPoints.empty() ? nullptr : m_pJoinedData.get();
}

std::vector<std::pair<QNodeMediator*, CSpectralSpatialScanData*>>
CSpectralSpatialScriptingView::FindSegmentScans() const {
    std::vector<std::pair<QNodeMediator*, CSpectralSpatialScanData*>> scans;
    CViewTreeWidget* tree = GetTreeWidget();
    if (tree == nullptr || m_pMediator == nullptr) {
        return scans;
    }
    std::vector<QNodeMediator*> children;
    tree->GetChildNodeMediators(m_pMediator->GetNodeID(), children);
    for (QNodeMediator* child : children) {
        const std::vector<int32_t> ids = child->GetScanIDs(kTypeSpectralSpatialScanNode);
        if (ids.empty()) {
            continue;
        }
        if (CSpectralSpatialScanData* scan = child->FindSpectralSpatialScanData(ids.front())) {
            scans.emplace_back(child, scan);
        }
    }
    return scans;
}

void CSpectralSpatialScriptingView::ClearSegments() {
    m_segments.clear();
    m_fOverallStart = kStartReset;
    m_fOverallStop = kStopReset;
    m_fTotalSpan = 0.0F;
}

bool CSpectralSpatialScriptingView::LoadTraceData(bool reset, bool& needsData) {
    needsData = false;
    if (m_nDisplayMode != kModeScripting || m_pMediator == nullptr) {
        return CSpectralView::LoadTraceData(reset, needsData);
    }
    if (reset) {
        ForgetScanPointers();
    }
    JoinState state;
    const QAttenuatorOptions* attenuator = m_pMediator->GetAttenuatorOptions();
    state.attenuation = attenuator != nullptr ? attenuator->m_value : 0.0F;
    const bool correction = CorrectionPreference();
    state.correcting = correction;
    state.unit = DisplayUnit();

    // The base view's refresh draws nothing in this mode and leaves the empty-view hint to the caller.
    const auto nothingToShow = [&needsData] {
        needsData = true;
        return false;
    };
    const std::vector<std::pair<QNodeMediator*, CSpectralSpatialScanData*>> scans = FindSegmentScans();
    if (scans.empty()) {
        return nothingToShow();
    }
    CScanData& joined = *m_pJoinedData;
    m_pScanData = &joined;
    m_bZoomed = joined.m_SpectralZoomed;
    if (m_bReload == 0) {
        return m_pPoints.empty() ? nothingToShow() : true;
    }
    m_bReload = 0;
    ClearSegments();

    // A unit's length never changes once it arrived, so the first unit of each scan sizes it.
    std::vector<uint32_t> counts;
    counts.reserve(scans.size());
    size_t total = 0;
    for (const auto& [child, scan] : scans) {
        const CriticalSectionGuard guard(child->GetSecondCriticalSection());
        const uint32_t n =
            scan->m_Units.empty() ? 0U : scan->m_Units.front()->GetPointCount(scan->m_IsZeltData != 0);
        counts.push_back(n);
        total += n;
    }
    m_measuredIndexes.clear();
    m_measuredFrequencies.clear();
    if (total < 1) {
        m_pPoints.clear();
        return nothingToShow();
    }
    m_pPoints.assign(total, TracePoint{});

    const auto last = static_cast<int32_t>(std::min<size_t>(total, std::numeric_limits<int32_t>::max()) - 1);
    bool windowKept = false;
    if (m_bZoomed != 0) {
        const int32_t first = std::clamp(joined.m_SpectralZoomFirst, 0, last);
        const int32_t lastShown = std::clamp(joined.m_SpectralZoomLast, 0, last);
        if (first <= lastShown) {
            m_nZoomFirst = first;
            m_nZoomLast = lastShown;
            m_zoomHistory = joined.m_SpectralZoomHistory;
            windowKept = true;
        }
    }
    if (!windowKept) {
        joined.m_SpectralZoomed = 0;
        m_bZoomed = 0;
        m_zoomHistory.clear();
        joined.m_SpectralZoomHistory.clear();
        m_nZoomFirst = 0;
        m_nZoomLast = last;
    }

    for (size_t k = 0; k < scans.size(); ++k) {
        if (counts[k] > 0) {
            JoinSegment(*scans[k].first, *scans[k].second, counts[k], state);
        }
    }
    m_bCorrectionApplied = correction && state.lastAnswer ? 1 : 0;
    m_fAmpMin = state.lowest;
    m_fAmpMax = state.highest;
    m_fAmpMinFull = state.lowest;
    m_fAmpMaxFull = state.highest;
    joined.m_StartFrequency = m_fOverallStart;
    joined.m_StopFrequency = m_fOverallStop;
    // Only the joined trace's own data takes the range: the children's scans are shown, not changed.
    joined.m_MinLevelShown = ConvertAmplitudeFromUnit(state.lowest, state.unit);
    joined.m_MaxLevelShown = ConvertAmplitudeFromUnit(state.highest, state.unit);
    return true;
}

void CSpectralSpatialScriptingView::JoinSegment(QNodeMediator& child, CSpectralSpatialScanData& scan,
                                                uint32_t n, JoinState& state) {
    const size_t first = state.running;
    QSSSpectralSnapshot snapshot(n);
    {
        // The scan worker appends units and replaces the measured frequencies under this section.
        const CriticalSectionGuard guard(child.GetSecondCriticalSection());
        scan.Prepare();
        for (const QMeasuredFrequencyData::Entry& entry : scan.m_MeasuredFrequencies) {
            // Kept only where it names a point of this segment, moved to its place in the joined trace.
            if (entry.m_Index < n) {
                m_measuredIndexes.push_back(static_cast<int32_t>(first + entry.m_Index));
                m_measuredFrequencies.push_back(entry.m_Frequency);
            }
        }
        const bool zelt = scan.m_IsZeltData != 0;
        std::vector<const _SpectralSpatialScanDataUnit*> units;
        std::vector<const int16_t*> levels;
        std::vector<int16_t> converted;
        units.reserve(scan.m_Units.size());
        for (const std::unique_ptr<_SpectralSpatialScanDataUnit>& unit : scan.m_Units) {
            // A unit of another length than the first has no place in this segment's points.
            if (unit != nullptr && unit->GetPointCount(zelt) == n) {
                units.push_back(unit.get());
            }
        }
        if (zelt) {
            converted.resize(units.size() * n);
            for (size_t u = 0; u < units.size(); ++u) {
                std::transform(units[u]->m_ZeltAmplitudes.begin(), units[u]->m_ZeltAmplitudes.end(),
                               converted.begin() + static_cast<std::ptrdiff_t>(u * n), SaturateStored);
            }
        }
        levels.reserve(units.size());
        for (size_t u = 0; u < units.size(); ++u) {
            levels.push_back(zelt ? converted.data() + u * n : units[u]->m_Amplitudes.data());
        }
        std::vector<int16_t> strongest;
        std::vector<uint32_t> sources;
        FindStrongestUnits(levels, n, strongest, sources);
        if (!units.empty()) {
            for (uint32_t i = 0; i < n; ++i) {
                const _SpectralSpatialScanDataUnit& source = *units[sources[i]];
                snapshot.SetPoint(i, strongest[i], source.m_Row, source.m_Column);
            }
        }
    }

    _SpectralSpatialScriptingScanPoint segment;
    segment.m_Points.assign(n, TracePoint{});
    segment.m_Count = static_cast<int32_t>(n);
    segment.m_StartFrequency = scan.m_StartFrequency;
    segment.m_StopFrequency = scan.m_StopFrequency;
    segment.m_FrequencyStep = scan.m_FrequencyStep;
    m_fOverallStart = std::min(m_fOverallStart, scan.m_StartFrequency);
    m_fOverallStop = std::max(m_fOverallStop, scan.m_StopFrequency);

    const std::vector<QSpectralPoint>& points = snapshot.GetPoints();
    // The compensation may read its correction set from disk: asked with no section held.
    for (uint32_t i = 0; i < n; ++i) {
        float value = static_cast<float>(points[i].m_Amplitude);
        bool corrected = false;
        if (state.correcting) {
            int32_t out = 0;
            state.lastAnswer = scan.GetCompensatedSpectralValue(points[i].m_Amplitude, i, out);
            if (state.lastAnswer) {
                value = static_cast<float>(out);
                corrected = true;
            } else {
                state.correcting = false;
            }
        }
        TracePoint& point = segment.m_Points[i];
        // Corrected levels are field strengths, converted as dBuV.
        point.m_Amplitude =
            ConvertAmplitudeToUnit(value, corrected ? kAmplitudeUnitDbuV : state.unit) + state.attenuation;
        point.m_Frequency = static_cast<float>(i) * scan.m_FrequencyStep + scan.m_StartFrequency;
        point.m_Words = {points[i].m_Row, points[i].m_Column, 0, 0};
        state.lowest = std::min(state.lowest, point.m_Amplitude);
        state.highest = std::max(state.highest, point.m_Amplitude);
    }
    segment.m_Points.back().m_Frequency = scan.m_StopFrequency;
    std::copy(segment.m_Points.begin(), segment.m_Points.end(),
              m_pPoints.begin() + static_cast<std::ptrdiff_t>(first));
    state.running = first + n;
    m_fTotalSpan += scan.m_StopFrequency - scan.m_StartFrequency;
    m_segments.push_back(std::move(segment));
}

bool CSpectralSpatialScriptingView::DrawPeakCircles(QPainter& painter, CScanData* scan) {
    if (m_nDisplayMode != kModeScripting) {
        return CSpectralView::DrawPeakCircles(painter, scan);
    }
    if (m_pTrace == nullptr || m_pTrace->m_Count < 1 || m_nVisibleCount < 1) {
        return false;
    }
    CSpectralDrawPoint& set = *m_pTrace;
    std::fill(set.m_PeakFlags.begin(), set.m_PeakFlags.end(), uint8_t{0});
    const QSpectralDisplayOptions* options = NodeOptions();
    if (options == nullptr || !options->MarksPeaks()) {
        return true;
    }
    const CScanData& data = scan != nullptr ? *scan : *m_pJoinedData;
    const bool own = options->UsesNodeSettings();
    float threshold = ConvertAmplitudeToUnit(static_cast<float>(data.m_NoiseFloor), DisplayUnit()) +
                      (own ? options->m_step : data.m_DisplayValue);
    threshold += data.m_LevelOffset;
    const uint32_t limit = own ? options->m_count : data.m_DisplayCount;

    struct Peak {
        int32_t index;
        float frequency;
        float amplitude;
    };
    std::vector<Peak> peaks;
    for (size_t k = 0; k < m_measuredIndexes.size(); ++k) {
        const int32_t index = m_measuredIndexes[k];
        if (index < 0 || static_cast<size_t>(index) >= m_pPoints.size()) {
            continue;
        }
        const float amplitude = m_pPoints[static_cast<size_t>(index)].m_Amplitude;
        if (amplitude > threshold) {
            peaks.push_back(Peak{index, m_measuredFrequencies[k], amplitude});
        }
    }
    std::stable_sort(peaks.begin(), peaks.end(),
                     [](const Peak& a, const Peak& b) { return a.amplitude > b.amplitude; });
    if (peaks.size() > limit) {
        peaks.resize(limit);
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(SolidPen(kPeakCircleColour, 2));
    painter.setBrush(Qt::NoBrush);
    const std::vector<QPoint>& positions = DrawPositions(set);
    for (int32_t j = 0; j < set.m_Count; ++j) {
        const auto k = static_cast<size_t>(j);
        const auto peak = std::find_if(peaks.begin(), peaks.end(),
                                       [&](const Peak& p) { return p.index == set.m_PointIndexes[k]; });
        if (peak == peaks.end()) {
            continue;
        }
        set.m_PeakFlags[k] = 1;
        set.m_PeakFrequencies[k] = peak->frequency;
        set.m_Frequencies[k] = peak->frequency;
        if (m_bAmpAuto != 0 || set.m_Amplitudes[k] <= static_cast<float>(m_nAmpAxisMax) + 1.0F) {
            painter.drawEllipse(positions[k], 7, 7);
        }
    }
    painter.restore();
    return true;
}

std::vector<std::string> CSpectralSpatialScriptingView::BuildHeaderLines() {
    std::vector<std::string> lines;
    if (m_bReady == 0 || m_pMediator == nullptr || m_nDisplayMode != kModeScripting) {
        return lines;
    }
    // The unit drawn: field strength only when the last load applied the correction.
    const bool compensated = m_bCorrectionApplied != 0;
    const char* unit = compensated ? "dBuA/m" : (DisplayUnit() == kAmplitudeUnitDbuV ? "dBuV" : "dBm");
    lines.emplace_back(compensated ? " Spectral/Spatial Scripting(Compensated) "
                                   : "             Spectral/Spatial Scripting            ");
    lines.push_back(FormatC("      Amplitude Level [%-5.1f  to  %-5.1f %s]      ",
                            static_cast<double>(m_fAmpMin), static_cast<double>(m_fAmpMax), unit));
    lines.push_back(FormatC("     Frequency Span [%-8.3f  to  %-8.3f MHz]      ",
                            static_cast<double>(m_fOverallStart), static_cast<double>(m_fOverallStop)));
    return lines;
}

} // namespace orv
