// The multi-level heat map: the sub-cell values taken from the level points or the components, their
// colours, the level-cell table and its flat or interpolated painting, the hit test and the click
// at sub-cell precision, and the caption naming the level and the pass.

#include "views/spatial/CSpatialViewZeltp.h"

#include "app/QtConversions.h"
#include "core/CheckedProduct.h"
#include "core/QColourPalette.h"
#include "core/QManagers.h"
#include "core/QSpatialDisplayOptions.h"
#include "core/UnitConversion.h"
#include "platform/log/InformationLog.h"
#include "project/QNodeMediator.h"
#include "scandata/CSpatialScanData.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "scandata/QCompositeSpectra.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

namespace orv {

namespace {

constexpr float kNoPoint = -10000.0F;
constexpr float kStartMaximum = -10000.0F;
constexpr float kStartMinimum = 10000.0F;
constexpr int32_t kNoRaw = -10000;

int32_t Truncate(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    constexpr double lowest = std::numeric_limits<int32_t>::min();
    constexpr double highest = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(std::clamp(std::trunc(value), lowest, highest));
}

int16_t Saturate16(int64_t value) {
    return static_cast<int16_t>(
        std::clamp<int64_t>(value, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max()));
}

// The cell's marker: its largest raw value, never the "no data" value.
int16_t RawMarker(int32_t raw) {
    const int16_t marker = Saturate16(raw);
    return marker == CSpatialCell::kNoData ? static_cast<int16_t>(CSpatialCell::kNoData - 1) : marker;
}

// The spatial record's first spatial byte marks a pass of an interleaved spatial scan, its second
// one an interleaved multi-level scan; other kinds of scan carry neither.
uint8_t InterleavedSpatialFlag(const CScanData& scan) {
    const auto* spatial = dynamic_cast<const CSpatialScanData*>(&scan);
    return spatial != nullptr ? spatial->m_SpatialBytes[0] : 0;
}

uint8_t InterleavedLevelFlag(const CScanData& scan) {
    const auto* spatial = dynamic_cast<const CSpatialScanData*>(&scan);
    return spatial != nullptr ? spatial->m_SpatialBytes[1] : 0;
}

void FillClipped(QImage& image, int32_t left, int32_t top, int32_t right, int32_t bottom, QRgb colour) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, image.width());
    bottom = std::min(bottom, image.height());
    if (left >= right || top >= bottom) {
        return;
    }
    for (int32_t y = top; y < bottom; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        std::fill(line + left, line + right, colour);
    }
}

} // namespace

const std::array<const char*, CSpatialViewZeltp::kLevels> CSpatialViewZeltp::kLevelTexts = {
    "Level: 1 --- 7.5 mm",  "Level: 2 --- 3.75 mm", "Level: 3 --- 1.88 mm", "Level: 4 --- 0.94 mm",
    "Level: 5 --- 0.47 mm", "Level: 6 --- 0.24 mm", "Level: 7 --- 0.12 mm", "Level: 8 --- 0.06 mm"};

CSpatialViewZeltp::CSpatialViewZeltp(MessageThread& thread, QWidget* parent) : CSpatialView(thread, parent) {}

CSpatialViewZeltp::~CSpatialViewZeltp() = default;

int32_t CSpatialViewZeltp::SubDivision(int32_t level) {
    return level >= 0 && level < kLevels ? static_cast<int32_t>(std::pow(2.0, level)) : 0;
}

std::string CSpatialViewZeltp::LevelCaption(const CScanData* scan) {
    if (scan == nullptr) {
        return {};
    }
    if (scan->m_IsZeltData != 0) {
        const int32_t level = static_cast<int8_t>(scan->m_ZeltLevel);
        std::string text = level >= 0 && level < kLevels ? kLevelTexts[static_cast<size_t>(level)] : "";
        if (InterleavedLevelFlag(*scan) == 1) {
            text += kInterleavedText;
        }
        return text;
    }
    return InterleavedSpatialFlag(*scan) == 1 ? kSpatialInterleavedText : "";
}

std::string CSpatialViewZeltp::GetLevelText() {
    return LevelCaption(m_pScanData);
}

void CSpatialViewZeltp::GetSelectedCells(std::vector<CScanPoint>& out) {
    CSpatialView::GetSelectedCells(out);
}

bool CSpatialViewZeltp::IsMultiLevel() const {
    return m_pScanData != nullptr && m_pScanData->m_IsZeltData != 0;
}

// --- Sub-cells ---

_SubCellValue* CSpatialViewZeltp::SubCellsOf(int32_t row, int32_t column, int32_t n) {
    std::unique_ptr<_SubCellValue[]>& cells = m_subCells[CellIndex(row, column)];
    if (cells == nullptr) {
        cells.reset(new (std::nothrow) _SubCellValue[static_cast<size_t>(n) * static_cast<size_t>(n)]());
    }
    return cells.get();
}

void CSpatialViewZeltp::FreeSubCells() {
    for (std::unique_ptr<_SubCellValue[]>& cells : m_subCells) {
        cells.reset();
    }
}

void CSpatialViewZeltp::ForgetLevelCells() {
    m_pLevelCells.reset();
    m_nLevelCellCount = 0;
    m_nLevelRows = 0;
    m_nLevelColumns = 0;
    m_nDrawnRows = 0;
    m_nDrawnColumns = 0;
    m_nTableLevel = -1;
}

// --- Rebuild ---

