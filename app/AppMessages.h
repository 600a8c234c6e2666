#pragma once

#include <cstdint>

// Numbers of the private messages that the windows of the application post to themselves or to
// their parents. The numbers are those their handlers dispatch on.
namespace orv::AppMessage {

inline constexpr uint32_t kStoreSplitRatio = 10024; // a splitter stores its ratio after a drag
inline constexpr uint32_t kReorderScanData = 10039; // lParam 1: move up, 2: move down
// The notification box lays itself out again after notices were added (from any thread).
inline constexpr uint32_t kRelayoutNotification = 10101;
// Shows a box of a prompt that another thread asked for (payload: the request).
inline constexpr uint32_t kShowPrompt = 10100;

} // namespace orv::AppMessage
