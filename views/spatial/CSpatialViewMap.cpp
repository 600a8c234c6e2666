// The heat map of CSpatialView: the cell grid filled from the scan data, the amplitude range and its
// colours, the heat-map image (flat or interpolated), the map drawing and the redraw driver.

#include "app/QtConversions.h"
#include "core/QColourPalette.h"
#include "core/QManagers.h"
#include "core/QScannerContext.h"
#include "core/QSpatialDisplayOptions.h"
#include "core/TypeIds.h"
#include "core/UnitConversion.h"
#include "platform/CLocale.h"
#include "project/QNodeMediator.h"
#include "scandata/CHandHeldProbeScanData.h"
#include "scandata/CSpatialScanData.h"
#include "scandata/CSpectralSpatialScanData.h"
#include "scandata/QCompositeSpectra.h"
#include "views/spatial/CSpatialView.h"

#include <QFont>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace orv {

namespace {

constexpr float kStartMaximum = -10000.0F;
constexpr float kStartMinimum = 10000.0F;

int32_t Truncate(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    constexpr double lowest = std::numeric_limits<int32_t>::min();
    constexpr double highest = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(std::clamp(std::trunc(value), lowest, highest));
}

int16_t SaturateInt16(double value) {
    if (std::isnan(value)) {
        return CSpatialCell::kNoData;
    }
    return static_cast<int16_t>(std::clamp(std::trunc(value), -32768.0, 32767.0));
}

QFont ArialFont(int pixelSize, int weight = 400) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixelSize);
    font.setWeight(static_cast<QFont::Weight>(weight));
    return font;
}

void Frame(QPainter& painter, int left, int top, int width, int height, uint32_t colour) {
    if (width < 1 || height < 1) {
        return;
    }
    painter.setPen(ColorRefToQColor(colour));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(left, top, width - 1, height - 1);
}

void Offset(CCellRect& rect, int32_t dx, int32_t dy) {
    rect.left -= dx;
    rect.right -= dx;
    rect.top -= dy;
    rect.bottom -= dy;
}

} // namespace

// --- Settings ---

QSpatialDisplayOptions* CSpatialView::NodeOptions() const {
    return m_pMediator != nullptr ? m_pMediator->GetSpatialDisplayOptions() : nullptr;
}

QSpatialDisplayOptions* CSpatialView::PreferenceOptions() const {
    QNodeMediator* preferences = m_pMediator != nullptr ? m_pMediator->GetPreferencesMediator() : nullptr;
    return preferences != nullptr ? preferences->GetSpatialDisplayOptions() : nullptr;
}

int CSpatialView::DisplayUnit() const {
    const QSpatialDisplayOptions* options = NodeOptions();
    return options == nullptr || options->GetAmplitudeUnit() == 1U ? kAmplitudeUnitDbuV : kAmplitudeUnitDbm;
}

// --- Cells ---

void CSpatialView::FillGridCells(CSpatialScanData& scan, bool floatValues, bool compensate, int unit) {
    const size_t stride = scan.m_Columns;
    const float offset = scan.m_LevelOffset;
    for (int32_t r = 0; r < m_nRowCount; ++r) {
        for (int32_t c = 0; c < m_nColumnCount; ++c) {
            CSpatialCell& cell = m_cells[CellIndex(r, c)];
            const size_t index = static_cast<size_t>(r) * stride + static_cast<size_t>(c);
            cell.m_HasData = 0;
            cell.m_Frequency = scan.m_CenterFrequency;
            cell.m_Marker = CSpatialCell::kNoData;
            if (floatValues) {
                // A non-finite result, like the stored "no value", is a cell without data.
                if (index < scan.m_FloatValues.size() && std::isfinite(scan.m_FloatValues[index]) &&
                    scan.m_FloatValues[index] != static_cast<float>(CSpatialCell::kNoData)) {
                    cell.m_Amplitude = scan.m_FloatValues[index];
                    cell.m_Marker = SaturateInt16(cell.m_Amplitude);
                    if (cell.m_Marker == CSpatialCell::kNoData) {
                        cell.m_Marker = CSpatialCell::kNoData - 1;
                    }
                }
            } else if (index < scan.m_Values.size()) {
                const int16_t raw = scan.m_Values[index];
                cell.m_Marker = raw;
                if (raw != CSpatialCell::kNoData) {
                    int32_t value = raw;
                    if (compensate) {
                        int32_t corrected = raw;
                        if (scan.GetCompensatedCellValue(raw, static_cast<uint16_t>(r),
                                                         static_cast<uint16_t>(c), corrected)) {
                            value = corrected;
                        } else {
                            compensate = false;
                        }
                    }
                    cell.m_Amplitude = ConvertAmplitudeToUnit(static_cast<float>(value), unit) + offset;
                }
            }
            if (cell.m_Values.empty()) {
                cell.m_Values.resize(1);
            }
            cell.m_Values[0].m_Frequency = cell.m_Frequency;
            if (cell.m_Marker != CSpatialCell::kNoData) {
                cell.m_Values[0].m_Amplitude = cell.m_Amplitude;
                m_fMeasuredMax = std::max(m_fMeasuredMax, cell.m_Amplitude);
                m_fMeasuredMin = std::min(m_fMeasuredMin, cell.m_Amplitude);
                m_nDataFirstRow = std::min(m_nDataFirstRow, r);
                m_nDataFirstColumn = std::min(m_nDataFirstColumn, c);
                m_nDataLastRow = std::max(m_nDataLastRow, r);
                m_nDataLastColumn = std::max(m_nDataLastColumn, c);
            }
        }
    }
    m_bCompensationApplied = compensate ? 1 : 0;
}

