#pragma once

// Where the VISA layer takes its lists from. Each list comes from the environment when the variable
// is set (tests use this), else from the user's settings, else from the built-in default:
//   vendor libraries   $ORV_VISA_LIBRARIES, else the user value "Libraries" of the key
//                      "Software\QZV Technologies\Orvilant\VISA"; entries separated by ';'
//   SOCKET resources   $ORV_VISA_RESOURCES, else the user value "SocketResources" of that key;
//                      entries separated by ';', for example
//                      "TCPIP0::192.168.1.20::5025::SOCKET;TCPIP0::fsv.lab::5025::SOCKET"
// An empty variable or value gives an empty list.

#include <string>
#include <vector>

namespace orv::visa {

inline constexpr const char* kVisaSettingsKey = "Software\\QZV Technologies\\Orvilant\\VISA";

// The shared libraries tried, in order, when the program asks for the VISA library.
std::vector<std::string> GetVisaLibraryNames();
// The SOCKET resources the built-in layer's search lists.
std::vector<std::string> GetConfiguredSocketResources();

} // namespace orv::visa
