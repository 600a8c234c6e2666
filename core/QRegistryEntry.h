#pragma once

#include <cstdint>
#include <string>

namespace orv {

// One value of a device-list key as an (id, text) pair: the catalogues are filled from lists of them.
struct QRegistryEntry {
    int32_t m_id = 0;
    std::string m_text;

    bool operator==(const QRegistryEntry&) const = default;
};

} // namespace orv
