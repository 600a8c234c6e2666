#pragma once

#include "views/spatial/CSpatialView.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace orv {

// One sub-cell of a multi-level cell: its value, its colour and whether a point gave it a value.
struct _SubCellValue {
    float m_Frequency = 0.0F; // MHz; spectral/spatial data only
    float m_Amplitude = 0.0F; // display unit
    int16_t m_ColourIndex = 0;
    uint8_t m_HasValue = 0;
};

// One sub-cell of the drawn window: which cell and sub-cell it is and where it lands in the heat-map
// image.
struct _LevelCell {
    uint8_t m_Row = 0;
    uint8_t m_Column = 0;
    uint8_t m_SubRow = 0;
    uint8_t m_SubColumn = 0;
    int16_t m_Left = 0;
    int16_t m_Top = 0;
    int16_t m_Right = 0;
    int16_t m_Bottom = 0;
    int16_t m_CentreX = 0;
    int16_t m_CentreY = 0;
    uint8_t m_CellHasData = 0;
    uint8_t m_InWindow = 0;
};

// The heat map of multi-level scans: each cell split into 2^level x 2^level sub-cells, each with
// its own value and colour, drawn flat or interpolated between sub-cell centres, hit and selected
// sub-cell by sub-cell. Single-level scans it draws as the base view does.
class CSpatialViewZeltp : public CSpatialView {
public:
    static constexpr int32_t kLevels = 8;
    static constexpr int32_t kCurrentLevel = 5;
    static constexpr uint32_t kSubCellLineColour = 0xC8C8C8;
    static constexpr const char* kInterleavedText = ";  Interleaved Scan";
    static constexpr const char* kSpatialInterleavedText = "Spatial Interleaved Scan";
    // The caption of each level (0 to 7).
    static const std::array<const char*, kLevels> kLevelTexts;

    CSpatialViewZeltp(MessageThread& thread, QWidget* parent = nullptr);
    ~CSpatialViewZeltp() override;
    CSpatialViewZeltp(const CSpatialViewZeltp&) = delete;
    CSpatialViewZeltp& operator=(const CSpatialViewZeltp&) = delete;

    void DrawMap(QImage* target, int32_t compose) override;
    void GetSelectedCells(std::vector<CScanPoint>& out) override;
    float HitTestCell(int32_t x, int32_t y, int32_t& row, int32_t& column, float& frequency,
                      int32_t& levelRow, int32_t& levelColumn) override;
    bool SelectCellAt(int32_t x, int32_t y) override;
    int32_t GetCurrentLevel() override { return m_nCurrentLevel; }
    std::string GetLevelText() override;

    // The caption of a scan's levels and passes (empty without a scan).
    static std::string LevelCaption(const CScanData* scan);
    // Sub-cells per cell side for a level byte; 0 for a level outside 0 to 7.
    static int32_t SubDivision(int32_t level);

    using CSpatialView::BuildHeatMapBitmap;
    // Paints the sub-cells of the window (first/last row and column) into `target` at (x, y) with
    // the view's palette; printing leaves the sub-cell lines out. Answers whether something was
    // drawn: nothing while no point was taken in.
    bool BuildHeatMapBitmap(bool print, QImage& target, int32_t x, int32_t y, int32_t level, float cellSize,
                            int32_t firstRow, int32_t lastRow, int32_t firstColumn, int32_t lastColumn);

    // The interpolated hit test over the quads between sub-cell centres; `narrow` first narrows the
    // quads searched (the hit test does for levels above 3). The outputs as HitTestCell's.
    float HitTestQuads(int32_t x, int32_t y, bool narrow, int32_t& row, int32_t& column, float& frequency,
                       int32_t& levelRow, int32_t& levelColumn);

    // --- State the tests and the benchmarks read ---
    // The sub-cells of a cell (null until a point reached it since the last rebuild).
    const _SubCellValue* GetSubCells(int32_t row, int32_t column) const {
        return m_subCells[CellIndex(row, column)].get();
    }
    int32_t GetSubDivision() const { return m_nSubRows; }
    int32_t GetReceivedPointCount() const { return m_nReceivedPoints; }
    float GetMeasuredMinimum() const { return m_fMeasuredMin; }
    float GetMeasuredMaximum() const { return m_fMeasuredMax; }
    bool IsCompensationApplied() const { return m_bCompensationApplied != 0; }
    const _LevelCell* GetLevelCells() const { return m_pLevelCells.get(); }
    int32_t GetLevelRows() const { return m_nLevelRows; }
    int32_t GetLevelColumns() const { return m_nLevelColumns; }
    int32_t GetDrawnRows() const { return m_nDrawnRows; }
    int32_t GetDrawnColumns() const { return m_nDrawnColumns; }
    // The fine position of the table's first record (row, column).
    std::array<int32_t, 2> GetLevelOrigin() const { return {m_nLevelTop, m_nLevelLeft}; }
    float GetSubCellWidth() const { return m_fSubWidth; }

private:
    bool IsMultiLevel() const;
    // The rebuild of the cells and their sub-cells from the scan's points.
    void RebuildLevels(int32_t n);
    void TakeLevelPoints(CSpatialScanData& scan, int32_t n, int unit);
    void TakeComponents(CSpectralSpatialScanData& data, int32_t n, int unit);
    // The cell's sub-cells, made zero-filled on its first point; null when they cannot be made.
    _SubCellValue* SubCellsOf(int32_t row, int32_t column, int32_t n);
    void FreeSubCells();
    // Colours of the cells (the base's rule) and of their sub-cells.
    void MapLevelColours(float bottom, float top);
    void DrawSelectionMarks(int32_t n);
    // The sub-cell (row, column, sub-row, sub-column) of a table record in view coordinates.
    CCellRect SubCellViewRect(const _LevelCell& record, float w, float h) const;
    void PaintPlain(const std::vector<QRgb>& colours, bool lines);
    void PaintInterpolated(const std::vector<QRgb>& colours, bool lines);
    void DrawSubCellLines(const _LevelCell& record);
    void ForgetLevelCells();

    float m_fSubWidth = 0.0F;
    float m_fSubHeight = 0.0F;
    std::unique_ptr<_LevelCell[]> m_pLevelCells;
    size_t m_nLevelCellCount = 0;
    int32_t m_nDrawnRows = 0;
    int32_t m_nDrawnColumns = 0;
    int32_t m_nLevelRows = 0;
    int32_t m_nLevelColumns = 0;
    // The received-point count of the last rebuild.
    int32_t m_nReceivedPoints = 0;
    // Where the table starts on the fine grid, and the level it was built at.
    int32_t m_nLevelTop = 0;
    int32_t m_nLevelLeft = 0;
    int32_t m_nTableLevel = -1;
    // The level of the multi-level scan the last drawing showed (the pointer's events come without
    // the scan); -1 after a single-level one.
    int32_t m_nShownLevel = -1;
    int32_t m_nCurrentLevel = kCurrentLevel;
    std::array<std::unique_ptr<_SubCellValue[]>, static_cast<size_t>(kGridRows* kGridColumns)> m_subCells;
};

} // namespace orv
