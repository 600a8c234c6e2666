#pragma once

// The text export of one stored scan of one scan node: a block of "key: value" header lines that
// describe the scan, the lines that say which export follows and in which unit, then the data. The
// family's members write spectra (QSpectralScanDataExporter) or cells (QSpatialScanDataExporter).
// The export command builds one on its stack for one run; it owns nothing.
//
// Threads: the user-interface thread, where every change of the scan lists happens, so the run
// takes no lock of its own.

#include <cstdint>
#include <string>
#include <string_view>

namespace orv {

class CScanData;
class QExportTextSink;
class QNodeMediator;

// The two compensation switches of the Preferences node's display options: spectral and spatial.
struct QExportCompensationSwitches {
    bool m_Spectral = false;
    bool m_Spatial = false;
};

class QScanDataExporter {
public:
    QScanDataExporter() = default;
    QScanDataExporter(const QScanDataExporter&) = delete;
    QScanDataExporter& operator=(const QScanDataExporter&) = delete;
    virtual ~QScanDataExporter();

    // The lines every export starts with; leaves the data-compensated flag set when the level
    // range could be compensated.
    virtual void WriteCommonHeader(QNodeMediator& mediator, QExportTextSink& sink, int32_t scanID,
                                   uint32_t reserved);
    virtual void WriteKindHeader(QNodeMediator& mediator, QExportTextSink& sink, int32_t scanID,
                                 uint32_t reserved) = 0;
    virtual void WriteData(QNodeMediator& mediator, QExportTextSink& sink, int32_t scanID,
                           uint32_t reserved) = 0;
    // What the run writes for spectral/spatial and hand-held scans.
    virtual void Export(QNodeMediator& mediator, QExportTextSink& sink, int32_t scanID,
                        uint32_t reserved) = 0;

    // The export run: by node kind, Export (2005, 2029) or the common header, the kind header and
    // the data; then the sink is closed, which replaces the chosen file, and the time taken is
    // logged. A failed write throws out of the run (nothing logged, no file replaced).
    void ExportScan(QNodeMediator& mediator, QExportTextSink& sink, int32_t scanID, const std::string& path);

    // Key, ": ", value and a line end; key and value trimmed, the value on one line.
    static void WriteHeaderLine(std::string_view key, std::string_view value, QExportTextSink& sink);

    bool IsDataCompensated() const { return m_bDataCompensated; }

    // The display-side scan of the node's own kind with the ID (prepared), or null.
    static CScanData* FindScan(QNodeMediator& mediator, int32_t scanID);
    static QExportCompensationSwitches ReadCompensationSwitches(QNodeMediator& mediator);

protected:
    bool m_bDataCompensated = false;
    QNodeMediator* m_pMediator = nullptr;
};

} // namespace orv
