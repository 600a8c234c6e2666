#pragma once

#include "core/QOptions.h"
#include "core/QProbePatternRecord.h"
#include "core/QProbeScanPattern.h"
#include "core/TypeIds.h"

#include <cstdint>
#include <optional>

namespace orv {

// Gives a node its probe pattern: its own, or the one of the ancestor it follows, with the
// measurement height and the hand-held probe camera settings. A node has two: the first built with
// kind code 1, the second with 0.
class QProbeScanPatternOptions : public QOptions {
public:
    static constexpr uint32_t kReservedBytes = 100;
    static constexpr float kDefaultMeasurementHeight = 100.0F;

    // An empty pattern.
    explicit QProbeScanPatternOptions(uint32_t kindCode);
    // A rows x columns pattern with every probe on at height 100.
    QProbeScanPatternOptions(uint32_t kindCode, uint16_t rows, uint16_t columns);

    uint32_t GetKindCode() const { return m_kindCode; }
    const QProbeScanPattern& GetPattern() const { return m_pattern; }
    bool IsOwnPattern() const { return m_ownPattern != 0; }
    float GetMeasurementHeight() const { return m_measurementHeight; }
    void SetMeasurementHeight(float height) { m_measurementHeight = height; }
    bool IsProbeCameraTracking() const { return m_cameraTracking != 0; }
    int32_t GetTrackingCameraIndex() const { return m_cameraIndex; }

    // The pattern in force. With lookup false, or an own pattern, or on the Preferences and Project
    // nodes: the own pattern. Otherwise the ancestor's when its grid has the own grid's size; on a size
    // mismatch the node turns to its own pattern for good.
    QProbeScanPattern GetEffectivePattern(bool lookup);
    // Stores the pattern and makes it the node's own.
    void SetPattern(const QProbeScanPattern& pattern);
    // 0 turns back to following the ancestor and adopts its pattern at once.
    void SetOwnPattern(bool own);
    QProbePatternRecord GetPatternAndHeight() const;
    // Copies kind code, pattern, own flag and height; not the camera settings, header or owner.
    void CopyFrom(const QProbeScanPatternOptions& other);
    void SetProbeCameraTracking(bool on) { m_cameraTracking = on ? 1 : 0; }
    void SetTrackingCameraIndex(int32_t index) { m_cameraIndex = index; }

    // Follows the ancestor again and adopts its pattern.
    void SyncFromNode() override;
    bool IsShared() const override { return true; }

    // The ancestor's pattern record: the governing walk that also stops at a Spectral Spatial
    // Scripting node, then the ancestor's first or second pattern options by the kind code.
    std::optional<QProbePatternRecord> FindAncestorRecord() const;

    void WriteBody(QDataWriter& writer) const override;
    // A failed read leaves the object as it was.
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeProbeScanPatternOptions; }
    // The pattern's body size + 9 (the reserved block is not counted).
    uint32_t GetBodySize() const override { return m_pattern.GetBodySize() + 9; }

private:
    // Takes the ancestor's grids when the node follows it; a size mismatch makes the pattern its own.
    void AdoptAncestorPattern();
    bool OwnerKeepsOwnPattern() const;

    uint32_t m_kindCode;
    QProbeScanPattern m_pattern;
    uint8_t m_ownPattern = 1;
    float m_measurementHeight = kDefaultMeasurementHeight;
    uint8_t m_cameraTracking = 0;
    int32_t m_cameraIndex = -1;
};

} // namespace orv
