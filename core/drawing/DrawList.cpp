#include "core/drawing/DrawList.h"

#include <algorithm>
#include <utility>

namespace orv {

DrawList::DrawList(DrawList&& other) noexcept
    : m_head(std::exchange(other.m_head, nullptr)), m_tail(std::exchange(other.m_tail, nullptr)),
      m_blocks(std::move(other.m_blocks)), m_cursor(std::exchange(other.m_cursor, nullptr)),
      m_left(std::exchange(other.m_left, 0)),
      m_nextBlockBytes(std::exchange(other.m_nextBlockBytes, kFirstBlockBytes)) {
    other.m_blocks.clear();
}

DrawList& DrawList::operator=(DrawList&& other) noexcept {
    if (&other != this) {
        Clear();
        m_head = std::exchange(other.m_head, nullptr);
        m_tail = std::exchange(other.m_tail, nullptr);
        m_blocks = std::move(other.m_blocks);
        other.m_blocks.clear();
        m_cursor = std::exchange(other.m_cursor, nullptr);
        m_left = std::exchange(other.m_left, 0);
        m_nextBlockBytes = std::exchange(other.m_nextBlockBytes, kFirstBlockBytes);
    }
    return *this;
}

DrawList::~DrawList() {
    Clear();
}

void DrawList::Clear() noexcept {
    DrawBase_t* current = std::exchange(m_head, nullptr);
    m_tail = nullptr;
    while (current != nullptr) {
        DrawBase_t* next = current->m_next;
        current->~DrawBase_t();
        current = next;
    }
    m_blocks.clear();
    m_cursor = nullptr;
    m_left = 0;
    m_nextBlockBytes = kFirstBlockBytes;
}

void DrawList::DropTail() noexcept {
    DrawBase_t* last = m_tail;
    if (last == nullptr) {
        return;
    }
    m_tail = last->m_previous;
    if (m_tail == nullptr) {
        m_head = nullptr;
    } else {
        m_tail->m_next = nullptr;
    }
    last->~DrawBase_t();
}

void DrawList::NewBlock(size_t atLeast) {
    const size_t bytes = std::max(atLeast, m_nextBlockBytes);
    // Room for the block's pointer first, so that a failed allocation leaves the list as it was.
    if (m_blocks.size() == m_blocks.capacity()) {
        m_blocks.reserve(std::max<size_t>(8, 2 * m_blocks.capacity()));
    }
    m_blocks.push_back(std::make_unique_for_overwrite<std::byte[]>(bytes));
    m_cursor = m_blocks.back().get();
    m_left = bytes;
    m_nextBlockBytes = std::min(m_nextBlockBytes * 2, kLargestBlockBytes);
}

} // namespace orv
