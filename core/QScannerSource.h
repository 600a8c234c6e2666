#pragma once

#include <cstdint>
#include <optional>

namespace orv {

// What option code asks of the engine's device manager: the id of the scanner driver it has
// attached (the driver's GetScannerID), if any. The engine side installs its source while it runs.
class QScannerSource {
public:
    QScannerSource() = default;
    QScannerSource(const QScannerSource&) = delete;
    QScannerSource& operator=(const QScannerSource&) = delete;
    virtual ~QScannerSource();

    // Empty when no scanner is attached.
    virtual std::optional<int32_t> GetAttachedScannerId() const = 0;
};

// The process's source; null (no device manager, hence no attached scanner) until one is set. The
// source must outlive its installation: clear it before destroying it.
void SetScannerSource(QScannerSource* source);
QScannerSource* GetScannerSource();

// The attached scanner's id, or empty without a source or without an attached scanner.
std::optional<int32_t> GetAttachedScannerId();

} // namespace orv
