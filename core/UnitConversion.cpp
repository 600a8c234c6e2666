#include "core/UnitConversion.h"

namespace orv {

float ConvertAmplitudeToUnit(float value, int unit) {
    const double stored = value;
    switch (unit) {
    case kAmplitudeUnitDbuV:
        return static_cast<float>(stored / 10.0);
    case kAmplitudeUnitDbm:
        return static_cast<float>(stored / 10.0 - 107.0);
    default:
        return value;
    }
}

float ConvertAmplitudeFromUnit(float value, int unit) {
    const double shown = value;
    switch (unit) {
    case kAmplitudeUnitDbuV:
        return static_cast<float>(shown * 10.0);
    case kAmplitudeUnitDbm:
        return static_cast<float>((shown + 107.0) * 10.0);
    default:
        return value;
    }
}

float ConvertGHzToMHz(float value) {
    return value * 1000.0F;
}

float ConvertHzToMHz(float value) {
    return value / 1000000.0F;
}

} // namespace orv
