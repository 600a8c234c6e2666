#pragma once

#include <array>
#include <cstdint>

namespace orv {

// One point of a scan converted for display: frequency (MHz), amplitude in the display unit, the
// four words of the scan record (the first two the row and column of the probe cell that gave the
// value) and two words the variants use (the overlay keeps the point's source index in the last).
struct TracePoint {
    float m_Frequency = 0.0F;
    float m_Amplitude = 0.0F;
    std::array<uint16_t, 4> m_Words{};
    int32_t m_Word = 0;
    int32_t m_SourceIndex = 0;
};

} // namespace orv