void CSpatialViewZeltp::RebuildLevels(int32_t n) {
    m_bRebuild = 0;
    ++m_nMapBuildCount;
    m_nReceivedPoints = 0;
    if (m_pFormView != nullptr) {
        m_pFormView->RefreshOverlayOptionTab();
    }
    m_nSubRows = std::max(n, 1);
    m_nSubColumns = m_nSubRows;
    m_fMeasuredMax = kStartMaximum;
    m_fMeasuredMin = kStartMinimum;
    FreeSubCells();
    for (CSpatialCell& cell : m_cells) {
        cell.m_Marker = CSpatialCell::kNoData;
        cell.m_Amplitude = kNoPoint;
        cell.m_HasData = 0;
    }
    m_nDataFirstRow = 1000;
    m_nDataFirstColumn = 1000;
    m_nDataLastRow = -1;
    m_nDataLastColumn = -1;
    if (n == 0) {
        return; // a level byte outside 0 to 7: the empty map
    }
    const int unit = DisplayUnit();
    bool taken = true;
    switch (m_nDisplayMode) {
    case kModeSpatial:
    case kModeComparison:
    case kModeBlindSpot:
        if (auto* scan = dynamic_cast<CSpatialScanData*>(m_pScanData)) {
            const CriticalSectionGuard guard(m_pMediator->GetFirstCriticalSection());
            TakeLevelPoints(*scan, n, unit);
        }
        break;
    case kModeSpectralSpatial:
    case kModeLinkedSpectralSpatial:
    case kModeHandHeld:
        if (m_bListShown != 0) {
            UpdateSelectedFrequencies();
            m_bRebuild = 0;
        }
        if (auto* data = dynamic_cast<CSpectralSpatialScanData*>(m_pScanData)) {
            TakeComponents(*data, n, unit);
        }
        break;
    default:
        break;
    }
    for (size_t i = 0; i < m_cells.size(); ++i) {
        if (m_cells[i].m_HasData != 0 && m_subCells[i] == nullptr) {
            taken = false;
        }
    }
    if (!taken) {
        AddInformationMessage(0, "The multi-level map could not be drawn: out of memory.");
        FreeSubCells();
        for (CSpatialCell& cell : m_cells) {
            cell.m_Marker = CSpatialCell::kNoData;
            cell.m_HasData = 0;
        }
        m_nReceivedPoints = 0;
        m_nDataLastRow = -1;
        m_nDataLastColumn = -1;
    }
}

void CSpatialViewZeltp::TakeLevelPoints(CSpatialScanData& scan, int32_t n, int unit) {
    const QSpatialDisplayOptions* preferences = PreferenceOptions();
    // The comparison pane's values are differences already.
    const bool asTheyAre = m_nDisplayMode == kModeComparison && m_nComparisonPane == 2;
    bool compensate = !asTheyAre && preferences != nullptr && preferences->IsCompensation();
    const float offset = scan.m_LevelOffset;
    std::array<int32_t, static_cast<size_t>(kGridRows * kGridColumns)> raw{};
    raw.fill(kNoRaw);
    for (const CZeltSpatialRecord& point : scan.m_ZeltRecords) {
        const int32_t row = static_cast<int16_t>(point.m_Row);
        const int32_t column = static_cast<int16_t>(point.m_Column);
        if (row < 0 || row >= m_nRowCount || column < 0 || column >= m_nColumnCount || point.m_SubRow >= n ||
            point.m_SubColumn >= n) {
            continue;
        }
        ++m_nReceivedPoints;
        const size_t index = CellIndex(row, column);
        CSpatialCell& cell = m_cells[index];
        // A value that is not a number gives its position no value, as -10000.0 does.
        const bool measured = point.m_Value != kNoPoint && std::isfinite(point.m_Value);
        const float stored = std::isfinite(point.m_Value) ? point.m_Value : kNoPoint;
        raw[index] = std::max(raw[index], Truncate(stored));
        cell.m_Frequency = scan.m_CenterFrequency;
        cell.m_HasData = 1;
        float a = stored;
        if (!asTheyAre) {
            float value = stored;
            if (compensate) {
                int32_t corrected = 0;
                if (scan.GetCompensatedCellValue(Truncate(stored), static_cast<uint16_t>(row),
                                                 static_cast<uint16_t>(column), corrected)) {
                    value = static_cast<float>(corrected);
                } else {
                    compensate = false;
                }
            }
            a = ConvertAmplitudeToUnit(value, unit) + offset;
        }
        cell.m_Amplitude = std::max(cell.m_Amplitude, a);
        if (measured) {
            m_fMeasuredMin = std::min(m_fMeasuredMin, a);
            m_fMeasuredMax = std::max(m_fMeasuredMax, a);
        }
        m_nDataFirstRow = std::min(m_nDataFirstRow, row);
        m_nDataFirstColumn = std::min(m_nDataFirstColumn, column);
        m_nDataLastRow = std::max(m_nDataLastRow, row);
        m_nDataLastColumn = std::max(m_nDataLastColumn, column);
        _SubCellValue* subCells = SubCellsOf(row, column, n);
        if (subCells == nullptr) {
            return; // the rebuild gives up
        }
        _SubCellValue& sub =
            subCells[static_cast<size_t>(point.m_SubRow) * static_cast<size_t>(n) + point.m_SubColumn];
        sub.m_Amplitude = a;
        if (measured) {
            sub.m_HasValue = 1;
        }
    }
    for (size_t i = 0; i < m_cells.size(); ++i) {
        if (m_cells[i].m_HasData != 0) {
            m_cells[i].m_Marker = RawMarker(raw[i]);
        }
    }
    m_bCompensationApplied = compensate ? 1 : 0;
}

