#pragma once

#include "core/QOptions.h"
#include "core/TypeIds.h"

#include <cstdint>
#include <optional>

namespace orv {

// The spatial drawing settings in force for a node once the inherited ones are resolved.
struct QSpatialDisplayRecord {
    uint32_t m_modeA = 0;
    uint8_t m_modeB = 0;
    float m_rangeLow = 0.0F;
    float m_rangeHigh = 0.0F;
    int32_t m_offset = 0;
    uint8_t m_flag1 = 0;
    uint8_t m_flag2 = 0;
    uint8_t m_flag6 = 0;
    uint8_t m_flag7 = 0;
    uint8_t m_flag11 = 0;
    uint8_t m_flag12 = 0;
    uint8_t m_ownOffset = 0;
    uint8_t m_ownFlag1 = 0;
    uint8_t m_flag5 = 0;
    uint8_t m_ownFlag6 = 0;
    uint8_t m_ownFlag7 = 0;
    uint8_t m_flag18 = 0;
    uint8_t m_flag19 = 0;
    uint8_t m_flag20 = 0;
    uint8_t m_flag8 = 0;

    bool operator==(const QSpatialDisplayRecord& other) const = default;
};

// An automatic level range as one node's container gives it, with the level (tenths) above which
// its heat map was taken as compensated, when the range was computed with one.
struct QAutomaticLevelRange {
    float m_low = 0.0F;
    float m_high = 0.0F;
    std::optional<float> m_compensationLevel;
};

// How a node's heat maps are drawn: modes, level range, offset and switches. A node may use its own
// offset and four of its flags or inherit them from the nearest ancestor (the m_own... flags);
// GetEffectiveSettings resolves them. The spatial views and their pages read and edit the fields
// directly.
class QSpatialDisplayOptions : public QOptions {
public:
    static constexpr uint32_t kReservedBytes = 100;
    static constexpr uint32_t kStoredBodySize = 129;
    static constexpr uint32_t kReportedBodySize = 28;
    // How far up the tree the inheritance reaches before the topmost node counts as the root.
    static constexpr int kMaxAncestorLevels = 50;

    QSpatialDisplayOptions() = default;

    // The settings in force. The range: the own range when mode B is 0 and m_flag12 is set, the
    // ancestor's with mode B 0 otherwise. With mode B not 0 (an automatic range) the level range is
    // the owner's scan container's, which these options cannot compute: the record then carries the
    // stored range and the caller that holds the container asks it for the levels.
    QSpatialDisplayRecord GetEffectiveSettings() const;
    // The two range values of GetEffectiveSettings.
    void GetRange(float& low, float& high) const;

    // The settings in force with every automatic range that they depend on read from its node's
    // container (see ComputeAutomaticRange). Nothing application-wide is read for it or written.
    // Call it with no node lock held: it takes one node's lock at a time.
    QSpatialDisplayRecord GetEffectiveSettings(float compensationThreshold) const;
    void GetRange(float& low, float& high, float compensationThreshold) const;
    // The automatic range of the owner's container, or nothing when the owner offers no container.
    // compensationThreshold is the dB value of the owner's mediator. For a Spatial scan node the
    // level above which cells count as compensated is max(stored low, n) + the threshold in tenths
    // (truncated), n being the noise floor of a Spectral/Spatial or Handheld Probe parent (0 for
    // other parents): the parent's lock is taken and given back before the owner's is taken. The
    // range is restricted to the spectral view's frequency buckets when the spatial view's first
    // value is 1.
    std::optional<QAutomaticLevelRange> ComputeAutomaticRange(float compensationThreshold) const;
    bool IsAutomaticRange() const { return m_modeB != 0; }
    // The settings as they stand on this node alone, nothing inherited.
    QSpatialDisplayRecord GetOwnSettings() const;

    // The five words and the twenty flags except m_flag8 and m_ownFlag2; not the header or owner.
    void CopyFrom(const QSpatialDisplayOptions& other);
    // Turns the node to inherit its offset and flags 2, 6 and 7 (flag 1 is pinned to the value in
    // force), then takes the governing node's modes, range and shared flags.
    void SyncFromNode() override;
    bool IsShared() const override { return true; }

    void WriteBody(QDataWriter& writer) const override;
    // A stored high range of 0.0 reads as 100.0 to 1000.0; "Use Same View Setting" always reads as
    // 0. Checks the whole body is there before taking anything.
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeSpatialDisplayOptions; }
    uint32_t GetBodySize() const override { return kReportedBodySize; }

