#pragma once

// The export command of a scan node: which scan, the save-file chooser, the wait cursor and the
// export run, with every failure reported to the user and no half file left behind.

#include <cstdint>

namespace orv {

class QNodeMediator;
class QScanDataExporter;

inline constexpr const char* kExportCaption = "Export Scan Data";
inline constexpr const char* kExportFilter = "Orvilant Projects Export File(*.txt)|*.txt|";
inline constexpr const char* kNoScanToExportMessage = "There is no scan data to export.";
inline constexpr const char* kExportFailedMessage = "The scan data could not be exported to this file.";

// The scan an export of `scanID` writes: that ID when the node holds a scan of its kind with it; 0
// names the newest scan of the node's kind. 0 when there is none, or the node's kind has no export
// (a spatial export only for spatial, spectral/spatial and hand-held nodes).
int32_t ResolveExportScanID(QNodeMediator& mediator, int32_t scanID, bool spatial);

// Runs one export: without a scan, the information box and nothing else; else the chooser, and for
// a chosen file the run under one count of the wait cursor. A failed run (file not creatable, a
// write or the close failing, the exporter throwing) shows the warning with the error's text and
// keeps any earlier file. User-interface thread.
void RunScanDataExport(QNodeMediator& mediator, QScanDataExporter& exporter, int32_t scanID, bool spatial);

// Sets the node's export-all-peaks option for the guard's life (also when the export throws).
class QExportAllPeaksGuard {
public:
    explicit QExportAllPeaksGuard(QNodeMediator& mediator);
    ~QExportAllPeaksGuard();
    QExportAllPeaksGuard(const QExportAllPeaksGuard&) = delete;
    QExportAllPeaksGuard& operator=(const QExportAllPeaksGuard&) = delete;

private:
    QNodeMediator& m_mediator;
    bool m_previous = false;
};

} // namespace orv