void CSpatialView::FillComponentCells(CSpectralSpatialScanData& data, bool compensate, int unit) {
    for (int32_t r = 0; r < kGridRows; ++r) {
        for (int32_t c = 0; c < kGridColumns; ++c) {
            CSpatialCell& cell = m_cells[CellIndex(r, c)];
            cell.m_Marker = CSpatialCell::kNoData;
            cell.m_HasData = 0;
            if (cell.m_Values.empty()) {
                cell.m_Values.resize(1);
            }
        }
    }
    const bool selectedOnly = m_bListShown != 0;
    std::vector<_FrequencyMarkerPoint> selected;
    if (selectedOnly) {
        selected = m_frequencyList.GetFrequencies();
    }
    const bool zelt = data.m_IsZeltData != 0;
    CriticalSection& section = m_pMediator->GetSecondCriticalSection();
    size_t count = 0;
    {
        const CriticalSectionGuard guard(section);
        count = data.m_Units.size();
    }
    m_unitPeaks.assign(count, UnitPeak{});
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
        if (row >= m_nRowCount || column >= m_nColumnCount) {
            continue;
        }
        UnitPeak& cache = m_unitPeaks[i];
        cache.shown = 1;
        const auto points = static_cast<int64_t>(component.GetPointCount(zelt));
        float peak = -10000.0F;
        int64_t peakIndex = -1;
        // The largest value of points first..last; a later point wins only when strictly larger.
        auto consider = [&](int64_t first, int64_t last) {
            if (first > last) {
                return;
            }
            const auto from = static_cast<size_t>(first);
            const auto to = static_cast<size_t>(last) + 1;
            if (zelt) {
                const auto begin = component.m_ZeltAmplitudes.begin();
                const auto best = std::max_element(begin + static_cast<std::ptrdiff_t>(from),
                                                   begin + static_cast<std::ptrdiff_t>(to));
                if (*best > peak) {
                    peak = *best;
                    peakIndex = best - begin;
                }
            } else {
                const auto begin = component.m_Amplitudes.begin();
                const auto best = std::max_element(begin + static_cast<std::ptrdiff_t>(from),
                                                   begin + static_cast<std::ptrdiff_t>(to));
                if (static_cast<float>(*best) > peak) {
                    peak = static_cast<float>(*best);
                    peakIndex = best - begin;
                }
            }
        };
        if (selectedOnly) {
            for (const _FrequencyMarkerPoint& marker : selected) {
                if (marker.m_Selected == 0) {
                    continue;
                }
                // The range is clipped to the component's points.
                consider(
                    std::max<int64_t>(marker.m_FirstIndex, 0),
                    std::min<int64_t>(marker.m_LastIndex == -1 ? marker.m_FirstIndex : marker.m_LastIndex,
                                      points - 1));
            }
        } else {
            consider(0, points - 1);
        }
        if (peakIndex < 0) {
            continue; // no point counted: a cell without value
        }
        anyCounted = true;
        cache.peak = peak;
        cache.frequency = data.GetFrequency(static_cast<int32_t>(peakIndex));
        CSpatialCell& cell = m_cells[CellIndex(row, column)];
        cell.m_Marker = SaturateInt16(peak);
        if (cell.m_Marker == CSpatialCell::kNoData) {
            cell.m_Marker = CSpatialCell::kNoData - 1;
        }
        cell.m_Frequency = cache.frequency;
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
        cell.m_Amplitude = ConvertAmplitudeToUnit(value, unit) + data.m_LevelOffset;
        cell.m_Values[0].m_Frequency = cell.m_Frequency;
        cell.m_Values[0].m_Amplitude = cell.m_Amplitude;
        m_fMeasuredMax = std::max(m_fMeasuredMax, cell.m_Amplitude);
        m_fMeasuredMin = std::min(m_fMeasuredMin, cell.m_Amplitude);
        m_nDataFirstRow = std::min(m_nDataFirstRow, row);
        m_nDataFirstColumn = std::min(m_nDataFirstColumn, column);
        m_nDataLastRow = std::max(m_nDataLastRow, row);
        m_nDataLastColumn = std::max(m_nDataLastColumn, column);
    }
    if (!anyCounted) {
        // The start value converted: the range rule then keeps its "no data" range.
        m_fMeasuredMax = ConvertAmplitudeToUnit(kStartMaximum, unit);
        m_fMeasuredMin = m_fMeasuredMax;
    }
    if (data.m_CellCount != 0 && count == data.m_CellCount) {
        // The scan is complete: the next rebuild starts the caches and the composite spectra again.
        m_unitPeaks.assign(count, UnitPeak{});
        QCompositeSpectra::Drop(data, section);
    }
    m_bCompensationApplied = compensate ? 1 : 0;
}

void CSpatialView::BuildCells() {
    if (m_bRebuild == 0) {
        return;
    }
    m_bRebuild = 0;
    ++m_nMapBuildCount;
    if (m_pFormView != nullptr) {
        m_pFormView->RefreshOverlayOptionTab();
    }
    m_fMeasuredMax = kStartMaximum;
    m_fMeasuredMin = kStartMinimum;
    m_nDataFirstRow = 1000;
    m_nDataFirstColumn = 1000;
    m_nDataLastRow = -1;
    m_nDataLastColumn = -1;
    const QSpatialDisplayOptions* preferences = PreferenceOptions();
    const bool compensate = preferences != nullptr && preferences->IsCompensation();
    const int unit = DisplayUnit();
    switch (m_nDisplayMode) {
    case kModeSpatial:
    case kModeComparison:
    case kModeBlindSpot:
        if (auto* scan = dynamic_cast<CSpatialScanData*>(m_pScanData)) {
            const bool floatValues = m_nDisplayMode == kModeComparison && m_nComparisonPane == 2;
            const CriticalSectionGuard guard(m_pMediator->GetFirstCriticalSection());
            FillGridCells(*scan, floatValues || scan->HoldsFloatValues(), compensate && !floatValues, unit);
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
            FillComponentCells(*data, compensate, unit);
        }
        break;
    default:
        break;
    }
}

// --- Range and colours ---

