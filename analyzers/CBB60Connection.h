#pragma once

// The connection to a Signal Hound BB60 through the maker's device library, loaded at run time
// (platform/vendor). Without the library, or with one that lacks a function, it never connects and
// says nothing: a machine without the device sees no change. It holds the library for as long as it
// lives, and the driver bound to it holds it too.

#include "analyzers/AnalyzerScanSetup.h"
#include "analyzers/CSAConnection.h"
#include "platform/vendor/BbApi.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace orv {

class CBB60Connection : public CSAConnection {
public:
    static constexpr int32_t kMaxDevices = vendor::kBbMaxDevices;
    static constexpr const char* kUncalibratedWarning =
        "Warning: The BB60 device in use is not calibrated. You should contact SignalHound.";

    using LibraryLoader = std::function<std::shared_ptr<const vendor::BbApiLibrary>()>;

    // Loads the configured bb_api library.
    CBB60Connection();
    // Loads through `loader` (tests: a function table of their own, or none).
    explicit CBB60Connection(const LibraryLoader& loader);
    // Closes the open device.
    ~CBB60Connection() override;

    // "SignalHound,BB60%c,%i,0": C for a non-zero serial in use, else A, then the serial.
    std::string QueryIdentity() override;
    bool CheckStatus() override { return false; }
    // Opens the first listed device that opens; false when none is attached or none opens.
    bool DetectAndConnect() override;

    // The set-up whose stop token answers the uncalibrated warning (null: none).
    void SetScanSetup(const AnalyzerScanSetup* setup) { m_scanSetup = setup; }

    bool IsLibraryLoaded() const { return m_library != nullptr; }
    std::shared_ptr<const vendor::BbApiLibrary> GetLibrary() const { return m_library; }
    bool IsOpen() const { return m_open; }
    int32_t GetDeviceHandle() const { return m_deviceHandle; }
    int32_t GetSerialInUse() const { return m_serialInUse; }
    int32_t GetDeviceCount() const { return m_deviceCount; }

    // The warning is shown once per run; tests start a new run.
    static void ResetRunWarnings();

private:
    std::shared_ptr<const vendor::BbApiLibrary> m_library;
    int32_t m_deviceCount = 0;
    int32_t m_serialInUse = -1;
    int32_t m_deviceHandle = -1;
    bool m_open = false;
    const AnalyzerScanSetup* m_scanSetup = nullptr;
};

} // namespace orv
