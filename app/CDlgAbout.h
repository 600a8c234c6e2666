#pragma once

// "About Orvilant": the program and its build code, and the connected scanner: its module, frequency
// range, adaptor ID and firmware version and, for the external adapter, its connection with the
// static-IP settings behind "...".

#include <QDialog>

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

class QGridLayout;
class QLabel;
class QPushButton;

namespace orv {

class CDlgAbout : public QDialog {
public:
    static constexpr int kProgramNameId = 1192;
    static constexpr int kBuildCodeId = 1121;
    static constexpr int kModuleId = 1102;
    static constexpr int kFrequencyRangeId = 1103;
    static constexpr int kAdaptorId = 1105;
    static constexpr int kFirmwareId = 1106;
    static constexpr int kConnectionLabelId = 1244;
    static constexpr int kConnectionId = 1245;
    static constexpr int kStaticIpButtonId = 1246;
    // The scan-head ID the main frame holds while no scanner is connected.
    static constexpr int32_t kNoScannerHeadId = 255;
    // When this build was made, seconds since 1970 UTC.
    static constexpr std::time_t kBuildTime = 1678108406;

    // Writes the adapter's static-IP settings (flag, address, mask); true when the adapter took them.
    // It reaches the device, so the box runs it off the user-interface thread.
    using StaticIpWriter = std::function<bool(uint8_t useStaticIp, std::string address, std::string mask)>;

    // `scanHeadId` is the main frame's; the rest is read from the scanner context, the instrument
    // state and the attached adapter's published copy.
    CDlgAbout(int32_t scanHeadId, StaticIpWriter writer, QWidget* parent = nullptr);

    // "%dQ%d-%d": year, quarter and day of the year (from 0) of the build time in local time.
    static std::string BuildCode();

    // "...": the static-IP dialog over the stored settings; a change is written to the adapter and
    // kept only when the adapter took it.
    void EditStaticIp();

    bool GetUseStaticIp() const { return m_useStaticIp; }
    const std::string& GetStaticIpText() const { return m_staticIp; }
    const std::string& GetSubnetMaskText() const { return m_subnetMask; }

private:
    QLabel* AddValueRow(QGridLayout& layout, int row, const char* label, int id);
    bool WriteOffTheInterfaceThread(uint8_t flag, const std::string& address, const std::string& mask);

    StaticIpWriter m_writer;
    bool m_useStaticIp = false;
    std::string m_staticIp;
    std::string m_subnetMask;
    QPushButton* m_staticIpButton = nullptr;
};

} // namespace orv