void CSpatialView::ResolveAmplitudeRange(float measuredBottom, float measuredTop, float& bottom, float& top) {
    if (m_pMediator != nullptr && m_pMediator->IsRangeChanged()) {
        m_pMediator->SetRangeChanged(false);
    }
    const QSpatialDisplayOptions* options = NodeOptions();
    const bool useNode =
        options != nullptr &&
        (options->UsesNodeSettings() || (m_pMediator != nullptr && m_pMediator->AreNodeSettingsApplied()));
    bool automatic = true;
    if (useNode) {
        automatic = options->IsAutoScale();
    } else if (m_pScanData != nullptr) {
        automatic = m_pScanData->m_SpatialAutoByte == 1;
    }
    m_bAutoScale = automatic ? 1 : 0;
    if (automatic) {
        bottom = measuredBottom;
        top = measuredTop;
    } else if (useNode) {
        options->GetRange(bottom, top);
    } else {
        bottom = m_pScanData->m_SpatialRangeLow;
        top = m_pScanData->m_SpatialRangeHigh;
    }
    if (bottom == top && bottom != 0.0F && bottom != -1000.0F && bottom != -1107.0F) {
        const float value = bottom;
        bottom = value - 8.0F;
        top = value + 2.0F;
    }
    if (top != m_fLastBarTop || bottom != m_fLastBarBottom) {
        m_fLastBarTop = top;
        m_fLastBarBottom = bottom;
    }
    m_colourBar.SetTopBottom(top, bottom);
    m_colourBar.Invalidate();
}

void CSpatialView::MapColours(float bottom, float top) {
    const QSpatialDisplayOptions* options = NodeOptions();
    const QColourPalette* palette =
        GetColourPaletteManager().Find(options != nullptr ? options->GetPaletteId() : -10);
    const int32_t last = palette != nullptr ? palette->GetLastColourIndex() : 0;
    const float lower = bottom + (top - bottom) * static_cast<float>(m_nCutOff) / 100.0F;
    const float scale = static_cast<float>(last) / ((top - lower) + 0.1F);
    const float highest = static_cast<float>(std::max(last - 1, 0));
    const float s = m_fCellSize;
    const float ox = static_cast<float>(m_nMapOriginX);
    const float oy = static_cast<float>(m_nMapOriginY);
    const float t = static_cast<float>(m_nTopMargin);
    for (int32_t r = 0; r < kGridRows; ++r) {
        for (int32_t c = 0; c < kGridColumns; ++c) {
            CSpatialCell& cell = m_cells[CellIndex(r, c)];
            if (cell.m_Marker == CSpatialCell::kNoData) {
                cell.m_HasData = 0;
                cell.m_ColourIndex = 0;
            } else {
                cell.m_HasData = 1;
                float index = (cell.m_Amplitude - lower) * scale;
                // Clamped in float before truncation; NaN takes the first colour.
                index = std::isnan(index) ? 0.0F : std::clamp(index, 0.0F, highest);
                cell.m_ColourIndex = static_cast<int32_t>(index);
            }
            cell.m_Colour = palette != nullptr ? palette->GetColour(cell.m_ColourIndex) : 0xFFFFFFU;
            if (!cell.m_Values.empty()) {
                cell.m_Values[0].m_ColourIndex = static_cast<int16_t>(cell.m_ColourIndex);
            }
            const auto column = static_cast<float>(c);
            const auto row = static_cast<float>(r);
            cell.m_BitmapRect = {Truncate(column * s), Truncate(row * s), Truncate((column + 1) * s),
                                 Truncate((row + 1) * s)};
            const float shownColumn = static_cast<float>(c - m_nZoomFirstColumn);
            const float shownRow = static_cast<float>(r - m_nZoomFirstRow);
            const int32_t left = Truncate(shownColumn * s + ox);
            const int32_t right = Truncate((shownColumn + 1) * s + ox);
            const int32_t viewTop = Truncate(shownRow * s + oy + t);
            const int32_t viewBottom = Truncate((shownRow + 1) * s + oy + t);
            cell.m_ViewRect = {left, viewTop, right, viewBottom};
            cell.m_MapRect = {left, viewTop - m_nTopMargin, right, viewBottom - m_nTopMargin};
        }
    }
}

// --- The heat-map image ---

std::vector<QRgb> CSpatialView::PaletteTable(const QColourPalette& palette, int32_t last) {
    std::vector<QRgb> table(static_cast<size_t>(std::max(last, 1)));
    for (size_t i = 0; i < table.size(); ++i) {
        const auto index = static_cast<int32_t>(i);
        table[i] = qRgb(palette.GetRed(index), palette.GetGreen(index), palette.GetBlue(index));
    }
    return table;
}

void CSpatialView::PaintInterpolatedQuad(QImage& image, const QColourPalette& palette, int32_t last,
                                         QuadCorner a, QuadCorner b, QuadCorner c, QuadCorner d,
                                         const CCellRect& clip, const std::vector<CCellRect>& holes) {
    PaintInterpolatedQuad(image, PaletteTable(palette, last), a, b, c, d, clip, holes);
}