void CSpatialViewZeltp::TakeComponents(CSpectralSpatialScanData& data, int32_t n, int unit) {
    const QSpatialDisplayOptions* preferences = PreferenceOptions();
    bool compensate = preferences != nullptr && preferences->IsCompensation();
    const int64_t expected = static_cast<int64_t>(data.m_ProbeScanPattern.GetProbeOnCount()) * n * n;
    const bool linked = m_bListShown != 0;
    std::vector<_FrequencyMarkerPoint> markers;
    if (linked) {
        markers = m_frequencyList.GetFrequencies();
    }
    std::array<int32_t, static_cast<size_t>(kGridRows * kGridColumns)> raw{};
    raw.fill(kNoRaw);
    CriticalSection& section = m_pMediator->GetSecondCriticalSection();
    size_t count = 0;
    {
        const CriticalSectionGuard guard(section);
        count = data.m_Units.size();
    }
    bool anyCounted = false;
    for (size_t i = 0; i < count; ++i) {
        // One component at a time: the scan worker adds components meanwhile.
        const CriticalSectionGuard guard(section);
        if (i >= data.m_Units.size() || data.m_Units[i] == nullptr) {
            break;
        }
        const _SpectralSpatialScanDataUnit& component = *data.m_Units[i];
        const int32_t row = component.m_Row;
        const int32_t column = component.m_Column;
        const uint16_t subRow = component.m_Words[2];
        const uint16_t subColumn = component.m_Words[3];
        if (row >= m_nRowCount || column >= m_nColumnCount || subRow >= n || subColumn >= n) {
            continue;
        }
        const std::vector<float>& amplitudes = component.m_ZeltAmplitudes;
        const auto points = static_cast<int64_t>(amplitudes.size());
        float peak = kNoPoint;
        int64_t peakIndex = -1;
        auto consider = [&](int64_t first, int64_t last) {
            for (int64_t k = std::max<int64_t>(first, 0); k <= std::min(last, points - 1); ++k) {
                const float value = amplitudes[static_cast<size_t>(k)];
                if (std::isfinite(value) && value > peak) {
                    peak = value;
                    peakIndex = k;
                }
            }
        };
        if (linked) {
            for (const _FrequencyMarkerPoint& marker : markers) {
                if (marker.m_Selected != 0) {
                    // Clipped to the component: a marker past its end adds nothing.
                    consider(marker.m_FirstIndex,
                             marker.m_LastIndex == -1 ? marker.m_FirstIndex : marker.m_LastIndex);
                }
            }
        } else {
            consider(0, points - 1);
        }
        ++m_nReceivedPoints;
        const size_t index = CellIndex(row, column);
        CSpatialCell& cell = m_cells[index];
        cell.m_HasData = 1;
        m_nDataFirstRow = std::min(m_nDataFirstRow, row);
        m_nDataFirstColumn = std::min(m_nDataFirstColumn, column);
        m_nDataLastRow = std::max(m_nDataLastRow, row);
        m_nDataLastColumn = std::max(m_nDataLastColumn, column);
        _SubCellValue* subCells = SubCellsOf(row, column, n);
        if (subCells == nullptr) {
            return; // the rebuild gives up
        }
        if (peakIndex < 0) {
            continue; // no amplitude counted: the sub-cell stays without value
        }
        anyCounted = true;
        const float frequency = data.GetFrequency(static_cast<int32_t>(peakIndex));
        float value = peak;
        if (compensate) {
            int32_t corrected = 0;
            if (data.GetCompensatedSpatialValue(Truncate(peak), component.m_Row, component.m_Column,
                                                corrected)) {
                value = static_cast<float>(corrected);
            } else {
                compensate = false;
            }
        }
        const float a = ConvertAmplitudeToUnit(value, unit) + data.m_LevelOffset;
        raw[index] = std::max(raw[index], Truncate(peak));
        if (a > cell.m_Amplitude) {
            cell.m_Amplitude = a;
            cell.m_Frequency = frequency;
        }
        m_fMeasuredMin = std::min(m_fMeasuredMin, a);
        m_fMeasuredMax = std::max(m_fMeasuredMax, a);
        _SubCellValue& sub = subCells[static_cast<size_t>(subRow) * static_cast<size_t>(n) + subColumn];
        sub.m_Frequency = frequency;
        sub.m_Amplitude = a;
        sub.m_HasValue = 1;
    }
    if (!anyCounted) {
        // The start value converted: the range rule then keeps its "no data" range.
        m_fMeasuredMax = ConvertAmplitudeToUnit(kStartMaximum, unit);
        m_fMeasuredMin = m_fMeasuredMax;
    }
    for (size_t i = 0; i < m_cells.size(); ++i) {
        if (m_cells[i].m_HasData != 0) {
            m_cells[i].m_Marker = RawMarker(raw[i]);
        }
    }
    if (m_nReceivedPoints < expected && m_nDataLastRow >= 0) {
        // The sub-cells still to come show the minimum.
        const size_t subCount = static_cast<size_t>(n) * static_cast<size_t>(n);
        for (int32_t r = m_nDataFirstRow; r <= m_nDataLastRow; ++r) {
            for (int32_t c = m_nDataFirstColumn; c <= m_nDataLastColumn; ++c) {
                _SubCellValue* subCells = m_subCells[CellIndex(r, c)].get();
                if (m_cells[CellIndex(r, c)].m_HasData == 0 || subCells == nullptr) {
                    continue;
                }
                for (size_t k = 0; k < subCount; ++k) {
                    if (subCells[k].m_HasValue == 0) {
                        subCells[k].m_Amplitude = m_fMeasuredMin;
                    }
                }
            }
        }
    }
    if (data.m_CellCount != 0 && count == data.m_CellCount) {
        // The scan is complete: the next build starts the composite spectra again.
        QCompositeSpectra::Drop(data, section);
    }
    m_bCompensationApplied = compensate ? 1 : 0;
}

// --- Colours ---

void CSpatialViewZeltp::MapLevelColours(float bottom, float top) {
    MapColours(bottom, top);
    const QSpatialDisplayOptions* options = NodeOptions();
    const QColourPalette* palette =
        GetColourPaletteManager().Find(options != nullptr ? options->GetPaletteId() : -10);
    const int32_t last = palette != nullptr ? palette->GetLastColourIndex() : 0;
    const float lower = bottom + (top - bottom) * static_cast<float>(m_nCutOff) / 100.0F;
    const float scale = static_cast<float>(last) / ((top - lower) + 0.1F);
    const float highest = static_cast<float>(std::max(last - 1, 0));
    const size_t subCount = static_cast<size_t>(m_nSubRows) * static_cast<size_t>(m_nSubColumns);
    for (size_t i = 0; i < m_cells.size(); ++i) {
        _SubCellValue* subCells = m_subCells[i].get();
        if (m_cells[i].m_HasData == 0 || subCells == nullptr) {
            continue;
        }
        for (size_t k = 0; k < subCount; ++k) {
            float index = (subCells[k].m_Amplitude - lower) * scale;
            index = std::isnan(index) ? 0.0F : std::clamp(index, 0.0F, highest);
            subCells[k].m_ColourIndex = static_cast<int16_t>(index);
        }
    }
}

// --- The map ---

