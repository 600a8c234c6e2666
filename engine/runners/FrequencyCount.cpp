#include "engine/runners/FrequencyCount.h"

namespace orv {

int32_t GetFrequencyCount(int8_t level) {
    if (level < 1 || level > 8) {
        return 1;
    }
    return int32_t{1} << (2 * (level - 1));
}

} // namespace orv
