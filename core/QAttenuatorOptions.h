#pragma once

#include "core/QOptions.h"
#include "core/TypeIds.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace orv {

// The table of 16-bit values that travels with an attenuator value. Shared, never owned by one
// options object: copies and synchronised nodes hand the same table on.
using QAttenuatorValueTable = std::shared_ptr<const std::vector<uint16_t>>;

// The attenuator value in force, as handed to the scan code.
struct QAttenuatorValueRecord {
    uint8_t m_flag = 1;
    int32_t m_valueInt = 0;
    QAttenuatorValueTable m_valueTable;
    float m_value = 0.0F;
};

// The attenuator setting of a node: its own value or its parent's, and the attenuator switches.
class QAttenuatorOptions : public QOptions {
public:
    static constexpr int32_t kExtensionMarker = -100;
    static constexpr uint32_t kReservedBytes = 120;
    static constexpr uint32_t kReportedBodySize = 9;
    // The layout byte the body always writes: the fields after it follow.
    static constexpr uint8_t kFullLayout = 1;

    QAttenuatorOptions() = default;

    // The truncation of a stored value to an integer, clamped into the 32-bit range (NaN gives 0).
    static int32_t TruncateValue(float value);

    // The own value with its truncation and table.
    QAttenuatorValueRecord GetValueRecord() const;
    // Sets the own value, its truncation and the table handed on with it.
    void SetValue(float value, QAttenuatorValueTable table = nullptr);

    // The value, its truncation, the own-value flag, the table and the first six bytes.
    void CopyFrom(const QAttenuatorOptions& other);
    // Follows the parent: takes the parent's value (the own value on the Preferences and Project
    // nodes) and the parent's switches. Without a parent every value stays as it is.
    void SyncFromNode() override;
    bool IsShared() const override { return true; }

    void WriteBody(QDataWriter& writer) const override;
    // A body without the marker is an older one: nothing is read and every field stays. A failed
    // read leaves the object as it was.
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeAttenuatorOptions; }
    uint32_t GetBodySize() const override { return kReportedBodySize; }

    uint8_t m_ownValue = 1;
    int32_t m_valueInt = 0;
    QAttenuatorValueTable m_valueTable;
    float m_value = 0.0F;
    uint8_t m_byte1 = 1;
    uint8_t m_byte2 = 0;
    uint8_t m_byte3 = 0;
    uint8_t m_byte4 = 0;
    uint8_t m_byte5 = 0;
    uint8_t m_byte6 = 0;
    uint8_t m_byte7 = 1;
    uint16_t m_word = 0;
    float m_factor = 0.0F;
};

} // namespace orv