void CSpatialViewZeltp::DrawMap(QImage* target, int32_t compose) {
    if (m_pScanData == nullptr) {
        return;
    }
    if (!IsMultiLevel()) {
        if (m_bRebuild != 0) {
            FreeSubCells();
            ForgetLevelCells();
            m_nReceivedPoints = 0;
        }
        m_nSubRows = 1;
        m_nSubColumns = 1;
        m_nShownLevel = -1;
        CSpatialView::DrawMap(target, compose);
        return;
    }
    QImage& out = target != nullptr ? *target : m_viewImage;
    if (out.isNull()) {
        return;
    }
    const bool spatial = m_nDisplayMode == kModeSpatial || m_nDisplayMode == kModeComparison ||
                         m_nDisplayMode == kModeBlindSpot;
    const bool components = m_nDisplayMode == kModeSpectralSpatial ||
                            m_nDisplayMode == kModeLinkedSpectralSpatial || m_nDisplayMode == kModeHandHeld;
    if (!(spatial && dynamic_cast<CSpatialScanData*>(m_pScanData) != nullptr) &&
        !(components && dynamic_cast<CSpectralSpatialScanData*>(m_pScanData) != nullptr)) {
        return;
    }
    const int32_t level = static_cast<int8_t>(m_pScanData->m_ZeltLevel);
    const int32_t n = SubDivision(level);
    m_nShownLevel = level;
    if (m_bRebuild != 0) {
        RebuildLevels(n);
    }
    float bottom = 0.0F;
    float top = 0.0F;
    ResolveAmplitudeRange(m_fMeasuredMin, m_fMeasuredMax, bottom, top);
    MapLevelColours(bottom, top);
    if (m_b3DShown != 0) {
        if (m_p3DView != nullptr) {
            m_p3DView->GetMessageTarget().Post(C3DSpatialView::kRedrawMessage);
        }
        return;
    }
    m_drawnTexts.clear();
    PrepareBackBuffer();
    const QSpatialDisplayOptions* options = NodeOptions();
    if (options != nullptr && options->Interpolates() && m_nBytesPerPixel != 4) {
        DrawNoDataScreen(out, kInterpolationText);
        return;
    }
    if (!BuildHeatMapBitmap(false, m_backBuffer, m_nMapOriginX, m_nMapOriginY, level, m_fCellSize,
                            m_nZoomFirstRow, m_nZoomLastRow, m_nZoomFirstColumn, m_nZoomLastColumn)) {
        ForgetLevelCells();
    }
    DrawSelectionMarks(n);
    FinishMapDrawing(out);
}

void CSpatialViewZeltp::DrawSelectionMarks(int32_t n) {
    if (n == 0 || m_pLevelCells == nullptr ||
        (m_nDisplayMode != kModeSpectralSpatial && m_nDisplayMode != kModeLinkedSpectralSpatial &&
         m_nDisplayMode != kModeHandHeld)) {
        return;
    }
    const std::vector<CScanPoint>* list = SelectedCellList();
    if (list == nullptr) {
        return;
    }
    const bool exclude = m_pScanData->m_PointFlag != 0;
    QPainter painter(&m_backBuffer);
    painter.setCompositionMode(QPainter::RasterOp_NotDestination);
    painter.setPen(QPen(Qt::white, 1));
    painter.setBrush(Qt::NoBrush);
    for (const CScanPoint& point : *list) {
        // The pair is a fine position: the table's record there, when the table holds it.
        const int64_t r = static_cast<int64_t>(point.m_X) - m_nLevelTop;
        const int64_t c = static_cast<int64_t>(point.m_Y) - m_nLevelLeft;
        if (r < 0 || r >= m_nLevelRows || c < 0 || c >= m_nLevelColumns) {
            continue;
        }
        const _LevelCell& record = m_pLevelCells[static_cast<size_t>(r * m_nLevelColumns + c)];
        if (record.m_CellHasData == 0) {
            continue;
        }
        const CSpatialCell& cell = GetCell(record.m_Row, record.m_Column);
        const float w =
            static_cast<float>(cell.m_BitmapRect.right - cell.m_BitmapRect.left) / static_cast<float>(n);
        const float h =
            static_cast<float>(cell.m_BitmapRect.bottom - cell.m_BitmapRect.top) / static_cast<float>(n);
        const float leftF =
            static_cast<float>(cell.m_MapRect.left) + static_cast<float>(record.m_SubColumn) * w;
        const float topF = static_cast<float>(cell.m_MapRect.top) + static_cast<float>(record.m_SubRow) * h;
        const int32_t left = Truncate(leftF);
        const int32_t top = Truncate(topF);
        const int32_t right = Truncate(leftF + w);
        const int32_t bottom = Truncate(topF + h);
        if (!exclude) {
            painter.drawLine(left, top, right - 1, bottom - 1);
            painter.drawLine(right - 1, top, left, bottom - 1);
        } else {
            painter.drawEllipse(QRect(left, top, right - left - 1, bottom - top - 1));
        }
    }
}

// --- The bitmap ---

