#pragma once

// Where the settings pages reach the engine's devices: the main frame's device manager, or the one a
// test puts in its place. The device manager lives as long as the main frame; its operations that a
// page calls take only their own short locks.

#include <functional>

namespace orv {

class CDeviceManager;

// Null while the program has no engine.
CDeviceManager* GetPageDeviceManager();
// Replaces where the pages look (null: the main frame's again).
void SetPageDeviceManagerSource(std::function<CDeviceManager*()> source);

} // namespace orv
