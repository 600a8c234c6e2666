#include "views/spectral/CSpectralSSView.h"

#include "core/QScannerContext.h"
#include "core/QSpatialDisplayOptions.h"
#include "core/UnitConversion.h"
#include "platform/CLocale.h"
#include "platform/sync/CriticalSection.h"
#include "project/QNodeMediator.h"
#include "scandata/CHandHeldProbeScanData.h"
#include "scandata/CSpectralDataAtom.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "scandata/QCompositeSpectra.h"
#include "views/spectral/QLinkedSpatialPane.h"

#include <QFont>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cmath>
#include <limits>

namespace orv {

namespace {

constexpr int32_t kUserCompositeTab = 2;
constexpr int32_t kFullCompositeTab = 0;

int32_t SaturateInt(float value) {
    if (std::isnan(value)) {
        return 0;
    }
    constexpr double lowest = std::numeric_limits<int32_t>::min();
    constexpr double highest = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(std::clamp(std::trunc(static_cast<double>(value)), lowest, highest));
}

QFont ArialFont(int pixelSize) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixelSize);
    font.setWeight(QFont::Normal);
    return font;
}

bool ValidIndex(const CSpectralDrawPoint* set, int32_t k) {
    return set != nullptr && k >= 0 && k < set->m_Count;
}

} // namespace

bool CSpectralSSView::LoadTraceData(bool reset, bool& needsData) {
    needsData = false;
    if (m_pMediator == nullptr) {
        return false;
    }
    const bool correction = CorrectionPreference();
    const int unit = DisplayUnit();
    if (reset) {
        ForgetScanPointers();
    }
    CSpectralSpatialScanData* data = nullptr;
    switch (m_nDisplayMode) {
    case kModeSpectralSpatial:
    case kModeLinkedSpectralSpatial:
        data = m_pMediator->GetCurrentSpectralSpatialScanData();
        break;
    case kModeHandHeld:
        m_pHandHeldData = m_pMediator->GetCurrentHandHeldScanData();
        data = m_pHandHeldData;
        break;
    default:
        break;
    }
    if (data == nullptr) {
        return false;
    }
    m_pSSData = data;
    m_pScanData = data;
    m_bZoomed = data->m_SpectralZoomed;
    // A hand-held probe's cells follow the probe: the latest reading of a point is the one shown.
    // So does every point of the user composite tab.
    const bool lastWins = m_nDisplayMode == kModeHandHeld || m_nCompositeTab == kUserCompositeTab;
    if (m_bReload == 0) {
        return true;
    }
    m_bReload = 0;

    std::vector<CScanPoint> selected;
    QSpatialViewInterface* spatial = m_pFrame != nullptr ? m_pFrame->GetSpatialView() : nullptr;
    if (auto* pane = dynamic_cast<QLinkedSpatialPane*>(spatial)) {
        pane->GetSelectedCells(selected);
    }
    CriticalSection& section = m_pMediator->GetSecondCriticalSection();
    QCompositeSpectra composites(*data, std::move(selected), data->m_PointFlag != 0, lastWins);
    const size_t unitsRead = composites.AddUnits(section);
    if (unitsRead == 0 || data->m_FullComposite == nullptr) {
        return true;
    }

    const CSpectralDataAtom& full = *data->m_FullComposite;
    const CSpectralDataAtom* user = data->m_UserComposite.get();
    const uint32_t count = full.GetPointCount();
    const auto lastIndex = static_cast<int32_t>(count) - 1;
    if (m_bZoomed != 0 && count > 0 &&
        std::clamp(data->m_SpectralZoomFirst, 0, lastIndex) <=
            std::clamp(data->m_SpectralZoomLast, 0, lastIndex)) {
        m_nZoomFirst = std::clamp(data->m_SpectralZoomFirst, 0, lastIndex);
        m_nZoomLast = std::clamp(data->m_SpectralZoomLast, 0, lastIndex);
        m_zoomHistory = data->m_SpectralZoomHistory;
    } else {
        if (m_bZoomed != 0) {
            // A zoom window that no longer fits the trace is given up.
            data->m_SpectralZoomed = 0;
            m_bZoomed = 0;
        }
        m_zoomHistory.clear();
        data->m_SpectralZoomHistory.clear();
        m_nZoomFirst = 0;
        m_nZoomLast = lastIndex;
    }

    // The frequency table is rebuilt when the closing frequencies arrive, under the data lock.
    std::vector<float> frequencies(count);
    {
        const CriticalSectionGuard guard(section);
        for (uint32_t i = 0; i < count; ++i) {
            frequencies[i] = data->GetFrequency(static_cast<int32_t>(i));
        }
    }
    const bool zelt = data->m_IsZeltData != 0;
    const float offset = data->m_LevelOffset;
    bool correcting = correction;
    bool lastAnswer = false;
    auto convert = [&](const CSpectralDataAtom& atom, uint32_t i, TracePoint& point, float& lowest,
                       float& highest) {
        float value = atom.GetAmplitude(i);
        bool corrected = false;
        if (correcting) {
            int32_t out = 0;
            lastAnswer = data->GetCompensatedSpectralValue(SaturateInt(value), i, out);
            if (lastAnswer) {
                value = static_cast<float>(out);
                corrected = true;
            } else {
                correcting = false;
            }
        }
        // Corrected levels are field strengths, converted as dBuV.
        point.m_Amplitude = ConvertAmplitudeToUnit(value, corrected ? kAmplitudeUnitDbuV : unit) + offset;
        point.m_Frequency = frequencies[i];
        const uint16_t subRow = zelt ? atom.GetSubRow(i) : 0;
        const uint16_t subColumn = zelt ? atom.GetSubColumn(i) : 0;
        point.m_Words = {atom.GetRow(i), atom.GetColumn(i), subRow, subColumn};
        lowest = std::min(lowest, point.m_Amplitude);
        highest = std::max(highest, point.m_Amplitude);
    };
    m_pPoints.assign(count, TracePoint{});
    m_pSecondPoints.clear();
    if (user != nullptr) {
        m_pSecondPoints.assign(count, TracePoint{});
    }
    float minFull = 10000.0F;
    float maxFull = -10000.0F;
    float minUser = 10000.0F;
    float maxUser = -10000.0F;
    for (uint32_t i = 0; i < count; ++i) {
        convert(full, i, m_pPoints[i], minFull, maxFull);
        if (user != nullptr) {
            convert(*user, i, m_pSecondPoints[i], minUser, maxUser);
        }
    }
    m_bCorrectionApplied = correction && lastAnswer ? 1 : 0;
    if (!m_pPoints.empty()) {
        m_pPoints.back().m_Frequency = data->m_StopFrequency;
    }
    if (!m_pSecondPoints.empty()) {
        m_pSecondPoints.back().m_Frequency = data->m_StopFrequency;
    }
    m_fAmpMinFull = minFull;
    m_fAmpMaxFull = maxFull;
    m_fAmpMinUser = minUser;
    m_fAmpMaxUser = maxUser;
    m_fAmpMin = std::min(minFull, minUser);
    m_fAmpMax = std::max(maxFull, maxUser);

    QCompositeSpectra::DropIfComplete(*data, unitsRead, section);
    return true;
}

