#pragma once

// The scanner behind the external adapter ("ExAdapter"), reached over TCP on the local network or
// through a USB serial port. Every exchange is one framed request and one framed reply whose first
// payload byte echoes the command letter. Connect finds the adapter itself: first by a broadcast on
// the local networks, then by asking every USB serial port.
//
// A failed write or read means the link is gone: the operation fails and a reconnect is needed. A
// reply with another letter, or too short for the fields it should carry, fails the operation only.
// The scan's stop, fired while an operation runs, ends the read it waits in within a poll of the link
// (LinkStop); the reply may still come, so the link is opened anew before the engine's next command.
// Numbers that do not fit their field are never sent truncated: the operation fails unsent.

#include "engine/scanners/CScanner.h"
#include "engine/scanners/ScannerSetup.h"
#include "engine/scanners/adapter/CAdapterFrame.h"
#include "engine/scanners/adapter/CAdapterSerialEngine.h"
#include "engine/scanners/adapter/CAdapterTCPEngine.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace orv {

// A command's three log lines: write failed, read failed, wrong reply.
struct AdapterCommandTexts;

class CExScannerBoard : public CScanner {
public:
    using SetupSource = std::function<ScannerSetup()>;

    enum Transport : int32_t { kTransportTcp = 0, kTransportSerial = 1, kTransportNone = 2 };

    static constexpr uint16_t kDefaultTcpPort = 9760;
    static constexpr uint32_t kDefaultSerialSpeed = 115200;
    static constexpr const char* kSettingsKey = "SOFTWARE\\QZV Technologies\\ExAdapter";
    static constexpr const char* kBaudrateValue = "USBBaudrate";
    static constexpr int kMaxPolls = 3000;
    // A reply frame must come whole within this many of the link's byte time-outs, however its
    // bytes trickle.
    static constexpr uint32_t kFrameDeadlineByteTimeouts = 4;
    // The pattern upload's length byte counts the pattern and itself within the 255-byte payload.
    static constexpr std::size_t kMaxPatternLength = 253;
    static constexpr std::size_t kMaxSwitchPattern = 50;
    static constexpr std::size_t kStaticTextLength = 16;
    static constexpr uint32_t kSearchWriteTimeoutMs = 350;

    CExScannerBoard();
    ~CExScannerBoard() override;

    // The set-up the commands read; without one, an empty set-up with the default poll interval.
    void SetSetupSource(SetupSource source) { m_setupSource = std::move(source); }

    bool Connect() override;
    bool Disconnect() override;
    bool Reconnect() override;
    bool BeginScan() override;
    bool EndScan() override;
    uint8_t GetSwitchMode() const override;
    void SetSwitchMode(uint8_t mode) override;
    bool SwitchToCellTimed(int32_t value) override;
    bool SwitchToCell() override;
    bool ReadScannerType() override;
    bool WriteScannerType() override;
    bool Trigger(int16_t a, uint8_t b, uint8_t c, int16_t d) override;
    bool StartingSwitch(int32_t x) override;
    bool FullSwitchAndTrigger(int32_t a, int32_t b, bool sendPattern) override;
    bool PartialSwitchAndTrigger(int32_t a, int32_t b, int32_t c, bool sendPattern) override;
    bool TriggerAndSwitches() override;
    bool WriteScannerSize() override;
    bool ReadAdaptorEID() override;
    bool ReadFirmwareVersion() override;
    void SetProbeHeight(uint16_t height) override;
    bool SupportsMotors() const override;

    // Writes the adapter's use-static-IP flag ("E"), then, for flag 1, the address and subnet mask
    // texts ("C", at most 15 characters each).
    bool WriteStaticIPSettings(uint8_t useStaticIp, const std::string& address,
                               const std::string& subnetMask);

    int32_t GetTransportSelector() const { return m_transport; }
    const std::string& GetAdapterAddress() const { return m_address; }
    uint16_t GetAdapterPort() const { return m_port; }
    const std::string& GetSerialPortName() const { return m_serialPortName; }
    uint32_t GetSerialSpeed() const { return m_serialSpeed; }
    bool UsesStaticIP() const { return m_useStaticIp; }
    const std::string& GetStaticIP() const { return m_staticIp; }
    const std::string& GetStaticSubnetMask() const { return m_staticMask; }

private:
    ScannerSetup CurrentSetup() const;
    CAdapterTransport* ActiveTransport();
    bool WriteFrame(std::span<const uint8_t> payload);
    bool ReadFrame(CAdapterFrame& reply);
    // One request and its reply: the letter echoed and at least `replyLength` payload bytes.
    bool Exchange(std::span<const uint8_t> payload, const AdapterCommandTexts& texts, std::size_t replyLength,
                  CAdapterFrame& reply);
    bool Exchange(std::span<const uint8_t> payload, const AdapterCommandTexts& texts);
    bool SearchSerialAdapter();
    bool UploadPattern();
    // Sends a switch command and polls until the adapter reports it done.
    bool SendAndPoll(std::span<const uint8_t> payload, const char* writeText, const char* readText);
    void ReadAdapterSettings();

    CAdapterSerialEngine m_serial;
    CAdapterTCPEngine m_tcp;
    SetupSource m_setupSource;
    int32_t m_transport = kTransportTcp;
    std::string m_serialPortName;
    uint32_t m_serialSpeed = kDefaultSerialSpeed;
    std::string m_address;
    uint16_t m_port = kDefaultTcpPort;
    bool m_motorsSupported = false;
    std::string m_staticIp;
    std::string m_staticMask;
    bool m_useStaticIp = false;
};

} // namespace orv
