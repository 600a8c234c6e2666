#pragma once

#include <cstdint>

namespace orv {

// Where the tip of one probe model sits relative to the marker printed on it. Lengths share one
// unit and the marker side is the ruler: the tip is at centre + (A ex + B ey) / S, ex and ey being
// the marker's sides along its own x and y axes as seen in the picture.
struct ProbeMarkerModel {
    int32_t m_family; // 1: the probes' own printed family, 2: AprilTag 16h5
    int32_t m_id;     // marker id, 0 to 5
    const char* m_name;
    float m_side;   // S
    float m_alongX; // A
    float m_alongY; // B
};

// Ids at or above this are not probes and are never followed.
constexpr int32_t kProbeMarkerIdCount = 6;

// The row of a family and id; nullptr for any other pair.
const ProbeMarkerModel* FindProbeMarkerModel(int32_t family, int32_t id);

// Every row, family 1 first, ids in order.
const ProbeMarkerModel* ProbeMarkerModels(int32_t& count);

} // namespace orv
