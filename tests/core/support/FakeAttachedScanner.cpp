#include "tests/core/support/FakeAttachedScanner.h"

namespace orv::fake {

std::optional<float> FakeAttachedScanner::GetArmDefaultProbeHeight() const {
    return m_armAttached ? std::optional<float>(110.0F) : std::nullopt;
}

std::optional<int32_t> FakeAttachedScanner::GetArmMaxHeightForCell(int32_t row, int32_t column) const {
    return m_armAttached ? std::optional<int32_t>(100 + row * 10 + column) : std::nullopt;
}

std::optional<int32_t> FakeAttachedScanner::GetArmStoredHeightForCell(int32_t row, int32_t column) const {
    if (!m_armAttached) {
        return std::nullopt;
    }
    return row == 0 && column == 0 ? 0 : 7;
}

ScopedAttachedScanner::ScopedAttachedScanner() {
    SetAttachedScannerSource(m_source);
}

ScopedAttachedScanner::~ScopedAttachedScanner() {
    SetAttachedScannerSource(nullptr);
}

} // namespace orv::fake
