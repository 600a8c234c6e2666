#pragma once

// The connection to a Tektronix RSA through the maker's device library, loaded at run time
// (platform/vendor). The library keeps the connected device as its own state. Without the library,
// or with one that lacks a function, it never connects and says nothing. It holds the library for as
// long as it lives, and the driver bound to it holds it too.

#include "analyzers/AnalyzerScanSetup.h"
#include "analyzers/CSAConnection.h"
#include "platform/vendor/RsaApi.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace orv {

class CTekRSAConnection : public CSAConnection {
public:
    using LibraryLoader = std::function<std::shared_ptr<const vendor::RsaApiLibrary>()>;

    CTekRSAConnection();
    explicit CTekRSAConnection(const LibraryLoader& loader);
    // Disconnects the connected device.
    ~CTekRSAConnection() override;

    // "Tektronix,tektronix_sa_500,<serial>,0".
    std::string QueryIdentity() override;
    bool CheckStatus() override { return true; }
    // Connects the first found device that connects; the reasons others refused are told to the
    // user, each kind once per run.
    bool DetectAndConnect() override;

    void SetScanSetup(const AnalyzerScanSetup* setup) { m_scanSetup = setup; }

    bool IsLibraryLoaded() const { return m_library != nullptr; }
    std::shared_ptr<const vendor::RsaApiLibrary> GetLibrary() const { return m_library; }
    bool IsConnected() const { return m_connected; }
    int32_t GetDeviceId() const { return m_deviceId; }
    const std::string& GetDeviceType() const { return m_deviceType; }
    const std::string& GetDeviceSerial() const { return m_deviceSerial; }

    // Each kind of refusal is shown once per run; tests start a new run.
    static void ResetRunWarnings();

private:
    void TellRefusal(int32_t status, const std::string& type, const std::string& serial) const;

    std::shared_ptr<const vendor::RsaApiLibrary> m_library;
    bool m_connected = false;
    int32_t m_deviceId = -1;
    std::string m_deviceType;
    std::string m_deviceSerial;
    const AnalyzerScanSetup* m_scanSetup = nullptr;
};

} // namespace orv
