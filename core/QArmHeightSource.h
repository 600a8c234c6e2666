#pragma once

#include <cstdint>
#include <optional>

namespace orv {

// What the scanner context asks of the engine's attached scanner driver about the robot arm. Each
// answer is empty when the driver attached at the time of the call is not the robot-arm scanner
// (or none is attached), so the test and the answer cannot fall apart.
class QArmHeightSource {
public:
    // The highest probe height the arm can reach over the cell.
    virtual std::optional<int32_t> GetArmMaxHeightForCell(int32_t row, int32_t column) const = 0;
    // The height stored for the cell.
    virtual std::optional<int32_t> GetArmStoredHeightForCell(int32_t row, int32_t column) const = 0;

protected:
    QArmHeightSource() = default;
    QArmHeightSource(const QArmHeightSource&) = default;
    QArmHeightSource& operator=(const QArmHeightSource&) = default;
    ~QArmHeightSource() = default;
};

} // namespace orv