std::string CSpectralSSView::CellReadoutText(const CSpectralDrawPoint& set,
                                             const std::vector<TracePoint>& points, int32_t k,
                                             bool subCells) const {
    const auto ki = static_cast<size_t>(k);
    const double amplitude = set.m_Amplitudes[ki];
    const double frequency = set.m_PeakFlags[ki] != 0 ? set.m_PeakFrequencies[ki] : set.m_Frequencies[ki];
    const int row = set.m_Rows[ki];
    const int column = set.m_Columns[ki];
    const int32_t p = set.m_PointIndexes[ki];
    int subRow = 0;
    int subColumn = 0;
    if (p >= 0 && static_cast<size_t>(p) < points.size()) {
        subRow = points[static_cast<size_t>(p)].m_Words[2];
        subColumn = points[static_cast<size_t>(p)].m_Words[3];
    }
    QNodeMediator* preferences = m_pMediator != nullptr ? m_pMediator->GetPreferencesMediator() : nullptr;
    const QSpatialDisplayOptions* options =
        preferences != nullptr ? preferences->GetSpatialDisplayOptions() : nullptr;
    // "%-2d" prints what "%-02d" does: the zero flag yields to '-'.
    if (options == nullptr || !options->UsesScannerLabels()) {
        if (subCells) {
            return FormatC("Row:%-2d[%02d] Col:%-2d[%02d]  Amp:%-6.2f Freq:%-8.3f", row, subRow, column,
                           subColumn, amplitude, frequency);
        }
        return FormatC("Row:%-2d Col:%-2d  Amp:%-6.2f Freq:%-8.3f", row, column, amplitude, frequency);
    }
    const QScannerContext& context = GetScannerContext();
    const std::string label = column < context.GetColumnLabelCount() ? context.GetColumnLabel(column).m_text
                                                                     : FormatC("%d", column);
    if (subCells) {
        return FormatC("Row:%-2d[%02d] Col:%s[%02d]  Amp:%-6.2f Freq:%-8.3f", row + 1, subRow, label.c_str(),
                       subColumn, amplitude, frequency);
    }
    return FormatC("Row:%-2d Col:%s  Amp:%-6.2f Freq:%-8.3f", row + 1, label.c_str(), amplitude, frequency);
}