    // What the fields mean to the spatial views, the side panel and the preference page; one table
    // for all readers. The inherited switches are read as in force (resolved up the tree).
    // Stored per node: the palette id, the amplitude unit (1 dBuV, any other value dBm), the zoom
    // kept by the node's own views and the compensation switch (read from the Preferences node's).
    int32_t GetPaletteId() const { return m_offset; }
    uint32_t GetAmplitudeUnit() const { return m_modeA; }
    bool IsAutoScale() const { return m_modeB != 0; }
    bool UsesNodeSettings() const { return m_useSameViewSetting != 0; }
    void SetUsesNodeSettings(bool on) { m_useSameViewSetting = on ? 1 : 0; }
    bool KeepsOwnZoom() const { return m_flag4 != 0; }
    bool IsCompensation() const { return m_flag8 != 0; }
    void SetCompensation(bool on) { m_flag8 = on ? 1 : 0; }
    void SetPaletteId(int32_t id) { m_offset = id; }
    // Inherited unless the node keeps its own: cell lines, interpolation, the overlay shown and
    // blended into the map.
    bool ShowsCellLines() const { return GetEffectiveSettings().m_flag1 != 0; }
    bool Interpolates() const { return GetEffectiveSettings().m_flag2 != 0; }
    bool ShowsOverlay() const { return GetEffectiveSettings().m_flag6 != 0; }
    bool BlendsOverlay() const { return GetEffectiveSettings().m_flag7 != 0; }
    // The side panel's switches: each is then the node's own, no longer inherited.
    void SetShowsCellLines(bool on) {
        m_flag1 = on ? 1 : 0;
        m_ownFlag1 = 1;
    }
    void SetInterpolates(bool on) {
        m_flag2 = on ? 1 : 0;
        m_ownFlag2 = 1;
    }
    void SetShowsOverlay(bool on) {
        m_flag6 = on ? 1 : 0;
        m_ownFlag6 = 1;
    }
    void SetBlendsOverlay(bool on) {
        m_flag7 = on ? 1 : 0;
        m_ownFlag7 = 1;
    }
    // The sub-cell lines of multi-level maps (synchronised from the governing node like the unit).
    bool ShowsSubGridLines() const { return m_flag3 != 0; }
    void SetShowsSubGridLines(bool on) { m_flag3 = on ? 1 : 0; }
    void SetAmplitudeUnit(uint32_t unit) { m_modeA = unit; }
    void SetAutoScale(bool on) { m_modeB = on ? 1 : 0; }
    // A fixed range of the node's own (no longer the ancestor's).
    void SetRange(float low, float high) {
        m_rangeLow = low;
        m_rangeHigh = high;
        m_flag12 = 1;
    }
    // Synchronised from the governing node: the scanner's own labels on the map's axes.
    bool UsesScannerLabels() const { return m_flag5 != 0; }
    void SetUsesScannerLabels(bool on) { m_flag5 = on ? 1 : 0; }

    uint32_t m_modeA = 1;
    uint8_t m_modeB = 1;
    float m_rangeLow = 100.0F;
    float m_rangeHigh = 1000.0F;
    int32_t m_offset = -10;
    uint8_t m_flag1 = 1;
    uint8_t m_flag2 = 0;
    uint8_t m_flag3 = 1;
    uint8_t m_flag4 = 0;
    uint8_t m_flag5 = 0;
    uint8_t m_flag6 = 1;
    uint8_t m_flag7 = 1;
    uint8_t m_flag8 = 0;
    uint8_t m_flag9 = 1;
    uint8_t m_useSameViewSetting = 0;
    uint8_t m_flag11 = 1;
    uint8_t m_flag12 = 1;
    uint8_t m_ownOffset = 1;
    uint8_t m_ownFlag1 = 1;
    uint8_t m_ownFlag2 = 1;
    uint8_t m_ownFlag6 = 1;
    uint8_t m_ownFlag7 = 1;
    uint8_t m_flag18 = 1;
    uint8_t m_flag19 = 1;
    uint8_t m_flag20 = 1;

private:
    // The effective settings of the parent node's spatial display options, reaching up the tree;
    // this node's own settings when it has no usable parent.
    // With a threshold, the automatic ranges that the result takes are computed; without, the
    // stored ranges stand in for them.
    QSpatialDisplayRecord GetAncestorSettings(const float* compensationThreshold = nullptr) const;
    // This node's settings resolved against an ancestor record.
    QSpatialDisplayRecord Resolve(const QSpatialDisplayRecord& ancestor) const;
    // Resolve, with the node's automatic range in place of its stored one when a threshold is given.
    QSpatialDisplayRecord ResolveLevel(const QSpatialDisplayRecord& ancestor,
                                       const float* compensationThreshold) const;
    // Whether the node's range is its ancestor's.
    bool TakesAncestorRange() const { return m_modeB == 0 && m_flag12 == 0; }
};

} // namespace orv
