#pragma once

#include <cstdint>
#include <memory>
#include <optional>

namespace orv {

// What the model asks of the scanner driver that the engine has attached. The engine's device
// manager answers it (a long-lived object, not the driver, which it replaces on a reconnect), so
// every answer is about the driver attached at the time of the call; each is empty when no scanner
// is attached or the attached one is not the kind the question is about (the robot arm, the
// external adapter).
class QAttachedScannerSource {
public:
    QAttachedScannerSource() = default;
    QAttachedScannerSource(const QAttachedScannerSource&) = delete;
    QAttachedScannerSource& operator=(const QAttachedScannerSource&) = delete;
    virtual ~QAttachedScannerSource();

    // The attached driver's scanner id.
    virtual std::optional<int32_t> GetAttachedScannerId() const = 0;
    // The robot arm's default probe height.
    virtual std::optional<float> GetArmDefaultProbeHeight() const = 0;
    // The highest probe height the arm can reach over the cell.
    virtual std::optional<int32_t> GetArmMaxHeightForCell(int32_t row, int32_t column) const = 0;
    // The height the arm has stored for the cell.
    virtual std::optional<int32_t> GetArmStoredHeightForCell(int32_t row, int32_t column) const = 0;
    // Whether the external adapter turns the probe by its own motors.
    virtual std::optional<bool> GetAdapterSupportsMotors() const = 0;
};

// The process's one source (empty removes it). A caller holds the source it took for the length of
// its call, so replacing or removing the source never frees it under a caller on another thread.
void SetAttachedScannerSource(std::shared_ptr<const QAttachedScannerSource> source);
std::shared_ptr<const QAttachedScannerSource> GetAttachedScannerSource();

// The registered source's answers; empty without a source.
std::optional<int32_t> GetAttachedScannerId();
std::optional<float> GetArmDefaultProbeHeight();
// False unless an external adapter with motors is attached.
bool AttachedAdapterSupportsMotors();

} // namespace orv
