#pragma once

#include "project/QScanDataExporter.h"

namespace orv {

class CSpectralScanData;
class CSpectralSpatialScanData;

// The spectral export: after the common header, the amplitude unit and "ExportType: Spectral",
// then one line per frequency point (or per entry of the peak list while the node's export of all
// peaks runs). Spectral/spatial and hand-held scans export their max-hold spectrum, or for
// multi-level data the strongest sub-cell at each frequency.
class QSpectralScanDataExporter : public QScanDataExporter {
public:
    void WriteKindHeader(QNodeMediator& mediator, QExportTextSink& sink, int32_t scanID,
                         uint32_t reserved) override;
    void WriteData(QNodeMediator& mediator, QExportTextSink& sink, int32_t scanID,
                   uint32_t reserved) override;
    // The common header, the kind header and the data, in this order.
    void Export(QNodeMediator& mediator, QExportTextSink& sink, int32_t scanID, uint32_t reserved) override;

private:
    void WriteSpectralLines(QNodeMediator& mediator, QExportTextSink& sink, CSpectralScanData& scan,
                            bool allPeaks);
    void WriteCellSpectrumLines(QNodeMediator& mediator, QExportTextSink& sink,
                                CSpectralSpatialScanData& scan, bool allPeaks);
    void WriteSubCellLines(QNodeMediator& mediator, QExportTextSink& sink, CSpectralSpatialScanData& scan);

    QNodeMediator* m_pKindHeaderMediator = nullptr;
};

} // namespace orv
