#pragma once

// The external adapter as the model and the about box see it: copies the engine's device manager
// publishes after the adapter connected and after each static-IP write, read from any thread, so no
// other thread ever touches the driver. Empty while the attached scanner is not the adapter.

#include <cstdint>
#include <optional>
#include <string>

namespace orv {

struct AttachedAdapterInfo {
    bool motorsSupported = false;
    std::string host; // empty: reached over a serial port
    uint16_t port = 0;
    bool useStaticIp = false;
    std::string staticIp;
    std::string subnetMask;
};

void PublishAttachedAdapter(std::optional<AttachedAdapterInfo> adapter);
std::optional<AttachedAdapterInfo> GetAttachedAdapter();

} // namespace orv
