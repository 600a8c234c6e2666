#pragma once

#include "core/QAttachedScannerSource.h"

#include <memory>
#include <optional>

namespace orv::fake {

// An attached-scanner source whose answers the test sets. Arm heights: 100 + 10 row + column for
// the highest, 0 stored for cell (0, 0) and 7 elsewhere, while m_armAttached.
class FakeAttachedScanner : public QAttachedScannerSource {
public:
    std::optional<int32_t> GetAttachedScannerId() const override { return m_id; }
    std::optional<float> GetArmDefaultProbeHeight() const override;
    std::optional<int32_t> GetArmMaxHeightForCell(int32_t row, int32_t column) const override;
    std::optional<int32_t> GetArmStoredHeightForCell(int32_t row, int32_t column) const override;
    std::optional<bool> GetAdapterSupportsMotors() const override { return m_adapterMotors; }

    std::optional<int32_t> m_id;
    bool m_armAttached = false;
    std::optional<bool> m_adapterMotors;
};

// Registers a fake source for the scope and always removes it again.
class ScopedAttachedScanner {
public:
    ScopedAttachedScanner();
    ~ScopedAttachedScanner();
    ScopedAttachedScanner(const ScopedAttachedScanner&) = delete;
    ScopedAttachedScanner& operator=(const ScopedAttachedScanner&) = delete;

    FakeAttachedScanner& Source() { return *m_source; }

private:
    std::shared_ptr<FakeAttachedScanner> m_source = std::make_shared<FakeAttachedScanner>();
};

} // namespace orv::fake
