#include "dialogs/ScanPageTables.h"

#include <algorithm>

#include <cstddef>

namespace orv {

int FindRbwEntry(float megahertz) {
    int found = -1;
    for (std::size_t i = 0; i < kRbwTable.size(); ++i) {
        // The stored value is compared as stored: an entry is found only when the bits agree.
        if (kRbwTable[i].megahertz == megahertz) {
            found = static_cast<int>(i);
        }
    }
    return found;
}

float RbwStep(int index, float ownBandwidth) {
    return index >= 0 && index < static_cast<int>(kRbwTable.size())
               ? kRbwTable[static_cast<std::size_t>(index)].megahertz
               : ownBandwidth;
}

double NextReferenceLevel(double level, int delta) {
    if (delta < 1) {
        return level + 1.0;
    }
    return level - 1.0 < 0.0 ? std::min(level, 0.0) : level - 1.0;
}

} // namespace orv
