#pragma once

// The lists the scan settings pages share: the resolution bandwidths (MHz) and the scan resolution
// levels, each with the text the lists show.

#include <array>
#include <cstdint>

namespace orv {

struct RbwEntry {
    const char* text;
    float megahertz;
};

struct LevelEntry {
    const char* text;
    float level;
};

inline constexpr std::array<RbwEntry, 15> kRbwTable{{
    {"30 Hz", 0.00003F},
    {"100 Hz", 0.0001F},
    {"300 Hz", 0.0003F},
    {"1 KHz", 0.001F},
    {"3 KHz", 0.003F},
    {"9 KHz", 0.009F},
    {"10 KHz", 0.01F},
    {"30 KHz", 0.03F},
    {"100 KHz", 0.1F},
    {"120 KHz", 0.12F},
    {"300 KHz", 0.3F},
    {"1 MHz", 1.0F},
    {"3 MHz", 3.0F},
    {"5 MHz", 5.0F},
    {"10 MHz", 10.0F},
}};

// Each level halves the cell pitch of the one before.
inline constexpr std::array<LevelEntry, 8> kLevelTable{{
    {"Level 1 - 7.50 mm", 0.0F},
    {"Level 2 - 3.75 mm", 1.0F},
    {"Level 3 - 1.875 mm", 2.0F},
    {"Level 4 - 0.937 mm", 3.0F},
    {"Level 5 - 0.469 mm", 4.0F},
    {"Level 6 - 0.234 mm", 5.0F},
    {"Level 7 - 0.117 mm", 6.0F},
    {"Level 8 - 0.058 mm", 7.0F},
}};

// The index of the last entry whose bandwidth equals `megahertz` exactly; -1 when none does.
int FindRbwEntry(float megahertz);
// The frequency arrows' step: the bandwidth listed at `index`, else the node's own bandwidth.
float RbwStep(int index, float ownBandwidth);
// The reference level after one arrow step: up by 1 (delta below 1), or down by 1 but never below 0;
// a level already below 0 stays where it is.
double NextReferenceLevel(double level, int delta);

} // namespace orv
