#include "overlay/camera/CameraDevices.h"

#include <QCameraDevice>
#include <QComboBox>
#include <QMediaDevices>

#include <mutex>
#include <utility>

namespace orv {
namespace {

std::mutex& ListerMutex() {
    static std::mutex mutex;
    return mutex;
}

CameraDeviceLister& InstalledLister() {
    static CameraDeviceLister lister;
    return lister;
}

std::vector<CameraDevice> ListQtVideoInputs() {
    std::vector<CameraDevice> devices;
    for (const QCameraDevice& input : QMediaDevices::videoInputs()) {
        const QByteArray id = input.id();
        devices.push_back({std::string(id.constData(), static_cast<size_t>(id.size())), input.description()});
    }
    return devices;
}

} // namespace

CameraDeviceLister InstallCameraDeviceLister(CameraDeviceLister lister) {
    const std::lock_guard<std::mutex> lock(ListerMutex());
    return std::exchange(InstalledLister(), std::move(lister));
}

std::vector<CameraDevice> ListCameraDevices() {
    CameraDeviceLister lister;
    {
        const std::lock_guard<std::mutex> lock(ListerMutex());
        lister = InstalledLister();
    }
    return lister ? lister() : ListQtVideoInputs();
}

void EnumerateCameraDevicePaths(std::vector<std::string>& paths) {
    for (CameraDevice& device : ListCameraDevices()) {
        paths.push_back(std::move(device.m_path));
    }
}

std::vector<std::string> GetCameraDevicePaths() {
    std::vector<std::string> paths;
    EnumerateCameraDevicePaths(paths);
    return paths;
}

int32_t FindCameraIndexByPath(const std::string& path) {
    const std::vector<CameraDevice> devices = ListCameraDevices();
    for (size_t i = 0; i < devices.size(); ++i) {
        if (devices[i].m_path == path) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

void FillCameraComboBox(QComboBox& combo) {
    combo.clear();
    const std::vector<CameraDevice> devices = ListCameraDevices();
    for (size_t i = 0; i < devices.size(); ++i) {
        combo.addItem(devices[i].m_name, QVariant(static_cast<int>(i)));
    }
}

} // namespace orv
