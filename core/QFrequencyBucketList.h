#pragma once

#include "core/QSerializable.h"
#include "core/TypeIds.h"

#include <cstdint>
#include <set>

namespace orv {

// The frequency points of a spectral/spatial scan that a view or node has picked, ascending and
// each at most once. The cursor walks them; it never survives a change of the whole set (copy,
// Assign, Clear, reading), so a walk cannot run on over a list that was replaced under it.
class QFrequencyBucketList : public QSerializable {
public:
    QFrequencyBucketList();
    QFrequencyBucketList(const QFrequencyBucketList& other);
    QFrequencyBucketList& operator=(const QFrequencyBucketList& other);
    ~QFrequencyBucketList() override;

    // Copies the set, not the serialisation header, and puts the cursor at the end.
    void Assign(const QFrequencyBucketList& other);
    void Clear();
    void Insert(uint32_t bucket);
    bool IsEmpty() const { return m_buckets.empty(); }
    uint32_t GetCount() const { return static_cast<uint32_t>(m_buckets.size()); }
    const std::set<uint32_t>& GetBuckets() const { return m_buckets; }

    void MoveFirst();
    bool HasNext() const;
    // Only meaningful while HasNext is true; at the end it answers 0 and stays there.
    uint32_t GetNext();

    void WriteBody(QDataWriter& writer) const override;
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeFrequencyBucketList; }
    uint32_t GetBodySize() const override;

    bool operator==(const QFrequencyBucketList& other) const { return m_buckets == other.m_buckets; }

private:
    std::set<uint32_t> m_buckets;
    // Always an iterator of this object's own set: copying sets it anew (moves are copies).
    std::set<uint32_t>::const_iterator m_cursor;
};

} // namespace orv
