#pragma once

#include "project/QScanDataExporter.h"

#include <cstdint>

namespace orv {

class CSpatialScanData;
class CSpectralSpatialScanData;

// The spatial export: after the common header, the unit, "ExportType: Spatial", the grid size and
// whether the scan is interleaved, then one line per grid cell (or per sub-cell of a selected cell
// for multi-level data). Spectral/spatial and hand-held scans are written in the fixed-header
// field-data form instead: per frequency point every selected cell, or for multi-level data every
// sub-cell within the selected cells' bounding rectangle.
//
// Every grid is bounded by what the scan holds: records outside it are skipped (and counted in one
// log line), sub-cells no record filled are written as 0, and a multi-level scan whose level lies
// outside 0..7 fails the export with a QException.
class QSpatialScanDataExporter : public QScanDataExporter {
public:
    // The finest sub-cell level a scan record carries.
    static constexpr int kMaxSubCellLevel = 7;

    void WriteKindHeader(QNodeMediator& mediator, QExportTextSink& sink, int32_t scanID,
                         uint32_t reserved) override;
    void WriteData(QNodeMediator& mediator, QExportTextSink& sink, int32_t scanID,
                   uint32_t reserved) override;
    // The field-data export (spectral/spatial and hand-held nodes only).
    void Export(QNodeMediator& mediator, QExportTextSink& sink, int32_t scanID, uint32_t reserved) override;

private:
    void WriteCellLines(QNodeMediator& mediator, QExportTextSink& sink, CSpatialScanData& scan);
    void WriteSubCellLines(QNodeMediator& mediator, QExportTextSink& sink, CSpatialScanData& scan);
    void WriteFieldData(QNodeMediator& mediator, QExportTextSink& sink, CSpectralSpatialScanData& scan);
    void WriteSubCellFieldData(QNodeMediator& mediator, QExportTextSink& sink,
                               CSpectralSpatialScanData& scan);
};

} // namespace orv
