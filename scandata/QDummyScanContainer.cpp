#include "scandata/QDummyScanContainer.h"

namespace orv {

void QDummyScanContainer::GetLevelRange(float* low, float* high, const QProbeScanPattern* /*pattern*/,
                                        const QFrequencyBucketList* /*selection*/) {
    if (low != nullptr) {
        *low = 100.0F;
    }
    if (high != nullptr) {
        *high = 1000.0F;
    }
}

} // namespace orv