void CSpatialView::PaintInterpolatedQuad(QImage& image, const std::vector<QRgb>& colours, QuadCorner a,
                                         QuadCorner b, QuadCorner c, QuadCorner d, const CCellRect& clip,
                                         const std::vector<CCellRect>& holes) {
    const float h = static_cast<float>(std::max(d.y - a.y, 1));
    const float w = static_cast<float>(std::max(b.x - a.x, 1));
    const float leftStep = static_cast<float>(c.index - a.index) / h;
    float columnStep = static_cast<float>(b.index - a.index) / w;
    const float columnStepChange =
        (static_cast<float>(d.index - b.index) / h - static_cast<float>(c.index - a.index) / h) / w;
    // Indices stop at N - 1: the palette's last colour is never used.
    const float highest = static_cast<float>(std::max(static_cast<int32_t>(colours.size()) - 1, 0));
    float leftValue = static_cast<float>(a.index);
    const int32_t imageWidth = image.width();
    const int32_t imageHeight = image.height();
    // The lines reached once: a quad of a fine map is a few pixels, the per-line access would cost more.
    uchar* const bits = image.bits();
    const qsizetype bytesPerLine = image.bytesPerLine();
    const QRgb* table = colours.data();
    auto paintSpan = [&](QRgb* line, int32_t from, int32_t to) {
        if (from >= to) {
            return;
        }
        const float first = leftValue + static_cast<float>(from - a.x) * columnStep + 0.5F;
        const float lastValue = leftValue + static_cast<float>(to - 1 - a.x) * columnStep + 0.5F;
        if (first >= 0.0F && first <= highest && lastValue >= 0.0F && lastValue <= highest) {
            // The index is linear along the row: inside at both ends, inside everywhere.
            float value = first;
            for (int32_t x = from; x < to; ++x) {
                line[x] = table[static_cast<int32_t>(value)];
                value += columnStep;
            }
            return;
        }
        for (int32_t x = from; x < to; ++x) {
            float value = leftValue + static_cast<float>(x - a.x) * columnStep + 0.5F;
            value = std::isnan(value) ? 0.0F : std::clamp(value, 0.0F, highest);
            line[x] = table[static_cast<int32_t>(value)];
        }
    };
    // At most the quad's own span less the four cells' squares: a few spans per row.
    std::array<std::pair<int32_t, int32_t>, 8> spans;
    std::array<std::pair<int32_t, int32_t>, 8> kept;
    for (int32_t y = a.y; y < c.y; ++y) {
        if (y >= 0 && y < imageHeight && y >= clip.top && y < clip.bottom) {
            auto* line = reinterpret_cast<QRgb*>(bits + static_cast<qsizetype>(y) * bytesPerLine);
            const int32_t from = std::max({clip.left, a.x, 0});
            const int32_t to = std::min({clip.right, b.x, imageWidth});
            if (holes.empty()) {
                paintSpan(line, from, to);
                leftValue += leftStep;
                columnStep += columnStepChange;
                continue;
            }
            size_t count = 0;
            spans[count++] = {from, to};
            for (const CCellRect& hole : holes) {
                if (y < hole.top || y >= hole.bottom) {
                    continue;
                }
                size_t keptCount = 0;
                for (size_t i = 0; i < count; ++i) {
                    const auto span = spans[i];
                    if (hole.left > span.first && keptCount < kept.size()) {
                        kept[keptCount++] = {span.first, std::min(span.second, hole.left)};
                    }
                    if (hole.right < span.second && keptCount < kept.size()) {
                        kept[keptCount++] = {std::max(span.first, hole.right), span.second};
                    }
                }
                spans = kept;
                count = keptCount;
            }
            for (size_t i = 0; i < count; ++i) {
                paintSpan(line, spans[i].first, spans[i].second);
            }
        }
        leftValue += leftStep;
        columnStep += columnStepChange;
    }
}

bool CSpatialView::BuildHeatMapBitmap(QImage& target, int32_t x, int32_t y, const CSpatialCell* cells,
                                      float cellSize, int32_t firstRow, int32_t lastRow, int32_t firstColumn,
                                      int32_t lastColumn) {
    if (!(cellSize > 0.0F) || !std::isfinite(cellSize) || lastRow < firstRow || lastColumn < firstColumn) {
        return false;
    }
    const int32_t n = lastColumn - firstColumn + 1;
    const int32_t m = lastRow - firstRow + 1;
    const int32_t width = Truncate(static_cast<float>(n + 2) * cellSize);
    const int32_t height = Truncate(static_cast<float>(m + 2) * cellSize);
    if (width < 1 || height < 1) {
        return false;
    }
    if (cellSize != m_fHeatMapCellSize || (n + 2) * (m + 2) != m_nHeatMapCells || m_heatMap.isNull()) {
        m_heatMap = QImage(width, height, QImage::Format_RGB32);
        m_fHeatMapCellSize = cellSize;
        m_nHeatMapCells = (n + 2) * (m + 2);
        ++m_nBitmapBuildCount;
    }
    if (m_heatMap.isNull()) {
        return false;
    }
    m_heatMap.fill(Qt::white);
    auto cellAt = [cells](int32_t r, int32_t c) -> const CSpatialCell& { return cells[CellIndex(r, c)]; };
    const QSpatialDisplayOptions* options = NodeOptions();
    const bool interpolate = options != nullptr && options->Interpolates();
    const QColourPalette* palette =
        GetColourPaletteManager().Find(options != nullptr ? options->GetPaletteId() : -10);
    if (!interpolate) {
        QPainter painter(&m_heatMap);
        const CCellRect& origin = cellAt(firstRow, firstColumn).m_BitmapRect;
        for (int32_t r = firstRow; r <= lastRow; ++r) {
            for (int32_t c = firstColumn; c <= lastColumn; ++c) {
                const CSpatialCell& cell = cellAt(r, c);
                if (cell.m_HasData == 0) {
                    continue;
                }
                CCellRect rect = cell.m_BitmapRect;
                Offset(rect, origin.left, origin.top);
                painter.fillRect(QRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top),
                                 ColorRefToQColor(cell.m_Colour));
            }
        }
    } else if (palette != nullptr) {
        const int32_t last = palette->GetLastColourIndex();
        const int32_t rows = m_nRowCount;
        const int32_t columns = m_nColumnCount;
        const int32_t r0 = firstRow >= 1 ? firstRow - 1 : firstRow;
        const int32_t r1 = lastRow + 1 < rows ? lastRow + 1 : lastRow;
        const int32_t c0 = firstColumn >= 1 ? firstColumn - 1 : firstColumn;
        const int32_t c1 = lastColumn + 1 < columns ? lastColumn + 1 : lastColumn;
        const CCellRect origin = cellAt(r0, c0).m_BitmapRect;
        const std::vector<QRgb> colours = PaletteTable(*palette, last);
        std::vector<CCellRect> holes;
        for (int32_t r = r0; r < r1; ++r) {
            for (int32_t c = c0; c < c1; ++c) {
                if (c + 1 >= columns || r + 1 >= rows) {
                    continue;
                }
                const CSpatialCell* quad[4] = {&cellAt(r, c), &cellAt(r, c + 1), &cellAt(r + 1, c),
                                               &cellAt(r + 1, c + 1)};
                if (std::all_of(std::begin(quad), std::end(quad), [](const CSpatialCell* cell) {
                        return cell->m_Marker == CSpatialCell::kNoData;
                    })) {
                    continue;
                }
                CCellRect rects[4];
                for (int k = 0; k < 4; ++k) {
                    rects[k] = quad[k]->m_BitmapRect;
                    Offset(rects[k], origin.left, origin.top);
                }
                auto centreX = [](const CCellRect& rect) { return Truncate((rect.left + rect.right) * 0.5); };
                auto centreY = [](const CCellRect& rect) { return Truncate((rect.top + rect.bottom) * 0.5); };
                const bool leftEdge = c == 0;
                const bool topEdge = r == 0;
                const bool rightEdge = c + 1 == columns - 1;
                const bool bottomEdge = r + 1 == rows - 1;
                const QuadCorner a{leftEdge ? rects[0].left : centreX(rects[0]),
                                   topEdge ? rects[0].top : centreY(rects[0]), quad[0]->m_ColourIndex};
                const QuadCorner b{rightEdge ? rects[1].right : centreX(rects[1]),
                                   topEdge ? rects[1].top : centreY(rects[1]), quad[1]->m_ColourIndex};
                const QuadCorner cc{leftEdge ? rects[2].left : centreX(rects[2]),
                                    bottomEdge ? rects[2].bottom : centreY(rects[2]), quad[2]->m_ColourIndex};
                const QuadCorner d{rightEdge ? rects[3].right : centreX(rects[3]),
                                   bottomEdge ? rects[3].bottom : centreY(rects[3]), quad[3]->m_ColourIndex};
                const CCellRect clip{rects[0].left, rects[0].top, rects[3].right, rects[3].bottom};
                holes.clear();
                for (int k = 0; k < 4; ++k) {
                    if (quad[k]->m_HasData == 0) {
                        holes.push_back(rects[k]);
                    }
                }
                PaintInterpolatedQuad(m_heatMap, colours, a, b, cc, d, clip, holes);
            }
        }
    }
    const int32_t sourceX = interpolate && firstColumn != 0 ? Truncate(cellSize) : 0;
    const int32_t sourceY = interpolate && firstRow != 0 ? Truncate(cellSize) : 0;
    QPainter painter(&target);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(QPoint(x, y), m_heatMap,
                      QRect(sourceX, sourceY, Truncate(static_cast<float>(n) * cellSize),
                            Truncate(static_cast<float>(m) * cellSize)));
    return true;
}

