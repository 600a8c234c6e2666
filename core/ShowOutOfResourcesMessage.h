#pragma once

namespace orv {

// Warns that memory ran short while scan data was handled (through the installed prompt).
void ShowOutOfResourcesMessage();

} // namespace orv