bool CSpatialViewZeltp::BuildHeatMapBitmap(bool print, QImage& target, int32_t x, int32_t y, int32_t level,
                                           float cellSize, int32_t firstRow, int32_t lastRow,
                                           int32_t firstColumn, int32_t lastColumn) {
    if (m_nReceivedPoints == 0) {
        return false;
    }
    const int32_t n = SubDivision(level);
    if (n == 0 || !(cellSize > 0.0F) || !std::isfinite(cellSize) || firstRow < 0 || firstColumn < 0 ||
        lastRow < firstRow || lastColumn < firstColumn || lastRow >= std::min(m_nRowCount, kGridRows) ||
        lastColumn >= std::min(m_nColumnCount, kGridColumns)) {
        return false;
    }
    const int32_t columns = lastColumn - firstColumn + 1;
    const int32_t rows = lastRow - firstRow + 1;
    const int32_t width = Truncate(static_cast<double>(columns + 2) * cellSize);
    const int32_t height = Truncate(static_cast<double>(rows + 2) * cellSize);
    if (width < 1 || height < 1) {
        return false;
    }
    if (cellSize != m_fHeatMapCellSize || (columns + 2) * (rows + 2) != m_nHeatMapCells ||
        m_heatMap.isNull()) {
        m_heatMap = QImage(width, height, QImage::Format_RGB32);
        m_fHeatMapCellSize = cellSize;
        m_nHeatMapCells = (columns + 2) * (rows + 2);
        ++m_nBitmapBuildCount;
    }
    if (m_heatMap.isNull()) {
        return false;
    }
    m_heatMap.fill(Qt::white);
    const QSpatialDisplayOptions* options = NodeOptions();
    const bool interpolate = options != nullptr && options->Interpolates();
    const QColourPalette* palette =
        GetColourPaletteManager().Find(options != nullptr ? options->GetPaletteId() : -10);

    // The window, one cell wider all round where the grid goes on when interpolating.
    int32_t r0 = firstRow;
    int32_t r1 = lastRow;
    int32_t c0 = firstColumn;
    int32_t c1 = lastColumn;
    if (interpolate) {
        r0 = r0 > 0 ? r0 - 1 : r0;
        c0 = c0 > 0 ? c0 - 1 : c0;
        r1 = r1 < m_nRowCount - 1 ? r1 + 1 : r1;
        c1 = c1 < m_nColumnCount - 1 ? c1 + 1 : c1;
    }
    const CCellRect origin = GetCell(r0, c0).m_BitmapRect;
    m_fSubWidth = static_cast<float>(origin.right - origin.left) / static_cast<float>(n);
    m_fSubHeight = m_fSubWidth;

    // The fine window, cut to the data's box widened by one sub-cell up and left.
    int64_t left = static_cast<int64_t>(n) * c0;
    int64_t top = static_cast<int64_t>(n) * r0;
    int64_t right = left + static_cast<int64_t>(c1 - c0 + 1) * n;
    int64_t bottom = top + static_cast<int64_t>(r1 - r0 + 1) * n;
    if (m_nDataLastRow >= 0 && m_nDataLastColumn >= 0) {
        const int64_t dataLeft = static_cast<int64_t>(n) * m_nDataFirstColumn;
        const int64_t dataTop = static_cast<int64_t>(n) * m_nDataFirstRow;
        const int64_t dataRight =
            dataLeft + static_cast<int64_t>(m_nDataLastColumn - m_nDataFirstColumn + 2) * n;
        const int64_t dataBottom = dataTop + static_cast<int64_t>(m_nDataLastRow - m_nDataFirstRow + 2) * n;
        const int64_t l = std::max(left, dataLeft);
        const int64_t t = std::max(top, dataTop);
        const int64_t r = std::min(right, dataRight);
        const int64_t b = std::min(bottom, dataBottom);
        if (l < r && t < b) {
            left = l > 0 ? l - 1 : l;
            top = t > 0 ? t - 1 : t;
            right = r;
            bottom = b;
        }
    }
    m_nLevelRows = static_cast<int32_t>(bottom - top);
    m_nLevelColumns = static_cast<int32_t>(right - left);
    m_nLevelTop = static_cast<int32_t>(top);
    m_nLevelLeft = static_cast<int32_t>(left);

    // The table: (level rows + 2) x (level columns + 2) records, level columns to a row.
    uint64_t count = 0;
    if (!CheckedProduct({static_cast<uint64_t>(m_nLevelRows) + 2, static_cast<uint64_t>(m_nLevelColumns) + 2},
                        count)) {
        return false;
    }
    if (m_pLevelCells == nullptr || count != m_nLevelCellCount) {
        m_pLevelCells.reset();
        m_nLevelCellCount = 0;
        m_pLevelCells.reset(new (std::nothrow) _LevelCell[count]);
        if (m_pLevelCells == nullptr) {
            AddInformationMessage(0, "The multi-level map could not be drawn: out of memory.");
            return false;
        }
        m_nLevelCellCount = count;
    }
    m_nTableLevel = level;
    // A record's left and right follow from its column alone, its top and bottom from its row.
    struct Span {
        uint8_t cell = 0;
        uint8_t sub = 0;
        int16_t from = 0;
        int16_t to = 0;
        int16_t centre = 0;
        uint8_t inWindow = 0;
    };
    auto spanOf = [n](int32_t fine, int32_t cellFrom, int32_t cellTo, int32_t originAt, int32_t firstShown,
                      int32_t lastShown) {
        const int32_t cellIndex = fine / n;
        const int32_t sub = fine % n;
        const double size = static_cast<double>(cellTo - cellFrom) / n;
        const double start = cellFrom + sub * size;
        const int64_t from = static_cast<int64_t>(Truncate(start)) - originAt;
        const int64_t to = static_cast<int64_t>(Truncate(start + size)) - originAt;
        return Span{static_cast<uint8_t>(cellIndex),
                    static_cast<uint8_t>(sub),
                    Saturate16(from),
                    Saturate16(to),
                    Saturate16((from + to) / 2),
                    static_cast<uint8_t>(cellIndex >= firstShown && cellIndex <= lastShown ? 1 : 0)};
    };
    std::vector<Span> columnSpans(static_cast<size_t>(m_nLevelColumns));
    for (int32_t cc = 0; cc < m_nLevelColumns; ++cc) {
        const int32_t fine = m_nLevelLeft + cc;
        const CCellRect& b = GetCell(0, fine / n).m_BitmapRect;
        columnSpans[static_cast<size_t>(cc)] =
            spanOf(fine, b.left, b.right, origin.left, firstColumn, lastColumn);
    }
    for (int32_t rr = 0; rr < m_nLevelRows; ++rr) {
        const int32_t fine = m_nLevelTop + rr;
        const CCellRect& b = GetCell(fine / n, 0).m_BitmapRect;
        const Span rowSpan = spanOf(fine, b.top, b.bottom, origin.top, firstRow, lastRow);
        const CSpatialCell* cells = &m_cells[CellIndex(rowSpan.cell, 0)];
        _LevelCell* line = &m_pLevelCells[static_cast<size_t>(rr) * static_cast<size_t>(m_nLevelColumns)];
        for (int32_t cc = 0; cc < m_nLevelColumns; ++cc) {
            const Span& columnSpan = columnSpans[static_cast<size_t>(cc)];
            _LevelCell& record = line[cc];
            record.m_Row = rowSpan.cell;
            record.m_Column = columnSpan.cell;
            record.m_SubRow = rowSpan.sub;
            record.m_SubColumn = columnSpan.sub;
            record.m_Left = columnSpan.from;
            record.m_Top = rowSpan.from;
            record.m_Right = columnSpan.to;
            record.m_Bottom = rowSpan.to;
            record.m_CentreX = columnSpan.centre;
            record.m_CentreY = rowSpan.centre;
            record.m_CellHasData = cells[columnSpan.cell].m_HasData;
            record.m_InWindow = rowSpan.inWindow & columnSpan.inWindow;
        }
    }
    m_nDrawnRows = std::max(m_nLevelRows - (interpolate ? 1 : 0), 0);
    m_nDrawnColumns = std::max(m_nLevelColumns - (interpolate ? 1 : 0), 0);
    // Sub-cell lines belong to the cell grid: they show while both the grid and the sub-grid do.
    const bool lines = !print &&
                       (options == nullptr || (options->ShowsCellLines() && options->ShowsSubGridLines())) &&
                       level > 0 && m_fSubWidth > 3.0F;
    if (palette != nullptr) {
        const std::vector<QRgb> colours = PaletteTable(*palette, palette->GetLastColourIndex());
        if (interpolate) {
            PaintInterpolated(colours, lines);
        } else {
            PaintPlain(colours, lines);
        }
    }
    const int32_t sourceX = interpolate && firstColumn > 0 ? Truncate(cellSize) : 0;
    const int32_t sourceY = interpolate && firstRow > 0 ? Truncate(cellSize) : 0;
    QPainter painter(&target);
    painter.drawImage(QPoint(x, y), m_heatMap,
                      QRect(sourceX, sourceY, Truncate(static_cast<double>(columns) * cellSize),
                            Truncate(static_cast<double>(rows) * cellSize)));
    return true;
}

