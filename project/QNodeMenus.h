#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orv {

// The items the project tree's context menu shows for a node kind: the identifiers of the menu's
// item members, appended in menu order to the caller's list (never cleared, never de-duplicated).
// A kind without items appends nothing.
enum class QNodeMenu : uint8_t { TopLevel, Add, View, Run };

void AppendNodeMenuItems(uint16_t kind, QNodeMenu menu, std::vector<std::string>& items);

} // namespace orv
