#include "analyzers/CTekRSAConnection.h"

#include "platform/CLocale.h"
#include "platform/log/InformationLog.h"
#include "platform/ui/Prompt.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>

namespace orv {

namespace {

std::atomic<bool> g_communicationErrorShown{false};
std::atomic<bool> g_slowPortShown{false};
std::atomic<bool> g_oldFirmwareShown{false};

// A text the library filled, read no further than its array even without a terminator.
template <size_t N> std::string BoundedText(const char (&text)[N]) {
    return std::string(text, strnlen(text, N));
}

} // namespace

CTekRSAConnection::CTekRSAConnection() : CTekRSAConnection(LibraryLoader(&vendor::LoadRsaApiLibrary)) {}

CTekRSAConnection::CTekRSAConnection(const LibraryLoader& loader) : m_library(loader ? loader() : nullptr) {}

CTekRSAConnection::~CTekRSAConnection() {
    if (m_connected && m_library != nullptr) {
        m_library->Get().DEVICE_Disconnect();
    }
}

void CTekRSAConnection::ResetRunWarnings() {
    g_communicationErrorShown.store(false);
    g_slowPortShown.store(false);
    g_oldFirmwareShown.store(false);
}

std::string CTekRSAConnection::QueryIdentity() {
    return FormatC("Tektronix,tektronix_sa_%i,%s,0", 500, m_deviceSerial.c_str());
}

void CTekRSAConnection::TellRefusal(int32_t status, const std::string& type,
                                    const std::string& serial) const {
    std::string text;
    std::atomic<bool>* shown = nullptr;
    switch (status) {
    case vendor::kRsaCommunicationError:
        text = FormatC("There was an error communicating with the %s (Serial: %s)", type.c_str(),
                       serial.c_str());
        shown = &g_communicationErrorShown;
        break;
    case vendor::kRsaUsbPortTooSlow:
        text = FormatC("The USB port used to connect to the %s is not fast enough to support it. Please try "
                       "another port.",
                       type.c_str());
        shown = &g_slowPortShown;
        break;
    case vendor::kRsaFirmwareOutOfDate:
        text = FormatC("The firmware is out of date on the %s (%s)", type.c_str(), serial.c_str());
        shown = &g_oldFirmwareShown;
        break;
    default:
        return;
    }
    AddInformationMessage(1, text);
    if (!shown->exchange(true)) {
        const std::stop_token stop =
            m_scanSetup != nullptr ? m_scanSetup->GetScanStopToken() : std::stop_token();
        ShowPrompt({text, "", PromptButtons::Ok, PromptIcon::Error}, stop, PromptAnswer::Ok);
    }
}

bool CTekRSAConnection::DetectAndConnect() {
    if (m_library == nullptr || m_connected) {
        return m_connected;
    }
    const vendor::RsaApiFunctions& rsa = m_library->Get();
    int32_t count = 0;
    std::array<int32_t, vendor::kRsaMaxDevices> ids{};
    char serials[vendor::kRsaMaxDevices][vendor::kRsaSerialLength] = {};
    char types[vendor::kRsaMaxDevices][vendor::kRsaTypeLength] = {};
    const int32_t status = rsa.DEVICE_Search(&count, ids.data(), serials, types);
    if (status != vendor::kRsaNoError) {
        return false;
    }
    count = std::clamp(count, 0, vendor::kRsaMaxDevices);
    for (int32_t i = 0; i < count; ++i) {
        const auto index = static_cast<size_t>(i);
        const std::string type = BoundedText(types[index]);
        const std::string serial = BoundedText(serials[index]);
        const int32_t connected = rsa.DEVICE_Connect(ids[index]);
        if (connected == vendor::kRsaNoError) {
            m_deviceId = ids[index];
            m_deviceType = type;
            m_deviceSerial = serial;
            m_connected = true;
            return true;
        }
        TellRefusal(connected, type, serial);
    }
    return false;
}

} // namespace orv
