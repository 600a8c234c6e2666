#pragma once

#include <cstdint>

// Numbers of the private messages that a node mediator posts or sends to its views, their frames
// and the project window. The numbers are those the views and frames dispatch on.
namespace orv::NodeMessage {

inline constexpr uint32_t kClose = 16; // close the frame (the window-close message)
inline constexpr uint32_t kShowSpectralScan = 10010;
inline constexpr uint32_t kShowSpatialScan = 10011;
inline constexpr uint32_t kShowSpectralSpatialScan = 10012; // wParam: scan ID
inline constexpr uint32_t kShowHandHeldScan = 10013;        // wParam: scan ID
inline constexpr uint32_t kRefreshSpectral = 10014;
inline constexpr uint32_t kRefreshSpatial = 10015; // lParam 1: the view shows a spectral/spatial scan
inline constexpr uint32_t kRefreshSpectralSpatial = 10016;
inline constexpr uint32_t kRefreshHandHeld = 10017;
inline constexpr uint32_t kProjectModified = 10018;
inline constexpr uint32_t kRelayoutFrame = 10023; // wParam 1 or -1
inline constexpr uint32_t kRefreshSpatialComparison = 10031;
inline constexpr uint32_t kRefreshSpectralComparison = 10032;
inline constexpr uint32_t kRefreshSpectralOverlay = 10033;
inline constexpr uint32_t kRefreshBlindSpotReduction = 10034;
inline constexpr uint32_t kShowScripting = 10035;
// A spectral/spatial frame shows the scan linked to its spectral view.
inline constexpr uint32_t kShowLinkedSpectralSpatial = 10042;

// wParam -1 as the 64-bit word a message carries.
inline constexpr uint64_t kMinusOne = ~uint64_t{0};

} // namespace orv::NodeMessage