void CSpatialViewZeltp::DrawSubCellLines(const _LevelCell& record) {
    const QRgb grey = ColorRefToQColor(kSubCellLineColour).rgb();
    FillClipped(m_heatMap, record.m_Left, record.m_Top, record.m_Right, record.m_Top + 1, grey);
    FillClipped(m_heatMap, record.m_Left, record.m_Top, record.m_Left + 1, record.m_Bottom, grey);
}

void CSpatialViewZeltp::PaintPlain(const std::vector<QRgb>& colours, bool lines) {
    const int32_t n = m_nSubRows;
    const auto last = static_cast<int32_t>(colours.size()) - 1;
    for (int32_t rr = 0; rr < m_nDrawnRows; ++rr) {
        const _LevelCell* line =
            &m_pLevelCells[static_cast<size_t>(rr) * static_cast<size_t>(m_nLevelColumns)];
        for (int32_t cc = 0; cc < m_nDrawnColumns; ++cc) {
            const _LevelCell& record = line[cc];
            if (record.m_InWindow == 0 || record.m_CellHasData == 0) {
                continue;
            }
            const _SubCellValue* subCells = m_subCells[CellIndex(record.m_Row, record.m_Column)].get();
            const int32_t index =
                subCells != nullptr ? subCells[record.m_SubRow * n + record.m_SubColumn].m_ColourIndex : 0;
            const auto leftF = static_cast<float>(record.m_Left);
            const auto topF = static_cast<float>(record.m_Top);
            FillClipped(m_heatMap, record.m_Left, record.m_Top, Truncate(leftF + m_fSubWidth + 1.0F),
                        Truncate(topF + m_fSubHeight + 1.0F),
                        colours[static_cast<size_t>(std::clamp(index, 0, last))]);
            if (lines) {
                DrawSubCellLines(record);
            }
        }
    }
}

void CSpatialViewZeltp::PaintInterpolated(const std::vector<QRgb>& colours, bool lines) {
    const int32_t n = m_nSubRows;
    const QRgb grey = ColorRefToQColor(kSubCellLineColour).rgb();
    std::vector<CCellRect> holes;
    const auto stride = static_cast<size_t>(m_nLevelColumns);
    for (int32_t rr = 0; rr < m_nDrawnRows; ++rr) {
        for (int32_t cc = 0; cc < m_nDrawnColumns; ++cc) {
            const size_t at = static_cast<size_t>(rr) * stride + static_cast<size_t>(cc);
            const _LevelCell* quad[4] = {&m_pLevelCells[at], &m_pLevelCells[at + 1],
                                         &m_pLevelCells[at + stride], &m_pLevelCells[at + stride + 1]};
            if (quad[0]->m_CellHasData == 0 && quad[1]->m_CellHasData == 0 && quad[2]->m_CellHasData == 0 &&
                quad[3]->m_CellHasData == 0) {
                continue;
            }
            const _LevelCell& first = *quad[0];
            const bool drawable = first.m_InWindow != 0 && first.m_CellHasData != 0;
            if (first.m_CentreX >= quad[3]->m_CentreX || first.m_CentreY >= quad[3]->m_CentreY) {
                continue; // sub-cells thinner than a pixel: no pixel between the centres
            }
            QuadCorner corners[4];
            holes.clear();
            for (int k = 0; k < 4; ++k) {
                const _LevelCell& record = *quad[k];
                int32_t index = 0;
                if (record.m_CellHasData != 0) {
                    const _SubCellValue* subCells =
                        m_subCells[CellIndex(record.m_Row, record.m_Column)].get();
                    index = subCells != nullptr
                                ? subCells[record.m_SubRow * n + record.m_SubColumn].m_ColourIndex
                                : 0;
                }
                corners[k] = {record.m_CentreX, record.m_CentreY, index};
                if (record.m_CellHasData == 0 || record.m_InWindow == 0) {
                    holes.push_back({record.m_Left, record.m_Top, record.m_Right, record.m_Bottom});
                }
            }
            const CCellRect clip{corners[0].x, corners[0].y, corners[3].x, corners[3].y};
            PaintInterpolatedQuad(m_heatMap, colours, corners[0], corners[1], corners[2], corners[3], clip,
                                  holes);
            if (lines && drawable) {
                FillClipped(m_heatMap, first.m_Left, first.m_Top - 1, first.m_Right, first.m_Top, grey);
                FillClipped(m_heatMap, first.m_Left - 1, first.m_Top, first.m_Left, first.m_Bottom, grey);
            }
        }
    }
}

// --- Hit test and click ---

