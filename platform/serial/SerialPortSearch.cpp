#include "platform/serial/SerialPortSearch.h"

#include "platform/registry/SettingsStore.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <libudev.h>
#include <memory>
#include <string_view>

namespace orv {

namespace {

std::atomic<bool> g_systemSearchEnabled{true};

struct UdevDeleter {
    void operator()(udev* context) const { udev_unref(context); }
    void operator()(udev_enumerate* enumeration) const { udev_enumerate_unref(enumeration); }
    void operator()(udev_device* device) const { udev_device_unref(device); }
};

template <typename T> using UdevPtr = std::unique_ptr<T, UdevDeleter>;

std::string_view Text(const char* text) {
    return text == nullptr ? std::string_view() : std::string_view(text);
}

// udev writes its model text with \xNN escapes in ID_MODEL_ENC.
std::string DecodeUdevEscapes(std::string_view encoded) {
    std::string text;
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == '\\' && i + 3 < encoded.size() && encoded[i + 1] == 'x') {
            const std::string hex(encoded.substr(i + 2, 2));
            char* end = nullptr;
            const long value = std::strtol(hex.c_str(), &end, 16);
            if (end == hex.c_str() + 2) {
                text.push_back(static_cast<char>(value));
                i += 3;
                continue;
            }
        }
        text.push_back(encoded[i]);
    }
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return text;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

std::string Describe(udev_device* device, udev_device* parent, std::string_view nodeName) {
    if (StartsWith(nodeName, "ttyACM") || Text(udev_device_get_driver(parent)) == "cdc_acm") {
        return kCdcAcmPortDescription;
    }
    if (const std::string_view model = Text(udev_device_get_property_value(device, "ID_MODEL_FROM_DATABASE"));
        !model.empty()) {
        return std::string(model);
    }
    if (const std::string_view model = Text(udev_device_get_property_value(device, "ID_MODEL_ENC"));
        !model.empty()) {
        return DecodeUdevEscapes(model);
    }
    if (const std::string_view model = Text(udev_device_get_property_value(device, "ID_MODEL"));
        !model.empty()) {
        return std::string(model);
    }
    return std::string(nodeName);
}

void AddSystemPorts(std::vector<SerialPortInfo>& ports) {
    const UdevPtr<udev> context(udev_new());
    if (!context) {
        return;
    }
    const UdevPtr<udev_enumerate> enumeration(udev_enumerate_new(context.get()));
    if (!enumeration || udev_enumerate_add_match_subsystem(enumeration.get(), "tty") < 0 ||
        udev_enumerate_scan_devices(enumeration.get()) < 0) {
        return;
    }
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumeration.get())) {
        const UdevPtr<udev_device> device(
            udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
        if (!device) {
            continue;
        }
        const std::string_view node = Text(udev_device_get_devnode(device.get()));
        const std::string_view nodeName = Text(udev_device_get_sysname(device.get()));
        // Virtual terminals and pseudo-terminals have no parent device: no hardware behind them.
        udev_device* parent = udev_device_get_parent(device.get()); // owned by `device`
        if (node.empty() || parent == nullptr) {
            continue;
        }
        // The on-board UART driver lists every port it could have; a port that is not there has type 0.
        if (StartsWith(nodeName, "ttyS")) {
            const std::string_view type = Text(udev_device_get_sysattr_value(device.get(), "type"));
            if (type.empty() || type == "0") {
                continue;
            }
        }
        SerialPortInfo port;
        port.devicePath = std::string(Text(udev_device_get_syspath(device.get())));
        port.description = Describe(device.get(), parent, nodeName);
        port.friendlyName = port.description + " (" + std::string(nodeName) + ")";
        port.portName = std::string(node);
        ports.push_back(std::move(port));
    }
}

std::string CanonicalOrSame(const std::string& path) {
    std::error_code error;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(path, error);
    return error ? path : canonical.string();
}

void AddSetPorts(std::vector<SerialPortInfo>& ports) {
    SettingsKey key;
    if (SettingsStore::Instance().OpenKey(SettingsRoot::CurrentUser, kSerialPortPathsKey,
                                          SettingsAccess::Read, key) != SettingsStatus::kSuccess) {
        return;
    }
    for (const std::string& name : key.GetSubKeyNames()) {
        SettingsKey portKey;
        if (SettingsStore::Instance().OpenKey(SettingsRoot::CurrentUser,
                                              std::string(kSerialPortPathsKey) + "\\" + name,
                                              SettingsAccess::Read, portKey) != SettingsStatus::kSuccess) {
            continue;
        }
        std::string path;
        std::string description;
        if (portKey.GetString(kSerialPortPathValue, path) != SettingsStatus::kSuccess || path.empty()) {
            continue;
        }
        portKey.GetString(kSerialPortDescriptionValue, description);
        const std::string canonical = CanonicalOrSame(path);
        bool listed = false;
        for (const SerialPortInfo& port : ports) {
            listed = listed || CanonicalOrSame(port.portName) == canonical;
        }
        if (listed) {
            continue;
        }
        SerialPortInfo port;
        port.devicePath = path;
        port.description = description;
        port.friendlyName = description + " (" + std::filesystem::path(path).filename().string() + ")";
        port.portName = path;
        ports.push_back(std::move(port));
    }
}

} // namespace

std::vector<SerialPortInfo> SearchSerialPorts() {
    std::vector<SerialPortInfo> ports;
    if (g_systemSearchEnabled.load()) {
        AddSystemPorts(ports);
    }
    AddSetPorts(ports);
    return ports;
}

void SetSystemSerialPortSearchEnabled(bool enabled) {
    g_systemSearchEnabled.store(enabled);
}

bool IsSystemSerialPortSearchEnabled() {
    return g_systemSearchEnabled.load();
}

} // namespace orv