void CSpectralSSView::DrawReadout(int32_t x, int32_t y) {
    CScanData* data = FindShownScanData();
    if (data == nullptr || (m_nCompositeTab == kUserCompositeTab && m_pSecondTrace == nullptr)) {
        return;
    }
    if (m_pTrace == nullptr || m_pTrace->m_Count < 1 || x <= m_nMarginLeft) {
        return;
    }
    int32_t minIndex = -1;
    int32_t maxIndex = -1;
    int32_t firstIndex = -1;
    int32_t lastIndex = -1;
    if (!FindHoverPoint(x, y, minIndex, maxIndex, firstIndex, lastIndex) || maxIndex < 0) {
        return;
    }
    const int32_t k = maxIndex;
    const auto ki = static_cast<size_t>(k);
    const CSpectralDrawPoint& primary = *m_pTrace;
    const bool subCells = data->m_IsZeltData != 0;
    const CSpectralDrawPoint* second = ValidIndex(m_pSecondTrace.get(), k) ? m_pSecondTrace.get() : nullptr;

    if (data->m_DeltaMarkerActive != 0 && data->m_DeltaMarkerFrequency != -1.0F && !m_bmpPlot.isNull()) {
        const CSpectralDrawPoint& set =
            m_nCompositeTab == kUserCompositeTab && second != nullptr ? *second : primary;
        QPainter image(&m_bmpPlot);
        DrawValueBox(
            image, m_nMarginLeft + m_nDeltaBoxOffset + m_nDeltaBoxWidth + 5, 110, 35, "Delta:",
            FormatC(AmplitudeFormat(),
                    static_cast<double>(set.m_Amplitudes[ki] - data->m_DeltaMarkerAmplitude)),
            FormatC("%-8.3f MHz", static_cast<double>(set.m_Frequencies[ki] - data->m_DeltaMarkerFrequency)));
    }

    m_bBandShown = false;
    m_readout = Readout{};
    const int sx = horizontalScrollBar()->value();
    const int sy = verticalScrollBar()->value();
    const QPoint shift(-sx, m_nHeaderHeight - sy);
    m_readout.shown = true;
    m_readout.axis = QRect(m_nAxisLeft, m_nAxisTop, m_nAxisWidth, m_nAxisHeight).translated(shift);
    m_readout.fontSize = m_nBitmapWidth > 800 ? 16 : 14;
    const QFont font = ArialFont(m_readout.fontSize);

    m_readout.hasPrimary = m_nCompositeTab != kUserCompositeTab;
    m_readout.point = DrawPositions(primary)[ki] + shift;
    if (m_readout.hasPrimary) {
        m_readout.text = CellReadoutText(primary, m_pPoints, k, subCells);
        m_readout.textColour = kReadoutTextColour;
        if (primary.m_PeakFlags[ki] != 0) {
            m_readout.background = kReadoutPeakBackground;
        }
        m_readout.box = PlaceReadoutBox(font, x, y, sx, sy, m_readout.text);
    }
    if (second != nullptr && !m_pSecondPoints.empty() && m_nCompositeTab != kFullCompositeTab) {
        m_readout.hasSecond = true;
        m_readout.secondPoint = DrawPositions(*second)[ki] + shift;
        m_readout.secondText = CellReadoutText(*second, m_pSecondPoints, k, subCells);
        m_readout.secondTextColour = kReadoutReferenceTextColour;
        m_readout.secondBackground = kReadoutBackground;
        // Under the first line.
        m_readout.secondBox = PlaceReadoutBox(font, x, y, sx, sy, m_readout.secondText).translated(0, 13);
    }
    m_nReadoutIndex = k;
    RequestOverlayRepaint();
}

} // namespace orv
