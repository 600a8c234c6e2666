#include "core/QFrequencyBucketList.h"

namespace orv {

QFrequencyBucketList::QFrequencyBucketList() : m_cursor(m_buckets.end()) {}

QFrequencyBucketList::QFrequencyBucketList(const QFrequencyBucketList& other)
    : QSerializable(), m_buckets(other.m_buckets), m_cursor(m_buckets.end()) {}

QFrequencyBucketList& QFrequencyBucketList::operator=(const QFrequencyBucketList& other) {
    Assign(other);
    return *this;
}

QFrequencyBucketList::~QFrequencyBucketList() = default;

void QFrequencyBucketList::Assign(const QFrequencyBucketList& other) {
    if (&other == this) {
        return;
    }
    m_buckets = other.m_buckets;
    m_cursor = m_buckets.end();
}

void QFrequencyBucketList::Clear() {
    m_buckets.clear();
    m_cursor = m_buckets.end();
}

void QFrequencyBucketList::Insert(uint32_t bucket) {
    m_buckets.insert(bucket);
}

void QFrequencyBucketList::MoveFirst() {
    m_cursor = m_buckets.begin();
}

bool QFrequencyBucketList::HasNext() const {
    return m_cursor != m_buckets.end();
}

uint32_t QFrequencyBucketList::GetNext() {
    if (m_cursor == m_buckets.end()) {
        return 0;
    }
    return *m_cursor++;
}

void QFrequencyBucketList::WriteBody(QDataWriter& writer) const {
    writer.WriteU32(static_cast<uint32_t>(m_buckets.size()));
    for (const uint32_t bucket : m_buckets) {
        writer.WriteU32(bucket);
    }
}

void QFrequencyBucketList::ReadBody(QDataReader& reader) {
    const uint32_t count = reader.ReadU32();
    reader.RequireRemaining(uint64_t{4} * count);
    std::set<uint32_t> buckets;
    for (uint32_t i = 0; i < count; ++i) {
        buckets.insert(reader.ReadU32());
    }
    m_buckets.swap(buckets);
    m_cursor = m_buckets.end();
}

uint32_t QFrequencyBucketList::GetBodySize() const {
    return 4 + 4 * static_cast<uint32_t>(m_buckets.size());
}

} // namespace orv
