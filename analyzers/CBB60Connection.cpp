#include "analyzers/CBB60Connection.h"

#include "platform/CLocale.h"
#include "platform/log/InformationLog.h"
#include "platform/ui/Prompt.h"

#include <algorithm>
#include <atomic>

namespace orv {

namespace {

std::atomic<bool> g_uncalibratedWarned{false};

} // namespace

CBB60Connection::CBB60Connection() : CBB60Connection(LibraryLoader(&vendor::LoadBbApiLibrary)) {}

CBB60Connection::CBB60Connection(const LibraryLoader& loader) : m_library(loader ? loader() : nullptr) {}

CBB60Connection::~CBB60Connection() {
    if (m_open && m_library != nullptr) {
        m_library->Get().bbCloseDevice(m_deviceHandle);
    }
}

void CBB60Connection::ResetRunWarnings() {
    g_uncalibratedWarned.store(false);
}

std::string CBB60Connection::QueryIdentity() {
    return FormatC("SignalHound,BB60%c,%i,0", m_serialInUse != 0 ? 'C' : 'A', m_serialInUse);
}

bool CBB60Connection::DetectAndConnect() {
    if (m_library == nullptr || m_open) {
        return m_open;
    }
    const vendor::BbApiFunctions& bb = m_library->Get();
    // The library writes at most its eight serials; a larger count it reports is cut to them.
    std::array<int32_t, kMaxDevices> serials{};
    int32_t count = 0;
    const int32_t status = bb.bbGetSerialNumberList(serials.data(), &count);
    m_deviceCount = status < 0 ? 0 : std::clamp(count, 0, kMaxDevices);
    for (int32_t i = 0; i < m_deviceCount; ++i) {
        int32_t handle = -1;
        const int32_t opened = bb.bbOpenDeviceBySerialNumber(&handle, serials[static_cast<size_t>(i)]);
        // Any error leaves no valid handle, not only the one the library names for a failed open.
        if (opened < 0) {
            AddInformationMessage(1, "Failed to open BB60 device.");
            continue;
        }
        if (opened == vendor::kBbUncalibratedDevice) {
            AddInformationMessage(1, "BB60 device is uncalibrated! Contact SignalHound.");
            if (!g_uncalibratedWarned.exchange(true)) {
                const std::stop_token stop =
                    m_scanSetup != nullptr ? m_scanSetup->GetScanStopToken() : std::stop_token();
                ShowPrompt({kUncalibratedWarning, "", PromptButtons::Ok, PromptIcon::Warning}, stop,
                           PromptAnswer::Ok);
            }
        }
        m_serialInUse = serials[static_cast<size_t>(i)];
        m_deviceHandle = handle;
        m_open = true;
        return true;
    }
    return false;
}

} // namespace orv