CCellRect CSpatialViewZeltp::SubCellViewRect(const _LevelCell& record, float w, float h) const {
    const CCellRect& view = GetCell(record.m_Row, record.m_Column).m_ViewRect;
    const float left = static_cast<float>(view.left) + static_cast<float>(record.m_SubColumn) * w;
    const float top = static_cast<float>(view.top) + static_cast<float>(record.m_SubRow) * h;
    return {Truncate(left), Truncate(top), Truncate(left + w), Truncate(top + h)};
}

float CSpatialViewZeltp::HitTestCell(int32_t x, int32_t y, int32_t& row, int32_t& column, float& frequency,
                                     int32_t& levelRow, int32_t& levelColumn) {
    const QSpatialDisplayOptions* options = NodeOptions();
    const bool interpolate = options != nullptr && options->Interpolates();
    if (interpolate && m_nBytesPerPixel != 4) {
        return kNoAmplitude;
    }
    if (m_bShownInterleaved == 0) {
        return CSpatialView::HitTestCell(x, y, row, column, frequency, levelRow, levelColumn);
    }
    const int32_t level = m_nShownLevel;
    if (interpolate) {
        return HitTestQuads(x, y, level > 3, row, column, frequency, levelRow, levelColumn);
    }
    const int32_t n = SubDivision(level);
    row = 0;
    column = 0;
    levelRow = 0;
    levelColumn = 0;
    if (n == 0 || m_pLevelCells == nullptr || m_nTableLevel != level) {
        return kNoAmplitude;
    }
    const CCellRect& firstCell = GetCell(m_nZoomFirstRow, m_nZoomFirstColumn).m_ViewRect;
    const float w = static_cast<float>(firstCell.right - firstCell.left) / static_cast<float>(n);
    const float h = static_cast<float>(firstCell.bottom - firstCell.top) / static_cast<float>(n);
    // A record's rectangle spans as its row does up and down and as its column does across: the
    // rows and the columns that hold the point, then the first record of both in row order.
    std::vector<int32_t> hitRows;
    std::vector<int32_t> hitColumns;
    const auto stride = static_cast<size_t>(m_nLevelColumns);
    for (int32_t rr = 0; rr < m_nDrawnRows; ++rr) {
        const CCellRect rect = SubCellViewRect(m_pLevelCells[static_cast<size_t>(rr) * stride], w, h);
        if (y >= rect.top && y < rect.bottom) {
            hitRows.push_back(rr);
        }
    }
    for (int32_t cc = 0; cc < m_nDrawnColumns && !hitRows.empty(); ++cc) {
        const CCellRect rect = SubCellViewRect(m_pLevelCells[static_cast<size_t>(cc)], w, h);
        if (x >= rect.left && x < rect.right) {
            hitColumns.push_back(cc);
        }
    }
    for (int32_t rr : hitRows) {
        for (int32_t cc : hitColumns) {
            const _LevelCell& record =
                m_pLevelCells[static_cast<size_t>(rr) * stride + static_cast<size_t>(cc)];
            if (record.m_CellHasData == 0 || record.m_InWindow == 0) {
                continue;
            }
            const CSpatialCell& cell = GetCell(record.m_Row, record.m_Column);
            const _SubCellValue* subCells = m_subCells[CellIndex(record.m_Row, record.m_Column)].get();
            row = record.m_Row;
            column = record.m_Column;
            frequency = cell.m_Frequency;
            levelRow = record.m_SubRow;
            levelColumn = record.m_SubColumn;
            m_rcHoveredCell = SubCellViewRect(record, w, h);
            m_crHoveredCell = cell.m_Colour;
            if (subCells == nullptr) {
                return kNoAmplitude;
            }
            const _SubCellValue& sub = subCells[record.m_SubRow * n + record.m_SubColumn];
            return sub.m_HasValue != 0 ? sub.m_Amplitude : kNoAmplitude;
        }
    }
    return kNoAmplitude;
}

