#pragma once

// The pictures, icons and sounds compiled into the program (resources/orvilant.qrc).
namespace orv {

// Registers the compiled-in resources once; every user of a resource path calls it first, which
// also keeps the linker from dropping them out of the static library.
void EnsureAppResources();

inline constexpr const char* kSplashPicture = ":/bitmaps/splash.png";
inline constexpr const char* kIconMoveUp = ":/icons/arrow_up.png";         // buttons of kinds 0 and 3
inline constexpr const char* kIconInformation = ":/icons/information.png"; // the information window
inline constexpr const char* kIconMoveDown = ":/icons/arrow_down.png";     // buttons of kind 4
// The program's sounds: the devices connected, a set-up sent or acknowledged (375), a scan ended (376).
inline constexpr const char* kSoundDeviceConnect = ":/sounds/device_connect.wav";
inline constexpr const char* kSoundSetup = ":/sounds/setup.wav";
inline constexpr const char* kSoundScanEnd = ":/sounds/scan_end.wav";

} // namespace orv
