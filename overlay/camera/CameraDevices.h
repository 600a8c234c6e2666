#pragma once

// The video input devices of the machine, in the order the system lists them. A device is known by
// its path ("DevicePath": the Qt camera's id) and shown by its name ("FriendlyName": the camera's
// description); its index is its position in the list.

#include <QString>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QComboBox;

namespace orv {

struct CameraDevice {
    // The id's bytes as they are.
    std::string m_path;
    QString m_name;
};

// Where the list comes from: Qt's video inputs unless a test installed named fakes. Installs the
// lister (empty: Qt's) and returns the previous one. Any thread may list.
using CameraDeviceLister = std::function<std::vector<CameraDevice>()>;
CameraDeviceLister InstallCameraDeviceLister(CameraDeviceLister lister);
std::vector<CameraDevice> ListCameraDevices();

// Appends the path of every device to `paths`.
void EnumerateCameraDevicePaths(std::vector<std::string>& paths);
std::vector<std::string> GetCameraDevicePaths();
// The index of the first device of that path; -1 when none has it.
int32_t FindCameraIndexByPath(const std::string& path);
// Empties the combo box and adds every device's name, each item's data its index in the path list.
void FillCameraComboBox(QComboBox& combo);

} // namespace orv
