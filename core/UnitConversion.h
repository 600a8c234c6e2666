#pragma once

namespace orv {

// Display units of an amplitude: 0 the stored value (tenths of a dBuV), 1 dBuV, 2 dBm.
inline constexpr int kAmplitudeUnitStored = 0;
inline constexpr int kAmplitudeUnitDbuV = 1;
inline constexpr int kAmplitudeUnitDbm = 2;

// Stored tenths of a dBuV to the display unit, computed in double precision. Any other unit index
// gives the value unchanged.
float ConvertAmplitudeToUnit(float value, int unit);
// The display unit back to stored tenths of a dBuV; any other unit index gives the value unchanged.
float ConvertAmplitudeFromUnit(float value, int unit);

float ConvertGHzToMHz(float value);
float ConvertHzToMHz(float value);

} // namespace orv
