#include "dialogs/ScanPageTables.h"

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

} // namespace orv
