#pragma once

// The shared-library names tried, in order, for each maker's device library:
//   Signal Hound bb_api   $ORV_BB_API_LIBRARIES, else the machine value "bb_api" of the key
//                         "Software\QZV Technologies\Orvilant\Device Libraries", else "libbb_api.so"
//   Tektronix RSA_API     $ORV_RSA_API_LIBRARIES, else the machine value "RSA_API" of that key,
//                         else "libRSA_API.so"
// Entries are separated by ';'. An empty variable or value gives an empty list (no library).

#include <string>
#include <vector>

namespace orv::vendor {

inline constexpr const char* kDeviceLibrariesKey = "Software\\QZV Technologies\\Orvilant\\Device Libraries";

std::vector<std::string> GetBbApiLibraryNames();
std::vector<std::string> GetRsaApiLibraryNames();

} // namespace orv::vendor
