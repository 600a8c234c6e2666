#pragma once

#include "core/QProbeScanPattern.h"

#include <cstdint>

namespace orv {

// What an ancestor's pattern options hand back: a copy of the pattern and the measurement height.
struct QProbePatternRecord {
    QProbeScanPattern m_pattern;
    uint32_t m_flag = 1;
    float m_height = 100.0F;
};

} // namespace orv
