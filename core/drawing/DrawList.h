#pragma once

#include "core/drawing/DrawPrimitives.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

namespace orv {

// Owns a list of drawing primitives through its head. Moving hands the whole list over (an importer
// hands its drawing to the caller this way); destruction ends every primitive through its virtual
// destructor, walking the next links without recursion, so drawings of millions of primitives are
// fine.
//
// The primitives live in blocks owned by the list rather than one allocation each: copying a drawing
// (every turned drawing is a copy) makes and frees tens of thousands of them at a time. A primitive of
// a list is therefore never deleted on its own; it goes with its list.
class DrawList {
public:
    DrawList() = default;
    DrawList(const DrawList&) = delete;
    DrawList& operator=(const DrawList&) = delete;
    DrawList(DrawList&& other) noexcept;
    DrawList& operator=(DrawList&& other) noexcept;
    ~DrawList();

    DrawBase_t* Head() const { return m_head; }
    DrawBase_t* Tail() const { return m_tail; }
    bool IsEmpty() const { return m_head == nullptr; }

    // Makes a primitive of class T with the given kind at the end of the list, linked both ways.
    template <typename T> T* Append(int32_t kind) {
        static_assert(alignof(T) <= alignof(std::max_align_t));
        auto* made = new (Allocate(sizeof(T))) T(m_tail);
        made->m_kind = kind;
        if (m_tail == nullptr) {
            m_head = made;
        } else {
            m_tail->m_next = made;
        }
        m_tail = made;
        return made;
    }

    // Unlinks and ends the last primitive (its bytes stay with the list until it is cleared).
    void DropTail() noexcept;

    // Ends every primitive and gives back the blocks.
    void Clear() noexcept;

private:
    static constexpr size_t kAlignment = alignof(std::max_align_t);
    static constexpr size_t kFirstBlockBytes = 1024;
    static constexpr size_t kLargestBlockBytes = 64 * 1024;

    void* Allocate(size_t bytes) {
        bytes = (bytes + kAlignment - 1) & ~(kAlignment - 1);
        if (bytes > m_left) {
            NewBlock(bytes);
        }
        void* place = m_cursor;
        m_cursor += bytes;
        m_left -= bytes;
        return place;
    }
    void NewBlock(size_t atLeast);

    DrawBase_t* m_head = nullptr;
    DrawBase_t* m_tail = nullptr;
    std::vector<std::unique_ptr<std::byte[]>> m_blocks;
    std::byte* m_cursor = nullptr;
    size_t m_left = 0;
    size_t m_nextBlockBytes = kFirstBlockBytes;
};

} // namespace orv