float CSpatialViewZeltp::HitTestQuads(int32_t x, int32_t y, bool narrow, int32_t& row, int32_t& column,
                                      float& frequency, int32_t& levelRow, int32_t& levelColumn) {
    row = 0;
    column = 0;
    levelRow = 0;
    levelColumn = 0;
    const int32_t level = m_nShownLevel;
    const int32_t n = SubDivision(level);
    if (n == 0 || m_pLevelCells == nullptr || m_nTableLevel != level || m_nDrawnRows < 1 ||
        m_nDrawnColumns < 1) {
        return kNoAmplitude;
    }
    const CCellRect& firstCell = GetCell(m_nZoomFirstRow, m_nZoomFirstColumn).m_ViewRect;
    const float w = static_cast<float>(firstCell.right - firstCell.left) / static_cast<float>(n);
    const float h = static_cast<float>(firstCell.bottom - firstCell.top) / static_cast<float>(n);
    const auto stride = static_cast<size_t>(m_nLevelColumns);
    auto record = [&](int32_t rr, int32_t cc) -> const _LevelCell& {
        return m_pLevelCells[static_cast<size_t>(rr) * stride + static_cast<size_t>(cc)];
    };
    // A record's centre lies as its row does up and down and as its column does across.
    auto centreX = [&](int32_t cc) {
        const CCellRect rect = SubCellViewRect(record(0, cc), w, h);
        return (rect.left + rect.right) / 2;
    };
    auto centreY = [&](int32_t rr) {
        const CCellRect rect = SubCellViewRect(record(rr, 0), w, h);
        return (rect.top + rect.bottom) / 2;
    };
    int32_t firstRow = 0;
    int32_t lastRow = m_nDrawnRows - 1;
    int32_t firstColumn = 0;
    int32_t lastColumn = m_nDrawnColumns - 1;
    if (narrow) {
        int32_t rounds = 0;
        while (rounds < 5 && lastRow - firstRow > 3 && lastColumn - firstColumn > 4) {
            const int32_t middleRow = (firstRow + lastRow) / 2;
            const int32_t middleColumn = (firstColumn + lastColumn) / 2;
            const CCellRect corner = SubCellViewRect(record(middleRow, middleColumn), w, h);
            if (y <= corner.top) {
                int32_t last = std::min(middleRow + 1, lastRow);
                // Sub-cells thinner than a pixel share their centres: the quad holding the point may
                // start further down.
                while (last < lastRow && centreY(last + 1) <= y) {
                    ++last;
                }
                lastRow = last;
            } else {
                int32_t first = std::max(middleRow - 1, firstRow);
                while (first > firstRow && centreY(first) > y) {
                    --first;
                }
                firstRow = first;
            }
            if (x <= corner.left) {
                int32_t last = std::min(middleColumn + 1, lastColumn);
                while (last < lastColumn && centreX(last + 1) <= x) {
                    ++last;
                }
                lastColumn = last;
            } else {
                int32_t first = std::max(middleColumn - 1, firstColumn);
                while (first > firstColumn && centreX(first) > x) {
                    --first;
                }
                firstColumn = first;
            }
            ++rounds;
        }
        if (rounds > 0) {
            lastRow = std::min(lastRow + 1, m_nDrawnRows - 1);
            lastColumn = std::min(lastColumn + 1, m_nDrawnColumns - 1);
        }
    }
    for (int32_t rr = firstRow; rr <= lastRow; ++rr) {
        const int32_t y0 = centreY(rr);
        const int32_t y1 = centreY(rr + 1);
        if (y < y0 || y >= y1) {
            continue;
        }
        for (int32_t cc = firstColumn; cc <= lastColumn; ++cc) {
            const int32_t x0 = centreX(cc);
            const int32_t x1 = centreX(cc + 1);
            if (x < x0 || x >= x1) {
                continue;
            }
            const _LevelCell* quad[4] = {&record(rr, cc), &record(rr, cc + 1), &record(rr + 1, cc),
                                         &record(rr + 1, cc + 1)};
            if (quad[0]->m_CellHasData == 0 && quad[1]->m_CellHasData == 0 && quad[2]->m_CellHasData == 0 &&
                quad[3]->m_CellHasData == 0) {
                continue;
            }
            // The region: the four sub-cells less those of cells without data or outside the window.
            int32_t holder = -1;
            bool inHole = false;
            for (int k = 0; k < 4; ++k) {
                if (!SubCellViewRect(*quad[k], w, h).Contains(x, y)) {
                    continue;
                }
                if (quad[k]->m_CellHasData == 0 || quad[k]->m_InWindow == 0) {
                    inHole = true;
                } else if (holder < 0) {
                    holder = k;
                }
            }
            if (inHole || holder < 0) {
                continue;
            }
            float values[4];
            for (int k = 0; k < 4; ++k) {
                const _SubCellValue* subCells =
                    m_subCells[CellIndex(quad[k]->m_Row, quad[k]->m_Column)].get();
                values[k] = quad[k]->m_CellHasData != 0 && subCells != nullptr
                                ? subCells[quad[k]->m_SubRow * n + quad[k]->m_SubColumn].m_Amplitude
                                : m_fMeasuredMin;
            }
            const auto width = static_cast<float>(std::max(x1 - x0, 1));
            const auto height = static_cast<float>(std::max(y1 - y0, 1));
            const auto dx = static_cast<float>(x - x0);
            const auto dy = static_cast<float>(y - y0);
            float value =
                values[0] + dy * (values[2] - values[0]) / height +
                dx * ((values[1] - values[0]) / width +
                      dy * ((values[3] - values[1]) / height - (values[2] - values[0]) / height) / width);
            const _LevelCell& hit = *quad[holder];
            const CSpatialCell& cell = GetCell(hit.m_Row, hit.m_Column);
            row = hit.m_Row;
            column = hit.m_Column;
            frequency = cell.m_Frequency;
            levelRow = hit.m_SubRow;
            levelColumn = hit.m_SubColumn;
            m_rcHoveredCell = SubCellViewRect(hit, w, h);
            m_crHoveredCell = cell.m_Colour;
            const _SubCellValue* subCells = m_subCells[CellIndex(hit.m_Row, hit.m_Column)].get();
            if (subCells == nullptr || subCells[hit.m_SubRow * n + hit.m_SubColumn].m_HasValue == 0 ||
                hit.m_Row >= m_nRowCount || hit.m_Column >= m_nColumnCount) {
                value = kNoAmplitude;
            }
            return value;
        }
    }
    return kNoAmplitude;
}

bool CSpatialViewZeltp::SelectCellAt(int32_t x, int32_t y) {
    if (m_bShownInterleaved == 0) {
        return CSpatialView::SelectCellAt(x, y);
    }
    const int32_t level = m_nShownLevel;
    const int32_t n = SubDivision(level);
    if (n == 0 || m_pLevelCells == nullptr || m_nTableLevel != level) {
        return false;
    }
    const CCellRect& firstCell = GetCell(m_nZoomFirstRow, m_nZoomFirstColumn).m_ViewRect;
    const float w = static_cast<float>(firstCell.right - firstCell.left) / static_cast<float>(m_nSubColumns);
    const float h = static_cast<float>(firstCell.bottom - firstCell.top) / static_cast<float>(m_nSubRows);
    const auto stride = static_cast<size_t>(m_nLevelColumns);
    std::vector<int32_t> hitRows;
    std::vector<int32_t> hitColumns;
    for (int32_t rr = 0; rr < m_nDrawnRows; ++rr) {
        const CCellRect rect = SubCellViewRect(m_pLevelCells[static_cast<size_t>(rr) * stride], w, h);
        if (y >= rect.top && y < rect.bottom) {
            hitRows.push_back(rr);
        }
    }
    for (int32_t cc = 0; cc < m_nDrawnColumns && !hitRows.empty(); ++cc) {
        const CCellRect rect = SubCellViewRect(m_pLevelCells[static_cast<size_t>(cc)], w, h);
        if (x >= rect.left && x < rect.right) {
            hitColumns.push_back(cc);
        }
    }
    for (int32_t rr : hitRows) {
        for (int32_t cc : hitColumns) {
            const _LevelCell& record =
                m_pLevelCells[static_cast<size_t>(rr) * stride + static_cast<size_t>(cc)];
            if (record.m_CellHasData == 0 || record.m_InWindow == 0) {
                continue;
            }
            ToggleSelectedCell(record.m_Row * n + record.m_SubRow, record.m_Column * n + record.m_SubColumn);
            RelayoutAndRedraw();
            return true;
        }
    }
    return false;
}

} // namespace orv
