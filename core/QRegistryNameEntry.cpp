#include "core/QRegistryNameEntry.h"

namespace orv {

QRegistryNameEntry::~QRegistryNameEntry() {
    std::unique_ptr<QRegistryNameEntry> rest = std::move(m_next);
    while (rest) {
        // Detach the next link before `rest` is replaced, so each entry dies with an empty chain.
        std::unique_ptr<QRegistryNameEntry> next = std::move(rest->m_next);
        rest = std::move(next);
    }
}

} // namespace orv
