#pragma once

// The pictures, icons and sounds compiled into the program (resources/orvilant.qrc).

#include <QIcon>

namespace orv {

// Registers the compiled-in resources once; every user of a resource path calls it first, which
// also keeps the linker from dropping them out of the static library.
void EnsureAppResources();

// The program's icon with all its sizes (the application, the project windows and the information
// window show it).
QIcon ProgramIcon();

inline constexpr const char* kSplashPicture = ":/bitmaps/splash.png";
inline constexpr const char* kIconMoveUp = ":/icons/arrow_up.png"; // buttons of kinds 0 and 3
// The program's icon at its sizes, the pattern taking the size in pixels.
inline constexpr const char* kProgramIconPattern = ":/icons/orvilant-%1.png";
inline constexpr int kProgramIconSizes[] = {16, 32, 48, 64};
// The main window's tool-bar pictures: one strip per tool bar, a 16 x 16 picture per command.
inline constexpr const char* kToolBarStripPattern = ":/toolbars/%1.png";
inline constexpr int kToolBarPictureSize = 16;
inline constexpr const char* kIconMoveDown = ":/icons/arrow_down.png"; // buttons of kind 4
// The program's sounds: the devices connected, a set-up sent or acknowledged (375), a scan ended (376).
inline constexpr const char* kSoundDeviceConnect = ":/sounds/device_connect.wav";
inline constexpr const char* kSoundSetup = ":/sounds/setup.wav";
inline constexpr const char* kSoundScanEnd = ":/sounds/scan_end.wav";

} // namespace orv