// --- Surfaces ---

void CSpatialView::PrepareBackBuffer() {
    const int32_t width = std::max(m_nMapWidth, 1);
    const int32_t height = std::max(m_nMapHeight, 1);
    if (m_bSizeChanged != 0 || m_backBuffer.isNull() || m_backBuffer.size() != QSize(width, height)) {
        m_backBuffer = QImage(width, height, QImage::Format_RGB32);
        m_bSizeChanged = 0;
    }
    m_backBuffer.fill(Qt::white);
    QPainter painter(&m_backBuffer);
    Frame(painter, 0, 0, width, height, 0xA6A6A6);
    Frame(painter, 1, 1, width - 2, height - 2, 0x747474);
    const std::string level = GetLevelText();
    if (!level.empty()) {
        painter.setFont(ArialFont(14));
        DrawTextInto(painter, QRect(6, 6, 208, 12), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     level);
    }
}

void CSpatialView::BlitBackBuffer(QImage& target) {
    if (m_backBuffer.isNull()) {
        return;
    }
    const int32_t width = m_nMapWidth - (m_bListShown != 0 ? ListWidth() : 0);
    QPainter painter(&target);
    painter.drawImage(QPoint(0, m_nTopMargin), m_backBuffer, QRect(0, 0, std::max(width, 0), m_nMapHeight));
}

void CSpatialView::DrawTextInto(QPainter& painter, const QRect& rect, int flags, const std::string& text) {
    painter.drawText(rect, flags, CodePageToQString(text));
    m_drawnTexts.push_back({text, rect});
}

void CSpatialView::DrawNoDataScreen(QImage& target, const std::string& text) {
    m_drawnTexts.clear();
    const QRect area(0, m_nTopMargin, std::max(m_nMapWidth, 1), std::max(m_nMapHeight, 1));
    QPainter painter(&target);
    painter.fillRect(area, ColorRefToQColor(m_crBackground));
    Frame(painter, area.left(), area.top(), area.width(), area.height(), 0xA6A6A6);
    Frame(painter, area.left() + 1, area.top() + 1, area.width() - 2, area.height() - 2, 0x747474);
    painter.setFont(ArialFont(20));
    painter.setPen(ColorRefToQColor(kHintColour));
    DrawTextInto(painter, area, Qt::AlignCenter | Qt::TextSingleLine, text);
    if (m_p3DView != nullptr) {
        m_p3DView->hide();
    }
}

std::string CSpatialView::ScaleCaption() const {
    std::string text = "Amplitude";
    if (m_nDisplayMode == kModeComparison && m_nComparisonPane == 2) {
        text += "(dB)";
    } else if (m_bCompensationApplied != 0) {
        text += "(dBuA/m)";
    } else {
        text += DisplayUnit() == kAmplitudeUnitDbuV ? "(dBuV)" : "(dBm)";
    }
    // The scale in force, whichever settings gave it.
    text += m_bAutoScale != 0 ? "  Auto" : "  Fixed";
    if ((m_nNodeKind == kTypeSpectralScanNode || m_nNodeKind == kTypeSpatialScanNode) &&
        m_pScanData != nullptr && m_pScanData->m_PeakHold == 1) {
        text += "  PeakHold";
    }
    return text;
}

// --- The map ---

