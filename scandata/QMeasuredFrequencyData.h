#pragma once

#include "core/QPacket.h"
#include "core/TypeIds.h"

#include <cstdint>
#include <vector>

namespace orv {

// The frequency axis of a spectrum whose points are not evenly spaced: breakpoints of (point index,
// frequency) in ascending point index. Points between breakpoints are interpolated linearly.
class QMeasuredFrequencyData : public QDataPacket {
public:
    struct Entry {
        uint32_t m_Index = 0;
        float m_Frequency = 0.0f;
    };

    void WriteBody(QDataWriter& writer) const override;
    // A count beyond the bytes that remain throws before anything is allocated; a failed read leaves
    // the table as it was.
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeMeasuredFrequencyData; }
    uint32_t GetBodySize() const override { return 4 + 8 * m_EntryCount; }
    bool DeliverToHandler(QDataPacketHandler* /*target*/) override { return false; }

    // Replaces the entries by n zeroed ones (none for 0).
    virtual void SetEntryCount(uint32_t n);
    virtual void Clear();
    virtual uint32_t GetEntryCount() const { return m_EntryCount; }
    // Out-of-range entries read as 0 and are not written.
    virtual float GetEntryFrequency(uint32_t k) const;
    virtual void SetEntryFrequency(uint32_t k, float frequency);
    virtual uint32_t GetEntryIndex(uint32_t k) const;

    void SetEntryIndex(uint32_t k, uint32_t index);
    // Clears the flag byte, then SetEntryCount(n).
    void Reset(uint32_t n);
    // Sets how many of the allocated entries are in use, without reallocating; never more than are
    // allocated, so the count can never reach past the entries.
    void SetEntryCountField(uint32_t n);
    uint32_t GetAllocatedEntryCount() const { return static_cast<uint32_t>(m_Entries.size()); }
    uint8_t GetFlag() const { return m_Flag; }
    void SetFlag(uint8_t flag) { m_Flag = flag; }

private:
    uint8_t m_Flag = 0;
    uint32_t m_EntryCount = 0;
    std::vector<Entry> m_Entries;
};

} // namespace orv
