#pragma once

// The pictures and icons compiled into the program (resources/orvilant.qrc).
namespace orv {

// Registers the compiled-in resources once; every user of a resource path calls it first, which
// also keeps the linker from dropping them out of the static library.
void EnsureAppResources();

inline constexpr const char* kSplashPicture = ":/bitmaps/splash.png";
inline constexpr const char* kIconMoveUp = ":/icons/arrow_up.png";         // buttons of kinds 0 and 3
inline constexpr const char* kIconInformation = ":/icons/information.png"; // the information window
inline constexpr const char* kIconMoveDown = ":/icons/arrow_down.png";     // buttons of kind 4

} // namespace orv