void CSpatialView::DrawMap(QImage* target, int32_t /*compose*/) {
    QImage& out = target != nullptr ? *target : m_viewImage;
    if (out.isNull()) {
        return;
    }
    // Without scan data an empty scan stands in for the settings it supplies.
    CScanData standIn;
    const bool hadScan = m_pScanData != nullptr;
    if (!hadScan) {
        m_pScanData = &standIn;
    }
    struct Restore {
        CSpatialView& view;
        bool hadScan;
        ~Restore() {
            if (!hadScan) {
                view.m_pScanData = nullptr;
            }
        }
    } restore{*this, hadScan};

    BuildCells();
    float bottom = 0.0F;
    float top = 0.0F;
    ResolveAmplitudeRange(m_fMeasuredMin, m_fMeasuredMax, bottom, top);
    MapColours(bottom, top);
    if (m_b3DShown == 0) {
        m_drawnTexts.clear();
        PrepareBackBuffer();
        const QSpatialDisplayOptions* options = NodeOptions();
        if (options != nullptr && options->Interpolates() && m_nBytesPerPixel != 4) {
            DrawNoDataScreen(out, kInterpolationText);
            return;
        }
        int32_t withData = 0;
        for (int32_t r = m_nZoomFirstRow; r <= m_nZoomLastRow; ++r) {
            for (int32_t c = m_nZoomFirstColumn; c <= m_nZoomLastColumn; ++c) {
                withData += GetCell(r, c).m_HasData;
            }
        }
        if (withData > 0) {
            BuildHeatMapBitmap(m_backBuffer, m_nMapOriginX, m_nMapOriginY, m_cells.data(), m_fCellSize,
                               m_nZoomFirstRow, m_nZoomLastRow, m_nZoomFirstColumn, m_nZoomLastColumn);
        }
        QPainter painter(&m_backBuffer);
        // Selection marks, inverted pixels: drawing one twice takes it away.
        if (m_nDisplayMode == kModeSpectralSpatial || m_nDisplayMode == kModeLinkedSpectralSpatial ||
            m_nDisplayMode == kModeHandHeld) {
            if (const std::vector<CScanPoint>* list = SelectedCellList()) {
                const bool exclude = m_pScanData->m_PointFlag != 0;
                painter.save();
                painter.setCompositionMode(QPainter::RasterOp_NotDestination);
                painter.setPen(QPen(Qt::white, 1));
                painter.setBrush(Qt::NoBrush);
                for (const CScanPoint& point : *list) {
                    if (point.m_X < m_nZoomFirstRow || point.m_X > m_nZoomLastRow ||
                        point.m_Y < m_nZoomFirstColumn || point.m_Y > m_nZoomLastColumn) {
                        continue;
                    }
                    const CCellRect& rect = GetCell(point.m_X, point.m_Y).m_MapRect;
                    if (!exclude) {
                        painter.drawLine(rect.left, rect.top, rect.right - 1, rect.bottom - 1);
                        painter.drawLine(rect.right - 1, rect.top, rect.left, rect.bottom - 1);
                    } else {
                        painter.drawEllipse(QRect(rect.left, rect.top, rect.right - rect.left - 1,
                                                  rect.bottom - rect.top - 1));
                    }
                }
                painter.restore();
            }
        }
        painter.end();
        FinishMapDrawing(out);
    }
    if (m_p3DView != nullptr) {
        m_p3DView->GetMessageTarget().Post(C3DSpatialView::kRedrawMessage);
    }
}

