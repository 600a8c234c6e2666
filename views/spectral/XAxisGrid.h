#pragma once

#include <cstdint>

namespace orv {

// One grid line of a logarithmic frequency axis: its frequency (MHz), a word, and a flag that is 1
// for the evenly spaced lines of a narrow range.
struct _XAxisGrid {
    float m_Frequency = 0.0F;
    uint32_t m_Word = 0;
    uint8_t m_Even = 0;
};

} // namespace orv
