#include "project/QStorageBuffer.h"

namespace orv {

QStorageBuffer::QStorageBuffer(uint32_t capacity)
    : m_capacity(capacity), m_bytes(std::make_unique_for_overwrite<uint8_t[]>(capacity)) {}

QStorageBuffer::~QStorageBuffer() = default;

} // namespace orv