void CSpatialView::FinishMapDrawing(QImage& out) {
    const QSpatialDisplayOptions* options = NodeOptions();
    QPainter painter(&m_backBuffer);
    const float s = m_fCellSize;
    const int32_t gridLeft = m_nMapOriginX;
    const int32_t gridTop = m_nMapOriginY;
    const int32_t gridRight = gridLeft + Truncate(static_cast<float>(m_nShownColumns) * s);
    const int32_t gridBottom = gridTop + Truncate(static_cast<float>(m_nShownRows) * s);
    if (options == nullptr || options->ShowsCellLines()) {
        const bool tracking = m_pMediator != nullptr && m_pMediator->HasProbeVideoTrack();
        QColor grey = ColorRefToQColor(kGridLineColour);
        if (tracking) {
            grey.setAlpha(127);
        }
        painter.setPen(QPen(grey, 1));
        for (int32_t i = 1; i < m_nShownRows; ++i) {
            const int32_t yLine = gridTop + Truncate(static_cast<float>(i) * s);
            painter.drawLine(gridLeft, yLine, gridRight, yLine);
            if (!tracking && m_bZoomed == 0 && i % 5 == 0) {
                painter.drawLine(gridLeft, yLine - 1, gridRight, yLine - 1);
            }
        }
        for (int32_t i = 1; i < m_nShownColumns; ++i) {
            const int32_t xLine = gridLeft + Truncate(static_cast<float>(i) * s);
            painter.drawLine(xLine, gridTop, xLine, gridBottom);
            if (!tracking && m_bZoomed == 0 && i % 5 == 0) {
                painter.drawLine(xLine - 1, gridTop, xLine - 1, gridBottom);
            }
        }
    }
    painter.setPen(Qt::black);
    const QSpatialDisplayOptions* preferences = PreferenceOptions();
    const bool scannerLabels = preferences != nullptr && preferences->UsesScannerLabels();
    const QFont small = ArialFont(10);
    const QFont large = ArialFont(14);
    auto label = [&](int32_t lx, int32_t ly, const std::string& text, bool highlight) {
        painter.setFont(highlight ? large : small);
        DrawTextInto(painter, QRect(lx, ly, 40, 16), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    };
    if (!scannerLabels) {
        for (size_t k = 0; k < m_columnTicks.size(); ++k) {
            const auto i = static_cast<int32_t>(k) * 5;
            if (i >= m_nShownColumns) {
                break;
            }
            const int32_t d = i < 10 ? -3 : -5;
            const int32_t lx =
                Truncate(static_cast<float>(gridLeft + d) + static_cast<float>(i) * s + s / 2.0F);
            const std::string text = FormatC("%d", m_columnTicks[k]);
            label(lx, gridTop - 18, text, false);
            label(lx, gridBottom + 3, text, false);
        }
        for (size_t k = 0; k < m_rowTicks.size(); ++k) {
            const auto i = static_cast<int32_t>(k) * 5;
            if (i >= m_nShownRows) {
                break;
            }
            const int32_t ly =
                Truncate(static_cast<float>(gridTop - 7) + static_cast<float>(i) * s + s / 2.0F);
            const std::string text = FormatC("%d", m_rowTicks[k]);
            label(gridLeft - 22, ly, text, false);
            label(gridRight + 8, ly, text, false);
        }
    } else {
        const QScannerContext& context = GetScannerContext();
        const int32_t every = s >= 20.0F ? 1 : 5;
        for (int32_t c = m_nZoomFirstColumn; c <= m_nZoomLastColumn; ++c) {
            const int32_t i = c - m_nZoomFirstColumn;
            if (i % every != 0 || c >= context.GetColumnLabelCount()) {
                continue;
            }
            const QGridLabel& grid = context.GetColumnLabel(c);
            const int32_t lx = Truncate(static_cast<float>(gridLeft + (i < 10 ? -3 : -5)) +
                                        static_cast<float>(i) * s + s / 2.0F);
            label(lx, gridTop - 18, grid.m_text, grid.m_marked);
            label(lx, gridBottom + 3, grid.m_text, grid.m_marked);
        }
        for (int32_t r = m_nZoomFirstRow; r <= m_nZoomLastRow; ++r) {
            const int32_t i = r - m_nZoomFirstRow;
            if (i % every != 0 || r >= context.GetRowLabelCount()) {
                continue;
            }
            const QGridLabel& grid = context.GetRowLabel(r);
            const int32_t ly =
                Truncate(static_cast<float>(gridTop - 7) + static_cast<float>(i) * s + s / 2.0F);
            label(gridLeft - 22, ly, grid.m_text, grid.m_marked);
            label(gridRight + 8, ly, grid.m_text, grid.m_marked);
        }
    }
    painter.setFont(large);
    DrawTextInto(painter, QRect(0, m_nMapHeight - 20, m_nMapWidth - ListBesideMapWidth(), 16),
                 Qt::AlignCenter | Qt::TextSingleLine, ScaleCaption());
    painter.end();
    ComposeLayers(false);
    {
        QPainter button(&m_backBuffer);
        DrawFrequencyListToggle(button);
    }
    BlitBackBuffer(out);
}

// --- The redraw driver ---

CScanData* CSpatialView::PickScanData(bool& dropHint) {
    dropHint = false;
    ForgetScanPointers();
    if (m_pMediator == nullptr) {
        return nullptr;
    }
    const QSpatialDisplayOptions* preferences = PreferenceOptions();
    const bool compensate = preferences != nullptr && preferences->IsCompensation();
    switch (m_nDisplayMode) {
    case kModeSpatial:
        m_pSpatialData = m_pMediator->GetCurrentSpatialScanData();
        if (m_pSpatialData != nullptr && compensate) {
            m_pSpatialData->PrepareCompensation();
        }
        m_pScanData = m_pSpatialData;
        break;
    case kModeSpectralSpatial:
    case kModeLinkedSpectralSpatial:
    case kModeHandHeld:
        m_pSSData = m_nDisplayMode == kModeHandHeld ? m_pMediator->GetCurrentHandHeldScanData()
                                                    : m_pMediator->GetCurrentSpectralSpatialScanData();
        if (m_nDisplayMode == kModeHandHeld) {
            m_pHandHeldData = static_cast<CHandHeldProbeScanData*>(m_pSSData);
        }
        if (m_pSSData != nullptr && compensate) {
            m_pSSData->PrepareSpatialCompensation();
        }
        m_pScanData = m_pSSData;
        break;
    case kModeComparison:
    case kModeBlindSpot: {
        const bool comparison = m_nDisplayMode == kModeComparison;
        const int32_t pane = comparison ? m_nComparisonPane : m_nBlindSpotPane;
        // The first compared scan is the reference (upper), the second the test (lower) scan.
        auto* first = dynamic_cast<CSpatialScanData*>(m_pMediator->GetComparedScan(true));
        auto* second = dynamic_cast<CSpatialScanData*>(m_pMediator->GetComparedScan(false));
        if (pane == 2) {
            if (first != nullptr && second != nullptr && m_pMediator->IsComparedResultChanged()) {
                m_pMediator->ClearComparedResultChanged();
                m_pMediator->SetComparedResult(comparison
                                                   ? second->CreateComparisonWith(*first, compensate ? 1 : 0)
                                                   : second->CreateBlindSpotReductionWith(*first));
                m_bRebuild = 1;
            }
            m_pSpatialData = dynamic_cast<CSpatialScanData*>(m_pMediator->GetComparedResult());
        } else {
            dropHint = true;
            // Comparison: pane 0 the test scan, 1 the reference; blind spot: 0 the upper, 1 the lower.
            m_pSpatialData = comparison ? (pane == 0 ? second : first) : (pane == 0 ? first : second);
        }
        if (pane != m_nPaneDrawn) {
            m_bRebuild = 1;
        }
        m_pScanData = m_pSpatialData;
        break;
    }
    default:
        break;
    }
    if (m_pScanData != nullptr) {
        m_pScanData->Prepare();
    }
    return m_pScanData;
}

void CSpatialView::AdoptZoomWindow(CScanData& scan) {
    m_nRowCount = std::clamp<int32_t>(scan.m_Rows, 0, kGridRows);
    m_nColumnCount = std::clamp<int32_t>(scan.m_Columns, 0, kGridColumns);
    const QSpatialDisplayOptions* options = NodeOptions();
    if (options == nullptr || !options->KeepsOwnZoom()) {
        const _ZoomingSpatialRects& stored = scan.m_SpatialZoomWindow;
        const bool sound = stored.m_FirstRow >= 0 && stored.m_FirstRow <= stored.m_LastRow &&
                           stored.m_LastRow < m_nRowCount && stored.m_FirstColumn >= 0 &&
                           stored.m_FirstColumn <= stored.m_LastColumn &&
                           stored.m_LastColumn < m_nColumnCount;
        m_bZoomed = scan.m_SpatialZoomed != 0 && sound ? 1 : 0;
        if (m_bZoomed != 0) {
            m_nZoomFirstRow = stored.m_FirstRow;
            m_nZoomFirstColumn = stored.m_FirstColumn;
            m_nZoomLastRow = stored.m_LastRow;
            m_nZoomLastColumn = stored.m_LastColumn;
        }
    }
    if (m_bZoomed != 0 && (m_nZoomLastRow >= m_nRowCount || m_nZoomLastColumn >= m_nColumnCount)) {
        m_bZoomed = 0;
    }
    m_rowTicks.clear();
    m_columnTicks.clear();
    if (m_bZoomed != 0) {
        m_nShownRows = m_nZoomLastRow - m_nZoomFirstRow + 1;
        m_nShownColumns = m_nZoomLastColumn - m_nZoomFirstColumn + 1;
        for (int32_t v = m_nZoomFirstRow; v <= m_nZoomLastRow && m_rowTicks.size() < 10; v += 5) {
            m_rowTicks.push_back(v);
        }
        for (int32_t v = m_nZoomFirstColumn; v <= m_nZoomLastColumn && m_columnTicks.size() < 10; v += 5) {
            m_columnTicks.push_back(v);
        }
    } else {
        m_nZoomFirstRow = 0;
        m_nZoomFirstColumn = 0;
        m_nZoomLastRow = m_nRowCount - 1;
        m_nZoomLastColumn = m_nColumnCount - 1;
        m_nShownRows = m_nRowCount;
        m_nShownColumns = m_nColumnCount;
        for (int32_t v = 0; v <= 45; v += 5) {
            m_rowTicks.push_back(v);
            m_columnTicks.push_back(v);
        }
    }
    // The scan keeps the window the view shows (a sound one).
    scan.m_SpatialZoomed = m_bZoomed;
    scan.m_SpatialZoomWindow = {m_nZoomFirstRow, m_nZoomFirstColumn, m_nZoomLastRow, m_nZoomLastColumn};
}

void CSpatialView::LayOutMap(const QSize& client) {
    // The open frequency list stands right of the map: the grid keeps clear of it.
    const int32_t width = client.width() - m_nRightMargin - ListBesideMapWidth();
    const int32_t height = client.height() - m_nBottomMargin - m_nTopMargin;
    float cellSize = 0.0F;
    if (m_nShownRows > 0 && m_nShownColumns > 0) {
        cellSize = std::min(static_cast<float>(height - 2 * m_nInnerY) / static_cast<float>(m_nShownRows),
                            static_cast<float>(width - 2 * m_nInnerX) / static_cast<float>(m_nShownColumns));
    }
    if (!std::isfinite(cellSize)) {
        cellSize = 0.0F;
    }
    m_fCellSize = cellSize;
    const int32_t x0 =
        Truncate((static_cast<float>(width) - static_cast<float>(m_nShownColumns) * cellSize) * 0.5F);
    const int32_t y0 =
        Truncate((static_cast<float>(height) - static_cast<float>(m_nShownRows) * cellSize) * 0.5F) +
        m_nTopMargin;
    m_nMapOriginX = x0;
    m_nMapOriginY = y0 - m_nTopMargin;
    m_rcMap = QRect(QPoint(x0, y0), QPoint(x0 + Truncate(static_cast<float>(m_nShownColumns) * cellSize) - 1,
                                           y0 + Truncate(static_cast<float>(m_nShownRows) * cellSize) - 1));
}

void CSpatialView::RedrawView(QImage* target, int32_t kind) {
    ++m_nRedrawCount;
    m_nLastRedrawKind = kind;
    // A report picture is laid out at the export size, whatever the window's.
    const QSize client = m_bReportRender
                             ? QSize(std::max(m_nExportWidth, 300), std::max(m_nExportHeight, 350))
                             : QSize(std::max(width(), 300), std::max(height(), 350));
    if (target == nullptr) {
        if (m_viewImage.size() != client) {
            m_viewImage = QImage(client, QImage::Format_RGB32);
            m_viewImage.fill(ColorRefToQColor(m_crBackground));
        }
        target = &m_viewImage;
    }
    m_nMapWidth = client.width() - m_nRightMargin;
    m_nMapHeight = client.height() - m_nBottomMargin - m_nTopMargin;
    const bool fromPaint = kind == kRedrawPaint && target == &m_viewImage;
    auto show = [this, fromPaint] {
        if (!fromPaint) {
            update();
        }
    };
    if (kind == kRedrawRefresh) {
        // The refresh lays the kept map over the read-out and the zoom band.
        m_readout.shown = false;
        m_rcBand = QRect();
    }
    if (kind == kRedrawRefresh || kind == kRedrawComposed) {
        const int32_t pane = m_nDisplayMode == kModeComparison ? m_nComparisonPane : m_nBlindSpotPane;
        if ((m_nDisplayMode != kModeComparison && m_nDisplayMode != kModeBlindSpot) || pane == m_nPaneDrawn) {
            BlitBackBuffer(*target);
        }
        show();
        return;
    }
    bool dropHint = false;
    CScanData* scan = PickScanData(dropHint);
    if (scan == nullptr) {
        DrawNoDataScreen(*target, dropHint ? kDropHintText : "");
        show();
        return;
    }
    AdoptZoomWindow(*scan);
    m_bShownInterleaved = scan->m_IsZeltData != 0 ? 1 : 0;
    if (m_nRowCount == 0 || m_nColumnCount == 0) {
        DrawNoDataScreen(*target, "");
        show();
        return;
    }
    LayOutMap(client);
    if (!(m_fCellSize > 0.0F)) {
        return;
    }
    if (kind == kRedrawPaint && m_bRebuild == 0 && m_bSizeChanged == 0 && !m_backBuffer.isNull() &&
        !m_bReportRender) {
        QPainter painter(target);
        DrawLegend(painter);
        painter.end();
        BlitBackBuffer(*target);
        show();
        return;
    }
    if (m_b3DShown != 0 && m_p3DView != nullptr) {
        m_p3DView->show();
    }
    // The board drawing's layer is made again before the map is drawn over it.
    const bool overlayPrepared = PrepareOverlay();
    DrawMapLocked(target, m_b3DShown != 0 ? 0 : 1);
    if (overlayPrepared && m_b3DShown != 0 && m_p3DView != nullptr) {
        m_p3DView->GetMessageTarget().Post(C3DSpatialView::kStartTimerMessage);
    }
    m_nPaneDrawn = m_nDisplayMode == kModeComparison ? m_nComparisonPane : m_nBlindSpotPane;
    if (kind == kRedrawPaint) {
        QPainter painter(target);
        DrawLegend(painter);
    }
    if (m_bScanChanged != 0 && m_pFormView != nullptr) {
        m_pFormView->UpdateScaleOptionFields();
    }
    m_bScanChanged = 0;
    m_bNewData = 0;
    show();
}

} // namespace orv
